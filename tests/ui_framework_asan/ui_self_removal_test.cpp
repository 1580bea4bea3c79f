// Under AddressSanitizer: controls and windows that remove or delete
// themselves while their own event, notification or timer is running.
#include "support/pump.h"
#include "ui/UILib.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QWidget>
#include <gtest/gtest.h>
#include <cstdlib>
#include <functional>

namespace {
class CAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        setenv("QT_QPA_PLATFORM", "offscreen", 0);  // never a real display
        EnsureUIApplication();
    }
    void TearDown() override { ShutdownUIApplication(); }
};
::testing::Environment* const g_env = ::testing::AddGlobalTestEnvironment(new CAppEnvironment);

using vxmtest::PumpPending;
using vxmtest::PumpUntil;

void Mouse(QWidget* w, QEvent::Type type, QPoint pt)
{
    Qt::MouseButton b = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(type, QPointF(pt), QPointF(w->mapToGlobal(pt)), b,
                  type == QEvent::MouseButtonPress ? Qt::MouseButtons(Qt::LeftButton) : Qt::MouseButtons(), Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, CControlUI* c)
{
    const RECT& rc = c->GetPos();
    QPoint pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    Mouse(w, QEvent::MouseMove, pt);
    Mouse(w, QEvent::MouseButtonPress, pt);
    Mouse(w, QEvent::MouseButtonRelease, pt);
}

const wchar_t* const kSkin = LR"(<Window size="300,200">
  <VerticalLayout name="root">
    <HorizontalLayout name="row" height="40">
      <Button name="remove_me" width="80" />
      <Option name="row_option" width="80" group="g" />
      <Button name="remove_row" width="80" />
    </HorizontalLayout>
    <Button name="close" height="30" />
    <Label name="ticker" height="20" />
  </VerticalLayout>
</Window>)";

class CSelfWindow : public WindowImplBase {
public:
    explicit CSelfWindow(bool* finalDeleted = nullptr) : m_finalDeleted(finalDeleted) {}
    std::wstring GetWindowClassName() const override { return L"VXMSelfRemoval"; }
    std::wstring GetSkinFile() override { return kSkin; }
    CPaintManagerUI& Manager() { return m_PaintManager; }
    std::function<void(TNotifyUI&)> onNotify;
    void Notify(TNotifyUI& msg) override
    {
        if (onNotify) onNotify(msg);
        WindowImplBase::Notify(msg);
    }
    void OnFinalMessage(HWND hwnd) override
    {
        WindowImplBase::OnFinalMessage(hwnd);
        if (m_finalDeleted) {
            *m_finalDeleted = true;
            delete this;
        }
    }

private:
    bool* m_finalDeleted;
};

CContainerUI* ContainerOf(CControlUI* c)
{
    return static_cast<CContainerUI*>(c->GetParent()->GetInterface(L"Container"));
}
}  // namespace

TEST(UISelfRemoval, ButtonRemovingItselfInItsClickHandler)
{
    CSelfWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Manager().GetRoot()->GetHeight() > 0; }));
    int clicks = 0;
    wnd.onNotify = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"remove_me") {
            ++clicks;
            ContainerOf(msg.pSender)->Remove(msg.pSender);
        }
    };
    CControlUI* button = wnd.Manager().FindControl(L"remove_me");
    Click(wnd.GetWidget(), button);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(wnd.Manager().FindControl(L"remove_me"), nullptr);
    // The freed button is no longer hovered or captured: more input is harmless.
    Click(wnd.GetWidget(), wnd.Manager().FindControl(L"close"));
}

TEST(UISelfRemoval, OptionRemovingItsWholeRowBetweenClickAndSelectChanged)
{
    CSelfWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Manager().GetRoot()->GetHeight() > 0; }));
    std::vector<std::wstring> seen;
    wnd.onNotify = [&](TNotifyUI& msg) {
        if (msg.pSender && msg.pSender->GetName() == L"row_option") {
            seen.push_back(msg.sType);
            if (msg.sType == DUI_MSGTYPE_CLICK) {
                CControlUI* row = wnd.Manager().FindControl(L"row");
                ContainerOf(row)->Remove(row);
            }
        }
    };
    Click(wnd.GetWidget(), wnd.Manager().FindControl(L"row_option"));
    EXPECT_EQ(seen, (std::vector<std::wstring>{L"click", L"selectchanged"}));
    EXPECT_EQ(wnd.Manager().FindControl(L"row"), nullptr);
    EXPECT_EQ(wnd.Manager().GetOptionGroup(L"g"), nullptr);
}

TEST(UISelfRemoval, ParentRemovedFromAChildsEventDelegate)
{
    CSelfWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd.Manager().GetRoot()->GetHeight() > 0; }));
    CControlUI* child = wnd.Manager().FindControl(L"remove_row");
    bool removed = false;
    child->OnEvent += MakeDelegate([&](void* p) {
        auto* e = static_cast<TEventUI*>(p);
        if (e->Type == UIEVENT_BUTTONUP && !removed) {
            CControlUI* row = e->pSender->GetParent();
            ContainerOf(row)->RemoveAll();  // the root's children, the row among them
            removed = true;
        }
        return true;
    }, &removed);
    Click(wnd.GetWidget(), child);
    EXPECT_TRUE(removed);
    EXPECT_EQ(wnd.Manager().FindControl(L"remove_row"), nullptr);
}

TEST(UISelfRemoval, ControlRemovedInItsOwnTimerEvent)
{
    CSelfWindow wnd;
    ASSERT_NE(wnd.Create(nullptr, L"x", 0, 0), nullptr);
    CControlUI* ticker = wnd.Manager().FindControl(L"ticker");
    int ticks = 0;
    ticker->OnEvent += MakeDelegate([&](void* p) {
        auto* e = static_cast<TEventUI*>(p);
        if (e->Type == UIEVENT_TIMER) {
            ++ticks;
            ContainerOf(e->pSender)->Remove(e->pSender);
        }
        return true;
    }, &ticks);
    wnd.Manager().SetTimer(ticker, 5, 5);
    ASSERT_TRUE(PumpUntil([&] { return ticks > 0; }));
    PumpPending();
    EXPECT_EQ(ticks, 1);
}

TEST(UISelfRemoval, WindowDeletingItselfAfterACloseFromItsClickHandler)
{
    bool deleted = false;
    auto* wnd = new CSelfWindow(&deleted);
    ASSERT_NE(wnd->Create(nullptr, L"x", 0, 0), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return wnd->Manager().GetRoot()->GetHeight() > 0; }));
    wnd->onNotify = [wnd](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_CLICK && msg.pSender->GetName() == L"close") wnd->DestroyWindow();
    };
    Click(wnd->GetWidget(), wnd->Manager().FindControl(L"close"));
    EXPECT_TRUE(PumpUntil([&] { return deleted; }));
}

TEST(UISelfRemoval, WindowDeletingItselfFromAnAsyncNotificationOrATimer)
{
    for (int variant = 0; variant < 2; ++variant) {
        bool deleted = false;
        auto* wnd = new CSelfWindow(&deleted);
        ASSERT_NE(wnd->Create(nullptr, L"x", 0, 0), nullptr);
        CControlUI* ticker = wnd->Manager().FindControl(L"ticker");
        wnd->onNotify = [wnd](TNotifyUI& msg) {
            if (msg.sType == L"bye" || msg.sType == DUI_MSGTYPE_TIMER) wnd->DestroyWindow();
        };
        if (variant == 0) wnd->Manager().SendNotify(ticker, L"bye", 0, 0, true);
        else wnd->Manager().SetTimer(ticker, 9, 5);  // a plain control turns its tick into a "timer" notification
        EXPECT_TRUE(PumpUntil([&] { return deleted; })) << variant;
    }
}
