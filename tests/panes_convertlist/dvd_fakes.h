// A DVD title for the list tests: every media operation answers zero or
// empty unless a test sets the values below.
#pragma once
#include "IVXMMedia.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

class CStubDVDTitle : public IVXMDVDTitle {
public:
    int Probe() override { return {}; }
    int MakeThumbnail(int seconds, int width, int height) override { return {}; }
    void TakeSnapshot(const std::wstring& folder, int value) override { }
    int InitPreviewWindow(HWND hwnd) override { return {}; }
    int StartPreview(HWND hNotify) override { return {}; }
    void SeekPreview(float seconds) override { }
    void TogglePreviewPause() override { }
    void StopPreview() override { }
    int GetPreviewState() override { return {}; }
    float GetPreviewPosition() override { return {}; }
    float GetConvertPosition() override { return {}; }
    void ReportProgress(int who) override { }
    void SetPreviewVolume(int percent) override { }
    void AdjustPreview(int code, int value) override { }
    std::uint64_t EstimateOutputSize(IProfile* profile) override { return {}; }
    void StartConvert(IProfile* profile, HWND hNotify, int flag) override { }
    void PauseConvert() override { }
    void ResumeConvert() override { }
    void StopConvert() override { }
    int GetConvertState() override { return {}; }
    void RemuxToMP4(const std::wstring& secondInput, const std::wstring& outputFolder, HWND hNotify) override { }
    void Join(std::vector<IVXMMedia*> others, const std::wstring& outputFolder, HWND hNotify) override { }
    void Release() override { }
    void SetSourcePath(const std::wstring& path) override { }
    std::wstring GetSourcePath() const override { return {}; }
    std::wstring GetOutputFolder() const override { return {}; }
    void SetOutputFolder(const std::wstring& folder) override { }
    std::wstring GetOutputPath() const override { return {}; }
    std::wstring GetOutputName() const override { return {}; }
    void SetOutputName(const std::wstring& name) override { }
    std::wstring GetThumbnailPath() const override { return {}; }
    void SetThumbnailPath(const std::wstring& path) override { }
    void SetPreviewWindow(HWND hwnd) override { }
    std::wstring GetSourceFolder() const override { return {}; }
    std::wstring GetSourceTitle() const override { return {}; }
    std::wstring GetSourceExtension() const override { return {}; }
    int GetStartTime() const override { return {}; }
    int GetClipLength() const override { return {}; }
    int GetDuration() const override { return {}; }
    int GetEndTime() const override { return {}; }
    void SetDuration(int ms) override { }
    void SetStartTime(int ms) override { }
    void SetEndTime(int ms) override { }
    void SetHasVideo(int hasVideo) override { }
    int GetVideoStreamIndex() const override { return {}; }
    IVXMVideo* GetVideoStream() override { return {}; }
    int GetVideoStreamCount() const override { return {}; }
    IVXMVideo* GetVideoStreamAt(int index) override { return {}; }
    int GetAudioTrackId() const override { return {}; }
    IVXMAudio* GetAudioTrack() override { return {}; }
    int GetAudioTrackCount() const override { return {}; }
    IVXMAudio* GetAudioTrackAt(int index) override { return {}; }
    int GetSubtitleId() const override { return {}; }
    IVXMSubtitle* GetSubtitle() override { return {}; }
    int GetSubtitleCount() const override { return {}; }
    IVXMSubtitle* GetSubtitleAt(int index) override { return {}; }
    int AddAudioFile(const std::wstring& path) override { return {}; }
    int AddSubtitleFile(const std::wstring& path) override { return {}; }
    int RemoveAudioFile(int index) override { return {}; }
    int RemoveSubtitleFile(int index) override { return {}; }
    int SelectStreams(int video, int audio, int subtitle) override { return {}; }
    int GetSelectedVideoStream() const override { return {}; }
    int GetSelectedAudioStream() const override { return {}; }
    int GetSelectedSubtitleStream() const override { return {}; }
    void AddJoinMedia(IVXMMedia* media) override { }
    void ClearJoinList() override { }
    SDL_Surface* RenderTextWatermark() override { return {}; }
    SDL_Surface* LoadImageWatermark() override { return {}; }
    int IsProtected() override { return {}; }
    int GetMediaKind() const override { return 1; }
    int GetTitleInfoA() const override { return 1; }
    int GetTitleInfoB() const override { return 0; }
    std::wstring GetVideoStandard() const override { return {}; }
    std::wstring GetDisplayFormat() const override { return {}; }
    std::wstring GetDiscName() const override { return {}; }
    int IsMainTitle() const override { return 1; }
    std::wstring GetDiscPath() const override { return {}; }
    int GetAngleCount() const override { return 1; }
    int GetChapterCount() const override { return chapters; }
    IVXMDVDChapter* GetChapterAt(int) override { return nullptr; }
    int GetCellCount() const override { return 0; }
    IVXMCell* GetCellAt(int) override { return nullptr; }
    int SetChapterRange(int f, int l) override { first = f; last = l; return 0; }
    int SetAngle(int) override { return 0; }
    int GetFirstChapter() const override { return first; }
    int GetLastChapter() const override { return last; }
    int GetAngle() const override { return -1; }
    int chapters = 8;
    int first = -1;
    int last = -1;
};

class CFakeDVDTitle : public CStubDVDTitle {
public:
    int GetMediaKind() const override { return 1; }
    std::wstring GetSourceTitle() const override { return L"Disc"; }
    std::wstring GetDisplayFormat() const override { return L"16:9"; }
    int GetAngleCount() const override { return angles; }
    int SetAngle(int angle) override
    {
        chosenAngle = angle;
        return 0;
    }
    int MakeThumbnail(int, int, int) override
    {
        ++thumbnails;
        return 0;
    }
    IVXMVideo* GetVideoStream() override { return &video; }
    int angles = 1;
    int chosenAngle = -1;
    std::atomic<int> thumbnails{0};
    struct CVideo : IVXMVideo {
        std::wstring GetCodecName() const override { return L"mpeg2video"; }
        double GetBitrate() const override { return 0; }
        double GetFrameRate() const override { return 25; }
        int GetWidth() const override { return 720; }
        int GetHeight() const override { return 576; }
        std::wstring GetInfoText() const override { return {}; }
        int GetStreamIndex() const override { return 0; }
        std::wstring GetInfoText2() const override { return {}; }
        std::wstring GetInfoText3() const override { return {}; }
        std::wstring GetInfoText4() const override { return {}; }
        std::wstring GetInfoText5() const override { return {}; }
        std::wstring GetInfoText6() const override { return {}; }
    } video;
};
