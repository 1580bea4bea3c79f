// Events stop workers: waits end when set, time out no earlier than asked, and
// an auto-reset event lets exactly one waiter through per Set(). Upper bounds
// are ctest's: a wait that never ends fails by its time-out.
#include "platform/events.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(EventWait, ZeroTimeoutOnlyTests)
{
    CEvent manual(true, false);
    EXPECT_EQ(manual.Wait(0), WAIT_TIMEOUT);  // nobody else could set it
    manual.Set();
    EXPECT_EQ(manual.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(manual.Wait(0), WAIT_OBJECT_0);  // manual reset stays set
    manual.Reset();
    EXPECT_EQ(manual.Wait(0), WAIT_TIMEOUT);
}

TEST(EventWait, TimesOutNoEarlierThanAsked)
{
    CEvent e(true, false);
    INT64 start = GetTickCount64();
    EXPECT_EQ(e.Wait(120), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount64() - start, 119);
}

TEST(EventWait, InfiniteWaitEndsWhenAnotherThreadSets)
{
    CEvent e(true, false);
    std::thread setter([&] {
        Sleep(50);
        e.Set();
    });
    INT64 start = GetTickCount64();
    EXPECT_EQ(e.Wait(INFINITE), WAIT_OBJECT_0);
    EXPECT_GE(GetTickCount64() - start, 40);
    setter.join();
}

TEST(EventWait, ManualResetReleasesEveryWaiter)
{
    CEvent e(true, false);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 6; ++i)
        waiters.emplace_back([&] {
            if (e.Wait(INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    Sleep(30);
    e.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 6);
}

TEST(EventWait, AutoResetWakesOneWaiterPerSet)
{
    CEvent e(false, false);
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 4; ++i)
        waiters.emplace_back([&] {
            if (e.Wait(INFINITE) == WAIT_OBJECT_0) ++woken;
        });
    auto waitFor = [&](int n) {
        while (woken.load() < n) Sleep(1);
        Sleep(50);  // time for a second, wrong wake-up to show
        return woken.load();
    };
    Sleep(20);
    e.Set();
    EXPECT_EQ(waitFor(1), 1);
    EXPECT_FALSE(e.IsSet());  // consumed by the waiter
    e.Set();
    EXPECT_EQ(waitFor(2), 2);
    e.Set();
    EXPECT_EQ(waitFor(3), 3);
    e.Set();
    for (auto& t : waiters) t.join();
    EXPECT_EQ(woken.load(), 4);
}

TEST(EventWait, AutoResetSetBeforeTheWaitIsKeptForOneWait)
{
    CEvent e(false, true);
    EXPECT_EQ(e.Wait(0), WAIT_OBJECT_0);
    EXPECT_EQ(e.Wait(0), WAIT_TIMEOUT);
}

TEST(WaitForAny, ReportsTheFirstSetEvent)
{
    CEvent stop(true, false), work(false, false);
    EXPECT_EQ(WaitForAnyEvent({&stop, &work}, 0), WAIT_TIMEOUT);
    INT64 start = GetTickCount64();
    EXPECT_EQ(WaitForAnyEvent({&stop, &work}, 80), WAIT_TIMEOUT);
    EXPECT_GE(GetTickCount64() - start, 79);

    std::thread setter([&] {
        Sleep(30);
        work.Set();
    });
    EXPECT_EQ(WaitForAnyEvent({&stop, &work}, INFINITE), WAIT_OBJECT_0 + 1);
    setter.join();
    EXPECT_FALSE(work.IsSet());  // auto reset consumed by the wait
    stop.Set();
    EXPECT_EQ(WaitForAnyEvent({&stop, &work}, 1000), WAIT_OBJECT_0);
    EXPECT_TRUE(stop.IsSet());
}

TEST(TickCount, IsMonotonicMilliseconds)
{
    INT64 a = GetTickCount64();
    Sleep(25);
    INT64 b = GetTickCount64();
    EXPECT_GE(b - a, 24);
}

}  // namespace
