// One track of an audio CD as a media object. The track's data half is an
// ordinary media object of kind 2 whose input is the whole disc
// ("-f libcdio -track N"); its trim is the track's range on the disc.
#pragma once
#include <memory>
#include <utility>

#include "IVXMMedia.h"
#include "VXMMediaImpl.h"

class CVXMDiscAudioTrackImpl : public IVXMDiscAudiotrack {
public:
    CVXMDiscAudioTrackImpl();
    CVXMDiscAudioTrackImpl(const CVXMDiscAudioTrackImpl& other);
    ~CVXMDiscAudioTrackImpl() override = default;

    // The data half the runners and the conversion driver work on.
    CVXMMediaBase& Data() { return m_media; }

    int Probe() override { return -1; }
    int MakeThumbnail(int, int, int) override { return -1; }
    void TakeSnapshot(const std::wstring&, int) override {}
    int StartPreview(HWND hNotify) override;
    float GetPreviewPosition() override;
    float GetConvertPosition() override;
    void AdjustPreview(int, int) override {}
    void StartConvert(IProfile* profile, HWND hNotify, int flag) override;
    void RemuxToMP4(const std::wstring&, const std::wstring&, HWND) override {}
    void Join(std::vector<IVXMMedia*>, const std::wstring&, HWND) override {}
    void Release() override { delete this; }
    void SetSourcePath(const std::wstring& path) override;
    void SetHasVideo(int) override { m_media.m_bHasVideo = 0; }
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
    std::wstring GetDrivePath() const override { return m_media.m_strCDDrive; }

    void ReportProgress(int who) override;
    std::uint64_t EstimateOutputSize(IProfile* profile) override;

    int InitPreviewWindow(HWND hwnd) override { return m_media.InitPreviewWindow(hwnd); }
    void SeekPreview(float seconds) override { m_media.SeekPreview(seconds); }
    void TogglePreviewPause() override { m_media.TogglePreviewPause(); }
    void StopPreview() override { m_media.StopPreview(); }
    int GetPreviewState() override { return m_media.GetPreviewState(); }
    void SetPreviewVolume(int percent) override { m_media.SetPreviewVolume(percent); }
    void PauseConvert() override { m_media.PauseConvert(); }
    void ResumeConvert() override { m_media.ResumeConvert(); }
    void StopConvert() override { m_media.StopConvert(); }
    int GetConvertState() override { return m_media.GetConvertState(); }
    std::wstring GetSourcePath() const override { return m_media.GetSourcePath(); }
    std::wstring GetOutputFolder() const override { return m_media.GetOutputFolder(); }
    void SetOutputFolder(const std::wstring& folder) override { m_media.SetOutputFolder(folder); }
    std::wstring GetOutputPath() const override { return m_media.GetOutputPath(); }
    std::wstring GetOutputName() const override { return m_media.GetOutputName(); }
    void SetOutputName(const std::wstring& name) override { m_media.SetOutputName(name); }
    std::wstring GetThumbnailPath() const override { return m_media.GetThumbnailPath(); }
    void SetThumbnailPath(const std::wstring& path) override { m_media.SetThumbnailPath(path); }
    void SetPreviewWindow(HWND hwnd) override { m_media.SetPreviewWindow(hwnd); }
    std::wstring GetSourceFolder() const override { return m_media.GetSourceFolder(); }
    std::wstring GetSourceTitle() const override { return m_media.GetSourceTitle(); }
    std::wstring GetSourceExtension() const override { return m_media.GetSourceExtension(); }
    int GetStartTime() const override { return m_media.GetStartTime(); }
    int GetClipLength() const override { return m_media.GetClipLength(); }
    int GetDuration() const override { return m_media.GetDuration(); }
    int GetEndTime() const override { return m_media.GetEndTime(); }
    void SetDuration(int ms) override { m_media.SetDuration(ms); }
    void SetStartTime(int ms) override { m_media.SetStartTime(ms); }
    void SetEndTime(int ms) override { m_media.SetEndTime(ms); }
    void AddJoinMedia(IVXMMedia* media) override { m_media.AddJoinMedia(media); }
    void ClearJoinList() override { m_media.ClearJoinList(); }

    // Shared by every track of a disc; lives as long as the last of them.
    std::shared_ptr<VXM_AUDIO_TRACK> m_pAudioTrack;
    int m_nReserved = 0;
    std::int64_t m_llChapterStart = 0;    // seconds on the disc
    std::int64_t m_llChapterEnd = 0;
    std::int64_t m_llChapterStartMs = 0;  // the same bounds in milliseconds
    std::int64_t m_llChapterEndMs = 0;
    int m_nPositionOffset = 0;

private:
    CVXMMediaImpl m_media;
};
