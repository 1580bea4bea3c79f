// The media object of an ordinary file: IVXMMedia over the data half.
// VXMMediaImpl.cpp holds the data operations (paths, times, streams,
// selection, joining, copying); the probe, preview, conversion and watermark
// operations live in files of their own.
#pragma once
#include "IVXMMedia.h"
#include "VXMMediaBase.h"
#include "VXMMediaObject.h"

class CVXMMediaImpl : public CVXMMediaObject<IVXMMedia> {
public:
    CVXMMediaImpl();
    CVXMMediaImpl(const CVXMMediaImpl& other);
    // A file media object copied from the data half of any media object.
    CVXMMediaImpl(const CVXMMediaBase& data, int positionOffset);
    ~CVXMMediaImpl() override;

    int Probe() override;
    int MakeThumbnail(int seconds, int width, int height) override;
    void TakeSnapshot(const std::wstring& folder, int value) override;
    int StartPreview(HWND hNotify) override;
    void AdjustPreview(int code, int value) override;
    void RemuxToMP4(const std::wstring& secondInput, const std::wstring& outputFolder, HWND hNotify) override;
    void Join(std::vector<IVXMMedia*> others, const std::wstring& outputFolder, HWND hNotify) override;

    void SetSourcePath(const std::wstring& path) override;

    void SetHasVideo(int hasVideo) override;

    int GetVideoStreamIndex() const override;
    IVXMVideo* GetVideoStream() override;
    int GetVideoStreamCount() const override;
    IVXMVideo* GetVideoStreamAt(int index) override;
    int GetAudioTrackId() const override;
    IVXMAudio* GetAudioTrack() override;
    int GetAudioTrackCount() const override;
    IVXMAudio* GetAudioTrackAt(int index) override;
    int GetSubtitleId() const override;
    IVXMSubtitle* GetSubtitle() override;
    int GetSubtitleCount() const override;
    IVXMSubtitle* GetSubtitleAt(int index) override;
    int GetSelectedVideoStream() const override;
    int GetSelectedAudioStream() const override;
    int GetSelectedSubtitleStream() const override;
    int GetMediaKind() const override;

    SDL_Surface* RenderTextWatermark() override;
    SDL_Surface* LoadImageWatermark() override;
    int IsProtected() override;

};

// Splits a path as the path splitter does: folder (with its trailing
// separator), name without extension, and extension with its dot.
void SplitMediaPath(const std::wstring& path, std::wstring& folder, std::wstring& name, std::wstring& ext);
