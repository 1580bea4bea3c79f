#include "DiscStructure.h"

#include <cstdio>
#include <vector>

#include "DvdAnswer.h"
#include "DvdDisc.h"

namespace {

std::string LanguageText(std::uint16_t code)
{
    const char a = static_cast<char>(code >> 8);
    const char b = static_cast<char>(code & 0xff);
    if (a < 'a' || a > 'z' || b < 'a' || b > 'z')
        return {};
    return std::string{a, b};
}

const char* AudioCodec(int format)
{
    switch (format) {
    case 0: return "ac3";
    case 2: return "mpeg1";
    case 3: return "mpeg2";
    case 4: return "lpcm";
    case 6: return "dts";
    default: return "";
    }
}

// The program-stream id FFmpeg's MPEG-PS demuxer gives the n-th track of a format.
int AudioStreamId(int format, int number)
{
    switch (format) {
    case 0: return 0x80 + number;
    case 2:
    case 3: return 0x1c0 + number;
    case 4: return 0xa0 + number;
    case 6: return 0x88 + number;
    default: return -1;
    }
}

const char* AudioDescription(int codeExtension)
{
    switch (codeExtension) {
    case 1: return "Normal";
    case 2: return "For visually impaired";
    case 3: return "Director's comments";
    case 4: return "Alternate director's comments";
    default: return "";
    }
}

const char* SubtitleDescription(int codeExtension)
{
    switch (codeExtension) {
    case 1: return "Normal";
    case 2: return "Large";
    case 3: return "Children";
    case 5: return "Normal captions";
    case 6: return "Large captions";
    case 7: return "Children's captions";
    case 9: return "Forced";
    case 13: return "Director's comments";
    case 14: return "Large director's comments";
    case 15: return "Director's comments for children";
    default: return "";
    }
}

const char* DisplayFormat(const video_attr_t& video)
{
    if (video.display_aspect_ratio != 3)
        return "?";  // 4:3 pictures need no display format
    switch (video.permitted_df) {
    case 0: return "PanScan & LetterBox";
    case 1: return "PanScan";
    case 2: return "LetterBox";
    default: return "?";
    }
}

void FillVideo(const video_attr_t& video, dvd_title_record& r)
{
    const bool pal = video.video_format == 1;
    r.video_standard = pal ? "PAL" : "NTSC";
    r.frame_rate = pal ? 25.0f : 29.97f;
    static const int kWidths[] = {720, 704, 352, 352};
    const int fullHeight = pal ? 576 : 480;
    r.width = std::to_string(kWidths[video.picture_size & 3]);
    r.height = std::to_string(video.picture_size == 3 ? fullHeight / 2 : fullHeight);
    r.display_format = DisplayFormat(video);
}

void FillAudio(const vtsi_mat_t& mat, const pgc_t& pgc, dvd_title_record& r)
{
    const int count = mat.nr_of_vts_audio_streams > 8 ? 8 : mat.nr_of_vts_audio_streams;
    for (int i = 0; i < count; ++i) {
        if (!(pgc.audio_control[i] & 0x8000))
            continue;  // not present in this title
        const audio_attr_t& a = mat.vts_audio_attr[i];
        const int number = (pgc.audio_control[i] >> 8) & 7;
        const int id = AudioStreamId(a.audio_format, number);
        if (id < 0)
            continue;
        dvd_audio_entry e;
        e.description = AudioDescription(a.code_extension);
        e.language = a.lang_type == 1 ? LanguageText(a.lang_code) : std::string();
        e.codec = AudioCodec(a.audio_format);
        e.channels = a.channels + 1;
        e.info_value = a.sample_frequency == 1 ? 96000 : 48000;
        e.info = std::to_string(e.info_value) + " Hz";
        e.id = id;
        r.audio.push_back(std::move(e));
    }
}

void FillSubtitles(const vtsi_mat_t& mat, const pgc_t& pgc, dvd_title_record& r)
{
    const bool wide = mat.vts_video_attr.display_aspect_ratio == 3;
    const int count = mat.nr_of_vts_subp_streams > 32 ? 32 : mat.nr_of_vts_subp_streams;
    for (int i = 0; i < count; ++i) {
        const std::uint32_t control = pgc.subp_control[i];
        if (!(control & 0x80000000u))
            continue;
        const subp_attr_t& s = mat.vts_subp_attr[i];
        dvd_subtitle_entry e;
        e.description = SubtitleDescription(s.code_extension);
        e.language = s.type == 1 ? LanguageText(s.lang_code) : std::string();
        const int number = static_cast<int>((wide ? control >> 16 : control >> 24) & 0x1f);
        e.id = 0x20 + number;
        e.info = "DVD subtitle";
        r.subtitles.push_back(std::move(e));
    }
}

// True for the cells whose time adds to the title's length: every cell but
// the second and later angles of an angle block.
bool CountsToLength(const cell_playback_t& cell)
{
    return cell.block_type != BLOCK_TYPE_ANGLE_BLOCK || cell.block_mode == BLOCK_MODE_FIRST_CELL;
}

bool ReadTitle(CDvdDisc& disc, int number, dvd_title_record& r)
{
    const title_info_t* info = disc.Title(number);
    ifo_handle_t* vts = info ? disc.TitleSet(info->title_set_nr) : nullptr;
    if (!vts || info->vts_ttn < 1 || info->vts_ttn > vts->vts_ptt_srpt->nr_of_srpts)
        return false;
    const ttu_t& ttu = vts->vts_ptt_srpt->title[info->vts_ttn - 1];
    r.title_number = number;
    r.second_value = info->title_set_nr;
    r.angle_count = info->nr_of_angles;
    FillVideo(vts->vtsi_mat->vts_video_attr, r);

    // The title's program chains in chapter order, each with its cells.
    std::vector<int> chains;
    for (int j = 0; j < ttu.nr_of_ptts; ++j) {
        const int pgcn = ttu.ptt[j].pgcn;
        if (chains.empty() || chains.back() != pgcn)
            chains.push_back(pgcn);
    }
    int lengthMs = 0;
    int chainMs = 0;
    bool streamsRead = false;
    std::vector<int> chainStartMs, chainCellBase;
    for (int pgcn : chains) {
        if (pgcn < 1 || pgcn > vts->vts_pgcit->nr_of_pgci_srp)
            return false;
        const pgc_t* pgc = vts->vts_pgcit->pgci_srp[pgcn - 1].pgc;
        if (!pgc)
            return false;
        if (!streamsRead) {
            FillAudio(*vts->vtsi_mat, *pgc, r);
            FillSubtitles(*vts->vtsi_mat, *pgc, r);
            streamsRead = true;
        }
        chainMs += DvdTimeToMs(pgc->playback_time);
        chainStartMs.push_back(lengthMs);
        chainCellBase.push_back(static_cast<int>(r.cells.size()));
        for (int c = 0; pgc->cell_playback && c < pgc->nr_of_cells; ++c) {
            const cell_playback_t& cell = pgc->cell_playback[c];
            dvd_cell_entry e;
            const int ms = DvdTimeToMs(cell.playback_time);
            e.time = static_cast<float>(ms / 1000.0);
            e.first_sector = static_cast<int>(cell.first_sector);
            e.last_sector = static_cast<int>(cell.last_sector);
            e.last_vobu_sector = static_cast<int>(cell.last_vobu_start_sector);
            e.block_type = cell.block_type;
            e.block_mode = cell.block_mode;
            r.cells.push_back(e);
            if (CountsToLength(cell))
                lengthMs += ms;
        }
    }

    for (int j = 0; j < ttu.nr_of_ptts; ++j) {
        const ptt_info_t& ptt = ttu.ptt[j];
        size_t chain = 0;
        while (chain < chains.size() && chains[chain] != ptt.pgcn)
            ++chain;
        const pgc_t* pgc = vts->vts_pgcit->pgci_srp[ptt.pgcn - 1].pgc;
        if (chain == chains.size() || !pgc->program_map || !pgc->cell_playback || ptt.pgn < 1 ||
            ptt.pgn > pgc->nr_of_programs)
            continue;
        dvd_chapter_entry e;
        e.pgc = ptt.pgcn;
        e.program = ptt.pgn;
        e.first_cell = pgc->program_map[ptt.pgn - 1];
        e.last_cell = ptt.pgn < pgc->nr_of_programs ? pgc->program_map[ptt.pgn] - 1 : pgc->nr_of_cells;
        e.cell_index = chainCellBase[chain] + e.first_cell - 1;
        e.pgc_cells = pgc->nr_of_cells;
        int startMs = chainStartMs[chain];
        for (int c = 0; c + 1 < e.first_cell && c < pgc->nr_of_cells; ++c)
            if (CountsToLength(pgc->cell_playback[c]))
                startMs += DvdTimeToMs(pgc->cell_playback[c].playback_time);
        e.start_time = static_cast<float>(startMs / 1000.0);
        r.chapters.push_back(e);
    }

    r.hours = lengthMs / 3600000;
    r.minutes = lengthMs / 60000 % 60;
    r.seconds = lengthMs / 1000 % 60;
    r.milliseconds = lengthMs % 1000;
    r.chain_length_ms = chainMs;
    return true;
}

}  // namespace

bool ReadDiscStructure(const std::string& path, dvd_info& info)
{
    info = dvd_info();
    CDvdDisc disc;
    if (!disc.Open(path)) {
        std::fprintf(stderr, "\"%s\" holds no readable DVD\n", path.c_str());
        return false;
    }
    info.volume_label = disc.VolumeLabel();
    int longest = -1;
    for (int n = 1; n <= disc.TitleCount(); ++n) {
        dvd_title_record r;
        if (!ReadTitle(disc, n, r) || !DvdTitleFitsAnswer(r)) {
            std::fprintf(stderr, "title %d cannot be read; left out\n", n);
            continue;
        }
        // The engine reads the title's video files: open them here first.
        if (!disc.HasTitleVideo(r.second_value))
            std::fprintf(stderr, "the video files of title %d cannot be opened\n", n);
        info.titles.push_back(std::move(r));
        const int length = info.titles.back().LengthMs();
        if (longest < 0 || length > longest) {
            longest = length;
            info.main_title = static_cast<int>(info.titles.size());
        }
    }
    if (info.titles.empty()) {
        std::fprintf(stderr, "\"%s\" has no readable title\n", path.c_str());
        return false;
    }
    return true;
}
