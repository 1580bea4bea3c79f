// A control removed during its own event or notification lives until the
// dispatch has returned.
#include "ui_test_support.h"
#include "platform/text.h"
#include <gtest/gtest.h>

namespace {
struct CWatchedButton : CButtonUI {
    std::vector<std::string>* log = nullptr;
    ~CWatchedButton() override { log->push_back("destroyed"); }
};
}  // namespace

TEST(UIRemoval, ControlRemovedInItsClickHandlerIsDestroyedAfterTheDispatch)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"demo.xml");
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Count(L"windowinit:root") == 1; }));
    std::vector<std::string> log;
    auto* row = static_cast<CContainerUI*>(wnd.Manager().FindControl(L"ID_BTN_ADD")->GetParent()->GetInterface(L"Container"));
    auto* button = new CWatchedButton;
    button->log = &log;
    button->SetName(L"self_remover");
    button->SetText(L"Remove me");
    button->SetFixedWidth(80);
    ASSERT_TRUE(row->AddAt(button, 0));
    wnd.Manager().UpdateLayout();
    wnd.onClick = [&](TNotifyUI& msg) {
        if (msg.pSender->GetName() != L"self_remover") return;
        ASSERT_TRUE(row->Remove(msg.pSender));
        log.push_back("removed");
        // Still alive here: its name can be read.
        log.push_back(WideToUtf8(msg.pSender->GetName()));
    };
    ClickAt(wnd.GetWidget(), CenterOf(button));
    EXPECT_EQ(log, (std::vector<std::string>{"removed", "self_remover", "destroyed"}));
    EXPECT_EQ(wnd.Manager().FindControl(L"self_remover"), nullptr);
    EXPECT_EQ(row->GetItemIndex(button), -1);
}

TEST(UIRemoval, RemovalOutsideAnyDispatchDestroysAtOnce)
{
    CPaintManagerUI pm;
    std::vector<std::string> log;
    auto* root = new CVerticalLayoutUI;
    auto* b = new CWatchedButton;
    b->log = &log;
    root->Add(b);
    pm.SetInitSize(10, 10);
    pm.AttachDialog(root);
    ASSERT_TRUE(root->Remove(b));
    EXPECT_EQ(log, (std::vector<std::string>{"destroyed"}));
}

TEST(UIRemoval, RemoveAllDuringATimerEventOfAChildIsSafe)
{
    CPaintManagerUI pm;
    std::vector<std::string> log;
    auto* root = new CVerticalLayoutUI;
    auto* b = new CWatchedButton;
    b->log = &log;
    root->Add(b);
    pm.SetInitSize(10, 10);
    pm.AttachDialog(root);
    b->OnEvent += MakeDelegate([&](void* p) {
        if (static_cast<TEventUI*>(p)->Type == UIEVENT_TIMER) {
            root->RemoveAll();
            log.push_back("removed");
        }
        return true;  // the button's own DoEvent still runs on a live object
    }, &log);
    pm.SetTimer(b, 1, 5);
    ASSERT_TRUE(PumpUntil([&] { return log.size() >= 2; }));
    EXPECT_EQ(log, (std::vector<std::string>{"removed", "destroyed"}));
    EXPECT_EQ(root->GetCount(), 0);
}

TEST(UIRemoval, WindowDestroyedInAnAsyncNotificationGetsItsFinalMessageAfterTheHandler)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"demo.xml");
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    std::vector<std::string> log;
    wnd.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType != L"bye") return;
        wnd.DestroyWindow();
        log.push_back(wnd.finalCount == 0 ? "handler done, not final yet" : "final too early");
    };
    wnd.Manager().SendNotify(wnd.Manager().GetRoot(), L"bye", 0, 0, true);
    ASSERT_TRUE(PumpUntil([&] { return wnd.finalCount == 1; }));
    EXPECT_EQ(log, (std::vector<std::string>{"handler done, not final yet"}));
}
