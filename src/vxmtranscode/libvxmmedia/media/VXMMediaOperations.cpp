// Probe, thumbnail and preview operations of the file media object. The
// conversion operations live in VXMMediaConvert.cpp, remux and join in
// VXMMediaJoin.cpp, the protected-content test in VXMMediaProtected.cpp.
#include "VXMMediaImpl.h"
#include "Watermarks.h"

#include <cstdlib>
#include <new>
#include <string>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "EngineGlobals.h"
#include "EngineLog.h"
#include "FilterText.h"
#include "MediaRunners.h"
#include "ProfileJobBuild.h"
#include "SplitCommandLine.h"
#include "VXMMediaExports.h"
#include "ffplay.h"
#include "platform/events.h"
#include "platform/module.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "CVXMMediaImpl";

// Values the control events point to. One player runs at a time, so one set
// serves every media object; each is written before its event is pushed.
struct PreviewControlValues {
    float fSeek = 0.0f;
    int nVolume = 0;
    int nContrast = 0;
    int nSaturation = 0;
    int nBrightness = 0;
};
PreviewControlValues g_previewValues;

using GetEffectCmdFn = const wchar_t* (*)(int);

}  // namespace

CCmdFFplay* NewMediaRunner(CCmdFFplay*& slot)
{
    if (slot)
        return slot;
    auto* runner = new (std::nothrow) CCmdFFplay();
    if (!runner)
        return nullptr;
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    slot = runner;
    return runner;
}

void DeleteMediaRunner(CCmdFFplay*& slot)
{
    CCmdFFplay* runner = nullptr;
    {
        std::lock_guard<std::mutex> lock(ConvertRunnerLock());
        runner = slot;
        slot = nullptr;
    }
    if (runner) {
        runner->Close();
        delete runner;
    }
}

int CVXMMediaImpl::Probe()
{
    CCmdFFplay* runner = NewMediaRunner(m_pProbeRunner);
    if (!runner)
        return -1;
    runner->m_nMode = 0;
    runner->m_pMedia = this;

    std::wstring line = ToolPrefix(L"ffmpeg") + L" -i " + QuoteArgument(m_strSourcePath);
    if (!m_strInputOptions.empty())
        line += L" " + m_strInputOptions;

    int code = -1;
    if (runner->Open(line, JOB_TYPE_FFMPEG)) {
        runner->WaitWorker(INFINITE);
        code = runner->GetExitCode();
    } else {
        LogMessageA(kLogCategory, "the probe of \"%s\" cannot start", WideToUtf8(m_strSourcePath).c_str());
    }
    DeleteMediaRunner(m_pProbeRunner);
    return code;
}

int ThumbnailSeekSeconds(int seconds, int clipLengthMs)
{
    // Seconds and the clip length compared in like units; a seek that would
    // fall outside the clip takes 5 s, or the start of a clip shorter than that.
    if (seconds >= 0 && static_cast<long long>(seconds) * 1000 < clipLengthMs)
        return seconds;
    return clipLengthMs > 5000 ? 5 : 0;
}

int CVXMMediaImpl::MakeThumbnail(int seconds, int width, int height)
{
    DeleteMediaRunner(m_pThumbnailRunner);
    CCmdFFplay* runner = NewMediaRunner(m_pThumbnailRunner);
    if (!runner)
        return -1;
    runner->m_nMode = 2;
    runner->m_pMedia = this;
    runner->m_hNotifyWnd = nullptr;

    const int seek = ThumbnailSeekSeconds(seconds, GetEffectiveDuration());
    std::wstring line = ToolPrefix(L"ffmpeg") + L" -ss " + std::to_wstring(seek) + L" -i " +
                        QuoteArgument(m_strSourcePath);
    const bool sized = width > 0 && height > 0;
    line += L" -vframes 1 -s " + std::to_wstring(sized ? width : 60) + L"x" + std::to_wstring(sized ? height : 40) +
            L" -y " + QuoteArgument(m_strThumbnailPath);
    LogMessageA(kLogCategory, "thumbnail: %s", WideToUtf8(line).c_str());

    int code = -1;
    if (runner->Open(line, JOB_TYPE_FFMPEG)) {
        runner->WaitWorker(INFINITE);
        code = runner->GetExitCode();
    }
    DeleteMediaRunner(m_pThumbnailRunner);
    return code;
}

namespace {

bool PlayerRunning(CCmdFFplay* runner)
{
    return runner && runner->IsWorkerRunning();
}

}  // namespace

void CVXMMediaImpl::TakeSnapshot(const std::wstring& folder, int value)
{
    if (!m_bHasVideo || !PlayerRunning(m_pPreviewRunner))
        return;
    m_strSnapshotFolder = folder;
    m_pPreviewRunner->RequestSnapshot(value);
}

int CVXMMediaImpl::InitPreviewWindow(HWND hwnd)
{
    // The player takes its host window from the media object.
    if (!hwnd)
        return -1;
    m_hPreviewWnd = hwnd;
    return 0;
}

std::wstring BuildPreviewCommandLine(CVXMMediaImpl& media)
{
    CFFMpegOpts opts;
    std::wstring input = media.m_strSourcePath;
    if (media.m_n3DMode != -1 && media.m_n3DOutput != -1 && media.m_n3DDepth != 0) {
        if (media.m_n3DMode == 10 || media.m_n3DMode == 11)
            LogMessageA(kLogCategory, "no 2D-to-3D script reader here: the preview shows the source");
        else
            opts.AppendToOption(L"-vf", TRUE, L",", L"mp=stereo3d=%d:%d", media.m_n3DMode, media.m_n3DOutput);
    }
    if (!media.m_bHasVideo) {
        opts.AddFlag(L"-vn");
        opts.AddFlag(L"-nodisp");
    }
    const int start = media.m_nStartTime;
    const int end = media.m_nEndTime;
    const int length = media.GetEffectiveDuration();
    if (start != 0)
        opts.SetOption(L"-ss", L"%.3f", start / 1000.0);
    // The clip is shorter than the source when it ends before the source does.
    if (end != 0 && (end - start < length || end < media.m_nDuration ||
                     static_cast<unsigned>(length + 1) < static_cast<unsigned>(media.m_nAux36)))
        opts.SetOption(L"-t", L"%.3f", (end - start) / 1000.0);

    VXM_AUDIO_TRACK* audio = nullptr;
    if (int index = media.GetSelectedAudioStream(); index != -1)
        audio = media.CVXMMediaBase::GetAudioTrackAt(index);
    if (audio)
        opts.SetOption(L"-ast", L"%d", audio->m_nId);
    VXM_SUBTITLE* subtitle = nullptr;
    if (int index = media.GetSelectedSubtitleStream(); index != -1)
        subtitle = media.CVXMMediaBase::GetSubtitleAt(index);
    if (subtitle)
        opts.SetOption(L"-sst", L"%d", subtitle->m_nId);

    if (media.m_nEffectId > 0) {
        // Without the effect library the effect is dropped, not the preview.
        CModule* module = LoadPrismelDll();
        auto fn = module ? reinterpret_cast<GetEffectCmdFn>(module->GetSymbol("GetEffectCmd")) : nullptr;
        const wchar_t* effect = fn ? fn(media.m_nEffectId) : nullptr;
        if (effect && *effect)
            opts.AppendToOption(L"-vf", TRUE, L",", L"\"%s\"", effect);
        else
            LogMessageA(kLogCategory, "clip effect %d unavailable: left out of the preview", media.m_nEffectId);
    }

    if ((g_nDisplayMode & 1) == 0 && (g_nDisplayMode & 2) != 0) {
        if (media.m_nBrightness || media.m_nContrast || media.m_nSaturation)
            opts.AppendToOption(L"-vf", TRUE, L",", L"mp=eq2=1.5:%.2f:%.2f:%.2f", (media.m_nContrast + 100) / 100.0,
                                media.m_nBrightness / 100.0, (media.m_nSaturation + 100) / 100.0);
        auto rotations = [&] {
            for (int i = 0; i < media.m_nRotate; ++i)
                opts.AppendToOption(L"-vf", TRUE, L",", L"transpose=1");
        };
        if (media.m_nRotate || media.m_bFlipVertical || media.m_bFlipHorizontal) {
            if (media.m_bRotateFirst)
                rotations();
            if (media.m_bFlipVertical)
                opts.AppendToOption(L"-vf", TRUE, L",", L"vflip");
            if (media.m_bFlipHorizontal)
                opts.AppendToOption(L"-vf", TRUE, L",", L"hflip");
            if (!media.m_bRotateFirst)
                rotations();
        }
    }

    if (!media.m_bNoSubtitle) {
        const VXM_SUBTITLE_STYLE style;
        VXM_SUBTITLE embedded;
        if (subtitle && !subtitle->m_strFilePath.empty()) {
            opts.AppendToOption(L"-vf", TRUE, L",", L"\"subtitles='%s\"",
                                BuildSubtitleFilterArg(subtitle->m_strFilePath, style).c_str());
        } else if (GetSelectedSubtitle(&media, embedded, 0)) {
            opts.AppendToOption(L"-vf", TRUE, L",", L"\"subtitles='%s'%s\"",
                                EscapeFilterText(media.m_strSourcePath).c_str(),
                                BuildSubtitleStyle(FALSE, style).c_str());
        }
    }

    if (media.m_bNoAudio) {
        opts.AddFlag(L"-an");
    } else if (audio && !audio->m_strFilePath.empty()) {
        opts.AddFlag(L"-an");
        opts.SetOption(L"-extaudio", L"%s", QuoteArgument(audio->m_strFilePath).c_str());
    }
    opts.SetInput(input);
    return opts.BuildCommandLine();
}

int CVXMMediaImpl::StartPreview(HWND hNotify)
{
    if (PlayerRunning(m_pPreviewRunner))
        StopPreview();  // one player at a time
    DeleteMediaRunner(m_pPreviewRunner);
    CCmdFFplay* runner = NewMediaRunner(m_pPreviewRunner);
    if (!runner)
        return -1;
    if (m_hPreviewWnd && InitPreviewWindow(m_hPreviewWnd) != 0) {
        DeleteMediaRunner(m_pPreviewRunner);
        return -1;
    }
    runner->m_nMode = 1;
    runner->m_pMedia = this;
    runner->m_hNotifyWnd = hNotify;
    runner->m_fProgressCount = 0.0f;

    const std::wstring line = BuildPreviewCommandLine(*this);
    LogMessageA(kLogCategory, "preview: %s", WideToUtf8(line).c_str());
    if (!runner->Open(line, JOB_TYPE_FFMPEG)) {
        DeleteMediaRunner(m_pPreviewRunner);
        return -1;
    }
    return 0;
}

void CVXMMediaImpl::SeekPreview(float seconds)
{
    if (!PlayerRunning(m_pPreviewRunner))
        return;
    g_previewValues.fSeek = seconds;
    ffplay_push_event(FFPLAY_EVENT_SEEK, &g_previewValues.fSeek);
}

void CVXMMediaImpl::TogglePreviewPause()
{
    if (PlayerRunning(m_pPreviewRunner))
        ffplay_push_event(FFPLAY_EVENT_PAUSE, nullptr);
}

void CVXMMediaImpl::StopPreview()
{
    if (!m_pPreviewRunner)
        return;
    if (m_pPreviewRunner->IsWorkerRunning()) {
        m_pPreviewRunner->RequestStop();
        m_pPreviewRunner->WaitWorker(INFINITE);
    }
    DeleteMediaRunner(m_pPreviewRunner);
}

int CVXMMediaImpl::GetPreviewState()
{
    if (!PlayerRunning(m_pPreviewRunner))
        return 0;
    return m_pPreviewRunner->m_dCurrentTime.load() == -1.0 ? -1 : 1;
}

float CVXMMediaImpl::GetPreviewPosition()
{
    if (!PlayerRunning(m_pPreviewRunner))
        return 0.0f;
    return static_cast<float>(m_pPreviewRunner->GetPosition());
}

void CVXMMediaImpl::SetPreviewVolume(int percent)
{
    if (!PlayerRunning(m_pPreviewRunner))
        return;
    g_previewValues.nVolume = percent;
    ffplay_push_event(FFPLAY_EVENT_VOLUME, &g_previewValues.nVolume);
}

void CVXMMediaImpl::AdjustPreview(int code, int value)
{
    if (!PlayerRunning(m_pPreviewRunner))
        return;
    switch (code) {
    case FFPLAY_EVENT_CONTRAST:
        g_previewValues.nContrast = value;
        ffplay_push_event(code, &g_previewValues.nContrast);
        break;
    case FFPLAY_EVENT_SATURATION:
        g_previewValues.nSaturation = value;
        ffplay_push_event(code, &g_previewValues.nSaturation);
        break;
    case FFPLAY_EVENT_RESERVED1:
        ffplay_push_event(code, nullptr);
        break;
    case FFPLAY_EVENT_RESERVED2:
        ffplay_push_event(code, &m_nEffectId);
        break;
    default:
        g_previewValues.nBrightness = value;
        ffplay_push_event(code, &g_previewValues.nBrightness);
        break;
    }
}

SDL_Surface* CVXMMediaImpl::RenderTextWatermark() { return ::RenderTextWatermark(*this); }
SDL_Surface* CVXMMediaImpl::LoadImageWatermark() { return ::LoadImageWatermark(*this); }
