// Timers tick on the owner's thread until killed, and never after.
#include "platform/events.h"
#include "platform/messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class Timers : public ::testing::Test {
protected:
    void SetUp() override
    {
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {}
    }

    // Waits (without dispatching) until a WM_TIMER is queued.
    static bool WaitForQueuedTick()
    {
        MSG m;
        while (!PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE)) Sleep(2);
        return true;
    }

    // Runs this thread's loop until `done`, dispatching everything.
    template <class Done>
    static void RunLoopUntil(Done done)
    {
        MSG m;
        while (!done())
            if (GetMessageTimeout(&m, 100)) DispatchMessage(&m);
    }

    // Runs this thread's loop for `ms`, dispatching everything.
    static void RunLoop(DWORD ms)
    {
        INT64 end = GetTickCount64() + ms;
        MSG m;
        for (INT64 now = GetTickCount64(); now < end; now = GetTickCount64())
            if (GetMessageTimeout(&m, static_cast<DWORD>(end - now))) DispatchMessage(&m);
    }
};

TEST_F(Timers, FiresRepeatedlyUntilKilledAndNeverAfter)
{
    int ticks = 0;
    UINT_PTR seenId = 0;
    CMessageWindow window([&](HWND, UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) {
            ++ticks;
            seenId = id;
        }
        return 0;
    });
    ASSERT_NE(SetTimer(window.Get(), 7, 20), 0u);
    RunLoopUntil([&] { return ticks >= 5; });
    EXPECT_EQ(seenId, 7u);

    EXPECT_TRUE(KillTimer(window.Get(), 7));
    int atKill = ticks;
    RunLoop(150);
    EXPECT_EQ(ticks, atKill);
    EXPECT_FALSE(KillTimer(window.Get(), 7));
}

TEST_F(Timers, KillDropsATickAlreadyQueued)
{
    int ticks = 0;
    CMessageWindow window([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT { return msg == WM_TIMER ? ++ticks : 0; });
    ASSERT_NE(SetTimer(window.Get(), 1, 10), 0u);
    ASSERT_TRUE(WaitForQueuedTick());
    KillTimer(window.Get(), 1);
    RunLoop(60);
    EXPECT_EQ(ticks, 0);
}

TEST_F(Timers, KillFromAHandlerStopsTheTickFetchedWithIt)
{
    // Two timers due together: the first handler kills the second.
    int first = 0, second = 0;
    HWND hwnd = nullptr;
    CMessageWindow window([&](HWND, UINT msg, WPARAM id, LPARAM) -> LRESULT {
        if (msg != WM_TIMER) return 0;
        if (id == 1) {
            ++first;
            KillTimer(hwnd, 2);
        } else {
            ++second;
        }
        return 0;
    });
    hwnd = window.Get();
    SetTimer(hwnd, 1, 30);
    SetTimer(hwnd, 2, 30);
    Sleep(100);
    RunLoopUntil([&] { return first >= 1; });
    RunLoop(100);
    EXPECT_EQ(second, 0);
}

TEST_F(Timers, TicksArriveOnTheOwnersThreadWhoeverSetTheTimer)
{
    const std::thread::id mainId = std::this_thread::get_id();
    std::atomic<int> ticks{0}, elsewhere{0};
    CMessageWindow window([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        if (msg == WM_TIMER) {
            ++ticks;
            if (std::this_thread::get_id() != mainId) ++elsewhere;
        }
        return 0;
    });
    HWND hwnd = window.Get();
    std::thread setter([hwnd] { SetTimer(hwnd, 3, 10); });
    setter.join();
    RunLoopUntil([&] { return ticks.load() >= 2; });
    KillTimer(hwnd, 3);
    EXPECT_EQ(elsewhere.load(), 0);
}

TEST_F(Timers, ABusyOwnerGetsOneTickNotAPile)
{
    CMessageWindow window([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; });
    SetTimer(window.Get(), 4, 10);
    ASSERT_TRUE(WaitForQueuedTick());
    Sleep(150);  // fifteen more periods
    MSG m;
    int queued = 0;
    while (PeekMessage(&m, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) ++queued;
    KillTimer(window.Get(), 4);
    EXPECT_EQ(queued, 1);
}

TEST_F(Timers, SettingAnIdAgainRestartsIt)
{
    int ticks = 0;
    CMessageWindow window([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT { return msg == WM_TIMER ? ++ticks : 0; });
    // The first period outlasts any test run: only the new one can tick.
    SetTimer(window.Get(), 5, 3600 * 1000);
    SetTimer(window.Get(), 5, 15);  // same id, now short
    RunLoopUntil([&] { return ticks >= 3; });
    KillTimer(window.Get(), 5);
}

TEST_F(Timers, ADestroyedWindowsTimersDie)
{
    int ticks = 0;
    HWND hwnd = CreateMessageWindow([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT { return msg == WM_TIMER ? ++ticks : 0; });
    ASSERT_NE(SetTimer(hwnd, 6, 10), 0u);
    Sleep(40);
    DestroyMessageWindow(hwnd);
    RunLoop(80);
    EXPECT_EQ(ticks, 0);
    EXPECT_FALSE(KillTimer(hwnd, 6));
    EXPECT_EQ(SetTimer(hwnd, 6, 10), 0u);
    EXPECT_EQ(SetTimer(nullptr, 6, 10), 0u);
}

}  // namespace
