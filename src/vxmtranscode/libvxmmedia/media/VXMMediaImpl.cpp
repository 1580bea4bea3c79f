#include "VXMMediaImpl.h"

#include "MediaRecords.h"

void SplitMediaPath(const std::wstring& path, std::wstring& folder, std::wstring& name, std::wstring& ext)
{
    size_t slash = path.find_last_of(L"/\\");
    size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    folder = path.substr(0, nameStart);
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart) {
        name = path.substr(nameStart);
        ext.clear();
    } else {
        name = path.substr(nameStart, dot - nameStart);
        ext = path.substr(dot);
    }
}

CVXMMediaImpl::CVXMMediaImpl() = default;

CVXMMediaImpl::CVXMMediaImpl(const CVXMMediaImpl& other)
    : CVXMMediaObject(other)
{
}

CVXMMediaImpl::CVXMMediaImpl(const CVXMMediaBase& data, int positionOffset)
    : CVXMMediaObject(data, positionOffset)
{
}

CVXMMediaImpl::~CVXMMediaImpl()
{
    StopAndJoinAll();
}

void CVXMMediaImpl::SetSourcePath(const std::wstring& path)
{
    m_strSourcePath = path;
    if (path.empty()) {
        m_strSourceFolder.clear();
        m_strSourceTitle.clear();
        m_strSourceExt.clear();
        return;
    }
    SplitMediaPath(path, m_strSourceFolder, m_strSourceTitle, m_strSourceExt);
}

void CVXMMediaImpl::SetHasVideo(int hasVideo) { m_bHasVideo = hasVideo; }

int CVXMMediaImpl::GetVideoStreamIndex() const { return m_nVideoStreamIndex; }
IVXMVideo* CVXMMediaImpl::GetVideoStream() { return FindSelectedVideoStream(); }
int CVXMMediaImpl::GetVideoStreamCount() const { return static_cast<int>(m_lstVideo.size()); }
IVXMVideo* CVXMMediaImpl::GetVideoStreamAt(int index) { return CVXMMediaBase::GetVideoStreamAt(index); }
int CVXMMediaImpl::GetAudioTrackId() const { return m_nAudioTrackId; }
IVXMAudio* CVXMMediaImpl::GetAudioTrack() { return FindSelectedAudioTrack(); }
int CVXMMediaImpl::GetAudioTrackCount() const { return static_cast<int>(m_lstAudio.size()); }
IVXMAudio* CVXMMediaImpl::GetAudioTrackAt(int index) { return CVXMMediaBase::GetAudioTrackAt(index); }
int CVXMMediaImpl::GetSubtitleId() const { return m_nSubtitleId; }
IVXMSubtitle* CVXMMediaImpl::GetSubtitle() { return FindSelectedSubtitle(); }
int CVXMMediaImpl::GetSubtitleCount() const { return static_cast<int>(m_lstSubtitle.size()); }
IVXMSubtitle* CVXMMediaImpl::GetSubtitleAt(int index) { return CVXMMediaBase::GetSubtitleAt(index); }

int CVXMMediaImpl::GetSelectedVideoStream() const { return m_pSelection ? m_pSelection->m_nVideo : -1; }
int CVXMMediaImpl::GetSelectedAudioStream() const { return m_pSelection ? m_pSelection->m_nAudio : -1; }
int CVXMMediaImpl::GetSelectedSubtitleStream() const { return m_pSelection ? m_pSelection->m_nSubtitle : -1; }
int CVXMMediaImpl::GetMediaKind() const { return m_nMediaKind; }

