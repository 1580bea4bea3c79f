// Child processes: posix_spawn from an argument list, pipes, one reaper thread per child.
#include "platform/process.h"
#include "platform/environment.h"
#include "platform/text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace {

std::string ErrnoText(const char* what, int err)
{
    return std::string(what) + ": " + std::strerror(err);
}

void CloseFd(int& fd)
{
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// A descriptor above the standard three, close-on-exec.
bool MoveAboveStdio(int& fd)
{
    if (fd > 2) return true;
    int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = moved;
    return fd >= 0;
}

bool MakePipe(int fds[2])
{
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    if (MoveAboveStdio(fds[0]) && MoveAboveStdio(fds[1])) return true;
    CloseFd(fds[0]);
    CloseFd(fds[1]);
    return false;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string FindInPath(const std::string& name)
{
    if (name.empty()) return {};
    if (name.find('/') != std::string::npos) return IsExecutableFile(name) ? name : std::string();
    std::string dirs = GetEnvironmentValue("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty()) dir = ".";
        std::string candidate = dir + "/" + name;
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

std::vector<std::string> BuildEnvironment(const std::vector<std::wstring>& extra)
{
    std::vector<std::string> env;
    {
        std::lock_guard<std::mutex> lock(EnvironmentLock());
        for (char** e = environ; e && *e; ++e) env.emplace_back(*e);
    }
    for (const auto& w : extra) {
        std::string entry = WideToUtf8(w);
        size_t eq = entry.find('=');
        if (eq == std::string::npos || eq == 0) continue;
        std::string prefix = entry.substr(0, eq + 1);
        env.erase(std::remove_if(env.begin(), env.end(),
                                 [&](const std::string& s) { return s.compare(0, prefix.size(), prefix) == 0; }),
                  env.end());
        env.push_back(entry);
    }
    return env;
}

std::vector<char*> PointerList(std::vector<std::string>& strings)
{
    std::vector<char*> list;
    list.reserve(strings.size() + 1);
    for (auto& s : strings) list.push_back(s.data());
    list.push_back(nullptr);
    return list;
}

// Writes with SIGPIPE held back for this thread only: a closed pipe gives EPIPE.
long WriteNoSigpipe(int fd, const void* data, size_t size)
{
    sigset_t pipeSet, oldSet, pending;
    sigemptyset(&pipeSet);
    sigaddset(&pipeSet, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSet, &oldSet);
    sigemptyset(&pending);
    sigpending(&pending);
    bool wasPending = sigismember(&pending, SIGPIPE) == 1;

    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    bool failed = false;
    while (done < size) {
        ssize_t n = ::write(fd, p + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            failed = true;
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (failed && errno == EPIPE && !wasPending) {
        int saved = errno;
        timespec zero{0, 0};
        while (sigtimedwait(&pipeSet, nullptr, &zero) < 0 && errno == EINTR) {
        }
        errno = saved;
    }
    pthread_sigmask(SIG_SETMASK, &oldSet, nullptr);
    return failed ? -1 : static_cast<long>(done);
}

long ReadWithTimeout(int fd, void* buffer, size_t size, DWORD timeoutMs)
{
    if (fd < 0 || !buffer || size == 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int wait = -1;
        if (timeoutMs != CChildProcess::INFINITE_WAIT) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            wait = static_cast<int>(std::max<long long>(0, std::min<long long>(left.count(), 0x7FFFFFFF)));
        }
        pollfd pfd{fd, POLLIN, 0};
        int r = ::poll(&pfd, 1, wait);
        if (r < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (r == 0) return CHILD_READ_TIMEOUT;
        ssize_t n = ::read(fd, buffer, size);
        if (n < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return -1;
        }
        return static_cast<long>(n);
    }
}

std::string ReadAll(int fd)
{
    std::string out;
    char buffer[65536];
    for (;;) {
        long n = ReadWithTimeout(fd, buffer, sizeof(buffer), CChildProcess::INFINITE_WAIT);
        if (n <= 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return out;
}

}  // namespace

struct CChildProcess::CState {
    pid_t pid = 0;
    int stdinFd = -1;
    int stdoutFd = -1;
    int stderrFd = -1;
    std::string lastError;

    mutable std::mutex mutex;
    std::condition_variable exited;
    bool reaped = false;
    int exitCode = -1;
    int termSignal = 0;
    std::thread reaper;

    void Reap()
    {
        // Wait without reaping first: the pid stays ours (and signals to it
        // safe) until `reaped` is set under the lock.
        siginfo_t info{};
        while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
        }
        std::lock_guard<std::mutex> lock(mutex);
        int status = 0;
        pid_t r;
        while ((r = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
        }
        if (r == pid && WIFEXITED(status)) {
            exitCode = WEXITSTATUS(status);
        } else if (r == pid && WIFSIGNALED(status)) {
            termSignal = WTERMSIG(status);
            exitCode = 128 + termSignal;
        } else {
            exitCode = 255;
        }
        reaped = true;
        exited.notify_all();
    }

    bool Signal(int sig, const char* what)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (pid <= 0 || reaped) {
            lastError = std::string(what) + ": the child has ended";
            return false;
        }
        if (::kill(-pid, sig) == 0) return true;
        // The group may not exist yet if the child has not run; the pid does.
        if (::kill(pid, sig) == 0) return true;
        lastError = ErrnoText(what, errno);
        return false;
    }
};

CChildProcess::CChildProcess() : m_state(std::make_unique<CState>()) {}

CChildProcess::~CChildProcess()
{
    CloseFd(m_state->stdinFd);
    if (m_state->reaper.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_state->mutex);
            if (!m_state->reaped) {
                ::kill(-m_state->pid, SIGKILL);
                ::kill(m_state->pid, SIGKILL);
            }
        }
        m_state->reaper.join();
    }
    CloseFd(m_state->stdoutFd);
    CloseFd(m_state->stderrFd);
}

bool CChildProcess::Start(const std::vector<std::wstring>& args, const CChildOptions& options)
{
    CState& s = *m_state;
    if (s.pid != 0) {
        s.lastError = "start: already started";
        return false;
    }
    if (args.empty() || args[0].empty()) {
        s.lastError = "start: no program";
        return false;
    }
    if (options.stdinMode == EChildStream::ToStdout || options.stdoutMode == EChildStream::ToStdout) {
        s.lastError = "start: only standard error can follow standard output";
        return false;
    }
    std::vector<std::string> argStrings;
    argStrings.reserve(args.size());
    for (const auto& a : args) argStrings.push_back(WideToUtf8(a));
    std::string program = FindInPath(argStrings[0]);
    if (program.empty()) {
        s.lastError = "start: program not found: " + argStrings[0];
        return false;
    }
    std::vector<std::string> envStrings = BuildEnvironment(options.extraEnvironment);
    std::vector<char*> argv = PointerList(argStrings);
    std::vector<char*> envp = PointerList(envStrings);

    int inPipe[2] = {-1, -1}, outPipe[2] = {-1, -1}, errPipe[2] = {-1, -1};
    auto closeAll = [&] {
        for (int* p : {inPipe, outPipe, errPipe}) {
            CloseFd(p[0]);
            CloseFd(p[1]);
        }
    };
    if ((options.stdinMode == EChildStream::Pipe && !MakePipe(inPipe)) ||
        (options.stdoutMode == EChildStream::Pipe && !MakePipe(outPipe)) ||
        (options.stderrMode == EChildStream::Pipe && !MakePipe(errPipe))) {
        s.lastError = ErrnoText("start: pipe", errno);
        closeAll();
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attr);

    auto route = [&](EChildStream mode, int childFd, int pipeEnd, int openFlags) {
        switch (mode) {
        case EChildStream::Pipe:
            posix_spawn_file_actions_adddup2(&actions, pipeEnd, childFd);
            break;
        case EChildStream::Null:
            posix_spawn_file_actions_addopen(&actions, childFd, "/dev/null", openFlags, 0);
            break;
        case EChildStream::ToStdout:
            posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, childFd);
            break;
        case EChildStream::Inherit:
            break;
        }
    };
    route(options.stdinMode, STDIN_FILENO, inPipe[0], O_RDONLY);
    route(options.stdoutMode, STDOUT_FILENO, outPipe[1], O_WRONLY);
    route(options.stderrMode, STDERR_FILENO, errPipe[1], O_WRONLY);
    std::string folder = WideToUtf8(options.workingFolder);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Nothing of ours but the three standard streams reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int err = ::posix_spawn(&pid, program.c_str(), &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
        s.lastError = ErrnoText(("start: " + program).c_str(), err);
        closeAll();
        return false;
    }

    CloseFd(inPipe[0]);
    CloseFd(outPipe[1]);
    CloseFd(errPipe[1]);
    s.stdinFd = inPipe[1];
    s.stdoutFd = outPipe[0];
    s.stderrFd = errPipe[0];
    s.pid = pid;
    s.reaper = std::thread([state = m_state.get()] { state->Reap(); });
    return true;
}

bool CChildProcess::IsStarted() const { return m_state->pid != 0; }
int CChildProcess::GetPid() const { return m_state->pid; }

bool CChildProcess::IsRunning() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->pid != 0 && !m_state->reaped;
}

long CChildProcess::WriteStdin(const void* data, size_t size)
{
    if (m_state->stdinFd < 0) return -1;
    if (size == 0) return 0;
    return WriteNoSigpipe(m_state->stdinFd, data, size);
}

bool CChildProcess::WriteStdin(const std::string& text)
{
    return WriteStdin(text.data(), text.size()) == static_cast<long>(text.size());
}

void CChildProcess::CloseStdin() { CloseFd(m_state->stdinFd); }
void CChildProcess::CloseStdout() { CloseFd(m_state->stdoutFd); }
void CChildProcess::CloseStderr() { CloseFd(m_state->stderrFd); }

long CChildProcess::ReadStdout(void* buffer, size_t size, DWORD timeoutMs)
{
    return ReadWithTimeout(m_state->stdoutFd, buffer, size, timeoutMs);
}

long CChildProcess::ReadStderr(void* buffer, size_t size, DWORD timeoutMs)
{
    return ReadWithTimeout(m_state->stderrFd, buffer, size, timeoutMs);
}

std::string CChildProcess::ReadAllStdout() { return ReadAll(m_state->stdoutFd); }
std::string CChildProcess::ReadAllStderr() { return ReadAll(m_state->stderrFd); }

int CChildProcess::StdinFd() const { return m_state->stdinFd; }
int CChildProcess::StdoutFd() const { return m_state->stdoutFd; }
int CChildProcess::StderrFd() const { return m_state->stderrFd; }

bool CChildProcess::Wait(DWORD timeoutMs, int* exitCode)
{
    CState& s = *m_state;
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.pid == 0) return false;
    auto done = [&] { return s.reaped; };
    if (timeoutMs == INFINITE_WAIT) {
        s.exited.wait(lock, done);
    } else if (!s.exited.wait_for(lock, std::chrono::milliseconds(timeoutMs), done)) {
        return false;
    }
    if (exitCode) *exitCode = s.exitCode;
    return true;
}

int CChildProcess::GetExitCode() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->reaped ? m_state->exitCode : -1;
}

int CChildProcess::GetTermSignal() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->termSignal;
}

bool CChildProcess::Interrupt() { return m_state->Signal(SIGINT, "interrupt"); }
bool CChildProcess::Terminate() { return m_state->Signal(SIGTERM, "terminate"); }
bool CChildProcess::Kill() { return m_state->Signal(SIGKILL, "kill"); }

bool CChildProcess::SetNiceness(int niceness)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->pid <= 0 || m_state->reaped) return false;
    if (::setpriority(PRIO_PGRP, static_cast<id_t>(m_state->pid), niceness) == 0) return true;
    m_state->lastError = ErrnoText("priority", errno);
    return false;
}

const std::string& CChildProcess::LastError() const { return m_state->lastError; }

std::wstring FindProgramInPath(const std::wstring& name)
{
    return Utf8ToWide(FindInPath(WideToUtf8(name)));
}

bool StartDetachedProcess(const std::vector<std::wstring>& args)
{
    if (args.empty()) return false;
    std::vector<std::string> argStrings;
    for (const auto& a : args) argStrings.push_back(WideToUtf8(a));
    std::string program = FindInPath(argStrings[0]);
    if (program.empty()) return false;
    std::vector<char*> argv = PointerList(argStrings);
    int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (devNull < 0) return false;

    // Only async-signal-safe calls between fork and exec: every text is ready.
    pid_t child = ::fork();
    if (child < 0) {
        ::close(devNull);
        return false;
    }
    if (child == 0) {
        pid_t grandchild = ::fork();
        if (grandchild != 0) ::_exit(grandchild < 0 ? 1 : 0);
        ::setsid();
        ::dup2(devNull, STDIN_FILENO);
        ::dup2(devNull, STDOUT_FILENO);
        ::dup2(devNull, STDERR_FILENO);
        ::syscall(SYS_close_range, 3U, ~0U, 0U);
        struct sigaction dfl{};
        dfl.sa_handler = SIG_DFL;
        for (int sig = 1; sig < NSIG; ++sig) ::sigaction(sig, &dfl, nullptr);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        ::execve(program.c_str(), argv.data(), environ);
        ::_exit(127);
    }
    ::close(devNull);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int GetCurrentProcessNumber()
{
    return static_cast<int>(::getpid());
}

bool IsProcessRunning(int pid)
{
    if (pid <= 0)
        return false;
    // EPERM: it exists but belongs to someone else.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}
