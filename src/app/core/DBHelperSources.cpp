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

bool CDBHelper::AddProfiles(IProfileManager* manager)
{
    if (!manager)
        return false;
    std::vector<VXM_HISTORY_PROFILE> profiles;
    for (int i = 0; i < manager->GetProfileCount(); ++i) {
        IProfile* profile = manager->GetProfile(i);
        if (!profile)
            break;
        profiles.push_back({profile->GetName(), profile->GetDesc(), profile->GetTargetDevice()});
    }
    return AddProfiles(profiles);
}

VXM_CONVERTED_INFO CDBHelper::MakeConvertedInfo(IProfile* profile, IVXMMedia* media)
{
    return VXM_CONVERTED_INFO{
        .profileName = profile->GetName(), .sourcePath = media->GetSourcePath(),
        .outputPath = media->GetOutputPath(), .thumbnailSource = media->GetThumbnailPath(),
        .durationMs = media->GetDuration(), .videoCodec = profile->GetVideoCodec(),
        .videoBitrate = profile->GetVideoBitrate(), .frameRate = profile->GetFramerate(),
        .videoSize = profile->GetVideoSize(), .audioCodec = profile->GetAudioCodec(),
        .audioBitrate = profile->GetAudioBitrate(), .sampleRate = profile->GetSampleRate(),
        .channels = profile->GetChannel(), .audioDisabled = profile->IsAudioDisabled() != 0};
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

bool CDBHelper::AddConvertedRecord(IProfile* profile, IVXMMedia* media)
{
    if (!profile || !media || !m_db)
        return false;
    return AddConvertedRecord(MakeConvertedInfo(profile, media));
}

bool CDBHelper::AddDownloadedRecord(const std::wstring& siteName, const std::wstring& pageUrl,
                                    const std::wstring& thumbnailImage, IVXMMedia* media)
{
    if (!media || !m_db)
        return false;
    return AddDownloadedRecord(MakeDownloadedInfo(siteName, pageUrl, thumbnailImage, media));
}
