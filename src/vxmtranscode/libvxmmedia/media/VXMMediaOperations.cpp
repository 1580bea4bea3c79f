// Probe, thumbnail and preview operations of the file media object. The
// conversion operations come from VXMMediaObject.h, remux and join from
// VXMMediaJoin.cpp, the protected-content test in VXMMediaProtected.cpp.
#include "VXMMediaImpl.h"
#include "Watermarks.h"

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "EngineGlobals.h"
#include "EngineLog.h"
#include "FilterText.h"
#include "MediaRunners.h"
#include "PreviewRun.h"
#include "RunnerHooks.h"
#include "ProfileJobBuild.h"
#include "SplitCommandLine.h"
#include "VXMMediaExports.h"
#include "ffplay.h"
#include "make_thumbnail.h"
#include "platform/events.h"
#include "platform/module.h"
#include "platform/text.h"
#include "platform/paths.h"

namespace {

constexpr const char* kLogCategory = "CVXMMediaImpl";

// The source as an input name: a file's path is a file; a drive read through
// an input format of its own stays as it is.
std::wstring SourceInputName(const CVXMMediaImpl& media)
{
    if (media.m_nMediaKind != 0 || !media.m_strInputOptions.empty())
        return media.m_strSourcePath;
    return FileInputName(media.m_strSourcePath);
}

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

namespace {
// A pipe, socket or character device would hold the probe until someone
// writes to it: only what is no such thing is read.
bool IsReadableSource(const std::wstring& path)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(PathFromWide(path), ec);
    if (ec) return true;  // not a local path (or gone): the probe says why
    return status.type() != std::filesystem::file_type::fifo && status.type() != std::filesystem::file_type::socket &&
           status.type() != std::filesystem::file_type::character;
}
}  // namespace

int CVXMMediaImpl::Probe()
{
    if (!IsReadableSource(m_strSourcePath)) {
        LogMessageA(kLogCategory, "\"%s\" is a pipe, socket or character device: not probed",
                    WideToUtf8(m_strSourcePath).c_str());
        return -1;
    }
    std::wstring line = ToolPrefix(L"ffmpeg") + L" -i " + QuoteArgument(SourceInputName(*this));
    if (!m_strInputOptions.empty())
        line += L" " + m_strInputOptions;
    return RunToolAndWait(m_pProbeRunner, *this, 0, line, false, [this] {
        LogMessageA(kLogCategory, "the probe of \"%s\" cannot start", WideToUtf8(m_strSourcePath).c_str());
    });
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
    const bool sized = width > 0 && height > 0;
    VXM_THUMBNAIL_REQUEST request;
    request.input = SourceInputName(*this);
    request.seekSeconds = ThumbnailSeekSeconds(seconds, GetEffectiveDuration());
    request.width = sized ? width : 60;
    request.height = sized ? height : 40;
    request.output = m_strThumbnailPath;
    // The tool line of the same picture, for the log: the picture itself is
    // made here, on the calling thread, without a tool run.
    const std::wstring line = ToolPrefix(L"ffmpeg") + L" -threads 1 -ss " + std::to_wstring(request.seekSeconds) +
                              L" -i " + QuoteArgument(request.input) + L" -threads 1 -vframes 1 -s " +
                              std::to_wstring(request.width) + L"x" + std::to_wstring(request.height) + L" -y " +
                              QuoteArgument(request.output);
    LogMessageA(kLogCategory, "thumbnail: %s", WideToUtf8(line).c_str());
    if (!g_RunnerHooks.pfnThumbnail) {
        LogMessageA(kLogCategory, "no thumbnail: the thumbnail maker is not built in");
        return VXM_EXIT_TOOL_MISSING;
    }
    return g_RunnerHooks.pfnThumbnail(line, request);
}

void CVXMMediaImpl::TakeSnapshot(const std::wstring& folder, int value)
{
    if (m_bHasVideo)
        RequestPreviewSnapshot(m_pPreviewRunner, *this, folder, value);
}

std::wstring BuildPreviewCommandLine(CVXMMediaImpl& media)
{
    CFFMpegOpts opts;
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
    if (end != 0 && (end - start < length || media.EndsBeforeSourceEnd() ||
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

    if (media.m_nEffectId > 0)
        AppendEffectFilter(opts, media.m_nEffectId, kLogCategory);

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
        const VXM_SUBTITLE_STYLE& style = BuildSettings().subtitle;
        VXM_SUBTITLE embedded;
        if (subtitle && !subtitle->m_strFilePath.empty()) {
            opts.AppendToOption(L"-vf", TRUE, L",", L"\"subtitles='%s\"",
                                BuildSubtitleFilterArg(subtitle->m_strFilePath,
                                                       SubtitleStyleFor(SubtitleCodecOf(*subtitle))).c_str());
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
        opts.SetOption(L"-extaudio", L"%s", QuoteArgument(FileInputName(audio->m_strFilePath)).c_str());
    }
    opts.SetInput(SourceInputName(media));
    return opts.BuildCommandLine();
}

int CVXMMediaImpl::StartPreview(HWND hNotify)
{
    return StartPreviewRun(m_pPreviewRunner, *this, *this, hNotify, [this] { return BuildPreviewCommandLine(*this); },
                           kLogCategory);
}

void CVXMMediaImpl::AdjustPreview(int code, int value)
{
    PushPreviewAdjust(m_pPreviewRunner, code, value, &m_nEffectId, true);
}

SDL_Surface* CVXMMediaImpl::RenderTextWatermark() { return ::RenderTextWatermark(*this); }
SDL_Surface* CVXMMediaImpl::LoadImageWatermark() { return ::LoadImageWatermark(*this); }
