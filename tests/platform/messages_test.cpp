// The message core: posts cross threads without loss or reordering, payloads
// have exactly one owner, sends run on the owner's thread, quits end loops.
#include "platform/events.h"
#include "platform/messages.h"
#include "platform/thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr UINT WM_APP_DATA = WM_USER + 1;
constexpr UINT WM_APP_DONE = WM_USER + 2;

// A payload that counts its lives, so leaks and double frees show.
struct Payload {
    static std::atomic<int> alive;
    static std::atomic<int> destroyed;
    int value;
    explicit Payload(int v) : value(v) { ++alive; }
    ~Payload()
    {
        --alive;
        ++destroyed;
    }
};
std::atomic<int> Payload::alive{0};
std::atomic<int> Payload::destroyed{0};

class MessageCore : public ::testing::Test {
protected:
    void SetUp() override
    {
        Payload::alive = 0;
        Payload::destroyed = 0;
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {}  // nothing left from an earlier test
    }
    void TearDown() override { EXPECT_EQ(Payload::alive.load(), 0) << "payloads leaked"; }
};

TEST_F(MessageCore, EightSendersAllArriveOnceInPerSenderOrder)
{
    constexpr int kSenders = 8, kEach = 20000;
    std::vector<int> next(kSenders, 0);
    int received = 0, outOfOrder = 0;
    CMessageWindow window([&](HWND, UINT msg, WPARAM sender, LPARAM seq) -> LRESULT {
        if (msg != WM_APP_DATA) return 0;
        if (static_cast<int>(seq) != next[sender]) ++outOfOrder;
        next[sender] = static_cast<int>(seq) + 1;
        ++received;
        return 0;
    });
    HWND hwnd = window.Get();

    std::atomic<int> refused{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < kSenders; ++s)
        senders.emplace_back([&, s] {
            for (int i = 0; i < kEach; ++i)
                if (!PostMessage(hwnd, WM_APP_DATA, s, i)) ++refused;
        });

    MSG m;
    while (received < kSenders * kEach) {
        if (GetMessageTimeout(&m, 1000)) DispatchMessage(&m);
    }
    for (auto& t : senders) t.join();

    EXPECT_EQ(refused.load(), 0);
    EXPECT_EQ(received, kSenders * kEach);
    EXPECT_EQ(outOfOrder, 0);
    for (int s = 0; s < kSenders; ++s) EXPECT_EQ(next[s], kEach) << "sender " << s;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) << "a message arrived twice";
}

TEST_F(MessageCore, PostToADestroyedHandleIsRefusedAndTheSenderKeepsThePayload)
{
    HWND hwnd = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    ASSERT_TRUE(IsWindow(hwnd));
    ASSERT_TRUE(DestroyMessageWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GetWindowThreadId(hwnd), 0u);

    auto payload = std::make_unique<Payload>(7);
    EXPECT_FALSE(PostMessagePayload(hwnd, WM_APP_DATA, 0, payload));
    ASSERT_TRUE(payload) << "the payload must stay with the sender";
    EXPECT_EQ(payload->value, 7);
    EXPECT_EQ(Payload::destroyed.load(), 0);

    EXPECT_FALSE(PostMessagePayload(static_cast<HWND>(nullptr), WM_APP_DATA, 0, payload));
    EXPECT_TRUE(payload);
    EXPECT_FALSE(PostMessage(nullptr, WM_APP_DATA, 0, 0));
    EXPECT_EQ(SendMessage(hwnd, WM_APP_DATA, 0, 0), 0);
    EXPECT_FALSE(DestroyMessageWindow(hwnd));

    // A handle made later never revives the old one.
    CMessageWindow other([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 1; });
    EXPECT_NE(other.Get(), hwnd);
    EXPECT_FALSE(PostMessage(hwnd, WM_APP_DATA, 0, 0));
}

TEST_F(MessageCore, HandleDestroyedWithOwnedPayloadsQueuedFreesEachOnce)
{
    int handled = 0;
    HWND doomed = CreateMessageWindow([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return ++handled; });
    CMessageWindow survivor([&](HWND, UINT msg, WPARAM, LPARAM lParam) -> LRESULT {
        std::unique_ptr<Payload> p(reinterpret_cast<Payload*>(lParam));  // the receiver owns it
        return 0;
    });
    for (int i = 0; i < 5; ++i) {
        auto p = std::make_unique<Payload>(i);
        ASSERT_TRUE(PostMessagePayload(doomed, WM_APP_DATA, 0, p));
        EXPECT_FALSE(p);
        auto q = std::make_unique<Payload>(i);
        ASSERT_TRUE(PostMessagePayload(survivor.Get(), WM_APP_DATA, 0, q));
    }
    EXPECT_EQ(Payload::alive.load(), 10);
    ASSERT_TRUE(DestroyMessageWindow(doomed));
    EXPECT_EQ(Payload::destroyed.load(), 5);
    EXPECT_FALSE(DestroyMessageWindow(doomed));

    MSG m;
    int delivered = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        EXPECT_EQ(m.hwnd, survivor.Get());
        DispatchMessage(&m);
        ++delivered;
    }
    EXPECT_EQ(delivered, 5);
    EXPECT_EQ(handled, 0);
    EXPECT_EQ(Payload::destroyed.load(), 10);
}

TEST_F(MessageCore, PayloadInWParamIsFreedOnlyWhenNeverDelivered)
{
    auto drop = [](void* p) { delete static_cast<Payload*>(p); };
    std::vector<std::pair<int, LPARAM>> seen;
    CMessageWindow reader([&](HWND, UINT, WPARAM wParam, LPARAM lParam) -> LRESULT {
        std::unique_ptr<Payload> p(reinterpret_cast<Payload*>(wParam));
        seen.emplace_back(p->value, lParam);
        return 0;
    });
    HWND doomed = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    ASSERT_TRUE(PostMessageOwnedW(reader.Get(), WM_APP_DATA, new Payload(1), 0x00080001, drop));
    ASSERT_TRUE(PostMessageOwnedW(doomed, WM_APP_DATA, new Payload(2), 0x00080002, drop));
    ASSERT_TRUE(DestroyMessageWindow(doomed));
    EXPECT_EQ(Payload::destroyed.load(), 1);
    auto* refused = new Payload(3);
    EXPECT_FALSE(PostMessageOwnedW(doomed, WM_APP_DATA, refused, 0, drop));
    EXPECT_EQ(Payload::destroyed.load(), 1);  // still the caller's
    delete refused;

    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    EXPECT_EQ(seen, (std::vector<std::pair<int, LPARAM>>{{1, 0x00080001}}));
    EXPECT_EQ(Payload::destroyed.load(), 3);
}

TEST_F(MessageCore, ThreadThatEndsWithPayloadsQueuedFreesThemOnce)
{
    CEvent created(true, false), release(true, false);
    HWND hwnd = nullptr;
    std::thread owner([&] {
        hwnd = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
        created.Set();
        release.Wait(INFINITE);
        // leaves without reading its queue
    });
    ASSERT_EQ(created.Wait(INFINITE), WAIT_OBJECT_0);
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<Payload>(i);
        ASSERT_TRUE(PostMessagePayload(hwnd, WM_APP_DATA, 0, p));
    }
    release.Set();
    owner.join();
    EXPECT_EQ(Payload::destroyed.load(), 3);
    EXPECT_FALSE(IsWindow(hwnd));
    auto p = std::make_unique<Payload>(9);
    EXPECT_FALSE(PostMessagePayload(hwnd, WM_APP_DATA, 0, p));
    EXPECT_TRUE(p);
}

TEST_F(MessageCore, SendFromAWorkerRunsOnTheOwnersThreadAndReturnsTheResult)
{
    const std::thread::id mainId = std::this_thread::get_id();
    std::atomic<bool> ranElsewhere{false};
    CMessageWindow window([&](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
        if (std::this_thread::get_id() != mainId) ranElsewhere = true;
        return msg == WM_APP_DATA ? static_cast<LRESULT>(w) * 1000 + l : 0;
    });
    HWND hwnd = window.Get();
    DWORD mainQueue = GetCurrentThreadId();

    std::vector<LRESULT> results;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) results.push_back(SendMessage(hwnd, WM_APP_DATA, i, 7));
        PostThreadMessage(mainQueue, WM_APP_DONE, 0, 0);
    });
    MSG m;
    while (GetMessage(&m, nullptr, 0, 0) && m.message != WM_APP_DONE) DispatchMessage(&m);
    worker.join();

    EXPECT_FALSE(ranElsewhere.load());
    ASSERT_EQ(results.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(results[i], i * 1000 + 7);
    // From the owner thread itself it is a direct call.
    EXPECT_EQ(SendMessage(hwnd, WM_APP_DATA, 2, 3), 2003);
}

TEST_F(MessageCore, SendToAThreadThatEndsReturnsZeroInsteadOfHanging)
{
    CEvent created(true, false), sending(true, false);
    HWND hwnd = nullptr;
    std::thread owner([&] {
        hwnd = CreateMessageWindow([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 5; });
        created.Set();
        sending.Wait(INFINITE);
        Sleep(50);  // the send is queued now; leave without serving it
    });
    ASSERT_EQ(created.Wait(INFINITE), WAIT_OBJECT_0);
    sending.Set();
    // Nobody ever serves the send: a send that waited for an answer would never return.
    EXPECT_EQ(SendMessage(hwnd, WM_APP_DATA, 0, 0), 0);
    owner.join();
}

TEST_F(MessageCore, TwoThreadsSendingToEachOtherDoNotLockUp)
{
    CMessageWindow mine([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 11; });
    HWND mineHwnd = mine.Get();
    CEvent ready(true, false), stop(true, false);
    HWND theirs = nullptr;
    LRESULT nested = -1;
    std::thread other([&] {
        CMessageWindow w([&](HWND, UINT, WPARAM, LPARAM) -> LRESULT {
            nested = SendMessage(mineHwnd, WM_APP_DATA, 0, 0);  // back to the thread that is waiting on us
            return 22;
        });
        theirs = w.Get();
        ready.Set();
        MSG m;
        while (stop.Wait(0) != WAIT_OBJECT_0)
            if (GetMessageTimeout(&m, 20)) DispatchMessage(&m);
    });
    ASSERT_EQ(ready.Wait(INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(SendMessage(theirs, WM_APP_DATA, 0, 0), 22);
    EXPECT_EQ(nested, 11);
    stop.Set();
    other.join();
}

TEST_F(MessageCore, QuitEndsTheLoopWithItsCode)
{
    PostMessage(nullptr, WM_APP_DATA, 0, 0);
    PostThreadMessage(GetCurrentThreadId(), WM_APP_DATA, 1, 0);
    PostQuitMessage(3);
    PostThreadMessage(GetCurrentThreadId(), WM_APP_DATA, 2, 0);
    MSG m;
    int before = 0;
    while (GetMessage(&m, nullptr, 0, 0)) ++before;
    EXPECT_EQ(before, 1);
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.wParam, 2u);
}

TEST_F(MessageCore, FiltersAndPeekWithoutRemoving)
{
    CMessageWindow a([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    CMessageWindow b([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    PostMessage(a.Get(), WM_USER + 10, 1, 0);
    PostMessage(b.Get(), WM_USER + 20, 2, 0);
    PostMessage(a.Get(), WM_USER + 30, 3, 0);
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, b.Get(), 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_TRUE(PeekMessage(&m, nullptr, WM_USER + 25, WM_USER + 40, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 25, WM_USER + 40, PM_REMOVE));
    ASSERT_EQ(GetMessage(&m, b.Get(), 0, 0), 1);
    EXPECT_EQ(m.wParam, 2u);
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), 1);
    EXPECT_EQ(m.wParam, 1u);
    EXPECT_FALSE(GetMessageTimeout(&m, 30));
}

TEST_F(MessageCore, MessagePostedRightAfterStartIsNotLost)
{
    for (int round = 0; round < 20; ++round) {
        std::atomic<UINT> got{0};
        CMessageThread thread;
        ASSERT_TRUE(thread.Start([&](CMessageThread&) {
            Sleep(5);  // the post below lands before the loop starts
            MSG m;
            while (GetMessage(&m, nullptr, 0, 0))
                if (m.message == WM_APP_DATA) got = static_cast<UINT>(m.wParam);
        }, nullptr));
        ASSERT_NE(thread.GetThreadId(), 0u);
        EXPECT_TRUE(PostThreadMessage(thread.GetThreadId(), WM_APP_DATA, 42, 0));
        thread.Stop();
        ASSERT_TRUE(thread.Join(INFINITE));
        EXPECT_EQ(got.load(), 42u);
    }
}

TEST_F(MessageCore, WhatEscapesAThreadsBodyReachesItsOwnerAndTheThreadEnds)
{
    CMessageThread thread;
    std::string heard;
    ASSERT_TRUE(thread.Start([](CMessageThread&) { throw std::runtime_error("cannot convert the name"); },
                             [&](const std::string& what) { heard = what; }));
    EXPECT_TRUE(thread.Join(INFINITE));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(heard, "cannot convert the name");
    // The thread can start again.
    ASSERT_TRUE(thread.Start([](CMessageThread&) { throw 42; }, [&](const std::string& what) { heard = what; }));
    EXPECT_TRUE(thread.Join(INFINITE));
    EXPECT_EQ(heard, "an exception of unknown type");
}

TEST_F(MessageCore, StopEndsAThreadsLoopAndJoinReportsIt)
{
    CMessageThread thread;
    std::atomic<int> handled{0};
    ASSERT_TRUE(thread.Start([&](CMessageThread& self) {
        MSG m;
        while (GetMessage(&m, nullptr, 0, 0)) ++handled;
    }, nullptr));
    EXPECT_TRUE(thread.IsRunning());
    PostThreadMessage(thread.GetThreadId(), WM_APP_DATA, 0, 0);
    EXPECT_FALSE(thread.Join(50));  // still in its loop
    thread.Stop();
    EXPECT_TRUE(thread.Join(INFINITE));
    EXPECT_FALSE(thread.IsRunning());
    EXPECT_EQ(handled.load(), 1);
    EXPECT_TRUE(thread.StopEvent().IsSet());

    // A worker that watches only its stop event ends too.
    CMessageThread worker;
    ASSERT_TRUE(worker.Start([](CMessageThread& self) { self.StopEvent().Wait(INFINITE); }, nullptr));
    worker.Stop();
    EXPECT_TRUE(worker.Join(INFINITE));
    // And it can run again.
    ASSERT_TRUE(worker.Start([](CMessageThread& self) { self.StopEvent().Wait(INFINITE); }, nullptr));
    EXPECT_TRUE(worker.IsRunning());
}  // the destructors stop and join

TEST_F(MessageCore, HostedLoopIsWokenByItsHookAndDispatchesOnItsThread)
{
    CEvent wake(false, false), ready(true, false), quit(true, false);
    std::atomic<HWND> hwnd{nullptr};
    std::atomic<int> handled{0}, wrongThread{0}, pumpsAfterQuit{0};
    std::thread::id loopId;
    std::thread loop([&] {
        loopId = std::this_thread::get_id();
        CMessageWindow w([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
            if (std::this_thread::get_id() != loopId) ++wrongThread;
            ++handled;
            return static_cast<LRESULT>(w) + 1;
        });
        SetThreadWakeHook(GetCurrentThreadId(), [&] { wake.Set(); });
        hwnd = w.Get();
        ready.Set();
        // A plain event loop standing in for the UI's: sleeps until woken.
        while (wake.Wait(INFINITE) == WAIT_OBJECT_0) {
            if (!PumpWokenThreadMessages()) {
                quit.Set();
                break;
            }
        }
        SetThreadWakeHook(GetCurrentThreadId(), nullptr);
    });
    ASSERT_EQ(ready.Wait(INFINITE), WAIT_OBJECT_0);

    std::vector<std::thread> posters;
    for (int t = 0; t < 4; ++t)
        posters.emplace_back([&] {
            for (int i = 0; i < 500; ++i) PostMessage(hwnd, WM_APP_DATA, 0, 0);
        });
    for (auto& t : posters) t.join();
    EXPECT_EQ(SendMessage(hwnd, WM_APP_DATA, 41, 0), 42);  // sends are served by the pump too
    while (handled.load() < 2001) Sleep(1);
    EXPECT_EQ(handled.load(), 2001);

    DWORD loopQueue = GetWindowThreadId(hwnd);
    ASSERT_NE(loopQueue, 0u);
    PostThreadMessage(loopQueue, WM_QUIT, 0, 0);
    EXPECT_EQ(quit.Wait(INFINITE), WAIT_OBJECT_0);
    loop.join();
    EXPECT_EQ(wrongThread.load(), 0);
}

// A wait that dispatches on its own leaves the hook's wake-up outstanding:
// a flood of messages must not queue the hosted loop's pump again and again.
TEST_F(MessageCore, OnlyTheWokenPumpTakesTheWakeUp)
{
    int wakes = 0, handled = 0;
    SetThreadWakeHook(GetCurrentThreadId(), [&] { ++wakes; });
    HWND self = nullptr;
    CMessageWindow w([&](HWND, UINT, WPARAM more, LPARAM) -> LRESULT {
        ++handled;
        if (more) PostMessage(self, WM_APP_DATA, 0, 0);  // arrives while the pump runs
        return 0;
    });
    self = w.Get();
    PostMessage(self, WM_APP_DATA, 1, 0);
    PostMessage(self, WM_APP_DATA, 0, 0);
    EXPECT_EQ(wakes, 1);
    PumpThreadMessages();  // leaves the one posted meanwhile
    EXPECT_EQ(handled, 2);
    EXPECT_EQ(wakes, 1);
    PumpWokenThreadMessages();
    EXPECT_EQ(handled, 3);
    PostMessage(self, WM_APP_DATA, 0, 0);
    EXPECT_EQ(wakes, 2);
    PumpWokenThreadMessages();
    SetThreadWakeHook(GetCurrentThreadId(), nullptr);
}

}  // namespace
