// The part every media object (file, DVD title, CD track) answers the same
// way: an interface `I` of the IVXMMedia family over the data half, with the
// names, times, joining and the preview's window, pause, stop, state and
// volume. The objects add what differs.
#pragma once
#include "IVXMMedia.h"
#include "PreviewRun.h"
#include "VXMMediaBase.h"

template <class I>
class CVXMMediaObject : public I, public CVXMMediaBase {
public:
    CVXMMediaObject() = default;
    CVXMMediaObject(const CVXMMediaObject& other) : I(other), CVXMMediaBase(other) {}
    explicit CVXMMediaObject(const CVXMMediaBase& data) : CVXMMediaBase(data) {}

    int InitPreviewWindow(HWND hwnd) override { return SetPreviewHost(*this, hwnd); }
    void TogglePreviewPause() override { PushPreviewPause(m_pPreviewRunner); }
    void StopPreview() override { StopPreviewRun(m_pPreviewRunner); }
    int GetPreviewState() override { return PreviewRunState(m_pPreviewRunner); }
    void SetPreviewVolume(int percent) override { PushPreviewVolume(m_pPreviewRunner, percent); }
    void Release() override { delete this; }

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

    void AddJoinMedia(IVXMMedia* media) override { CVXMMediaBase::AddJoinMedia(media); }
    void ClearJoinList() override { CVXMMediaBase::ClearJoinList(); }
};
