#include "runner_support.h"

#include "platform/events.h"
#include "platform/text.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace runnertest {

CRecordingWindow::CRecordingWindow()
    : m_window([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
          m_messages.push_back({msg, static_cast<long long>(static_cast<intptr_t>(wParam)), lParam});
          return 0;
      })
{
}

bool CRecordingWindow::WaitFinished(int count)
{
    while (CountOf(WM_VXM_JOB_FINISHED) < count) {
        MSG msg;
        if (GetMessageTimeout(&msg, 50))
            DispatchMessage(&msg);
    }
    return true;
}

void CRecordingWindow::Pump()
{
    PumpThreadMessages();
}

std::vector<CPosted> CRecordingWindow::MessagesFor(LPARAM media) const
{
    std::vector<CPosted> out;
    for (const CPosted& m : m_messages)
        if (m.lParam == media)
            out.push_back(m);
    return out;
}

int CRecordingWindow::CountOf(UINT message, LPARAM media) const
{
    int n = 0;
    for (const CPosted& m : m_messages)
        if (m.message == message && (media == 0 || m.lParam == media))
            ++n;
    return n;
}

std::unique_ptr<VXM_JOB_COMMAND> Step(const std::wstring& commandLine, int passKind, const std::wstring& input,
                                      const std::wstring& output, int type)
{
    auto step = std::make_unique<VXM_JOB_COMMAND>();
    step->nType = type;
    step->strCmdLine = commandLine;
    step->nPassKind = passKind;
    step->strInput = input;
    step->strOutput = output;
    return step;
}

std::string WriteScript(const std::string& path, const std::string& body)
{
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

int CountChildProcesses()
{
    const std::string self = std::to_string(getpid());
    int n = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!stat || !std::getline(stat, line))
            continue;
        // pid (comm) state ppid ...
        size_t close = line.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream rest(line.substr(close + 2));
        std::string state, ppid;
        rest >> state >> ppid;
        if (ppid == self)
            ++n;
    }
    return n;
}

int CountThreads()
{
    int n = 0;
    std::error_code ec;
    for (auto it = std::filesystem::directory_iterator("/proc/self/task", ec);
         it != std::filesystem::directory_iterator(); ++it)
        ++n;
    return n;
}

bool SettlesTo(int children, int threads)
{
    while (CountChildProcesses() > children || CountThreads() > threads)
        Sleep(20);
    return true;
}

}  // namespace runnertest
