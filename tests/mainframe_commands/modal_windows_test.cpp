// Every modal window of the program closes by each of its ways (its buttons,
// Escape and the system close) while its owner stays disabled, and the owner
// takes input again afterwards.
#include "DVDOpenDlgUI.h"
#include "DlgSelectDVD.h"
#include "scripted_discs.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "FakeDesktop.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace {

class COwnerWindow : public WindowImplBase {
public:
    std::wstring GetWindowClassName() const override { return L"VXMModalOwner"; }
    std::wstring GetSkinFile() override { return L"<Window size=\"600,400\"><VerticalLayout /></Window>"; }
};

// A way of closing the window in front.
struct CWay {
    std::string name;
    std::function<void(CWindowWnd&)> act;
};

void Click(CWindowWnd& wnd, const wchar_t* control)
{
    CControlUI* c = wnd.GetPaintManager()->FindControl(control);
    ASSERT_NE(c, nullptr) << WideToUtf8(control);
    const RECT& rc = c->GetPos();
    QPointF pt((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    QWidget* w = wnd.GetWidget();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent e(type, pt, w->mapToGlobal(pt), Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
}

CWay ClickWay(const wchar_t* control) { return {WideToUtf8(control), [control](CWindowWnd& w) { Click(w, control); }}; }

const CWay kEscape{"Escape", [](CWindowWnd& w) {
                       QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                       QApplication::sendEvent(w.GetWidget(), &press);
                   }};
const CWay kSystemClose{"system close", [](CWindowWnd& w) { w.GetWidget()->close(); }};

class CModalWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetUIQuit();
        ASSERT_NE(owner.Create(nullptr, L"Owner", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0), nullptr);
    }
    void TearDown() override
    {
        owner.DestroyWindow();
        vxmtest::PumpPending();
        ResetUIQuit();
    }

    // Runs `show` (which shows a modal window of class `cls` over the owner and
    // returns when it is gone); once the window is up, `way` acts on it. A
    // window that does not close keeps the test waiting until its time-out.
    void CloseBy(const std::wstring& cls, const CWay& way, const std::function<void()>& show)
    {
        bool acted = false;
        bool ownerDisabled = false;
        QTimer poll;
        poll.callOnTimeout([&] {
            CWindowWnd* dialog = nullptr;
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->objectName() == QString::fromStdWString(cls)) dialog = CWindowWnd::FromWidget(w);
            if (!dialog) return;
            if (acted) return;
            acted = true;
            ownerDisabled = !owner.GetWidget()->isEnabled();
            way.act(*dialog);
        });
        poll.start(10);
        show();
        poll.stop();
        EXPECT_TRUE(acted) << way.name;
        EXPECT_TRUE(ownerDisabled) << way.name;
        EXPECT_TRUE(owner.GetWidget()->isEnabled()) << way.name;
    }

    COwnerWindow owner;
};

TEST_F(CModalWindows, TheDriveChoiceWithoutADVDDriveClosesByCancelTheCloseButtonEscapeAndTheSystemClose)
{
    CFakeDesktop fake;  // no drive at all
    for (const CWay& way : {ClickWay(L"IDCANCEL"), ClickWay(L"IDC_BTN_CLOSE_WINDOW"), kEscape, kSystemClose}) {
        std::wstring device = L"unset";
        CloseBy(L"VXMSelectDVDDlg", way, [&] { device = RunSelectDVDDialog(owner.GetHWND()); });
        EXPECT_EQ(device, L"") << way.name;
    }
}

TEST_F(CModalWindows, TheDiscOpenWindowCancelsAndClosesBySkipTheCloseButtonEscapeAndTheSystemClose)
{
    for (const CWay& way : {ClickWay(L"ID_BUTTON_DVDOPEN_SKIP"), ClickWay(L"IDC_BUTTON_CLOSE_WINDOW"), kEscape,
                            kSystemClose}) {
        CScriptedDVD dvd;
        dvd.waitForCancel = true;
        CScriptedDisc disc;
        CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
        CloseBy(L"VXMDVDOpenDlg", way, [&] {
            ASSERT_NE(dialog.Create(owner.GetHWND(), L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
            dialog.ShowModal();
            dialog.JoinWorker();
        });
        EXPECT_TRUE(dvd.cancelled) << way.name;
        EXPECT_TRUE(dialog.WasCancelled()) << way.name;
    }
}

// The worker's end message can be served by the wait of a join already under
// way (a busy machine runs the worker late): the thread is joined once.
TEST_F(CModalWindows, TheDiscOpenWindowJoinsItsWorkerOnceWhenItsEndMessageComesDuringTheJoin)
{
    CScriptedDVD dvd;
    dvd.waitForCancel = true;
    dvd.titles = -1;
    CScriptedDisc disc;
    CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, &disc);
    ASSERT_NE(dialog.Create(owner.GetHWND(), L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
    dvd.onCancel = [&] { ::PostMessage(dialog.GetHWND(), CDVDOpenDlgUI::WM_DVDOPEN_WORKER_DONE, 0, 0); };
    dvd.CancelOpen();
    EXPECT_NO_THROW(dialog.JoinWorker());
    dialog.DestroyWindow();
}

}  // namespace
