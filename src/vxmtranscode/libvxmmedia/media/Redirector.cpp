#include "Redirector.h"

#include "EngineLog.h"
#include "JobCommand.h"
#include "platform/messages.h"
#include "platform/text.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>

CRedirector::CRedirector() = default;

CRedirector::~CRedirector()
{
    CRedirector::Close();
}

void CRedirector::ReportOpenError(int code)
{
    char text[40];
    std::snprintf(text, sizeof(text), "Redirect console error: %x\r\n", static_cast<unsigned>(code));
    WriteStdError(text);
}

bool CRedirector::Open(const std::wstring& commandLine)
{
    Close();
    std::lock_guard<std::recursive_mutex> lock(m_csLock);

    VXM_COMMAND_ARGS line = SplitJobCommandLine(commandLine);
    if (line.args.empty()) {
        ReportOpenError(EINVAL);
        return false;
    }
    CChildOptions options;
    options.stdinMode = EChildStream::Pipe;
    options.stdoutMode = EChildStream::Pipe;
    options.stderrMode = EChildStream::ToStdout;
    auto child = std::make_unique<CChildProcess>();
    if (!child->Start(line.args, options)) {
        LogMessageA("CRedirector", "cannot start \"%s\": %s", WideToUtf8(line.args[0]).c_str(),
                    child->LastError().c_str());
        ReportOpenError(errno ? errno : ENOENT);
        return false;
    }
    m_dwProcessId = static_cast<DWORD>(child->GetPid());
    m_dwExitCode = 0;
    m_hChildProcess = std::move(child);

    m_hStopEvent = std::make_unique<CEvent>(true, false);
    auto thread = std::make_unique<CMessageThread>();
    if (!thread->Start([this](CMessageThread&) { OutputThread(); }, [this](const std::string& what) { OutputFailed(what); })) {
        ReportOpenError(EAGAIN);
        Close();
        return false;
    }
    m_dwThreadId = thread->GetThreadId();
    m_hThread = std::move(thread);
    return true;
}

void CRedirector::OutputThread()
{
    m_bRunning = TRUE;
    CChildProcess& child = *m_hChildProcess;
    char buffer[256];
    bool childGone = false;
    for (;;) {
        if (m_hStopEvent->IsSet())
            break;
        long n = child.ReadStdout(buffer, sizeof(buffer) - 1, m_dwWaitTime);
        if (n > 0) {
            buffer[n] = '\0';
            WriteStdOut(buffer);
            continue;
        }
        if (n == 0)
            break;  // end of output
        if (n == CHILD_READ_TIMEOUT) {
            // A child that ended while something it started keeps the pipe
            // open: drain what is there and stop.
            if (!childGone && !child.IsRunning()) {
                childGone = true;
                continue;
            }
            if (childGone)
                break;
            continue;
        }
        WriteStdError("Read stdout pipe error\r\n");
        break;
    }
    // The output has ended; the child ends with it (or is ended by Close).
    while (!m_hStopEvent->IsSet() && !child.Wait(m_dwWaitTime)) {
    }
    int code = child.GetExitCode();
    if (code != -1 || !child.IsRunning())
        m_dwExitCode = static_cast<DWORD>(code);
    m_bRunning = FALSE;
}

void CRedirector::OutputFailed(const std::string& what)
{
    LogMessageA("CRedirector", "the output reader stopped: %s", what.c_str());
    m_hChildProcess->Kill();
    m_dwExitCode = static_cast<DWORD>(-1);
    m_bRunning = FALSE;
    OnOutputFailed();
}

void CRedirector::Close()
{
    // The reader is joined outside the lock, so a sink that calls Printf or
    // Close meanwhile cannot block the join.
    std::unique_ptr<CMessageThread> thread;
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        if (m_hStopEvent)
            m_hStopEvent->Set();
        if (m_hThread) {
            if (m_hThread->GetThreadId() == GetCurrentThreadId())
                return;  // from the output thread: it ends by itself, a later Close joins it
            thread = std::move(m_hThread);
        }
    }
    if (thread)
        thread->Join();  // the reader waits in slices of m_dwWaitTime
    thread.reset();

    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (m_hThread)
        return;  // opened again meanwhile
    m_hStopEvent.reset();
    if (m_hChildProcess) {
        int code = 0;
        if (!m_hChildProcess->Wait(0, &code)) {
            m_hChildProcess->Kill();
            m_hChildProcess->Wait(CChildProcess::INFINITE_WAIT, &code);
        }
        m_dwExitCode = static_cast<DWORD>(code);
        m_hChildProcess.reset();  // closes the pipes
    }
    m_dwThreadId = 0;
}

bool CRedirector::Printf(const wchar_t* format, ...)
{
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (!m_hChildProcess || m_hChildProcess->StdinFd() < 0)
        return false;
    va_list args;
    va_start(args, format);
    std::wstring text = FormatWV(format, args);
    va_end(args);
    std::string narrow = WideToUtf8(text);
    if (narrow.empty())
        return true;
    return m_hChildProcess->WriteStdin(narrow);
}

void CRedirector::StopChildProcesses()
{
    std::lock_guard<std::recursive_mutex> lock(m_csLock);
    if (!m_hChildProcess || !m_hChildProcess->IsRunning())
        return;
    m_hChildProcess->Interrupt();
}

bool CRedirector::IsChildRunning() const
{
    auto& self = const_cast<CRedirector&>(*this);
    std::lock_guard<std::recursive_mutex> lock(self.m_csLock);
    return m_hChildProcess && m_hChildProcess->IsRunning();
}

CCmd::~CCmd()
{
    Close();
}

void CCmd::WriteStdOut(const char* text)
{
    LogMessageA("CCmd", "%s", text);
}

void CCmd::WriteStdError(const char* text)
{
    LogMessageA("CCmd", "%s", text);
}
