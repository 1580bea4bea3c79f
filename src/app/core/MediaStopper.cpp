#include "MediaStopper.h"

#include "IVXMMedia.h"
#include "Log.h"
#include "platform/messages.h"

#include <exception>
#include <memory>

namespace {
const char* const kCategory = "CMediaStopper";
}  // namespace

CMediaStopper::~CMediaStopper()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_worker.joinable()) m_worker.join();
}

void CMediaStopper::Stop(IVXMMedia* media, HWND notify, UINT doneMessage)
{
    if (!media) return;
    Queue([media, notify, doneMessage] {
        media->StopConvert();
        if (notify) PostMessage(notify, doneMessage, 0, reinterpret_cast<LPARAM>(media));
    });
}

void CMediaStopper::Release(IVXMMedia* media)
{
    if (!media) return;
    Queue([media] {
        media->StopConvert();
        media->Release();
    });
}

void CMediaStopper::Drain()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_requests.empty() && !m_busy; });
}

void CMediaStopper::Queue(std::function<void()> request)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(std::move(request));
        if (!m_worker.joinable()) m_worker = std::thread([this] { Work(); });
    }
    m_wake.notify_one();
}

void CMediaStopper::Work()
{
    for (;;) {
        std::function<void()> request;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_requests.empty(); });
            // Stopping ends the worker only once nothing is left: every media is released.
            if (m_requests.empty()) return;
            request = std::move(m_requests.front());
            m_requests.pop_front();
            m_busy = true;
        }
        try {
            request();
        } catch (const std::exception& e) {
            LogError(kCategory, "A stop or release failed: %s", e.what());
        } catch (...) {
            LogError(kCategory, "A stop or release failed");
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_busy = false;
        }
        m_idle.notify_all();
    }
}

namespace {
std::mutex g_stopperMutex;
std::unique_ptr<CMediaStopper> g_stopper;
}  // namespace

CMediaStopper& MediaStopper()
{
    std::lock_guard<std::mutex> lock(g_stopperMutex);
    if (!g_stopper) g_stopper = std::make_unique<CMediaStopper>();
    return *g_stopper;
}

void StopMediaStopper()
{
    std::unique_ptr<CMediaStopper> stopper;
    {
        std::lock_guard<std::mutex> lock(g_stopperMutex);
        stopper = std::move(g_stopper);
    }
}
