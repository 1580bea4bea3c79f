// Process signals, for the program alone (never a library): a broken pipe
// is ignored, and a request to end (SIGTERM, SIGINT) reaches a callback on
// a watcher thread of its own, outside the signal handler.
#pragma once
#include <functional>
#include <thread>

// A write to a pipe whose reader has gone fails with EPIPE instead of ending the process.
void IgnoreBrokenPipeSignal();

class CTerminationWatch {
public:
    CTerminationWatch() = default;
    ~CTerminationWatch();  // Stop()
    CTerminationWatch(const CTerminationWatch&) = delete;
    CTerminationWatch& operator=(const CTerminationWatch&) = delete;

    // Takes SIGTERM and SIGINT for the process; `onRequest` runs on the
    // watcher thread with the signal's number, once per signal. One watch
    // at a time; false when another runs or the pipe cannot be made.
    bool Start(std::function<void(int signal)> onRequest);
    // Gives both signals back to their previous handling and joins the watcher.
    void Stop();
    bool IsRunning() const { return m_thread.joinable(); }

private:
    std::thread m_thread;
    int m_stopPipe[2] = {-1, -1};
};
