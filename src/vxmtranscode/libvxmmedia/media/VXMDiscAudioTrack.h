// One track of an audio CD as a media object of kind 2. Its tool input is the
// whole disc ("-f libcdio -track N" on the drive); its trim is the track's
// range on the disc, in milliseconds.
#pragma once
#include <cstdint>
#include <memory>

#include "IVXMMedia.h"
#include "VXMMediaBase.h"

class CVXMDiscAudioTrackImpl : public IVXMDiscAudiotrack, public CVXMMediaBase {
public:
    CVXMDiscAudioTrackImpl();
    CVXMDiscAudioTrackImpl(const CVXMDiscAudioTrackImpl& other);
    ~CVXMDiscAudioTrackImpl() override;

    // The drive object probes the disc: a track has nothing to probe or show.
    int Probe() override { return -1; }
    int MakeThumbnail(int, int, int) override { return -1; }
    void TakeSnapshot(const std::wstring&, int) override {}
    int InitPreviewWindow(HWND hwnd) override;
    int StartPreview(HWND hNotify) override;
    void SeekPreview(float seconds) override;
    void TogglePreviewPause() override;
    void StopPreview() override;
    int GetPreviewState() override;
    float GetPreviewPosition() override;
    float GetConvertPosition() override;
    void ReportProgress(int who) override;
    void SetPreviewVolume(int percent) override;
    void AdjustPreview(int, int) override {}
    std::uint64_t EstimateOutputSize(IProfile* profile) override;
    void StartConvert(IProfile* profile, HWND hNotify, int flag) override;
    void PauseConvert() override;
    void ResumeConvert() override;
    void StopConvert() override;
    int GetConvertState() override;
    void RemuxToMP4(const std::wstring&, const std::wstring&, HWND) override {}
    void Join(std::vector<IVXMMedia*>, const std::wstring&, HWND) override {}
    void Release() override { delete this; }

    void SetSourcePath(const std::wstring& path) override;
    std::wstring GetSourcePath() const override { return m_strSourcePath; }
    std::wstring GetOutputFolder() const override { return m_strOutputFolder; }
    void SetOutputFolder(const std::wstring& folder) override { CVXMMediaBase::SetOutputFolder(folder); }
    std::wstring GetOutputPath() const override { return m_strOutputFile; }
    std::wstring GetOutputName() const override { return m_strOutputName; }
    void SetOutputName(const std::wstring& name) override { m_strOutputName = name; }
    std::wstring GetThumbnailPath() const override { return m_strThumbnailPath; }
    void SetThumbnailPath(const std::wstring& path) override { m_strThumbnailPath = path; }
    void SetPreviewWindow(HWND hwnd) override { m_hPreviewWnd = hwnd; }
    std::wstring GetSourceFolder() const override { return m_strSourceFolder; }
    std::wstring GetSourceTitle() const override { return m_strSourceTitle; }
    std::wstring GetSourceExtension() const override { return m_strSourceExt; }

    int GetStartTime() const override { return m_nStartTime; }
    int GetClipLength() const override { return GetEffectiveDuration(); }
    int GetDuration() const override { return GetEffectiveDuration(); }
    int GetEndTime() const override { return m_nEndTime; }
    void SetDuration(int ms) override { m_nDuration = ms; }
    void SetStartTime(int ms) override { m_nStartTime = ms; }
    void SetEndTime(int ms) override { m_nEndTime = ms; }
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
    void AddJoinMedia(IVXMMedia* media) override { CVXMMediaBase::AddJoinMedia(media); }
    void ClearJoinList() override { CVXMMediaBase::ClearJoinList(); }
    SDL_Surface* RenderTextWatermark() override { return nullptr; }
    SDL_Surface* LoadImageWatermark() override { return nullptr; }
    int IsProtected() override { return 0; }
    std::wstring GetDrivePath() const override { return m_strCDDrive; }

    // The preview player's command line: the disc with the track's range.
    std::wstring BuildPreviewCommandLine() const;

    // Shared by every track of a disc; lives as long as the last of them.
    std::shared_ptr<VXM_AUDIO_TRACK> m_pAudioTrack;
    int m_nReserved = 0;
    std::int64_t m_llChapterStart = 0;    // whole seconds on the disc
    std::int64_t m_llChapterEnd = 0;
    std::int64_t m_llChapterStartMs = 0;  // the same bounds in milliseconds
    std::int64_t m_llChapterEndMs = 0;
    int m_nPositionOffset = 0;
};
