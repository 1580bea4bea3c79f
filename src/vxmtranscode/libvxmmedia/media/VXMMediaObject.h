// The part every media object (file, DVD title, CD track) answers the same
// way: an interface `I` of the IVXMMedia family over the data half, with the
// names, times, joining, the preview's window, pause, stop, state and volume,
// and the conversion through the shared driver. The objects add what differs.
#pragma once
#include "ConvertDriver.h"
#include "IVXMMedia.h"
#include "MediaRecords.h"
#include "PreviewRun.h"
#include "VXMMediaBase.h"

#include <new>

template <class I>
class CVXMMediaObject : public I, public CVXMMediaBase {
public:
    CVXMMediaObject() = default;
    CVXMMediaObject(const CVXMMediaObject& other)
        : I(other), CVXMMediaBase(other), m_nPositionOffset(other.m_nPositionOffset)
    {
    }
    CVXMMediaObject(const CVXMMediaBase& data, int positionOffset)
        : CVXMMediaBase(data), m_nPositionOffset(positionOffset)
    {
    }

    int InitPreviewWindow(HWND hwnd) override { return SetPreviewHost(*this, hwnd); }
    void SeekPreview(float seconds) override { PushPreviewSeek(m_pPreviewRunner, seconds); }
    float GetPreviewPosition() override { return PreviewRunPosition(m_pPreviewRunner); }
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

    // Outside audio and subtitle files join the object's own track lists.
    int AddAudioFile(const std::wstring& path) override { return AddExternalAudio(AudioTracks(), path); }
    int AddSubtitleFile(const std::wstring& path) override { return AddExternalSubtitle(Subtitles(), path); }
    int RemoveAudioFile(int index) override { return RemoveExternal(AudioTracks(), index); }
    int RemoveSubtitleFile(int index) override { return RemoveExternal(Subtitles(), index); }
    int SelectStreams(int video, int audio, int subtitle) override
    {
        return SelectMediaStreams(*this, video, audio, subtitle, this->GetAudioTrackCount(), this->GetSubtitleCount());
    }

    void AddJoinMedia(IVXMMedia* media) override { CVXMMediaBase::AddJoinMedia(media); }
    void ClearJoinList() override { CVXMMediaBase::ClearJoinList(); }

    void StartConvert(IProfile* profile, HWND hNotify, int flag) override
    {
        ConvertStart(ConvertTarget(), profile, hNotify, flag);
    }
    void PauseConvert() override { ConvertPause(*this); }
    void ResumeConvert() override { ConvertResume(*this); }
    void StopConvert() override { ConvertStop(*this); }
    int GetConvertState() override { return ConvertState(*this); }
    float GetConvertPosition() override { return ConvertPosition(*this, m_nPositionOffset); }
    void ReportProgress(int who) override { ConvertReportProgress(ConvertTarget(), who); }
    std::uint64_t EstimateOutputSize(IProfile* profile) override
    {
        return ConvertEstimateOutputSize(ConvertTarget(), profile);
    }

    // The object as the conversion driver sees it.
    VXM_CONVERT_TARGET ConvertTarget()
    {
        return {static_cast<IVXMMedia*>(this), static_cast<CVXMMediaBase*>(this), &m_nPositionOffset};
    }

    int m_nPositionOffset = 0;  // whole seconds of output of the finished steps

protected:
    // The lists the object's tracks live in: the data half's unless the object keeps its own.
    virtual std::list<std::unique_ptr<VXM_AUDIO_TRACK>>& AudioTracks() { return m_lstAudio; }
    virtual std::list<std::unique_ptr<VXM_SUBTITLE>>& Subtitles() { return m_lstSubtitle; }
};

// A new copy of source when it is a T; null for any other object.
template <class T>
IVXMMedia* CopyMediaAs(IVXMMedia& source)
{
    auto* object = dynamic_cast<T*>(&source);
    return object ? new (std::nothrow) T(*object) : nullptr;
}
