// Stopping and releasing media off the UI thread. The engine's stop and
// release wait until the conversion has ended (a second and more on a busy
// machine); here one worker thread, made on first use, does that waiting.
// It takes the requests in the order they came, so a media is released only
// after its stop, and a media that others were joined to stops before they go.
#pragma once
#include "platform/types.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class IVXMMedia;

class CMediaStopper {
public:
    CMediaStopper() = default;
    // Does every request still waiting, then ends the worker.
    ~CMediaStopper();
    CMediaStopper(const CMediaStopper&) = delete;
    CMediaStopper& operator=(const CMediaStopper&) = delete;

    // Stops the media's conversion; then `doneMessage` (wParam 0, lParam the
    // media) is posted to `notify` when that is given.
    void Stop(IVXMMedia* media, HWND notify, UINT doneMessage);
    // Stops whatever runs for the media and releases it: the media is the
    // stopper's from the call on.
    void Release(IVXMMedia* media);
    // Returns once every request made so far is done.
    void Drain();

private:
    void Queue(std::function<void()> request);
    void Work();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<std::function<void()>> m_requests;
    bool m_busy = false;
    bool m_stop = false;
    std::thread m_worker;
};

// The program's stopper.
CMediaStopper& MediaStopper();
// Does what the program's stopper still has to do and ends it (at shut-down,
// before the engine goes).
void StopMediaStopper();
