// Probe, thumbnail and preview of a DVD title. Every line reads the title
// through the DVD input: "-f dvdnav -dvd-device DISC" with "dvdnav://N".
#include "VXMDVDTitle.h"

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "EngineLog.h"
#include "MediaRunners.h"
#include "PreviewRun.h"
#include "SplitCommandLine.h"
#include "VXMJobType.h"
#include "VXMMediaExports.h"
#include "ffplay.h"
#include "platform/module.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "CVXMDVDTitleImpl";

// The "-f dvdnav" value: the disc with the chapter range and angle chosen.
std::wstring DeviceText(const CVXMDVDTitleImpl& t)
{
    return DvdDeviceOptions(t.m_strDiscPath, t.GetFirstChapter(), t.GetLastChapter(), t.GetAngle());
}

// Runs a tool line on a fresh runner in the slot and waits; the run's exit
// code, or -1 when it could not start.
int RunAndWait(CVXMDVDTitleImpl& title, CCmdFFplay*& slot, int mode, const std::wstring& line)
{
    return RunToolAndWait(slot, title, mode, line, true, [&line] {
        LogMessageA(kLogCategory, "\"%s\" cannot start", WideToUtf8(line).c_str());
    });
}

}  // namespace

int CVXMDVDTitleImpl::Probe()
{
    // The probe fills the data half; the title's own selection and length stay.
    const int audioId = m_nAudioTrackId, subtitleId = m_nSubtitleId, videoIndex = m_nVideoStreamIndex;
    const int duration = m_nDuration, endTime = m_nEndTime;
    m_lstVideo.clear();
    m_lstAudio.clear();
    m_lstSubtitle.clear();
    m_lstChapters.clear();
    const std::wstring line = ToolPrefix(L"ffmpeg") + L" -i " + QuoteArgument(m_strSourcePath) +
                              L" -f dvdnav " + DeviceText(*this);
    const int code = RunAndWait(*this, m_pProbeRunner, 0, line);
    m_nAudioTrackId = audioId;
    m_nSubtitleId = subtitleId;
    m_nVideoStreamIndex = videoIndex;
    if (code != 0 || m_nDuration <= 0) {
        m_nDuration = duration;
        m_nEndTime = endTime;
    }
    if (code != 0)
        LogMessageA(kLogCategory, "probe of title \"%s\" on \"%s\" failed: %d", WideToUtf8(m_strSourcePath).c_str(),
                    WideToUtf8(m_strDiscPath).c_str(), code);
    return code;
}

int CVXMDVDTitleImpl::MakeThumbnail(int seconds, int width, int height)
{
    const int seek = ThumbnailSeekSeconds(seconds, GetEffectiveDuration());
    const bool sized = width > 0 && height > 0;
    const std::wstring line = ToolPrefix(L"ffmpeg") +
                              FormatW(L" -ss %d -f dvdnav ", seek) + DvdDeviceOptions(m_strDiscPath, -1, -1, -1) +
                              L" -i " + QuoteArgument(m_strSourcePath) +
                              FormatW(L" -vframes 1 -s %dx%d -y ", sized ? width : 60, sized ? height : 40) +
                              QuoteArgument(m_strThumbnailPath);
    LogMessageA(kLogCategory, "thumbnail: %s", WideToUtf8(line).c_str());
    return RunAndWait(*this, m_pThumbnailRunner, 2, line);
}

void CVXMDVDTitleImpl::TakeSnapshot(const std::wstring& folder, int value)
{
    RequestPreviewSnapshot(m_pPreviewRunner, *this, folder, value);
}

std::wstring CVXMDVDTitleImpl::BuildPreviewCommandLine() const
{
    CFFMpegOpts opts;
    opts.SetOption(L"-f dvdnav", L"%s", DeviceText(*this).c_str());
    if (m_nStartTime != 0)
        opts.SetOption(L"-ss", L"%.3f", m_nStartTime / 1000.0);

    auto* self = const_cast<CVXMDVDTitleImpl*>(this);
    if (int index = GetSelectedAudioStream(); index != -1)
        if (IVXMAudio* audio = self->GetAudioTrackAt(index))
            opts.SetOption(L"-ast", L"%d", audio->GetId());
    if (int index = GetSelectedSubtitleStream(); index != -1)
        if (IVXMSubtitle* subtitle = self->GetSubtitleAt(index))
            opts.SetOption(L"-sst", L"%d", subtitle->GetId());

    if (IsCropped() == 1)
        opts.AppendToOption(L"-vf", TRUE, L",", L"crop=%d:%d:%d:%d", m_nCropWidth, m_nCropHeight, m_nCropLeft,
                            m_nCropTop);
    if (m_nBrightness || m_nContrast || m_nSaturation)
        opts.AppendToOption(L"-vf", TRUE, L",", L"mp=eq2=1.5:%.2f:%.2f:%.2f", (m_nContrast + 100) / 100.0,
                            m_nBrightness / 100.0, (m_nSaturation + 100) / 100.0);
    if (m_nEffectId > 0)
        AppendEffectFilter(opts, m_nEffectId, kLogCategory);
    opts.SetInput(m_strSourcePath);
    return opts.BuildCommandLine();
}

int CVXMDVDTitleImpl::StartPreview(HWND hNotify)
{
    return StartPreviewRun(m_pPreviewRunner, *this, *this, hNotify, [this] { return BuildPreviewCommandLine(); },
                           kLogCategory);
}

void CVXMDVDTitleImpl::AdjustPreview(int code, int value)
{
    // The first reserved event carries the value as brightness here.
    PushPreviewAdjust(m_pPreviewRunner, code, value, &m_nEffectId, false);
}
