// A child process with redirected standard input and output. The engine's
// job runner derives from it and reuses its fields: it keeps its worker in
// the child-process field and the run's exit code in the exit-code field.
#pragma once
#include "platform/events.h"
#include "platform/thread.h"
#include "platform/types.h"

#include <cstdio>
#include <memory>
#include <mutex>

class CRedirector {
public:
    CRedirector();
    // Closes the standard-input write end and the standard-output read end
    // when they are set; nothing else is stopped here.
    virtual ~CRedirector();
    CRedirector(const CRedirector&) = delete;
    CRedirector& operator=(const CRedirector&) = delete;

    // One NUL-terminated chunk of the child's output, at most 255 bytes.
    virtual void WriteStdOut(const char* text) = 0;
    // One error text of the runner itself.
    virtual void WriteStdError(const char* text) = 0;
    // Closes the two pipe ends.
    virtual void Close();

    std::unique_ptr<CMessageThread> m_hThread;  // output reader thread; null when none
    std::unique_ptr<CEvent> m_hStopEvent;       // ends the reader thread; null when none
    DWORD m_dwThreadId = 0;
    DWORD m_dwWaitTime = 100;                   // wait slice in milliseconds
    DWORD m_dwProcessId = 0;
    std::recursive_mutex m_csLock;              // guards Close
    BOOL m_bRunning = FALSE;
    std::FILE* m_hStdinWrite = nullptr;         // our end of the child's standard input
    std::FILE* m_hStdoutRead = nullptr;         // our end of the child's standard output
    void* m_hChildProcess = nullptr;            // the worker, set and owned by the subclass
    DWORD m_dwExitCode = 0;

protected:
    void ClosePipes();
};
