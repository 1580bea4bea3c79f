// Shared runs of the media objects: waited tool lines and the preview player.
#include "PreviewRun.h"

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "EngineLog.h"
#include "IVXMMedia.h"
#include "MediaRunners.h"
#include "VXMJobType.h"
#include "VXMMediaBase.h"
#include "VXMMediaExports.h"
#include "ffplay.h"
#include "platform/module.h"
#include "platform/text.h"

namespace {

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

// How long a start waits to learn whether the player plays; a player still
// opening then (waiting for another to end) counts as started.
constexpr DWORD kPlayerStartWaitMs = 5000;

}  // namespace

bool PreviewRunning(CCmdFFplay* runner)
{
    return runner && runner->IsWorkerRunning();
}

int RunToolAndWait(CCmdFFplay*& slot, CVXMMediaBase& media, int mode, const std::wstring& line, bool fresh,
                   const std::function<void()>& cannotStart)
{
    if (fresh)
        DeleteMediaRunner(slot);
    CCmdFFplay* runner = NewMediaRunner(slot);
    if (!runner)
        return -1;
    runner->m_nMode = mode;
    runner->m_pMedia = &media;
    int code = -1;
    // A probe runs on the caller's thread (which waits for it anyway); a
    // transcode on the worker, with the caller waiting for it.
    if (mode == 0 ? runner->RunHere(JOB_TYPE_FFMPEG, line) : runner->LaunchJob(JOB_TYPE_FFMPEG, line)) {
        runner->WaitWorker(INFINITE);
        code = runner->GetExitCode();
    } else if (cannotStart) {
        cannotStart();
    }
    DeleteMediaRunner(slot);
    return code;
}

int StartPreviewRun(CCmdFFplay*& slot, IVXMMedia& media, CVXMMediaBase& data, HWND hNotify,
                    const std::function<std::wstring()>& buildLine, const char* logCategory)
{
    if (PreviewRunning(slot))
        media.StopPreview();  // one player at a time
    DeleteMediaRunner(slot);
    CCmdFFplay* runner = NewMediaRunner(slot);
    if (!runner)
        return -1;
    if (data.m_hPreviewWnd && media.InitPreviewWindow(data.m_hPreviewWnd) != 0) {
        DeleteMediaRunner(slot);
        return -1;
    }
    runner->m_nMode = 1;
    runner->m_pMedia = &data;
    runner->m_hNotifyWnd = hNotify;
    runner->m_fProgressCount = 0.0f;

    const std::wstring line = buildLine();
    LogMessageA(logCategory, "preview: %s", WideToUtf8(line).c_str());
    if (!runner->Open(line, JOB_TYPE_FFMPEG)) {
        DeleteMediaRunner(slot);
        return -1;
    }
    // A player that ends before it plays (input or filters that do not
    // open) is a failed start, not a started one.
    if (!runner->WaitPlayerStart(kPlayerStartWaitMs)) {
        LogMessageA(logCategory, "the preview player ended without playing");
        DeleteMediaRunner(slot);
        return -1;
    }
    return 0;
}

void StopPreviewRun(CCmdFFplay*& slot)
{
    if (!slot)
        return;
    if (slot->IsWorkerRunning()) {
        slot->RequestStop();
        slot->WaitWorker(INFINITE);
    }
    DeleteMediaRunner(slot);
}

int PreviewRunState(CCmdFFplay* runner)
{
    if (!PreviewRunning(runner) || runner->IsPlayerEnded())
        return 0;
    return runner->m_dCurrentTime.load() == -1.0 ? -1 : 1;
}

float PreviewRunPosition(CCmdFFplay* runner)
{
    if (!PreviewRunning(runner))
        return 0.0f;
    return static_cast<float>(runner->GetPosition());
}

void RequestPreviewSnapshot(CCmdFFplay* runner, CVXMMediaBase& data, const std::wstring& folder, int value)
{
    if (!PreviewRunning(runner))
        return;
    data.m_strSnapshotFolder = folder;
    runner->RequestSnapshot(value);
}

int SetPreviewHost(CVXMMediaBase& data, HWND hwnd)
{
    // The player takes its host window from the media object.
    if (!hwnd)
        return -1;
    data.m_hPreviewWnd = hwnd;
    return 0;
}

void PushPreviewSeek(CCmdFFplay* runner, float seconds)
{
    if (!PreviewRunning(runner))
        return;
    g_previewValues.fSeek = seconds;
    ffplay_push_event(FFPLAY_EVENT_SEEK, &g_previewValues.fSeek);
}

void PushPreviewPause(CCmdFFplay* runner)
{
    if (PreviewRunning(runner))
        ffplay_push_event(FFPLAY_EVENT_PAUSE, nullptr);
}

void PushPreviewVolume(CCmdFFplay* runner, int percent)
{
    if (!PreviewRunning(runner))
        return;
    g_previewValues.nVolume = percent;
    ffplay_push_event(FFPLAY_EVENT_VOLUME, &g_previewValues.nVolume);
}

void PushPreviewAdjust(CCmdFFplay* runner, int code, int value, int* effectId, bool bareReserved1)
{
    if (!PreviewRunning(runner))
        return;
    switch (code) {
    case FFPLAY_EVENT_CONTRAST:
        g_previewValues.nContrast = value;
        ffplay_push_event(code, &g_previewValues.nContrast);
        return;
    case FFPLAY_EVENT_SATURATION:
        g_previewValues.nSaturation = value;
        ffplay_push_event(code, &g_previewValues.nSaturation);
        return;
    case FFPLAY_EVENT_RESERVED1:
        if (bareReserved1) {
            ffplay_push_event(code, nullptr);
            return;
        }
        break;
    case FFPLAY_EVENT_RESERVED2:
        ffplay_push_event(code, effectId);  // the effect event carries the effect id
        return;
    default:
        break;
    }
    g_previewValues.nBrightness = value;
    ffplay_push_event(code, &g_previewValues.nBrightness);
}

void AppendEffectFilter(CCmdOpts& opts, int effectId, const char* logCategory)
{
    CModule* module = LoadPrismelDll();
    auto fn = module ? reinterpret_cast<GetEffectCmdFn>(module->GetSymbol("GetEffectCmd")) : nullptr;
    const wchar_t* effect = fn ? fn(effectId) : nullptr;
    if (effect && *effect)
        opts.AppendToOption(L"-vf", TRUE, L",", L"\"%s\"", effect);
    else
        LogMessageA(logCategory, "clip effect %d unavailable: left out of the preview", effectId);
}
