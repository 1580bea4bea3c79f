// Helpers of the player tests: a host window that records the pixels the
// player hands it, a notify window that records posted messages, and one
// player run on its own worker thread.
#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "CmdFFplay.h"
#include "VXMMediaImpl.h"
#include "VXMMessages.h"
#include "ffplay.h"
#include "ffplay_host.h"
#include "platform/messages.h"

namespace playertest {

struct CPixel {
    int r, g, b;
};

class CTestHost : public IPlayerHost {
public:
    CTestHost(int w, int h) : m_w(w), m_h(h), m_pixels(static_cast<size_t>(w) * h, 0) {}
    SIZE GetClientSize() override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return SIZE{m_w, m_h};
    }
    // A new, cleared buffer of another size (the widget was resized).
    void Resize(int w, int h)
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_w = w;
        m_h = h;
        m_pixels.assign(static_cast<size_t>(w) * h, 0);
    }
    void Present(const void* pixels, int pitch, int width, int height, const RECT& changed) override;
    CPixel At(int x, int y) const;
    // Mean of (r + g + b) / 3 over a rectangle.
    double MeanLevel(int x, int y, int w, int h) const;
    int Presents() const { return m_presents.load(); }
    // Waits until at least `count` presents arrived in all.
    bool WaitPresents(int count) const;

private:
    int m_w, m_h;
    mutable std::mutex m_lock;
    std::vector<uint32_t> m_pixels;
    std::atomic<int> m_presents{0};
};

struct CPosted {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class CRecorder {
public:
    CRecorder();
    HWND Get() const { return m_window.Get(); }
    // Pumps the test thread's queue until `pred` holds.
    bool PumpUntil(const std::function<bool()>& pred);
    // Dispatches what is queued now.
    void Pump();
    int CountOf(UINT message) const;
    std::vector<CPosted> Messages() const { return m_messages; }
    // The last message of this kind; the test fails where none came.
    CPosted LastOf(UINT message) const;

private:
    std::vector<CPosted> m_messages;
    CMessageWindow m_window;
};

// A host window registered for the player and named in SDL_WINDOWID.
class CHostWindow {
public:
    CHostWindow(int w, int h);
    ~CHostWindow();
    CTestHost& Host() { return *m_host; }

private:
    CMessageWindow m_window;
    std::shared_ptr<CTestHost> m_host;
};

// One probed media object and its player on a worker thread.
class CPlayerRun {
public:
    CPlayerRun(const std::string& path, HWND notify, const std::wstring& extraOptions = L"");
    ~CPlayerRun();
    void Start();
    void Stop();           // the runner's stop request
    void Join();
    bool Finished() const { return m_done.load(); }
    int Result() const { return m_result; }
    CCmdFFplay& Runner() { return *m_runner; }
    CVXMMediaImpl& Media() { return m_media; }

private:
    CVXMMediaImpl m_media;
    CCmdFFplay* m_runner = nullptr;
    std::wstring m_line;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
    int m_result = 0;
};

// Waits (sleeping) until the player reports running or position past `seconds`.
bool WaitPosition(double seconds);
bool WaitRunning();
// Waits until the player's status meets `done` (events are handled on the
// player's thread, later on a loaded machine).
bool WaitStatus(const std::function<bool(const FFplayStatus&)>& done);
// Waits (sleeping) until `done` holds, e.g. for the host's picture.
bool WaitUntil(const std::function<bool()>& done);
int CountThreads();
int CountDescriptors();

}  // namespace playertest
