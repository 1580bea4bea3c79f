// Child processes started from an argument list (never through a shell).
//
// The child gets its own process group, an empty signal mask and default
// signal handlers; every descriptor of ours but the three redirected ones is
// closed in it. One reaper thread per child collects its exit status, so the
// exit code can be waited for with a timeout from any thread. The object owns
// the pipes and the child: its destructor closes the pipes, kills the group
// of a child that still runs and reaps it.
//
// Threads: one thread may read standard output, another standard error and a
// third write standard input while any thread waits or signals. The Close*
// calls and the destructor must not overlap a read or write of that pipe on
// another thread (stop such a reader first: Kill, then join it).
#pragma once
#include "platform/types.h"
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

enum class EChildStream {
    Inherit,   // the parent's own descriptor
    Null,      // /dev/null
    Pipe,      // a pipe to this object
    ToStdout,  // standard error only: the same destination as standard output
};

struct CChildOptions {
    EChildStream stdinMode = EChildStream::Null;
    EChildStream stdoutMode = EChildStream::Pipe;
    EChildStream stderrMode = EChildStream::Pipe;
    std::wstring workingFolder;                // empty: the parent's
    std::vector<std::wstring> extraEnvironment;  // "NAME=value" added to (or replacing in) ours
};

constexpr long CHILD_READ_TIMEOUT = -2;

class CChildProcess : private CNonCopyable {
public:
    CChildProcess();
    ~CChildProcess();

    // args[0] is the program: a path, or a name searched in PATH. Every
    // argument reaches the child byte for byte (UTF-8). False, with
    // LastError() set, when the child could not be started. One start per object.
    bool Start(const std::vector<std::wstring>& args, const CChildOptions& options = {});

    bool IsStarted() const;
    int GetPid() const;
    // True until the child has exited (and was reaped).
    bool IsRunning() const;

    // Writes everything to the child's standard input. -1 when the pipe is
    // closed or the child has gone (never SIGPIPE), else the byte count.
    long WriteStdin(const void* data, size_t size);
    bool WriteStdin(const std::string& text);
    void CloseStdin();

    // Reads what is there (waits up to timeoutMs for something): bytes read,
    // 0 at end of stream, -1 on error or without that pipe, CHILD_READ_TIMEOUT
    // when nothing came in time.
    long ReadStdout(void* buffer, size_t size, DWORD timeoutMs = INFINITE_WAIT);
    long ReadStderr(void* buffer, size_t size, DWORD timeoutMs = INFINITE_WAIT);
    // Everything until end of stream (standard output, then standard error).
    std::string ReadAllStdout();
    std::string ReadAllStderr();
    // Raw descriptors for poll loops (-1 when not a pipe). They stay owned here.
    int StdinFd() const;
    int StdoutFd() const;
    int StderrFd() const;
    void CloseStdout();
    void CloseStderr();

    // True when the child ended within the time; `exitCode` then holds the exit
    // status, or 128 + the signal number for a child ended by a signal.
    bool Wait(DWORD timeoutMs, int* exitCode = nullptr);
    // Exit code after the end, -1 before.
    int GetExitCode() const;
    // Signal number that ended the child, 0 when it exited normally or runs.
    int GetTermSignal() const;

    // Signals to the child's process group: SIGINT, SIGTERM, SIGKILL.
    // False once the child has been reaped (nothing is signalled then).
    bool Interrupt();
    bool Terminate();
    bool Kill();
    // Sets the niceness of the child's process group (0 normal, 19 lowest);
    // false when the child has ended or the value is not allowed.
    bool SetNiceness(int niceness);

    // Text of the last failure of Start or of a signal.
    const std::string& LastError() const;

    static constexpr DWORD INFINITE_WAIT = 0xFFFFFFFF;

private:
    struct CState;
    std::unique_ptr<CState> m_state;
};

// Starts a program that outlives this object and needs no answer (a file
// manager, a browser). It is reaped by an intermediate process, runs in its own
// session, and gets no descriptor of ours beyond /dev/null. False when the
// program cannot be found or the start failed.
bool StartDetachedProcess(const std::vector<std::wstring>& args);

// The id of this process.
int GetCurrentProcessNumber();
// True while a process of that id exists (ours or anyone's).
bool IsProcessRunning(int pid);

// Full path of a program name as PATH finds it (a name with a '/' is checked as
// is); empty when there is none that can be executed.
std::wstring FindProgramInPath(const std::wstring& name);
