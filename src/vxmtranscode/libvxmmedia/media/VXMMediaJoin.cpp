// Remux to MP4 and join of the file media object.
#include <cstdlib>
#include <filesystem>
#include <new>

#include "CmdFFplay.h"
#include "CmdOpts.h"
#include "ConvertDriver.h"
#include "EngineLog.h"
#include "MediaRunners.h"
#include "SplitCommandLine.h"
#include "ToolFiles.h"
#include "VXMMediaImpl.h"
#include "VXMMessages.h"
#include "VXMUtils.h"
#include "platform/events.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/paths.h"

namespace {

constexpr const char* kLogCategory = "CVXMMediaImpl";

void RemoveFile(const std::wstring& path)
{
    std::error_code ec;
    std::filesystem::remove(PathFromWide(path), ec);
}

}  // namespace

void CVXMMediaImpl::RemuxToMP4(const std::wstring& secondInput, const std::wstring& outputFolder, HWND hNotify)
{
    Probe();
    const VXM_CONVERT_TARGET target{static_cast<IVXMMedia*>(this), static_cast<CVXMMediaBase*>(this),
                                    &m_nPositionOffset};
    auto fail = [&](const char* why) {
        LogMessageA(kLogCategory, "remux of \"%s\" cannot start: %s", WideToUtf8(m_strSourcePath).c_str(), why);
        PostMessage(hNotify, WM_VXM_JOB_FINISHED, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(target.pMedia));
    };
    if (GetConvertState() != 0) {
        LogMessageA(kLogCategory, "\"%s\" is being converted: no remux", WideToUtf8(m_strSourcePath).c_str());
        return;
    }

    CFFMpegOpts opts;
    std::wstring inputs = QuoteArgument(FileInputName(m_strSourcePath));
    if (!secondInput.empty())
        inputs += L" -i " + QuoteArgument(FileInputName(secondInput));
    std::wstring output;
    const std::wstring base = m_strOutputName.empty() ? m_strSourceTitle : m_strOutputName;
    if (!MakeUniqueFilePath(outputFolder, L"mp4", output, base) || output.empty()) {
        fail("no free output name");
        return;
    }
    m_strOutputFile = output;
    opts.SetOption(L"-i", L"%s -vcodec copy -acodec aac %s", inputs.c_str(), QuoteArgument(output).c_str());

    CCmdFFplay* runner = NewMediaRunner(m_pConvertRunner);
    if (!runner) {
        fail("no memory");
        return;
    }
    ClearJobQueue(runner->m_vecJobQueue);
    opts.AddJobCommand(runner->m_vecJobQueue, PASS_MUX, m_strSourcePath, this, 1, output);
    // The driver starts the step and its monitor and tells the window of the
    // step; a failed start ends with WM_VXM_JOB_FINISHED -1, a failed step
    // with its exit code.
    ConvertStart(target, nullptr, hNotify, 0);
}

std::wstring BuildJoinCommandLine(const std::wstring& listPath, const std::wstring& outputPath)
{
    CFFMpegOpts opts;
    // The output is a file the join made for itself (empty): -y writes it.
    opts.SetOption(L"-f concat -safe 0 -i", L"%s -c copy -y %s", QuoteArgument(listPath).c_str(),
                   QuoteArgument(outputPath).c_str());
    return opts.BuildCommandLine();
}

void CVXMMediaImpl::Join(std::vector<IVXMMedia*> others, const std::wstring& outputFolder, HWND hNotify)
{
    if (others.empty())
        return;

    std::vector<std::wstring> inputs{m_strSourcePath};
    for (IVXMMedia* media : others)
        if (media)
            inputs.push_back(media->GetSourcePath());

    int result = -1;
    std::wstring listPath;
    // A new file made exclusively: the join never writes over a file it did
    // not make.
    std::wstring output = CreateUniqueTempFile(outputFolder, m_strSourceTitle + L"_join_", m_strSourceExt);
    if (output.empty()) {
        LogMessageA(kLogCategory, "join of \"%s\": no output file can be made in \"%s\"",
                    WideToUtf8(m_strSourcePath).c_str(), WideToUtf8(outputFolder).c_str());
    } else if (WriteConcatListFile(inputs, listPath) != 0) {
        LogMessageA(kLogCategory, "join of \"%s\": the input list cannot be written", WideToUtf8(m_strSourcePath).c_str());
    } else {
        auto runner = std::unique_ptr<CCmdFFplay>(new (std::nothrow) CCmdFFplay());
        if (runner) {
            runner->m_nMode = 2;
            runner->m_pMedia = this;
            runner->m_hNotifyWnd = hNotify;
            runner->m_bReportFinish = 0;
            const std::wstring line = BuildJoinCommandLine(listPath, output);
            LogMessageA(kLogCategory, "join: %s", WideToUtf8(line).c_str());
            if (runner->Open(line, JOB_TYPE_FFMPEG)) {
                runner->WaitWorker(INFINITE);
                result = runner->GetExitCode();
            }
            runner->Close();
        }
    }
    if (!listPath.empty())
        RemoveFile(listPath);
    if (result != 0 && !output.empty()) {
        RemoveFile(output);  // ours, partial
    }

    PostMessageText(hNotify, WM_VXM_JOIN_FINISHED, static_cast<WPARAM>(result), output);
    if (result == 0) {
        PostMessage(hNotify, WM_VXM_JOIN_SUCCEEDED, 0, reinterpret_cast<LPARAM>(static_cast<IVXMMedia*>(this)));
        for (IVXMMedia* media : others)
            if (media)
                PostMessage(hNotify, WM_VXM_JOIN_SUCCEEDED, 0, reinterpret_cast<LPARAM>(media));
    }
}
