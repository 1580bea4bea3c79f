// The custom controls drawn into images and driven by the window's own
// input messages.
#include "ui_test_support.h"
#include "ui/UICustomControls.h"
#include "ui/UILanguage.h"
#include "platform/events.h"
#include "support/test_media.h"
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QTimeEdit>
#include <QWidget>
#include <gtest/gtest.h>

using vxmtest::CTempDir;
#include <memory>

namespace {
const wchar_t* kSkin =
    L"<Window size=\"640,660\"><VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">"
    L"<CircularProgress name=\"ring\" float=\"true\" pos=\"10,10,70,70\" bkcolor=\"#FFFFFFFF\"/>"
    L"<CCircularProgress name=\"ring2\" float=\"true\" pos=\"80,10,100,30\" tickcolor=\"#FFFF0000\" transparent=\"TRUE\" bkcolor=\"#FF00FF00\"/>"
    L"<TextProgress name=\"tp\" float=\"true\" pos=\"10,100,310,124\" min=\"0\" max=\"100\" value=\"50\" textcolor=\"#FF000000\"/>"
    L"<SizeProgress name=\"sp\" float=\"true\" pos=\"10,140,310,160\" min=\"0\" max=\"100\" value=\"50\" forecolor=\"#FF3A7BD5\"/>"
    L"<OverlapButton name=\"ob\" float=\"true\" pos=\"10,200,310,240\" tags=\"3\" text0=\"A\" text1=\"B\" text2=\"C\""
    L" textcolor=\"#FF000000\" checkedtextcolor=\"#FFFF0000\" bannerheight=\"40\"/>"
    L"<OverlapButton name=\"empty\" float=\"true\" pos=\"320,200,420,240\"/>"
    L"<TimeEdit name=\"te\" float=\"true\" pos=\"10,260,150,284\"/>"
    L"<Label name=\"other\" float=\"true\" pos=\"200,260,300,284\" text=\"x\"/>"
    L"</VerticalLayout></Window>";

class CustomControls : public ::testing::Test {
protected:
    void SetUp() override
    {
        CLanguageManager::GetInstance()->SetLanguageFolder(SourcePath("skin/lang"));
        CLanguageManager::GetInstance()->SetLang(L"en");
        wnd = std::make_unique<CMarkupWindow>(kSkin);
        ASSERT_NE(wnd->Create(nullptr, L"custom", 0, 0), nullptr);
        wnd->ShowWindow(true);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") == 1; }));
    }
    void TearDown() override
    {
        if (wnd && wnd->GetHWND()) wnd->DestroyWindow();
        wnd.reset();
        PumpPending();
    }
    LRESULT Mouse(UINT msg, int x, int y) { return wnd->DeliverMessage(msg, 0, MAKELPARAM(x, y)); }
    QImage Render() { return wnd->Manager().RenderToImage(); }

    std::unique_ptr<CMarkupWindow> wnd;
};

RECT Inner(const RECT& rc, int d) { return MakeRect(rc.left + d, rc.top + d, rc.right - d, rc.bottom - d); }

QString SolidPng(const CTempDir& dir, const char* name, QColor colour, int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(colour);
    QString path = QString::fromStdString(dir.File(name));
    img.save(path);
    return path;
}
}  // namespace

TEST_F(CustomControls, BothRingNamesBuildTheRingAndItDrawsFadingTicks)
{
    auto* ring = wnd->Find<CCircularProgressUI>(L"ring");
    auto* ring2 = wnd->Find<CCircularProgressUI>(L"ring2");
    ASSERT_NE(ring, nullptr);
    ASSERT_NE(ring2, nullptr);
    EXPECT_EQ(ring->GetInterface(L"Container"), static_cast<void*>(static_cast<CContainerUI*>(ring)));

    QImage image = wnd->Manager().RenderToImage(ring);
    ASSERT_EQ(image.width(), 60);
    // The first tick lies right of the centre (angle 0) in the full colour.
    EXPECT_GT(CountNear(image, MakeRect(40, 28, 49, 33), QColor(0x00, 0x33, 0x99), 30), 4);
    // The centre and the corners stay background.
    EXPECT_EQ(CountNear(image, MakeRect(27, 27, 33, 33), QColor(0x00, 0x33, 0x99), 60), 0);
    EXPECT_EQ(QColor(image.pixel(1, 1)), QColor(Qt::white));
    // Counter-clockwise: the second tick is above the first.
    const auto& ticks = ring->GetTicks();
    ASSERT_EQ(ticks.size(), 12u);
    EXPECT_LT(ticks[1].second.y(), 30.0);
    // Each tick is fainter than the one before, wrapping below the minimum.
    EXPECT_EQ(ring->TickAlpha(0), 255);
    EXPECT_EQ(ring->TickAlpha(1), 235);
    EXPECT_EQ(ring->TickAlpha(11), 35);
    EXPECT_EQ(ring->TickAlpha(12), 15);
    EXPECT_EQ(ring->TickAlpha(13), 235);

    // The transparent ring keeps no background, though one is set.
    QImage clear = wnd->Manager().RenderToImage(ring2);
    EXPECT_EQ(CountNear(clear, MakeRect(0, 0, 20, 20), QColor(0, 255, 0), 10), 0);
    EXPECT_GT(CountNear(clear, MakeRect(0, 0, 20, 20), QColor(255, 0, 0), 90), 0);
    // A 20 x 20 ring uses the smallest radii and pen.
    EXPECT_DOUBLE_EQ(ring2->GetInnerRadius(), 4.0);
    EXPECT_DOUBLE_EQ(ring2->GetOuterRadius(), 8.0);
    EXPECT_EQ(ring2->GetPenWidth(), 2);
}

TEST_F(CustomControls, RingTurnsOnItsTimerAndLeavesOtherTimersAlone)
{
    auto* ring = wnd->Find<CCircularProgressUI>(L"ring");
    QImage before = wnd->Manager().RenderToImage(ring);
    wnd->Manager().SetTimer(ring, CCircularProgressUI::kAnimationTimerId, 5);
    ASSERT_TRUE(PumpUntil([&] { return ring->GetCurrentAlpha() != 255; }));
    wnd->Manager().KillTimer(ring, CCircularProgressUI::kAnimationTimerId);
    EXPECT_NE(wnd->Manager().RenderToImage(ring), before);
    EXPECT_EQ(wnd->Count(L"timer:ring"), 0);
    wnd->Manager().SetTimer(ring, 7, 5);
    ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"timer:ring") > 0; }));
    wnd->Manager().KillTimer(ring, 7);
}

TEST_F(CustomControls, RingShowsThePercentageBesideIt)
{
    auto* ring = wnd->Find<CCircularProgressUI>(L"ring");
    ring->SetAttribute(L"pos", L"10,10,130,40");
    ring->SetTextWidth(40);
    ring->SetPercent(0);
    wnd->Manager().UpdateLayout();
    ring->CalcTicks();
    QImage none = wnd->Manager().RenderToImage(ring);
    ring->SetPercent(42);
    QImage text = wnd->Manager().RenderToImage(ring);
    // Centre x = (120 - 40) / 2 = 40; the text starts one ring size (30) further.
    EXPECT_EQ(CountNear(none, MakeRect(70, 0, 110, 30), QColor(0, 0, 0), 80), 0);
    EXPECT_GT(CountNear(text, MakeRect(70, 0, 110, 30), QColor(0, 0, 0), 80), 5);
}

TEST_F(CustomControls, TextProgressShowsPercentAndTimeLeft)
{
    auto* tp = wnd->Find<CTextProgressUI>(L"tp");
    ASSERT_NE(tp, nullptr);
    EXPECT_EQ(tp->GetClass(), L"TextProgressUI");
    EXPECT_NE(tp->GetInterface(L"TextProgress"), nullptr);
    const DWORD now = 5000000;
    const int half = tp->GetValue();
    EXPECT_EQ(tp->MakeText(now), L"50%");
    // Measured from nothing done: as long again as it took.
    auto measure = [&](DWORD start, int from, int to) {
        tp->SetValue(from);
        tp->SetStartTick(start);
        tp->SetValue(to);
    };
    measure(now - 10000, 0, half);
    EXPECT_EQ(tp->MakeText(now), L"50% (Time left: 10s)");
    measure(now - 2 * 3600000 - 61000, 0, half);
    EXPECT_EQ(tp->MakeText(now), L"50% (Time left: 2h 1m 1s)");
    // The first report came at 30 %: the rate is what was done since then.
    tp->SetMaxValue(1000);
    measure(now - 20000, 300, 500);
    EXPECT_EQ(tp->MakeText(now), L"50% (Time left: 50s)");
    // No report since the start, or no time gone: no estimate rather than "0s".
    measure(now - 20000, 300, 300);
    EXPECT_EQ(tp->MakeText(now), L"30%");
    measure(now, 300, 500);
    EXPECT_EQ(tp->MakeText(now), L"50%");
    // 40 minutes over a wide range: far beyond 32 bits in between.
    tp->SetMaxValue(100000);
    measure(now - 40 * 60000, 0, 50000);
    EXPECT_EQ(tp->MakeText(now), L"50% (Time left: 40m 0s)");
    // The tick count wraps round between start and now.
    measure(0xFFFFF000u, 0, 50000);
    EXPECT_EQ(tp->MakeText(0x00000FA0u), L"50% (Time left: 8s)");
    // Nothing done yet: no estimate.
    tp->SetValue(0);
    EXPECT_EQ(tp->MakeText(now), L"0%");
}

TEST_F(CustomControls, TextProgressWithAnEmptyRangeShowsZero)
{
    auto* tp = wnd->Find<CTextProgressUI>(L"tp");
    tp->SetMinValue(5);
    tp->SetMaxValue(5);
    tp->SetStartTick(1000);
    EXPECT_EQ(tp->GetPercent(), 0);
    EXPECT_EQ(tp->MakeText(9000), L"0%");
    QImage image = Render();  // must not divide by zero while painting
    EXPECT_FALSE(image.isNull());
}

TEST_F(CustomControls, TextProgressDrawsItsTextInTheStateColour)
{
    auto* tp = wnd->Find<CTextProgressUI>(L"tp");
    QImage enabled = wnd->Manager().RenderToImage(tp);
    RECT all = MakeRect(0, 0, enabled.width(), enabled.height());
    EXPECT_GT(CountNear(enabled, all, QColor(0, 0, 0), 60), 10);
    tp->SetEnabled(false);
    QImage disabled = wnd->Manager().RenderToImage(tp);
    EXPECT_EQ(CountNear(disabled, all, QColor(0, 0, 0), 60), 0);
    EXPECT_GT(CountNear(disabled, all, QColor(0xA7, 0xA6, 0xAA), 20), 10);
}

TEST_F(CustomControls, SizeBarWarnsOnlyAboveNinetyPercent)
{
    auto* sp = wnd->Find<CSizeProgressUI>(L"sp");
    ASSERT_NE(sp, nullptr);
    EXPECT_EQ(sp->GetClass(), L"SizeProgressUI");
    const RECT warn = CSizeProgressUI::WarningRect();
    sp->SetValue(90);
    QImage at90 = Render();
    EXPECT_EQ(CountNear(at90, warn, QColor(255, 0, 0), 60), 0);
    // The bar itself is drawn as a progress bar.
    EXPECT_GT(CountNear(at90, MakeRect(12, 142, 200, 158), QColor(0x3A, 0x7B, 0xD5), 5), 100);
    sp->SetValue(91);
    QImage at91 = Render();
    EXPECT_GT(CountNear(at91, warn, QColor(255, 0, 0), 60), 10);
    // Outside its rectangle nothing red appears.
    EXPECT_EQ(CountNear(at91, MakeRect(0, 300, 640, 580), QColor(255, 0, 0), 60), 0);
}

TEST_F(CustomControls, OverlapButtonSelectsThePressedButtonAndShowsTheHotOne)
{
    CTempDir dir;
    auto* ob = wnd->Find<COverlapButton>(L"ob");
    ASSERT_NE(ob, nullptr);
    EXPECT_EQ(ob->GetClass(), L"OverlapButtonUI");
    QString normal = SolidPng(dir, "n.png", QColor(0, 0, 255), 100, 80);
    QString hot = SolidPng(dir, "h.png", QColor(0, 200, 0), 100, 80);
    for (int i = 0; i < 3; ++i) {
        ob->SetAttribute(L"bkimage" + std::to_wstring(i), L"file='" + normal.toStdWString() + L"'");
        ob->SetAttribute(L"mouseonbkimage" + std::to_wstring(i), L"file='" + hot.toStdWString() + L"'");
    }
    // Cells split the width evenly: 100 pixels each.
    EXPECT_EQ(ob->ButtonRect(1).left, 110);
    EXPECT_EQ(ob->ButtonRect(1).right, 210);

    Mouse(WM_MOUSEMOVE, 260, 220);  // over the third button
    EXPECT_EQ(ob->GetHotIndex(), 2);
    QImage image = Render();
    EXPECT_GT(CountNear(image, Inner(ob->ButtonRect(2), 2), QColor(0, 200, 0), 5), 2000);
    EXPECT_GT(CountNear(image, Inner(ob->ButtonRect(0), 2), QColor(0, 0, 255), 5), 2000);

    Mouse(WM_LBUTTONDOWN, 160, 220);
    Mouse(WM_LBUTTONUP, 160, 220);
    EXPECT_EQ(ob->GetSelectedIndex(), 1);
    EXPECT_EQ(wnd->Count(L"overlap_buttondown:ob"), 1);
    image = Render();
    // The selected button's text is in the checked colour, the others not.
    EXPECT_GT(CountNear(image, ob->ButtonRect(1), QColor(255, 0, 0), 60), 3);
    EXPECT_EQ(CountNear(image, ob->ButtonRect(0), QColor(255, 0, 0), 60), 0);
    EXPECT_GT(CountNear(image, ob->ButtonRect(0), QColor(0, 0, 0), 60), 3);

    Mouse(WM_MOUSEMOVE, 600, 600);  // leaves: no hot button any more
    image = Render();
    EXPECT_EQ(CountNear(image, ob->ButtonRect(2), QColor(0, 200, 0), 5), 0);
}

TEST_F(CustomControls, OverlapButtonWithoutButtonsIgnoresPresses)
{
    auto* empty = wnd->Find<COverlapButton>(L"empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->GetButtonCount(), 0);
    Mouse(WM_MOUSEMOVE, 370, 220);
    EXPECT_EQ(empty->GetHotIndex(), -1);
    Mouse(WM_LBUTTONDOWN, 370, 220);
    Mouse(WM_LBUTTONUP, 370, 220);
    EXPECT_EQ(wnd->Count(L"overlap_buttondown:empty"), 0);
    EXPECT_FALSE(Render().isNull());
}

// The time shown is rounded to the tenth, as every length of the window; the
// value stays the exact milliseconds.
TEST(TimeEditText, TenthsAreRoundedAndTheValueKept)
{
    CTimeEditUI te;
    te.SetValue(62500);
    EXPECT_EQ(te.GetText(), L"00:01:02.5");
    EXPECT_EQ(te.GetValue(), 62500);
    te.SetValue(4972);
    EXPECT_EQ(te.GetText(), L"00:00:05.0");
    EXPECT_EQ(te.GetValue(), 4972);
    te.SetValue(3723000);
    EXPECT_EQ(te.GetText(), L"01:02:03.0");
    te.SetValue(30 * 3600000);
    EXPECT_EQ(te.GetText(), L"30:00:00.0");
    EXPECT_EQ(te.GetValue(), 30 * 3600000);
}

class TimeEditPopup : public CustomControls {
protected:
    CTimeEditUI* te = nullptr;
    void SetUp() override
    {
        CustomControls::SetUp();
        te = wnd->Find<CTimeEditUI>(L"te");
        ASSERT_NE(te, nullptr);
        te->SetValue(62500);
    }
    QTimeEdit* Open()
    {
        Mouse(WM_LBUTTONDOWN, 50, 270);
        Mouse(WM_LBUTTONUP, 50, 270);
        if (!te->GetPopup()) return nullptr;
        return te->GetPopup()->GetEditor();
    }
    void Key(QTimeEdit* editor, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(editor, &release);
    }
    bool Closed() { return PumpUntil([&] { return te->GetPopup() == nullptr; }); }
};

TEST_F(TimeEditPopup, ClickOpensThePickerOverTheLabelWithItsTime)
{
    QTimeEdit* editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(te->GetPopup()->GetWindowClassName(), L"TimeEditWnd");
    EXPECT_EQ(te->GetState(), CTimeEditUI::kEditing);
    EXPECT_EQ(editor->time(), QTime(0, 1, 2, 500));
    EXPECT_EQ(editor->displayFormat(), QStringLiteral("HH:mm:ss"));
    QWidget* host = te->GetPopup()->GetWidget();
    EXPECT_EQ(host->geometry(), QRect(10, 260, 140, 24));
    EXPECT_EQ(host->parentWidget(), wnd->GetWidget());
}

TEST_F(TimeEditPopup, LeavingThePickerTakesTheTime)
{
    QTimeEdit* editor = Open();
    ASSERT_NE(editor, nullptr);
    editor->setTime(QTime(0, 2, 3, 500));
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(editor, &out);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(te->GetText(), L"00:02:03.5");
    EXPECT_EQ(te->GetValue(), 123500);
    EXPECT_EQ(te->GetState(), CTimeEditUI::kTaken);
}

TEST_F(TimeEditPopup, EscapeKeepsTheOldTimeAndDeleteEmptiesIt)
{
    QTimeEdit* editor = Open();
    ASSERT_NE(editor, nullptr);
    editor->setTime(QTime(0, 5, 0));
    Key(editor, Qt::Key_Escape);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(te->GetText(), L"00:01:02.5");
    EXPECT_EQ(te->GetValue(), 62500);
    EXPECT_EQ(te->GetState(), CTimeEditUI::kCancelled);
    EXPECT_EQ(wnd->GetHWND() != nullptr, true);  // Escape did not close the window

    editor = Open();
    ASSERT_NE(editor, nullptr);
    Key(editor, Qt::Key_Delete);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(te->GetText(), L"");
    EXPECT_EQ(te->GetValue(), 0);

    // An empty field opens at midnight.
    editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->time(), QTime(0, 0, 0));
    Key(editor, Qt::Key_Backspace);
    ASSERT_TRUE(Closed());
    EXPECT_EQ(te->GetText(), L"");
}

TEST_F(TimeEditPopup, PickerStopsAtTheUpperLimit)
{
    te->SetTimeLimit(90000);
    te->SetTimeLimit(0);  // leaves the limit
    QTimeEdit* editor = Open();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->maximumTime(), QTime(0, 1, 30));
}

TEST_F(TimeEditPopup, RemovingTheControlWithAnOpenPickerClosesIt)
{
    ASSERT_NE(Open(), nullptr);
    QPointer<QWidget> host = te->GetPopup()->GetWidget();
    auto* root = static_cast<CContainerUI*>(wnd->Manager().GetRoot());
    ASSERT_TRUE(root->Remove(te));
    te = nullptr;
    PumpUntil([&] { return host.isNull() || !host->isVisible(); });
    EXPECT_TRUE(host.isNull() || !host->isVisible());
    EXPECT_FALSE(Render().isNull());
}

TEST_F(TimeEditPopup, PointerIsATextCursorOverAnEnabledTimeEdit)
{
    Mouse(WM_MOUSEMOVE, 50, 270);
    EXPECT_EQ(wnd->GetWidget()->cursor().shape(), Qt::IBeamCursor);
    Mouse(WM_MOUSEMOVE, 250, 270);
    EXPECT_EQ(wnd->GetWidget()->cursor().shape(), Qt::ArrowCursor);
    te->SetEnabled(false);
    Mouse(WM_MOUSEMOVE, 50, 270);
    EXPECT_EQ(wnd->GetWidget()->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(TimeEditPopup, DisabledTimeEditOpensNothing)
{
    te->SetEnabled(false);
    EXPECT_EQ(Open(), nullptr);
    EXPECT_EQ(te->GetPopup(), nullptr);
}
