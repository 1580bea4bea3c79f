// A child process with redirected standard input and output. The output is
// read on a thread of its own and handed, in chunks of at most 255 bytes, to
// a virtual sink; commands are written to the child's standard input.
//
// The engine's job runner derives from it and reuses its fields: it keeps a
// child-process step in the child-process field and the run's exit code in
// the exit-code field.
//
// Command lines are split into arguments (no shell runs); a line written for
// the command interpreter ("cmd.exe /c \"\"<tool>\" ...\"") starts the tool
// it names. The child runs in its own process group, so a signal reaches
// everything it starts.
#pragma once
#include "platform/events.h"
#include "platform/process.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class CRedirector : private CNonCopyable {
public:
    CRedirector();
    // Stops the output thread and ends the child (as CRedirector::Close).
    // A subclass whose sinks use its own fields calls Close in its own
    // destructor, so no chunk reaches a half-destroyed object.
    virtual ~CRedirector();

    // One NUL-terminated chunk of the child's output, at most 255 bytes.
    // Runs on the output thread.
    virtual void WriteStdOut(const char* text) = 0;
    // One error text of the runner itself.
    virtual void WriteStdError(const char* text) = 0;
    // Stops the output thread (never from itself), ends the child and
    // closes its pipes. The exit code already taken is kept.
    virtual void Close();

    // Starts the command line with standard input and output (standard error
    // too) redirected, and the output thread. False, with the error text
    // given to WriteStdError, when the line is empty or the child or the
    // thread cannot start. A runner may be opened again after Close.
    bool Open(const std::wstring& commandLine);
    // Formats the text and writes it (UTF-8) to the child's standard input.
    // False without a child input, or when the write fails.
    bool Printf(const wchar_t* format, ...);
    // Asks the running child and everything it started to stop (SIGINT to
    // its process group). Nothing when the child has already ended.
    void StopChildProcesses();
    // True while the child process runs.
    bool IsChildRunning() const;

    std::unique_ptr<CMessageThread> m_hThread;  // output reader thread; null when none
    std::unique_ptr<CEvent> m_hStopEvent;       // ends the reader thread; null when none
    DWORD m_dwThreadId = 0;
    DWORD m_dwWaitTime = 100;                   // wait slice in milliseconds
    DWORD m_dwProcessId = 0;
    std::recursive_mutex m_csLock;              // guards Open and Close
    std::atomic<BOOL> m_bRunning{FALSE};        // TRUE while the output thread runs
    // The child with its pipe ends (our side of its standard input and output).
    std::unique_ptr<CChildProcess> m_hChildProcess;
    std::atomic<DWORD> m_dwExitCode{0};

protected:
    // Text of the launch failure given to WriteStdError.
    void ReportOpenError(int code);
    // Runs on the output thread after an exception escaped a sink: the
    // reader has stopped, the child was ended and the run counts as failed.
    virtual void OnOutputFailed() {}

private:
    void OutputThread();
    void OutputFailed(const std::string& what);
};

// A one-shot runner whose output goes to the engine log.
class CCmd : public CRedirector {
public:
    ~CCmd() override;
    void WriteStdOut(const char* text) override;
    void WriteStdError(const char* text) override;
};
