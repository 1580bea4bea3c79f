#include "ui/UIMessagePump.h"
#include "platform/messages.h"
#include "platform/thread.h"
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

namespace {
QApplication* g_ownApp = nullptr;  // made here when the program made none
std::atomic<DWORD> g_hookedThread{0};
bool g_quit = false;
std::vector<QEventLoop*> g_loops;

void QuitAllLoops()
{
    g_quit = true;
    for (QEventLoop* loop : g_loops) loop->exit(0);
}

// A frame's worth (ms) of posted messages at a time: painting and input get
// their turn between the batches of a flood of them.
constexpr DWORD kFrameMs = 8;

void PumpOnUIThread()
{
    if (!PumpThreadMessages(kFrameMs)) QuitAllLoops();
}
}  // namespace

void EnsureUIApplication()
{
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char arg0[] = "VXMPro";
        static char* argv[] = {arg0, nullptr};
        // Not a static object: Qt must be gone before its own statics are.
        g_ownApp = new QApplication(argc, argv);
        g_ownApp->setQuitOnLastWindowClosed(false);
    }
    InstallUIMessageHook();
}

void ShutdownUIApplication()
{
    RemoveUIMessageHook();
    if (g_ownApp) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete g_ownApp;
        g_ownApp = nullptr;
    }
}

void InstallUIMessageHook()
{
    DWORD tid = GetCurrentThreadId();
    if (g_hookedThread.load() == tid) return;
    g_hookedThread.store(tid);
    SetThreadWakeHook(tid, [] {
        // Any thread: queue a call on the application's (UI) thread.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { PumpOnUIThread(); }, Qt::QueuedConnection);
    });
}

void RemoveUIMessageHook()
{
    DWORD tid = g_hookedThread.exchange(0);
    if (tid) SetThreadWakeHook(tid, nullptr);
}

bool IsUIQuitRequested() { return g_quit; }
void ResetUIQuit() { g_quit = false; }

int RunUIMessageLoop()
{
    EnsureUIApplication();
    if (g_quit) return 0;
    QEventLoop loop;
    g_loops.push_back(&loop);
    PumpOnUIThread();
    if (!g_quit) loop.exec();
    g_loops.erase(std::remove(g_loops.begin(), g_loops.end(), &loop), g_loops.end());
    return 0;
}

void RunNestedUILoop(const std::function<bool()>& done)
{
    EnsureUIApplication();
    QEventLoop loop;
    g_loops.push_back(&loop);
    // Check the condition after each batch of work.
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (done() || g_quit) loop.exit(0);
    });
    check.start(10);
    if (!done() && !g_quit) loop.exec();
    g_loops.erase(std::remove(g_loops.begin(), g_loops.end(), &loop), g_loops.end());
}

void WakeNestedUILoops()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
}

namespace {
// Wakes the UI thread's event loop when `event` is set, so that a wait in the
// loop ends at once instead of at the next poll; stops and is joined when the
// wait ends.
class CEventWaker {
public:
    explicit CEventWaker(CEvent& event)
    {
        QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
        if (!dispatcher) return;
        m_thread = std::thread([this, &event, dispatcher] {
            if (WaitForAnyEvent({&event, &m_stop}, INFINITE) != WAIT_OBJECT_0) return;
            // An auto-reset event was taken by the wait: it stays set for the waiter.
            event.Set();
            dispatcher->wakeUp();
        });
    }
    ~CEventWaker()
    {
        m_stop.Set();
        if (m_thread.joinable()) m_thread.join();
    }
    CEventWaker(const CEventWaker&) = delete;
    CEventWaker& operator=(const CEventWaker&) = delete;

private:
    CEvent m_stop{true, false};
    std::thread m_thread;
};
}  // namespace

// Serves the UI thread until `event` is set (`done` then holds) or the time is
// up. Between turns it sleeps in the event loop, which a posted message (the
// queue's wake), a timer, input or the event itself wakes.
static DWORD WaitDispatching(CEvent& event, const std::function<bool()>& done, DWORD timeoutMs)
{
    const auto start = std::chrono::steady_clock::now();
    auto timeLeft = [&]() -> long long {
        if (timeoutMs == INFINITE) return 1;
        auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
        return static_cast<long long>(timeoutMs) - elapsed.count();
    };
    if (done()) return WAIT_OBJECT_0;
    if (!QCoreApplication::instance()) {
        // No event loop: only this thread's queue is served.
        for (;;) {
            PumpThreadMessages(kFrameMs);
            if (done()) return WAIT_OBJECT_0;
            const long long left = timeLeft();
            if (left <= 0) return WAIT_TIMEOUT;
            event.Wait(static_cast<DWORD>(std::min<long long>(left, 2)));
            if (done()) return WAIT_OBJECT_0;
        }
    }
    CEventWaker waker(event);
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    for (;;) {
        // A frame's worth, as the main loop takes them: timers, painting and
        // input are served between the batches of a flood of posted messages
        // (what is left wakes the loop again).
        PumpThreadMessages(kFrameMs);
        if (done()) return WAIT_OBJECT_0;
        const long long left = timeLeft();
        if (left <= 0) return WAIT_TIMEOUT;
        if (timeoutMs != INFINITE && !deadline.isActive())
            deadline.start(static_cast<int>(std::min<long long>(left, std::numeric_limits<int>::max())));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        if (done()) return WAIT_OBJECT_0;
        if (timeLeft() <= 0) return WAIT_TIMEOUT;
    }
}

DWORD WaitWithMessageLoop(CEvent& event, DWORD timeoutMs)
{
    return WaitDispatching(event, [&] { return event.IsSet(); }, timeoutMs);
}

bool JoinWithMessageLoop(CMessageThread& thread, DWORD timeoutMs)
{
    if (WaitDispatching(thread.DoneEvent(), [&] { return thread.Join(0); }, timeoutMs) != WAIT_OBJECT_0) return false;
    return true;
}

void RunWorkerWithMessageLoop(const std::function<void()>& work)
{
    CEvent done(true, false);
    std::exception_ptr escaped;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            escaped = std::current_exception();
        }
        done.Set();
    });
    WaitWithMessageLoop(done, INFINITE);
    worker.join();
    // What escaped the work reaches the caller, as if it had run the work itself.
    if (escaped) std::rethrow_exception(escaped);
}
