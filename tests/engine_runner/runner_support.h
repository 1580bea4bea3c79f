// Helpers of the runner tests: a window that records what the engine posts,
// job records for real child steps, and checks that nothing was left running.
#pragma once
#include "JobCommand.h"
#include "VXMMessages.h"
#include "platform/messages.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace runnertest {

struct CPosted {
    UINT message;
    long long wParam;
    LPARAM lParam;
};

// Records every message posted to it; lives on the test's thread.
class CRecordingWindow {
public:
    CRecordingWindow();
    HWND Get() const { return m_window.Get(); }
    // Pumps the test thread's queue until `count` WM_VXM_JOB_FINISHED have
    // arrived (the test's time-out is the only limit).
    bool WaitFinished(int count = 1);
    // Dispatches what is queued now.
    void Pump();
    std::vector<CPosted> Messages() const { return m_messages; }
    std::vector<CPosted> MessagesFor(LPARAM media) const;
    int CountOf(UINT message, LPARAM media = 0) const;

private:
    std::vector<CPosted> m_messages;
    CMessageWindow m_window;
};

std::unique_ptr<VXM_JOB_COMMAND> Step(const std::wstring& commandLine, int passKind = PASS_PLAIN,
                                      const std::wstring& input = L"", const std::wstring& output = L"",
                                      int type = JOB_TYPE_PROCESS);

// A shell script of the given body, made executable; returns its path.
std::string WriteScript(const std::string& path, const std::string& body);

// Children of this process still present (zombies included), and our threads.
int CountChildProcesses();
int CountThreads();
// Waits until the counts drop to the given values (threads end a moment
// after they were joined or reaped).
bool SettlesTo(int children, int threads);

}  // namespace runnertest
