// Preview, conversion and copying of an audio-CD track.
#include "VXMDiscAudioTrack.h"

#include <algorithm>
#include <mutex>
#include <new>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "ConvertDriver.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "MediaRecords.h"
#include "MediaRunners.h"
#include "PreviewRun.h"
#include "VXMJobType.h"
#include "VXMMediaImpl.h"
#include "VXMMessages.h"
#include "platform/messages.h"
#include "ffplay.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "CVXMDiscAudioTrackImpl";

}  // namespace

CVXMDiscAudioTrackImpl::CVXMDiscAudioTrackImpl()
{
    m_nMediaKind = 2;
    m_bHasVideo = 0;
}

CVXMDiscAudioTrackImpl::~CVXMDiscAudioTrackImpl()
{
    StopAndJoinAll();
}

IVXMMedia* CopyDiscTrackMedia(IVXMMedia& source) { return CopyMediaAs<CVXMDiscAudioTrackImpl>(source); }

void CVXMDiscAudioTrackImpl::SetSourcePath(const std::wstring& path)
{
    SetDiscSourcePath(*this, path);  // "track 3" has no extension
}

std::wstring CVXMDiscAudioTrackImpl::BuildPreviewCommandLine() const
{
    CFFMpegOpts opts;
    opts.SetInput(GetDrivePath());
    opts.SetOption(m_strInputOptions, L"-%s", m_strSourcePath.c_str());
    opts.AddFlag(L"-vn");
    opts.AddFlag(L"-nodisp");
    // Milliseconds kept: a whole-second cut would start inside the previous track.
    const double start = m_nStartTime / 1000.0;
    const double end = m_nEndTime / 1000.0;
    const double length = GetEffectiveDuration() / 1000.0;
    if (m_nStartTime != 0)
        opts.SetOption(L"-ss", L"%.3f", start);
    if ((m_nEndTime != 0 && end - start < length) || length + 1 < m_nAux36)
        opts.SetOption(L"-t", L"%.3f", end - start);
    return opts.BuildCommandLine();
}

int CVXMDiscAudioTrackImpl::StartPreview(HWND hNotify)
{
    return StartPreviewRun(m_pPreviewRunner, *this, *this, hNotify, [this] { return BuildPreviewCommandLine(); },
                           kLogCategory);
}

void CVXMDiscAudioTrackImpl::SeekPreview(float seconds)
{
    // The caller counts from the track's start (as GetPreviewPosition does);
    // the player's clock runs on the disc.
    if (PreviewRunning(m_pPreviewRunner))
        PushPreviewSeek(m_pPreviewRunner, static_cast<float>(m_llChapterStartMs / 1000.0) + std::max(0.0f, seconds));
}

float CVXMDiscAudioTrackImpl::GetPreviewPosition()
{
    if (!PreviewRunning(m_pPreviewRunner))
        return 0.0f;
    // The player's clock runs on the disc: the track counts from its start.
    const float position = PreviewRunPosition(m_pPreviewRunner);
    const float start = static_cast<float>(m_llChapterStartMs / 1000.0);
    return position < start ? 0.0f : position - start;
}

float CVXMDiscAudioTrackImpl::GetConvertPosition()
{
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    CCmdFFplay* runner = m_pConvertRunner;
    if (!runner || !runner->IsWorkerRunning())
        return 0.0f;
    return static_cast<float>(runner->GetPosition()) + static_cast<float>(m_nPositionOffset);
}

void CVXMDiscAudioTrackImpl::ReportProgress(int who)
{
    // Both positions count from the track's start on the disc (the output's
    // time and the player's clock less the chapter start), so only a trim
    // inside the track is taken off here.
    const bool player = who == 1;
    const int length = GetEffectiveDuration();
    float percent = 0.0f;
    if (length != 0) {
        const float position = player ? GetPreviewPosition() : GetConvertPosition();
        const float skipped = player ? static_cast<float>(m_nStartTime - m_llChapterStartMs) : 0.0f;
        percent = std::clamp((position * 1000.0f - skipped) * 100.0f / static_cast<float>(length), 0.0f, 100.0f);
    }
    PostRunnerProgress(*this, this, player, percent);
}

