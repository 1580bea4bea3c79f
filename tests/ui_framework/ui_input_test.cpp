// Mouse input from Qt reaches the controls: clicks, option groups, check
// boxes, sliders, mouse-disabled forwarding; notification order.
#include "ui_test_support.h"
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
struct CInputFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"demo.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Demo", UI_WNDSTYLE_FRAME, 0), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") > 0; }));
        widget = wnd->GetWidget();
        wnd->notifications.clear();
    }
    CControlUI* Find(const wchar_t* name) { return wnd->Manager().FindControl(name); }
    void Click(const wchar_t* name) { ClickAt(widget, CenterOf(Find(name))); }
    std::vector<std::wstring> Selected()
    {
        std::vector<std::wstring> out;
        for (const wchar_t* n : {L"ID_OPT_CONVERT", L"ID_OPT_BURN", L"ID_OPT_PLAY"})
            if (static_cast<COptionUI*>(Find(n))->IsSelected()) out.push_back(n);
        return out;
    }
    std::unique_ptr<CTestWindow> wnd;
    QWidget* widget = nullptr;
};
}  // namespace

TEST_F(CInputFixture, MouseClickOnAButtonSendsClickThatReachesOnClick)
{
    Click(L"ID_BTN_CONVERT");
    EXPECT_EQ(wnd->clicks, (std::vector<std::wstring>{L"ID_BTN_CONVERT"}));
    EXPECT_EQ(wnd->Count(L"click:ID_BTN_CONVERT"), 1);
}

TEST_F(CInputFixture, PressInsideAndReleaseOutsideIsNoClick)
{
    QPoint inside = CenterOf(Find(L"ID_BTN_CONVERT"));
    SendMouse(widget, QEvent::MouseButtonPress, inside, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseMove, QPoint(10, 300), Qt::NoButton);
    SendMouse(widget, QEvent::MouseButtonRelease, QPoint(10, 300), Qt::LeftButton);
    EXPECT_TRUE(wnd->clicks.empty());
}

TEST_F(CInputFixture, DisabledOrHiddenButtonsAreNotClicked)
{
    QPoint pt = CenterOf(Find(L"ID_BTN_CONVERT"));
    Find(L"ID_BTN_CONVERT")->SetEnabled(false);
    ClickAt(widget, pt);
    Find(L"ID_BTN_CONVERT")->SetEnabled(true);
    Find(L"ID_BTN_CONVERT")->SetVisible(false);
    ClickAt(widget, pt);
    EXPECT_TRUE(wnd->clicks.empty());
}

TEST_F(CInputFixture, OptionGroupSendsClickBeforeTheStateFlipsThenSelectChanged)
{
    bool selectedAtClick = true;
    wnd->onClick = [&](TNotifyUI& msg) {
        if (msg.pSender->GetName() == L"ID_OPT_BURN") selectedAtClick = static_cast<COptionUI*>(msg.pSender)->IsSelected();
    };
    Click(L"ID_OPT_BURN");
    EXPECT_FALSE(selectedAtClick);
    EXPECT_EQ(wnd->notifications, (std::vector<std::wstring>{L"click:ID_OPT_BURN", L"selectchanged:ID_OPT_BURN"}));
    EXPECT_EQ(Selected(), (std::vector<std::wstring>{L"ID_OPT_BURN"}));

    // Clicking the selected option of a group keeps it selected: a click only.
    wnd->notifications.clear();
    Click(L"ID_OPT_BURN");
    EXPECT_EQ(wnd->notifications, (std::vector<std::wstring>{L"click:ID_OPT_BURN"}));
    EXPECT_EQ(Selected(), (std::vector<std::wstring>{L"ID_OPT_BURN"}));

    Click(L"ID_OPT_PLAY");
    EXPECT_EQ(Selected(), (std::vector<std::wstring>{L"ID_OPT_PLAY"}));
}

TEST_F(CInputFixture, CheckBoxTogglesAfterItsClickAndReportsEachChange)
{
    auto* check = static_cast<CCheckBoxUI*>(Find(L"IDC_CHECK_SHUTDOWN"));
    std::vector<bool> stateAtClick;
    wnd->onClick = [&](TNotifyUI&) { stateAtClick.push_back(check->GetCheck()); };
    Click(L"IDC_CHECK_SHUTDOWN");
    EXPECT_TRUE(check->GetCheck());
    Click(L"IDC_CHECK_SHUTDOWN");
    EXPECT_FALSE(check->GetCheck());
    EXPECT_EQ(stateAtClick, (std::vector<bool>{false, true}));
    EXPECT_EQ(wnd->Count(L"selectchanged:IDC_CHECK_SHUTDOWN"), 2);
    // Set from code without an event: no notification.
    check->SetCheck(true, false);
    EXPECT_EQ(wnd->Count(L"selectchanged:IDC_CHECK_SHUTDOWN"), 2);
}

TEST_F(CInputFixture, SliderFollowsTheMouseAndReportsTheValueOnRelease)
{
    auto* slider = static_cast<CSliderUI*>(Find(L"ID_SLIDER"));
    const RECT rc = slider->GetPos();
    QPoint right(rc.right - 2, (rc.top + rc.bottom) / 2);
    SendMouse(widget, QEvent::MouseMove, right, Qt::NoButton);
    SendMouse(widget, QEvent::MouseButtonPress, right, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, right, Qt::LeftButton);
    EXPECT_EQ(slider->GetValue(), 100);
    EXPECT_EQ(wnd->Count(L"valuechanged:ID_SLIDER"), 1);
    slider->SetValue(500);
    EXPECT_EQ(slider->GetValue(), 100);
}

TEST_F(CInputFixture, MouseDisabledControlPassesMouseEventsToItsParent)
{
    int forwarded = 0;
    struct CProbe : CVerticalLayoutUI {
        int* count;
        void DoEvent(TEventUI& e) override
        {
            if (e.Type >= 9 && e.Type <= 18) ++*count;
        }
    };
    auto* probe = new CProbe;
    probe->count = &forwarded;
    auto* child = new CLabelUI;
    probe->Add(child);
    child->SetMouseEnabled(false);
    for (int type = UIEVENT__FIRST; type < UIEVENT__LAST; ++type) {
        TEventUI e;
        e.Type = type;
        e.pSender = child;
        child->DoEvent(e);
    }
    EXPECT_EQ(forwarded, 10);  // exactly events 9 to 18
    delete probe;
}

TEST_F(CInputFixture, SyncNotifyReachesTheSendersDelegatesFirstThenNotifiersInOrder)
{
    std::vector<std::string> order;
    CControlUI* add = Find(L"ID_BTN_ADD");
    add->OnNotify += MakeDelegate([&](void*) {
        order.push_back("delegate");
        return true;
    }, &order);
    struct CNotifier : INotifyUI {
        std::vector<std::string>* order;
        std::string name;
        void Notify(TNotifyUI&) override { order->push_back(name); }
    } first{}, second{};
    first.order = second.order = &order;
    first.name = "first";
    second.name = "second";
    wnd->onNotify = [&](TNotifyUI&) { order.push_back("window"); };
    wnd->Manager().AddNotifier(&first);
    wnd->Manager().AddNotifier(&second);
    wnd->Manager().SendNotify(add, L"custom", 1, 2);
    EXPECT_EQ(order, (std::vector<std::string>{"delegate", "window", "first", "second"}));
    wnd->Manager().RemoveNotifier(&first);
    wnd->Manager().RemoveNotifier(&second);
}

TEST_F(CInputFixture, AsyncNotifyArrivesOnTheNextLoopTurnAndNotForARemovedSender)
{
    CControlUI* add = Find(L"ID_BTN_ADD");
    wnd->Manager().SendNotify(add, L"later", 7, 8, true);
    EXPECT_EQ(wnd->Count(L"later:ID_BTN_ADD"), 0);
    EXPECT_TRUE(PumpUntil([&] { return wnd->Count(L"later:ID_BTN_ADD") == 1; }));

    CControlUI* convert = Find(L"ID_BTN_CONVERT");
    wnd->Manager().SendNotify(convert, L"later", 0, 0, true);
    auto* row = static_cast<CContainerUI*>(convert->GetParent()->GetInterface(L"Container"));
    ASSERT_TRUE(row->Remove(convert));
    PumpPending();
    EXPECT_EQ(wnd->Count(L"later:ID_BTN_CONVERT"), 0);
}

TEST_F(CInputFixture, EscapeClosesADialogThroughResponseDefaultKeyEvent)
{
    wnd->ShowWindow(true);
    HWND hwnd = wnd->GetHWND();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    EXPECT_TRUE(PumpUntil([&] { return wnd->finalCount == 1; }));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(wnd->GetHWND(), nullptr);
}

TEST_F(CInputFixture, KeysArriveAsKeyDownWithTheirModifiersAndF1AsHelp)
{
    std::vector<std::pair<UINT, WPARAM>> keys;
    bool ctrlDownAtV = false;
    wnd->onMessage = [&](UINT msg, WPARAM wParam, LPARAM, BOOL& handled) -> LRESULT {
        handled = FALSE;
        if (msg == WM_KEYDOWN || msg == WM_HELP) keys.emplace_back(msg, wParam);
        if (msg == WM_KEYDOWN && wParam == 'V') ctrlDownAtV = GetKeyState(static_cast<int>(VK_CONTROL)) < 0;
        return 0;
    };
    QKeyEvent paste(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QStringLiteral("\x16"));
    QApplication::sendEvent(widget, &paste);
    QKeyEvent help(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(widget, &help);
    EXPECT_TRUE(ctrlDownAtV);
    EXPECT_EQ(keys, (std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, 'V'}, {WM_KEYDOWN, VK_F1}, {WM_HELP, 0}}));
    EXPECT_EQ(GetKeyState(static_cast<int>(VK_CONTROL)), 0);
}

TEST_F(CInputFixture, PressMovesFocusAndHidingTheFocusedControlDropsIt)
{
    CControlUI* add = Find(L"ID_BTN_ADD");
    CControlUI* convert = Find(L"ID_BTN_CONVERT");
    std::vector<std::string> events;
    add->OnEvent += MakeDelegate([&](void* p) {
        int t = static_cast<TEventUI*>(p)->Type;
        if (t == UIEVENT_SETFOCUS) events.push_back("add+");
        if (t == UIEVENT_KILLFOCUS) events.push_back("add-");
        return true;
    }, &events);
    Click(L"ID_BTN_ADD");
    EXPECT_EQ(wnd->Manager().GetFocus(), add);
    EXPECT_TRUE(add->IsFocused());
    Click(L"ID_BTN_CONVERT");
    EXPECT_EQ(wnd->Manager().GetFocus(), convert);
    EXPECT_FALSE(add->IsFocused());
    EXPECT_EQ(events, (std::vector<std::string>{"add+", "add-"}));
    convert->SetVisible(false);
    EXPECT_EQ(wnd->Manager().GetFocus(), nullptr);

    QPoint pt = CenterOf(add);
    SendMouse(widget, QEvent::MouseMove, pt, Qt::NoButton);
    EXPECT_EQ(wnd->Manager().GetMousePos().x, pt.x());
    EXPECT_EQ(wnd->Manager().GetMousePos().y, pt.y());
}

TEST_F(CInputFixture, HoverEnterAndLeaveFollowTheMouse)
{
    auto* add = static_cast<CButtonUI*>(Find(L"ID_BTN_ADD"));
    SendMouse(widget, QEvent::MouseMove, CenterOf(add), Qt::NoButton);
    EXPECT_TRUE(add->GetButtonState() & UISTATE_HOT);
    SendMouse(widget, QEvent::MouseMove, QPoint(5, 200), Qt::NoButton);
    EXPECT_FALSE(add->GetButtonState() & UISTATE_HOT);
}

TEST(CWheelHoverTest, AfterAWheelScrollHoverAndTooltipBelongToTheControlNowUnderTheMouse)
{
    std::wstring markup = L"<Window size=\"300,200\"><VerticalLayout name=\"root\" vscrollbar=\"true\">";
    for (int i = 0; i < 20; ++i) {
        const std::wstring n = std::to_wstring(i);
        markup += L"<Button name=\"b" + n + L"\" height=\"30\" text=\"row " + n + L"\" tooltip=\"tip " + n + L"\" />";
    }
    markup += L"</VerticalLayout></Window>";
    CMarkupWindow wnd(markup);
    ASSERT_NE(wnd.Create(nullptr, L"wheel", 0, 0), nullptr);
    wnd.ShowWindow(true);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Count(L"windowinit:root") == 1; }));
    auto* first = wnd.Find<CButtonUI>(L"b0");
    const QPoint pt = CenterOf(first);
    wnd.DeliverMessage(WM_MOUSEMOVE, 0, MAKELPARAM(pt.x(), pt.y()));
    ASSERT_TRUE(first->GetButtonState() & UISTATE_HOT);

    const QPoint screen = wnd.GetWidget()->mapToGlobal(pt);
    wnd.DeliverMessage(WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELPARAM(0, static_cast<WORD>(-120))), MAKELPARAM(screen.x(), screen.y()));
    CControlUI* under = wnd.Manager().FindControl(POINT{pt.x(), pt.y()});
    ASSERT_NE(under, nullptr);
    ASSERT_NE(under, first);
    EXPECT_FALSE(first->GetButtonState() & UISTATE_HOT);
    EXPECT_TRUE(static_cast<CButtonUI*>(under)->GetButtonState() & UISTATE_HOT);
    EXPECT_EQ(wnd.Manager().GetHover(), under);
    wnd.DestroyWindow();
    PumpPending();
}
