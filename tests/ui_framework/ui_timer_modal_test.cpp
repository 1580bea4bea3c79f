// Per-control timers and modal windows.
#include "ui_test_support.h"
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
// A control that counts its timer ticks by id.
struct CTickControl : CControlUI {
    std::map<UINT, int>* ticks = nullptr;
    bool* destroyed = nullptr;
    ~CTickControl() override { if (destroyed) *destroyed = true; }
    void DoEvent(TEventUI& e) override
    {
        if (e.Type == UIEVENT_TIMER) {
            ++(*ticks)[static_cast<UINT>(e.wParam)];
            return;
        }
        CControlUI::DoEvent(e);
    }
};

struct CModalDialog : CTestWindow {
    CModalDialog() : CTestWindow(L"demo.xml") {}
    std::wstring GetWindowClassName() const override { return L"VXMTestDialog"; }
};
}  // namespace

TEST(UITimers, ControlTimerTicksUntilKilledAndKillingOneIdKeepsTheOther)
{
    CPaintManagerUI pm;
    std::map<UINT, int> ticks;
    auto* root = new CContainerUI;
    auto* ctl = new CTickControl;
    ctl->ticks = &ticks;
    root->Add(ctl);
    pm.SetInitSize(100, 100);
    pm.AttachDialog(root);
    ASSERT_TRUE(pm.SetTimer(ctl, 100, 10));
    ASSERT_TRUE(pm.SetTimer(ctl, 101, 10));
    ASSERT_TRUE(PumpUntil([&] { return ticks[100] >= 3 && ticks[101] >= 3; }));
    EXPECT_TRUE(pm.KillTimer(ctl, 100));
    EXPECT_FALSE(pm.KillTimer(ctl, 100));
    int at = ticks[100];
    int other = ticks[101];
    // The other timer's ticks show the time that passed.
    ASSERT_TRUE(PumpUntil([&] { return ticks[101] >= other + 3; }));
    EXPECT_EQ(ticks[100], at);
}

TEST(UITimers, TimerDiesWithItsControl)
{
    CPaintManagerUI pm;
    std::map<UINT, int> ticks;
    bool destroyed = false;
    auto* root = new CContainerUI;
    auto* ctl = new CTickControl;
    ctl->ticks = &ticks;
    ctl->destroyed = &destroyed;
    root->Add(ctl);
    pm.SetInitSize(100, 100);
    pm.AttachDialog(root);
    ASSERT_TRUE(pm.SetTimer(ctl, 7, 5));
    ASSERT_TRUE(PumpUntil([&] { return ticks[7] >= 1; }));
    // A witness that outlives it: its ticks show the time that passed.
    auto* witness = new CTickControl;
    witness->ticks = &ticks;
    root->Add(witness);
    ASSERT_TRUE(pm.SetTimer(witness, 8, 5));
    ASSERT_TRUE(root->Remove(ctl));
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(pm.HasTimer(ctl, 7));
    const int at = ticks[7];
    // A stale tick would touch freed memory.
    ASSERT_TRUE(PumpUntil([&] { return ticks[8] >= 3; }));
    EXPECT_EQ(ticks[7], at);
}

TEST(UITimers, TimerWithoutAHandlerBecomesATimerNotification)
{
    CPaintManagerUI pm;
    struct CNotes : INotifyUI {
        int timers = 0;
        void Notify(TNotifyUI& msg) override { timers += msg.sType == DUI_MSGTYPE_TIMER && msg.wParam == 3; }
    } notes;
    auto* root = new CContainerUI;
    auto* plain = new CControlUI;
    root->Add(plain);
    pm.SetInitSize(10, 10);
    pm.AttachDialog(root);
    pm.AddNotifier(&notes);
    pm.SetTimer(plain, 3, 5);
    EXPECT_TRUE(PumpUntil([&] { return notes.timers >= 2; }));
    pm.KillTimer(plain);
}

TEST(UIModal, ShowModalReturnsTheCodeGivenToCloseAndFreesTheOwner)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow owner(L"demo.xml");
    ASSERT_NE(owner.Create(nullptr, L"Owner", UI_WNDSTYLE_FRAME, 0), nullptr);
    CModalDialog dialog;
    ASSERT_NE(dialog.Create(owner.GetHWND(), L"Dialog", UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0), nullptr);
    dialog.CenterWindow();
    bool ownerDisabledWhileModal = false;
    dialog.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) {
            ownerDisabledWhileModal = !owner.GetWidget()->isEnabled();
            dialog.Close(7);
        }
    };
    UINT code = dialog.ShowModal();
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(ownerDisabledWhileModal);
    EXPECT_TRUE(owner.GetWidget()->isEnabled());
    EXPECT_EQ(dialog.finalCount, 1);
}

// A modal window over an owner closes by each of its ways while the owner is
// disabled: a button, Escape and the system close.
TEST(UIModal, ModalOverAnOwnerClosesByItsButtonEscapeAndTheSystemClose)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow owner(L"demo.xml");
    ASSERT_NE(owner.Create(nullptr, L"Owner", UI_WNDSTYLE_FRAME, 0), nullptr);
    const std::vector<std::pair<const char*, std::function<void(CModalDialog&)>>> ways = {
        {"button", [](CModalDialog& d) { ClickAt(d.GetWidget(), CenterOf(d.Manager().FindControl(L"ID_BTN_CONVERT"))); }},
        {"escape", [](CModalDialog& d) {
             QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(d.GetWidget(), &press);
         }},
        {"system close", [](CModalDialog& d) { d.GetWidget()->close(); }},
    };
    for (const auto& [way, close] : ways) {
        CModalDialog dialog;
        ASSERT_NE(dialog.Create(owner.GetHWND(), L"Dialog", UI_WNDSTYLE_DIALOG & ~WS_VISIBLE, 0), nullptr);
        dialog.onClick = [&](TNotifyUI& msg) {
            if (msg.pSender->GetName() == L"ID_BTN_CONVERT") dialog.Close(5);
        };
        bool enabledWhileModal = false;
        dialog.onNotify = [&](TNotifyUI& msg) {
            if (msg.sType != DUI_MSGTYPE_WINDOWINIT) return;
            enabledWhileModal = dialog.GetWidget()->isEnabled() && !owner.GetWidget()->isEnabled();
            CModalDialog* d = &dialog;
            auto fn = close;
            QTimer::singleShot(0, [d, fn] { fn(*d); });
        };
        // A way that does not close the window must not hang the test.
        QTimer::singleShot(3000, [&dialog] { if (dialog.GetHWND()) dialog.DestroyWindow(); });
        UINT code = dialog.ShowModal();
        EXPECT_TRUE(enabledWhileModal) << way;
        EXPECT_EQ(code, std::string(way) == "button" ? 5u : static_cast<UINT>(IDCANCEL)) << way;
        EXPECT_EQ(dialog.finalCount, 1) << way;
        EXPECT_TRUE(owner.GetWidget()->isEnabled()) << way;
    }
}

TEST(UIModal, ModalClosedFromAClickHandlerReturnsThatCode)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CModalDialog dialog;
    ASSERT_NE(dialog.Create(nullptr, L"Dialog", 0, 0), nullptr);
    dialog.onClick = [&](TNotifyUI& msg) {
        if (msg.pSender->GetName() == L"ID_BTN_CONVERT") dialog.Close(0);
    };
    dialog.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT)
            ClickAt(dialog.GetWidget(), CenterOf(dialog.Manager().FindControl(L"ID_BTN_CONVERT")));
    };
    EXPECT_EQ(dialog.ShowModal(), 0u);
    EXPECT_EQ(dialog.clicks, (std::vector<std::wstring>{L"ID_BTN_CONVERT"}));
}

TEST(UIModal, SystemCloseOfAModalWindowCountsAsCancelAndGoesThroughSysCommand)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CModalDialog dialog;
    ASSERT_NE(dialog.Create(nullptr, L"Dialog", 0, 0), nullptr);
    dialog.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_WINDOWINIT) dialog.GetWidget()->close();
    };
    EXPECT_EQ(dialog.ShowModal(), IDCANCEL);
    EXPECT_EQ(dialog.finalCount, 1);
}

TEST(UIModal, WindowRefusingWmCloseStaysOpen)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    struct CStubborn : CTestWindow {
        CStubborn() : CTestWindow(L"demo.xml") {}
        int closeAsked = 0;
        LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) override
        {
            ++closeAsked;
            bHandled = TRUE;
            return 0;
        }
    } wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    wnd.ShowWindow(true);
    wnd.GetWidget()->close();
    PumpPending();
    EXPECT_EQ(wnd.closeAsked, 1);
    EXPECT_NE(wnd.GetHWND(), nullptr);
    EXPECT_TRUE(wnd.GetWidget()->isVisible());
}

TEST(UIWindowState, MaximiseMinimiseAndPlacementRoundTrip)
{
    CPaintManagerUI::SetResourcePath(TestSkinFolder());
    CTestWindow wnd(L"demo.xml");
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    wnd.ShowWindow(true);
    wnd.SendMessageW(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(wnd.GetHWND()));
    WINDOWPLACEMENT wp;
    ASSERT_TRUE(GetWindowPlacement(wnd.GetHWND(), &wp));
    EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWMAXIMIZED));
    wnd.SendMessageW(WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_FALSE(IsZoomed(wnd.GetHWND()));
    wp.showCmd = SW_SHOWNORMAL;
    wp.rcNormalPosition = MakeRect(100, 50, 800, 550);
    ASSERT_TRUE(SetWindowPlacement(wnd.GetHWND(), &wp));
    RECT rc;
    ASSERT_TRUE(GetClientRect(wnd.GetHWND(), &rc));
    EXPECT_EQ(rc.right, 700);
    EXPECT_EQ(rc.bottom, 500);
}
