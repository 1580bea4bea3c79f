// Shared data operations of the media objects.
#include "MediaRecords.h"

#include "VXMMediaImpl.h"
#include "platform/text.h"

int AddExternalAudio(std::list<std::unique_ptr<VXM_AUDIO_TRACK>>& list, const std::wstring& path)
{
    if (path.empty())
        return -1;
    std::wstring folder, name, ext;
    SplitMediaPath(path, folder, name, ext);
    auto track = std::make_unique<VXM_AUDIO_TRACK>();
    track->m_nId = -1;
    track->m_bExternal = 1;
    track->m_strFilePath = path;
    track->m_strDisplayName = name + ext;
    list.push_back(std::move(track));
    return 0;
}

int AddExternalSubtitle(std::list<std::unique_ptr<VXM_SUBTITLE>>& list, const std::wstring& path)
{
    if (path.empty())
        return -1;
    std::wstring folder, name, ext;
    SplitMediaPath(path, folder, name, ext);
    if (CompareNoCaseW(ext, L".srt") != 0 && CompareNoCaseW(ext, L".ass") != 0 && CompareNoCaseW(ext, L".ssa") != 0)
        return -1;
    auto subtitle = std::make_unique<VXM_SUBTITLE>();
    subtitle->m_bExternal = 1;
    subtitle->m_strFilePath = path;
    subtitle->m_strDisplayName = name + ext;
    list.push_back(std::move(subtitle));
    return 0;
}

int SelectMediaStreams(CVXMMediaBase& data, int video, int audio, int subtitle, int audioCount, int subtitleCount)
{
    if (video < -1 || audio < -1 || subtitle < -1 || audio > audioCount || subtitle > subtitleCount)
        return -1;
    data.SetStreamSelection(video, audio, subtitle);
    return 0;
}

void SetDiscSourcePath(CVXMMediaBase& data, const std::wstring& path)
{
    data.m_strSourcePath = path;
    if (path.empty()) {
        data.m_strSourceTitle.clear();
        data.m_strSourceExt.clear();
        data.m_strSourceFolder.clear();
        return;
    }
    std::wstring folder, name, ext;
    SplitMediaPath(path, folder, name, ext);
    data.m_strSourceTitle = name + ext;
    data.m_strSourceExt.clear();
    data.m_strSourceFolder = data.m_strDiscPath;
}
