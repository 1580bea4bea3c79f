// Preview, conversion and copying of an audio-CD track.
#include "VXMDiscAudioTrack.h"

#include <new>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "ConvertDriver.h"
#include "EngineHooks.h"
#include "EngineLog.h"
#include "MediaRunners.h"
#include "VXMJobType.h"
#include "platform/text.h"

namespace {
constexpr const char* kLogCategory = "CVXMDiscAudioTrackImpl";
}

CVXMDiscAudioTrackImpl::CVXMDiscAudioTrackImpl()
{
    m_media.m_nMediaKind = 2;
    m_media.m_bHasVideo = 0;
}

CVXMDiscAudioTrackImpl::CVXMDiscAudioTrackImpl(const CVXMDiscAudioTrackImpl& other)
    : IVXMDiscAudiotrack(other),
      m_pAudioTrack(other.m_pAudioTrack),
      m_nReserved(other.m_nReserved),
      m_llChapterStart(other.m_llChapterStart),
      m_llChapterEnd(other.m_llChapterEnd),
      m_llChapterStartMs(other.m_llChapterStartMs),
      m_llChapterEndMs(other.m_llChapterEndMs),
      m_nPositionOffset(other.m_nPositionOffset),
      m_media(other.m_media)
{
    m_media.m_nMediaKind = 2;
}

IVXMMedia* CopyDiscTrackMedia(IVXMMedia& source)
{
    auto* track = dynamic_cast<CVXMDiscAudioTrackImpl*>(&source);
    if (!track)
        return nullptr;
    return new (std::nothrow) CVXMDiscAudioTrackImpl(*track);
}

void CVXMDiscAudioTrackImpl::SetSourcePath(const std::wstring& path)
{
    m_media.m_strSourcePath = path;
    if (path.empty()) {
        m_media.m_strSourceTitle.clear();
        m_media.m_strSourceExt.clear();
        m_media.m_strSourceFolder.clear();
        return;
    }
    std::wstring folder, name, ext;
    SplitMediaPath(path, folder, name, ext);
    m_media.m_strSourceTitle = name + ext;  // "track 3" has no extension
    m_media.m_strSourceExt.clear();
    m_media.m_strSourceFolder = m_media.m_strDiscPath;
}

int CVXMDiscAudioTrackImpl::StartPreview(HWND hNotify)
{
    if (m_media.m_pPreviewRunner && m_media.m_pPreviewRunner->IsWorkerRunning())
        m_media.StopPreview();  // one player at a time
    DeleteMediaRunner(m_media.m_pPreviewRunner);
    CCmdFFplay* runner = NewMediaRunner(m_media.m_pPreviewRunner);
    if (!runner)
        return -1;
    if (m_media.m_hPreviewWnd && m_media.InitPreviewWindow(m_media.m_hPreviewWnd) != 0) {
        DeleteMediaRunner(m_media.m_pPreviewRunner);
        return -1;
    }
    runner->m_nMode = 1;
    runner->m_pMedia = &m_media;
    runner->m_hNotifyWnd = hNotify;

    CFFMpegOpts opts;
    opts.SetInput(GetDrivePath());
    opts.SetOption(m_media.m_strInputOptions, L"-%s", m_media.m_strSourcePath.c_str());
    opts.AddFlag(L"-vn");
    opts.AddFlag(L"-nodisp");
    // Milliseconds kept: a whole-second cut would start inside the previous track.
    const double start = GetStartTime() / 1000.0;
    const double end = GetEndTime() / 1000.0;
    const double length = GetClipLength() / 1000.0;
    if (GetStartTime() != 0)
        opts.SetOption(L"-ss", L"%.3f", start);
    if ((GetEndTime() != 0 && end - start < length) || length + 1 < m_media.m_nAux36)
        opts.SetOption(L"-t", L"%.3f", end - start);

    const std::wstring line = opts.BuildCommandLine();
    LogMessageA(kLogCategory, "preview: %s", WideToUtf8(line).c_str());
    if (!runner->Open(line, JOB_TYPE_FFMPEG)) {
        DeleteMediaRunner(m_media.m_pPreviewRunner);
        return -1;
    }
    return 0;
}

float CVXMDiscAudioTrackImpl::GetPreviewPosition()
{
    CCmdFFplay* runner = m_media.m_pPreviewRunner;
    if (!runner || !runner->IsWorkerRunning())
        return 0.0f;
    const float position = static_cast<float>(runner->GetPosition());
    const float start = static_cast<float>(m_llChapterStartMs / 1000.0);
    return position < start ? 0.0f : position - start;
}

float CVXMDiscAudioTrackImpl::GetConvertPosition()
{
    return ConvertPosition(m_media, m_nPositionOffset);
}

void CVXMDiscAudioTrackImpl::StartConvert(IProfile* profile, HWND hNotify, int flag)
{
    ConvertStart(VXM_CONVERT_TARGET{this, &m_media, &m_nPositionOffset}, profile, hNotify, flag);
}

void CVXMDiscAudioTrackImpl::ReportProgress(int who)
{
    ConvertReportProgress(VXM_CONVERT_TARGET{this, &m_media, &m_nPositionOffset}, who);
}

std::uint64_t CVXMDiscAudioTrackImpl::EstimateOutputSize(IProfile* profile)
{
    return ConvertEstimateOutputSize(VXM_CONVERT_TARGET{this, &m_media, &m_nPositionOffset}, profile);
}
