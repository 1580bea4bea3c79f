// One track of an audio CD as a media object of kind 2. Its tool input is the
// whole disc ("-f libcdio -track N" on the drive); its trim is the track's
// range on the disc, in milliseconds.
#pragma once
#include <cstdint>
#include <memory>

#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMMediaObject.h"

class CVXMDiscAudioTrackImpl : public CVXMMediaObject<IVXMDiscAudiotrack> {
public:
    CVXMDiscAudioTrackImpl();
    CVXMDiscAudioTrackImpl(const CVXMDiscAudioTrackImpl& other) = default;
    ~CVXMDiscAudioTrackImpl() override;

    // The drive object probes the disc: a track has nothing to probe or show.
    int Probe() override { return -1; }
    int MakeThumbnail(int, int, int) override { return -1; }
    void TakeSnapshot(const std::wstring&, int) override {}
    int StartPreview(HWND hNotify) override;
    void SeekPreview(float seconds) override;
    float GetPreviewPosition() override;
    float GetConvertPosition() override;
    void ReportProgress(int who) override;
    void AdjustPreview(int, int) override {}
    void RemuxToMP4(const std::wstring&, const std::wstring&, HWND) override {}
    void Join(std::vector<IVXMMedia*>, const std::wstring&, HWND) override {}

    void SetSourcePath(const std::wstring& path) override;

    void SetHasVideo(int) override { m_bHasVideo = 0; }

    int GetVideoStreamIndex() const override { return -1; }
    IVXMVideo* GetVideoStream() override { return nullptr; }
    int GetVideoStreamCount() const override { return 0; }
    IVXMVideo* GetVideoStreamAt(int) override { return nullptr; }
    int GetAudioTrackId() const override { return m_pAudioTrack ? m_pAudioTrack->GetId() : -1; }
    IVXMAudio* GetAudioTrack() override { return m_pAudioTrack.get(); }
    int GetAudioTrackCount() const override { return 1; }
    IVXMAudio* GetAudioTrackAt(int) override { return m_pAudioTrack.get(); }
    int GetSubtitleId() const override { return -1; }
    IVXMSubtitle* GetSubtitle() override { return nullptr; }
    int GetSubtitleCount() const override { return 0; }
    IVXMSubtitle* GetSubtitleAt(int) override { return nullptr; }
    int AddAudioFile(const std::wstring&) override { return -1; }
    int AddSubtitleFile(const std::wstring&) override { return -1; }
    int RemoveAudioFile(int) override { return -1; }
    int RemoveSubtitleFile(int) override { return -1; }
    int SelectStreams(int, int, int) override { return 0; }
    int GetSelectedVideoStream() const override { return 0; }
    int GetSelectedAudioStream() const override { return 0; }
    int GetSelectedSubtitleStream() const override { return 0; }
    int GetMediaKind() const override { return 2; }
    SDL_Surface* RenderTextWatermark() override { return nullptr; }
    SDL_Surface* LoadImageWatermark() override { return nullptr; }
    int IsProtected() override { return 0; }
    std::wstring GetDrivePath() const override { return m_strCDDrive; }

    // The preview player's command line: the disc with the track's range.
    std::wstring BuildPreviewCommandLine() const;

    // Shared by every track of a disc; lives as long as the last of them.
    std::shared_ptr<VXM_AUDIO_TRACK> m_pAudioTrack;
    std::int64_t m_llChapterStartMs = 0;  // the track's start on the disc, in milliseconds
};
