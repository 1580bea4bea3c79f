#include "platform/signals.h"
#include "platform/thread.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>
#include <fcntl.h>

namespace {

// The handler writes the signal's number into this pipe: the one thing it
// may do safely. The watcher thread reads it. The pipe lives as long as the
// process, so a handler that runs while a watch stops never writes to a
// closed (or reused) descriptor.
std::atomic<int> g_signalPipe{-1};
int g_signalRead = -1;
std::atomic<bool> g_watching{false};
struct sigaction g_previousTerm;
struct sigaction g_previousInt;

void OnSignal(int signal)
{
    const int saved = errno;
    const int fd = g_signalPipe.load();
    const unsigned char number = static_cast<unsigned char>(signal);
    if (fd >= 0) [[maybe_unused]] ssize_t written = ::write(fd, &number, 1);
    errno = saved;
}

bool MakePipe(int fds[2])
{
    return ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0;
}

void ClosePipe(int fds[2])
{
    for (int i = 0; i < 2; ++i) {
        if (fds[i] >= 0) ::close(fds[i]);
        fds[i] = -1;
    }
}

}  // namespace

void IgnoreBrokenPipeSignal()
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    ::sigaction(SIGPIPE, &ignore, nullptr);
}

CTerminationWatch::~CTerminationWatch()
{
    Stop();
}

bool CTerminationWatch::Start(std::function<void(int)> onRequest)
{
    if (m_thread.joinable() || g_watching.exchange(true)) return false;
    if (g_signalRead < 0) {
        int signalPipe[2] = {-1, -1};
        if (!MakePipe(signalPipe)) {
            g_watching = false;
            return false;
        }
        g_signalRead = signalPipe[0];
        g_signalPipe = signalPipe[1];
    }
    if (!MakePipe(m_stopPipe)) {
        g_watching = false;
        return false;
    }
    // Signals of an earlier watch are not this one's.
    unsigned char stale = 0;
    while (::read(g_signalRead, &stale, 1) == 1) {
    }
    struct sigaction take {};
    take.sa_handler = OnSignal;
    sigemptyset(&take.sa_mask);
    take.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &take, &g_previousTerm);
    ::sigaction(SIGINT, &take, &g_previousInt);

    const int readEnd = g_signalRead;
    const int stopEnd = m_stopPipe[0];
    m_thread = std::thread([readEnd, stopEnd, onRequest = std::move(onRequest)] {
        pollfd fds[2] = {{readEnd, POLLIN, 0}, {stopEnd, POLLIN, 0}};
        for (;;) {
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                break;
            }
            if (fds[1].revents) break;
            unsigned char number = 0;
            std::string what;
            while (::read(readEnd, &number, 1) == 1)
                if (onRequest && !RunCatching([&] { onRequest(number); }, what))
                    ReportServiceThreadFailure("termination", what);
        }
    });
    return true;
}

void CTerminationWatch::Stop()
{
    if (!m_thread.joinable()) return;
    ::sigaction(SIGTERM, &g_previousTerm, nullptr);
    ::sigaction(SIGINT, &g_previousInt, nullptr);
    const unsigned char stop = 0;
    [[maybe_unused]] ssize_t written = ::write(m_stopPipe[1], &stop, 1);
    m_thread.join();
    ClosePipe(m_stopPipe);
    g_watching = false;
}
