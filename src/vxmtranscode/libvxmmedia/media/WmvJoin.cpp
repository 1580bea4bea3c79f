#include "WmvJoin.h"

#include "CmdFFplay.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "av/AvHandles.h"
#include "tool_log.h"
#include "platform/text.h"
#include "platform/paths.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
}

namespace {

const char kLogCategory[] = "WmvJoin";

CAvInputPtr OpenInput(const std::wstring& path)
{
    const std::string name = WideToUtf8(path);
    AVFormatContext* ic = nullptr;
    // A file, whatever its name looks like.
    int err = avformat_open_input(&ic, ("file:" + name).c_str(), nullptr, nullptr);
    if (err < 0) {
        log_tool_error(kLogCategory, "Could not open input file %s (%s)", name.c_str(), AvErrorText(err).c_str());
        return nullptr;
    }
    CAvInputPtr input(ic);
    err = avformat_find_stream_info(ic, nullptr);
    if (err < 0) {
        log_tool_error(kLogCategory, "Open failed for file %s (%s)", name.c_str(), AvErrorText(err).c_str());
        return nullptr;
    }
    return input;
}

bool SameBytes(const uint8_t* a, int aSize, const uint8_t* b, int bSize)
{
    return aSize == bSize && (aSize == 0 || std::memcmp(a, b, static_cast<size_t>(aSize)) == 0);
}

// Two streams can follow each other in one file when their coded form is the
// same: codec, tag, picture or sound format and the codec's private data.
bool StreamsMatch(const AVCodecParameters* a, const AVCodecParameters* b)
{
    if (a->codec_type != b->codec_type || a->codec_id != b->codec_id)
        return false;
    if (!SameBytes(a->extradata, a->extradata_size, b->extradata, b->extradata_size))
        return false;
    if (a->codec_type == AVMEDIA_TYPE_VIDEO)
        return a->width == b->width && a->height == b->height;
    if (a->codec_type == AVMEDIA_TYPE_AUDIO)
        return a->sample_rate == b->sample_rate && a->ch_layout.nb_channels == b->ch_layout.nb_channels &&
               a->block_align == b->block_align && a->bits_per_coded_sample == b->bits_per_coded_sample &&
               a->bit_rate == b->bit_rate;
    return true;
}

// For each input, the first input's stream index each of its streams feeds
// (-1 for none). False when an input lacks a match for some stream.
bool MatchStreams(const std::vector<CAvInputPtr>& inputs, std::vector<std::vector<int>>& map)
{
    const AVFormatContext* first = inputs[0].get();
    const unsigned count = first->nb_streams;
    map.assign(inputs.size(), {});
    for (size_t k = 0; k < inputs.size(); ++k) {
        const AVFormatContext* ic = inputs[k].get();
        if (ic->nb_streams != count) {
            LogMessageA(kLogCategory, "Different stream counts in the files (%u and %u)", count, ic->nb_streams);
            return false;
        }
        map[k].assign(count, -1);
        for (unsigned c = 0; c < count; ++c) {
            bool found = false;
            for (unsigned s = 0; s < count && !found; ++s) {
                if (map[k][s] >= 0 || !StreamsMatch(first->streams[c]->codecpar, ic->streams[s]->codecpar))
                    continue;
                map[k][s] = static_cast<int>(c);
                found = true;
            }
            if (!found) {
                LogMessageA(kLogCategory, "Mismatch in media types of the streams (file %zu, stream %u)", k, c);
                return false;
            }
        }
    }
    return true;
}

bool AddChapter(AVFormatContext* oc, const AVChapter* source, int64_t offsetUs, int64_t id)
{
    auto* chapter = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
    if (!chapter)
        return false;
    const AVRational us = AV_TIME_BASE_Q;
    chapter->id = id;
    chapter->time_base = us;
    chapter->start = av_rescale_q(source->start, source->time_base, us) + offsetUs;
    chapter->end = av_rescale_q(source->end, source->time_base, us) + offsetUs;
    av_dict_copy(&chapter->metadata, source->metadata, 0);
    void* grown = av_realloc_array(oc->chapters, oc->nb_chapters + 1, sizeof(*oc->chapters));
    if (!grown) {
        av_dict_free(&chapter->metadata);
        av_free(chapter);
        return false;
    }
    oc->chapters = static_cast<AVChapter**>(grown);
    oc->chapters[oc->nb_chapters++] = chapter;
    return true;
}

// A packet's duration; a picture without one lasts one frame of its stream.
int64_t PacketDuration(const AVStream* st, const AVPacket* pkt)
{
    if (pkt->duration > 0 || st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
        return pkt->duration;
    AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (rate.num <= 0 || rate.den <= 0)
        return 0;
    return av_rescale_q(1, av_inv_q(rate), st->time_base);
}

bool Stopped(const std::atomic<int>* killFlag)
{
    return killFlag && killFlag->load() != 0;
}

}  // namespace

int JoinWmvFiles(const std::vector<std::wstring>& inputs, const std::wstring& output,
                 const std::atomic<int>* killFlag)
{
    if (inputs.empty() || output.empty())
        return VXM_WMV_E_INVALIDARG;
    std::vector<CAvInputPtr> opened;
    for (const std::wstring& path : inputs) {
        CAvInputPtr ic = OpenInput(path);
        if (!ic)
            return VXM_WMV_E_FAIL;
        opened.push_back(std::move(ic));
    }
    std::vector<std::vector<int>> map;
    if (!MatchStreams(opened, map)) {
        std::fputs("Profile Mismatch\nCan not continue... Aborting the process\n", stdout);
        log_tool_error(kLogCategory, "the files cannot be joined: their streams differ");
        return VXM_WMV_E_FAIL;
    }

    const std::string outName = WideToUtf8(output);
    AVFormatContext* ocRaw = nullptr;
    int err = avformat_alloc_output_context2(&ocRaw, nullptr, "asf", outName.c_str());
    if (err < 0 || !ocRaw) {
        log_tool_error(kLogCategory, "Could not create the writer (%s)", AvErrorText(err).c_str());
        return VXM_WMV_E_FAIL;
    }
    CAvOutputPtr oc(ocRaw);
    const AVFormatContext* first = opened[0].get();
    for (unsigned c = 0; c < first->nb_streams; ++c) {
        AVStream* st = avformat_new_stream(oc.get(), nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, first->streams[c]->codecpar) < 0)
            return VXM_WMV_E_FAIL;
        st->codecpar->codec_tag = 0;
        st->time_base = first->streams[c]->time_base;
        av_dict_copy(&st->metadata, first->streams[c]->metadata, 0);
    }
    av_dict_copy(&oc->metadata, first->metadata, 0);

    bool written = false;
    auto fail = [&](int code) {
        oc.reset();
        if (written) {
            std::error_code ec;
            std::filesystem::remove(std::filesystem::path(outName), ec);
        }
        return code;
    };

    err = avio_open(&oc->pb, outName.c_str(), AVIO_FLAG_WRITE);
    if (err < 0) {
        log_tool_error(kLogCategory, "Could not set output file %s (%s)", outName.c_str(), AvErrorText(err).c_str());
        return VXM_WMV_E_FAIL;
    }
    written = true;
    err = avformat_write_header(oc.get(), nullptr);
    if (err < 0) {
        log_tool_error(kLogCategory, "BeginWriting failed (%s)", AvErrorText(err).c_str());
        return fail(VXM_WMV_E_FAIL);
    }

    CAvPacketPtr pkt(av_packet_alloc());
    if (!pkt)
        return fail(VXM_WMV_E_FAIL);
    const AVRational us = AV_TIME_BASE_Q;
    int64_t offsetUs = 0;  // where the current input starts in the output
    int64_t chapterId = 0;
    for (size_t k = 0; k < opened.size(); ++k) {
        AVFormatContext* ic = opened[k].get();
        const int64_t startUs = ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0;
        int64_t endUs = 0;  // end of the input's last sample, relative to its start
        for (unsigned i = 0; i < ic->nb_chapters; ++i) {
            if (!AddChapter(oc.get(), ic->chapters[i], offsetUs - startUs, chapterId++))
                return fail(VXM_WMV_E_FAIL);
        }
        while (true) {
            if (Stopped(killFlag)) {
                LogMessageA(kLogCategory, "the join was stopped");
                return fail(VXM_WMV_E_ABORT);
            }
            err = av_read_frame(ic, pkt.get());
            if (err == AVERROR_EOF)
                break;
            if (err < 0) {
                log_tool_error(kLogCategory, "Stream copying failed for the file %zu (%s)", k + 1,
                               AvErrorText(err).c_str());
                return fail(VXM_WMV_E_FAIL);
            }
            const int target = pkt->stream_index < static_cast<int>(map[k].size()) ? map[k][pkt->stream_index] : -1;
            if (target < 0) {
                av_packet_unref(pkt.get());
                continue;
            }
            const AVRational inTb = ic->streams[pkt->stream_index]->time_base;
            const int64_t shift = av_rescale_q(offsetUs - startUs, us, inTb);
            if (pkt->pts != AV_NOPTS_VALUE) {
                const int64_t last = av_rescale_q(pkt->pts + PacketDuration(ic->streams[pkt->stream_index], pkt.get()),
                                                  inTb, us) - startUs;
                if (last > endUs)
                    endUs = last;
                pkt->pts += shift;
            }
            if (pkt->dts != AV_NOPTS_VALUE)
                pkt->dts += shift;
            pkt->stream_index = target;
            av_packet_rescale_ts(pkt.get(), inTb, oc->streams[target]->time_base);
            pkt->pos = -1;
            err = av_interleaved_write_frame(oc.get(), pkt.get());
            if (err < 0) {
                LogMessageA(kLogCategory, "Error in WriteStreamSample (%s)", AvErrorText(err).c_str());
                return fail(VXM_WMV_E_FAIL);
            }
        }
        offsetUs += endUs;
    }
    err = av_write_trailer(oc.get());
    if (err < 0) {
        LogMessageA(kLogCategory, "Could not EndWriting (%s)", AvErrorText(err).c_str());
        return fail(VXM_WMV_E_FAIL);
    }
    return VXM_WMV_OK;
}

int WmvJoinThread(CCmdFFplay* runner)
{
    if (!runner || !runner->m_pMedia)
        return VXM_WMV_E_INVALIDARG;
    CVXMMediaBase& media = *runner->m_pMedia;
    const std::filesystem::path out = PathFromWide(media.m_strOutputFile);
    const std::filesystem::path temp = out.parent_path() / (out.stem().native() + "_temp" + out.extension().native());
    media.m_strTempOutput = WideFromPath(temp);
    if (!media.m_bHasJoinList)
        return VXM_WMV_OK;
    std::vector<std::wstring> inputs{media.m_strOutputFile};
    for (IVXMMedia* item : media.m_lstJoin) {
        auto* joined = dynamic_cast<CVXMMediaBase*>(item);
        if (!joined) {
            LogMessageA(kLogCategory, "a join list entry has no output file");
            return VXM_WMV_E_INVALIDARG;
        }
        inputs.push_back(joined->m_strOutputFile);
    }
    return JoinWmvFiles(inputs, media.m_strTempOutput, &runner->m_nKillFlag);
}

int GetWMVDuration(const std::wstring& path)
{
    const std::string name = WideToUtf8(path);
    AVFormatContext* raw = nullptr;
    int err = avformat_open_input(&raw, ("file:" + name).c_str(), nullptr, nullptr);
    if (err < 0) {
        std::printf("Could not open %s to read its duration (%s)\n", name.c_str(), AvErrorText(err).c_str());
        return -1;
    }
    CAvInputPtr ic(raw);
    if (ic->duration == AV_NOPTS_VALUE && avformat_find_stream_info(ic.get(), nullptr) < 0) {
        std::printf("Could not read the duration of %s\n", name.c_str());
        return -1;
    }
    if (ic->duration == AV_NOPTS_VALUE || ic->duration < 0)
        return -1;
    return static_cast<int>(ic->duration / 1000);
}
