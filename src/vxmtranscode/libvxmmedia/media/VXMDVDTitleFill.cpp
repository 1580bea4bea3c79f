// A DVD title filled from the DVD information record of its disc.
#include "VXMDVDTitle.h"

#include <cstdlib>
#include <cwctype>

#include "VXMUtils.h"
#include "dvd/DvdInfo.h"
#include "platform/text.h"

namespace {

// A record's text, or the field's initial value when the record has none.
void TakeText(const std::string& text, std::wstring& field)
{
    if (!text.empty())
        field = AnsiToWide(text);
}

std::wstring Upper(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towupper(c));
    return text;
}

}  // namespace

void CVXMDVDTitleImpl::Fill(const dvd_title_record& r, int position, const std::wstring& discPath,
                            const std::wstring& discName)
{
    m_nMediaKind = 1;
    m_strDiscPath = discPath;
    if (m_strDiscPath.size() >= 3 && m_strDiscPath.back() == L'\\' && m_strDiscPath[m_strDiscPath.size() - 2] == L':')
        m_strDiscPath.pop_back();  // a drive root "D:\" is "D:"
    SetSourcePath(FormatW(L"dvdnav://%d", position));
    SetDuration(r.LengthMs());

    m_nTitleNumber = r.title_number;
    m_nTitleValueB = r.second_value;
    TakeText(r.video_standard, m_strVideoStandard);
    TakeText(r.display_format, m_strDisplayFormat);
    m_strDiscName = discName;

    SetHasVideo(1);
    auto video = std::make_unique<VXM_VIDEO_STREAM>();
    video->m_strCodecName = L"mpeg2Video";
    video->m_dFrameRate = r.frame_rate;
    if (!r.width.empty())
        video->m_nWidth = std::atoi(r.width.c_str());
    if (!r.height.empty())
        video->m_nHeight = std::atoi(r.height.c_str());
    m_nVideoStreamIndex = video->m_nStreamIndex;
    m_lstTitleVideo.push_back(std::move(video));

    for (const dvd_audio_entry& a : r.audio) {
        auto track = std::make_unique<VXM_AUDIO_TRACK>();
        track->m_nId = a.id;
        track->m_strDescription = AnsiToWide(a.description);
        track->m_strLanguage = AnsiToWide(a.language);
        track->m_strLanguageText = track->m_strLanguage;
        track->m_strCodecName = Upper(AnsiToWide(a.codec));
        track->m_nBitrate = std::atoi(a.bitrate.c_str());
        track->m_strInfoText = AnsiToWide(a.info);
        track->m_nChannels = a.channels;
        track->m_nInfoValue = a.info_value;
        track->m_nSampleRate = a.info_value;
        track->m_strInfoText2 = AnsiToWide(a.info2);
        track->m_strDisplayName = FormatW(L"%d - %s %s", a.id, track->m_strLanguage.c_str(),
                                          track->m_strCodecName.c_str());
        if (m_lstTitleAudio.empty())
            m_nAudioTrackId = a.id;
        m_lstTitleAudio.push_back(std::move(track));
        m_bHasAudio = 1;
    }

    m_nAngleCount = r.angle_count;

    for (const dvd_chapter_entry& c : r.chapters) {
        auto chapter = std::make_unique<VXM_DVD_CHAPTER>();
        chapter->m_fStartTime = c.start_time;
        chapter->m_nAux1 = c.pgc;
        chapter->m_nAux2 = c.program;
        chapter->m_nAux3 = c.first_cell;
        chapter->m_nAux4 = c.last_cell;
        chapter->m_nCellIndex = c.cell_index;
        m_lstDVDChapters.push_back(std::move(chapter));
    }
    for (const dvd_cell_entry& c : r.cells) {
        auto cell = std::make_unique<VXM_DVD_CELL>();
        cell->m_fTime = c.time;
        cell->m_nAux1 = c.first_sector;
        cell->m_nAux2 = c.last_sector;
        cell->m_nAux3 = c.block_type;
        cell->m_nAux4 = c.block_mode;
        m_lstDVDCells.push_back(std::move(cell));
    }
    for (const dvd_subtitle_entry& s : r.subtitles) {
        auto subtitle = std::make_unique<VXM_SUBTITLE>();
        subtitle->m_nId = s.id;
        subtitle->m_nId2 = 0x17000;  // FFmpeg's DVD subtitle codec
        subtitle->m_strDescription = AnsiToWide(s.description);
        subtitle->m_strLanguage = AnsiToWide(s.language);
        subtitle->m_strLanguageText = subtitle->m_strLanguage;
        subtitle->m_strInfoText = AnsiToWide(s.info);
        subtitle->m_strDisplayName = FormatW(L"%d - %s", s.id, subtitle->m_strLanguage.c_str());
        m_lstTitleSubtitle.push_back(std::move(subtitle));
    }
}
