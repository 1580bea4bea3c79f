// Data, stream lists and DVD operations of a DVD title, and its conversion
// (the shared conversion driver; the title's input is a disc address, never
// opened beforehand as a file).
#include "VXMDVDTitle.h"

#include <iterator>
#include <new>

#include "ConvertDriver.h"
#include "EngineHooks.h"
#include "MediaRecords.h"
#include "VXMMediaImpl.h"
#include "Watermarks.h"

namespace {

template <class T>
std::list<std::unique_ptr<T>> CopyList(const std::list<std::unique_ptr<T>>& source)
{
    std::list<std::unique_ptr<T>> copy;
    for (const auto& record : source)
        if (record)
            copy.push_back(std::make_unique<T>(*record));
    return copy;
}

}  // namespace

CVXMDVDTitleImpl::CVXMDVDTitleImpl()
{
    m_nMediaKind = 1;
}

CVXMDVDTitleImpl::CVXMDVDTitleImpl(const CVXMDVDTitleImpl& other)
    : CVXMMediaObject(other),
      m_nTitleNumber(other.m_nTitleNumber),
      m_nTitleValueB(other.m_nTitleValueB),
      m_strVideoStandard(other.m_strVideoStandard),
      m_strDisplayFormat(other.m_strDisplayFormat),
      m_strDiscName(other.m_strDiscName),
      m_bMainTitle(other.m_bMainTitle),
      m_nAngleCount(other.m_nAngleCount),
      m_lstTitleVideo(CopyList(other.m_lstTitleVideo)),
      m_lstTitleAudio(CopyList(other.m_lstTitleAudio)),
      m_lstDVDChapters(CopyList(other.m_lstDVDChapters)),
      m_lstDVDCells(CopyList(other.m_lstDVDCells)),
      m_lstTitleSubtitle(CopyList(other.m_lstTitleSubtitle)),
      m_nFirstChapter(other.m_nFirstChapter),
      m_nLastChapter(other.m_nLastChapter),
      m_nAngle(other.m_nAngle)
{
    m_nMediaKind = 1;
}

CVXMDVDTitleImpl::~CVXMDVDTitleImpl()
{
    // Runners read the lists: they stop before anything goes.
    StopAndJoinAll();
}

IVXMMedia* CopyDVDTitleMedia(IVXMMedia& source) { return CopyMediaAs<CVXMDVDTitleImpl>(source); }

void CVXMDVDTitleImpl::SetSourcePath(const std::wstring& path)
{
    SetDiscSourcePath(*this, path);  // "dvdnav://3" gives "3"
}

IVXMVideo* CVXMDVDTitleImpl::GetVideoStream()
{
    return m_lstTitleVideo.empty() ? nullptr : m_lstTitleVideo.front().get();
}

IVXMVideo* CVXMDVDTitleImpl::GetVideoStreamAt(int index) { return RecordAt(m_lstTitleVideo, index); }
IVXMAudio* CVXMDVDTitleImpl::GetAudioTrackAt(int index) { return RecordAt(m_lstTitleAudio, index); }
IVXMSubtitle* CVXMDVDTitleImpl::GetSubtitleAt(int index) { return RecordAt(m_lstTitleSubtitle, index); }
IVXMDVDChapter* CVXMDVDTitleImpl::GetChapterAt(int index) { return RecordAt(m_lstDVDChapters, index); }
IVXMCell* CVXMDVDTitleImpl::GetCellAt(int index) { return RecordAt(m_lstDVDCells, index); }

IVXMAudio* CVXMDVDTitleImpl::GetAudioTrack()
{
    for (const auto& track : m_lstTitleAudio)
        if (track->m_nId == m_nAudioTrackId)
            return track.get();
    return nullptr;
}

IVXMSubtitle* CVXMDVDTitleImpl::GetSubtitle()
{
    for (const auto& subtitle : m_lstTitleSubtitle)
        if (subtitle->m_nId == m_nSubtitleId)
            return subtitle.get();
    return nullptr;
}

int CVXMDVDTitleImpl::SetChapterRange(int first, int last)
{
    const int count = GetChapterCount();
    if (last == 0) {
        if (first < 1 || first > count)
            return -1;
        m_nFirstChapter = first;
        m_nLastChapter = -1;
        return 0;
    }
    if (first < 1 || first > last || last > count)
        return -1;
    m_nFirstChapter = first;
    m_nLastChapter = last;
    return 0;
}

int CVXMDVDTitleImpl::SetAngle(int angle)
{
    if (angle < 1 || angle > m_nAngleCount)
        return -1;
    m_nAngle = angle;
    return 0;
}

int CVXMDVDTitleImpl::GetFirstChapter() const
{
    return m_nFirstChapter > GetChapterCount() ? GetChapterCount() : m_nFirstChapter;
}

int CVXMDVDTitleImpl::GetLastChapter() const
{
    return m_nLastChapter > GetChapterCount() ? GetChapterCount() : m_nLastChapter;
}

int CVXMDVDTitleImpl::GetAngle() const
{
    return m_nAngle > m_nAngleCount ? m_nAngleCount : m_nAngle;
}

SDL_Surface* CVXMDVDTitleImpl::RenderTextWatermark() { return ::RenderTextWatermark(*this); }
SDL_Surface* CVXMDVDTitleImpl::LoadImageWatermark() { return ::LoadImageWatermark(*this); }
