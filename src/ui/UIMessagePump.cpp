#include "ui/UIMessagePump.h"
#include "platform/messages.h"
#include "platform/thread.h"
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
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
    if (!PumpWokenThreadMessages(kFrameMs)) QuitAllLoops();
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

static DWORD WaitDispatching(const std::function<bool()>& done, DWORD timeoutMs)
{
    auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (done()) return WAIT_OBJECT_0;
        // A frame's worth, as the main loop takes them: timers, painting and
        // input are served between the batches of a flood of posted messages
        // (what is left wakes the loop again).
        PumpThreadMessages(kFrameMs);
        if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (done()) return WAIT_OBJECT_0;
        if (timeoutMs != INFINITE) {
            auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
            if (elapsed.count() >= static_cast<long long>(timeoutMs)) return WAIT_TIMEOUT;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

DWORD WaitWithMessageLoop(CEvent& event, DWORD timeoutMs)
{
    return WaitDispatching([&] { return event.IsSet(); }, timeoutMs);
}

bool JoinWithMessageLoop(CMessageThread& thread, DWORD timeoutMs)
{
    if (WaitDispatching([&] { return thread.Join(0); }, timeoutMs) != WAIT_OBJECT_0) return false;
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
