// CDBHelper's forms that read the profile catalogue and media objects.
#include "DBHelper.h"

#include "IProfile.h"
#include "IVXMMedia.h"
#include "IVXMStreams.h"

bool CDBHelper::AddGroups(IProfileManager* manager)
{
    if (!manager)
        return false;
    std::vector<VXM_HISTORY_GROUP> groups;
    for (int i = 0; i < manager->GetGroupCount(); ++i) {
        IProfileGroup* group = manager->GetGroup(i);
        if (group)
            groups.push_back({group->GetName(), group->GetDesc()});
    }
    return AddGroups(groups);
}

namespace {

// The catalogue's profiles, in order (an absent one ends the list).
template <class F>
void ForEachProfile(IProfileManager* catalogue, F&& visit)
{
    for (int i = 0; catalogue && i < catalogue->GetProfileCount(); ++i) {
        IProfile* profile = catalogue->GetProfile(i);
        if (!profile)
            break;
        if (!visit(profile))
            break;
    }
}

}  // namespace

std::wstring CDBHelper::HistoryProfileName(IProfileManager* catalogue, IProfile* profile)
{
    if (!profile)
        return {};
    const std::wstring name = profile->GetName();
    int same = 0;
    ForEachProfile(catalogue, [&](IProfile* p) {
        same += p->GetName() == name ? 1 : 0;
        return same < 2;
    });
    return same > 1 ? name + L"#" + std::to_wstring(profile->GetId()) : name;
}

IProfile* CDBHelper::FindHistoryProfile(IProfileManager* catalogue, const std::wstring& historyName)
{
    IProfile* found = nullptr;
    ForEachProfile(catalogue, [&](IProfile* p) {
        if (HistoryProfileName(catalogue, p) == historyName)
            found = p;
        return found == nullptr;
    });
    return found;
}

bool CDBHelper::AddProfiles(IProfileManager* manager)
{
    if (!manager)
        return false;
    std::vector<VXM_HISTORY_PROFILE> profiles;
    ForEachProfile(manager, [&](IProfile* profile) {
        profiles.push_back({HistoryProfileName(manager, profile), profile->GetDesc(), profile->GetTargetDevice()});
        return true;
    });
    return AddProfiles(profiles);
}

VXM_CONVERTED_INFO CDBHelper::MakeConvertedInfo(IProfile* profile, IProfileGroup* group, IVXMMedia* media)
{
    VXM_CONVERTED_INFO info;
    info.profileName = profile->GetName();
    info.groupName = group ? group->GetName() : std::wstring(L"n/a");
    info.sourcePath = media->GetSourcePath();
    info.outputPath = media->GetOutputPath();
    info.thumbnailSource = media->GetThumbnailPath();
    info.durationMs = media->GetDuration();
    // Video is recorded only where the output has some: not for an audio
    // group's profile, nor for a source without moving pictures (a cover is none).
    if (media->GetVideoStream() && !(group && group->GetAudio())) {
        info.videoCodec = profile->GetVideoCodec();
        info.videoBitrate = profile->GetVideoBitrate();
        info.frameRate = profile->GetFramerate();
        info.videoSize = profile->GetVideoSize();
    }
    // Sound likewise: not where the row turned it off, nor from a source without any.
    info.audioDisabled = profile->IsAudioDisabled() != 0 || media->GetAudioTrackCount() <= 0;
    if (!info.audioDisabled) {
        info.audioCodec = profile->GetAudioCodec();
        info.audioBitrate = profile->GetAudioBitrate();
        info.sampleRate = profile->GetSampleRate();
        info.channels = profile->GetChannel();
    }
    return info;
}

VXM_DOWNLOADED_INFO CDBHelper::MakeDownloadedInfo(const std::wstring& siteName, const std::wstring& pageUrl,
                                                  const std::wstring& thumbnailImage, IVXMMedia* media)
{
    VXM_DOWNLOADED_INFO info;
    info.siteName = siteName;
    info.pageUrl = pageUrl;
    info.thumbnailSource = thumbnailImage;
    info.localFile = media->GetSourcePath();
    info.durationMs = media->GetDuration();
    if (IVXMVideo* video = media->GetVideoStream()) {
        info.hasVideo = true;
        info.videoCodec = video->GetCodecName();
        info.videoBitrateKbps = video->GetBitrate();
        info.frameRate = video->GetFrameRate();
        info.width = video->GetWidth();
        info.height = video->GetHeight();
    }
    if (IVXMAudio* audio = media->GetAudioTrack()) {
        info.hasAudio = true;
        info.audioCodec = audio->GetCodecName();
        info.audioBitrate = audio->GetBitrate();
        info.sampleRate = audio->GetSampleRate();
        info.channels = audio->GetChannels();
    }
    info.audioTrackCount = media->GetAudioTrackCount();
    return info;
}

bool CDBHelper::AddConvertedRecord(IProfileManager* catalogue, IProfile* profile, IProfileGroup* group,
                                   IVXMMedia* media)
{
    if (!profile || !media || !m_db)
        return false;
    VXM_CONVERTED_INFO info = MakeConvertedInfo(profile, group, media);
    info.profileName = HistoryProfileName(catalogue, profile);
    return AddConvertedRecord(info);
}

bool CDBHelper::AddDownloadedRecord(const std::wstring& siteName, const std::wstring& pageUrl,
                                    const std::wstring& thumbnailImage, IVXMMedia* media)
{
    if (!media || !m_db)
        return false;
    return AddDownloadedRecord(MakeDownloadedInfo(siteName, pageUrl, thumbnailImage, media));
}
