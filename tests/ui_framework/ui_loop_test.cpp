// The UI thread's message loop runs until a quit message arrives, from the
// UI thread or from a worker, and a quit also ends a modal loop.
#include "ui_test_support.h"
#include <gtest/gtest.h>
#include <thread>

namespace {
struct CQuitOnFinal : CTestWindow {
    CQuitOnFinal() : CTestWindow(L"demo.xml") {}
    void OnFinalMessage(HWND hwnd) override
    {
        CTestWindow::OnFinalMessage(hwnd);
        PostQuitMessage(0);
    }
};

struct CLoopFixture : ::testing::Test {
    void SetUp() override { CPaintManagerUI::SetResourcePath(TestSkinFolder()); }
    void TearDown() override { ResetUIQuit(); }
};
}  // namespace

TEST_F(CLoopFixture, MessageLoopEndsWhenTheMainWindowQuitsAfterClosing)
{
    CQuitOnFinal wnd;
    ASSERT_NE(wnd.Create(nullptr, L"Main", UI_WNDSTYLE_FRAME, 0, 0, 0, 1024, 655), nullptr);
    wnd.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) wnd.Close(0);
    };
    CPaintManagerUI::MessageLoop();
    EXPECT_EQ(wnd.finalCount, 1);
    EXPECT_TRUE(IsUIQuitRequested());
}

TEST_F(CLoopFixture, QuitPostedFromAWorkerEndsTheLoop)
{
    DWORD ui = GetCurrentThreadId();
    std::thread worker([ui] { PostThreadMessage(ui, WM_QUIT, 0, 0); });
    CPaintManagerUI::MessageLoop();
    worker.join();
    EXPECT_TRUE(IsUIQuitRequested());
}

TEST_F(CLoopFixture, QuitEndsAModalLoopToo)
{
    CTestWindow dialog(L"demo.xml");
    ASSERT_NE(dialog.Create(nullptr, L"Dialog", 0, 0), nullptr);
    dialog.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) PostQuitMessage(0);
    };
    dialog.ShowModal();
    EXPECT_TRUE(IsUIQuitRequested());
    EXPECT_NE(dialog.GetHWND(), nullptr);  // the window itself is still there
}
