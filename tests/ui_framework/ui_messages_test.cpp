// Window messages across threads: posts from workers arrive on the UI
// thread, sends from workers return the UI thread's answer, and the UI
// thread can wait for a worker that sends to it.
#include "ui_test_support.h"
#include "platform/thread.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {
constexpr UINT WM_TEST_POST = WM_USER + 100;
constexpr UINT WM_TEST_SEND = WM_USER + 101;
constexpr UINT WM_TEST_PAYLOAD = WM_USER + 102;

struct CMessageFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"demo.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Demo", 0, 0), nullptr);
        uiThread = GetCurrentThreadId();
        wnd->onMessage = [this](UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled) -> LRESULT {
            handled = FALSE;
            if (msg == WM_TEST_POST) {
                handled = TRUE;
                postedOn = GetCurrentThreadId();
                postedValue = static_cast<int>(wParam);
                return 0;
            }
            if (msg == WM_TEST_SEND) {
                handled = TRUE;
                sentOn = GetCurrentThreadId();
                return static_cast<LRESULT>(wParam) * 10 + lParam;
            }
            return 0;
        };
    }
    std::unique_ptr<CTestWindow> wnd;
    DWORD uiThread = 0;
    std::atomic<DWORD> postedOn{0};
    std::atomic<int> postedValue{0};
    std::atomic<DWORD> sentOn{0};
};

struct CCountedPayload {
    static std::atomic<int> alive;
    CCountedPayload() { ++alive; }
    ~CCountedPayload() { --alive; }
};
std::atomic<int> CCountedPayload::alive{0};
}  // namespace

TEST_F(CMessageFixture, MessagePostedFromAWorkerIsHandledOnTheUIThread)
{
    HWND hwnd = wnd->GetHWND();
    std::thread worker([hwnd] { EXPECT_TRUE(PostMessageW(hwnd, WM_TEST_POST, 42, 0)); });
    worker.join();
    ASSERT_TRUE(PumpUntil([&] { return postedValue.load() == 42; }));
    EXPECT_EQ(postedOn.load(), uiThread);
}

TEST_F(CMessageFixture, PostedMessageArrivesThroughTheQtLoopAlone)
{
    HWND hwnd = wnd->GetHWND();
    std::thread worker([hwnd] { PostMessageW(hwnd, WM_TEST_POST, 7, 0); });
    worker.join();
    // Only Qt events are processed here: the wake hook must bring the message in.
    QElapsedTimer t;
    t.start();
    while (postedValue.load() != 7 && t.elapsed() < 3000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(postedValue.load(), 7);
}

TEST_F(CMessageFixture, SendFromAWorkerReturnsTheUIThreadsAnswer)
{
    HWND hwnd = wnd->GetHWND();
    std::atomic<LRESULT> answer{0};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        answer = SendMessageW(hwnd, WM_TEST_SEND, 4, 2);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(sentOn.load(), uiThread);
}

TEST_F(CMessageFixture, UIThreadWaitingForAWorkerStillServesTheWorkersSend)
{
    HWND hwnd = wnd->GetHWND();
    LRESULT answer = 0;
    CMessageThread worker;
    ASSERT_TRUE(worker.Start([&](CMessageThread&) { answer = SendMessageW(hwnd, WM_TEST_SEND, 3, 1); }, nullptr));
    EXPECT_TRUE(JoinWithMessageLoop(worker, 5000));
    EXPECT_EQ(answer, 31);

    LRESULT second = 0;
    RunWorkerWithMessageLoop([&] { second = SendMessageW(hwnd, WM_TEST_SEND, 5, 5); });
    EXPECT_EQ(second, 55);
}

TEST_F(CMessageFixture, SendToOwnWindowFromTheUIThreadCallsDirectly)
{
    EXPECT_EQ(wnd->SendMessageW(WM_TEST_SEND, 9, 9), 99);
    EXPECT_EQ(sentOn.load(), uiThread);
}

TEST_F(CMessageFixture, PayloadPostedToAClosedWindowIsFreed)
{
    HWND hwnd = wnd->GetHWND();
    auto payload = std::make_unique<CCountedPayload>();
    ASSERT_TRUE(PostMessagePayload(hwnd, WM_TEST_PAYLOAD, 0, payload));
    EXPECT_EQ(payload, nullptr);
    EXPECT_EQ(CCountedPayload::alive.load(), 1);
    wnd->DestroyWindow();  // the payload has not been delivered
    EXPECT_EQ(CCountedPayload::alive.load(), 0);

    auto late = std::make_unique<CCountedPayload>();
    EXPECT_FALSE(PostMessagePayload(hwnd, WM_TEST_PAYLOAD, 0, late));
    EXPECT_NE(late, nullptr);  // the caller keeps what could not be posted
}

TEST_F(CMessageFixture, WindowClosedByCloseIsDestroyedAndGetsItsFinalMessageOnce)
{
    HWND hwnd = wnd->GetHWND();
    wnd->Close(5);
    EXPECT_TRUE(IsWindow(hwnd));  // Close posts: nothing happens before the loop runs
    ASSERT_TRUE(PumpUntil([&] { return wnd->finalCount == 1; }));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(wnd->GetWidget(), nullptr);
    PumpPending();
    EXPECT_EQ(wnd->finalCount, 1);
}
