// Edits, combos and lists in a real (off-screen) window: what the user does
// and the notifications it raises.
#include "ui_test_support.h"
#include "UIMenuScript.h"
#include "platform/text.h"
#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {
struct CNote {
    std::wstring type;
    std::wstring sender;
    WPARAM wParam;
    LPARAM lParam;
};

struct CControlsFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"controls.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Controls", UI_WNDSTYLE_FRAME, 0), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") > 0; }));
        widget = wnd->GetWidget();
        list = static_cast<CListUI*>(Find(L"ID_LIST"));
        combo = static_cast<CComboUI*>(Find(L"ID_COMBO_SIZE"));
        edit = static_cast<CEditUI*>(Find(L"ID_EDIT_NAME"));
        ASSERT_TRUE(list && combo && edit);
        wnd->onNotify = [this](TNotifyUI& msg) {
            notes.push_back(CNote{msg.sType, msg.pSender ? msg.pSender->GetName() : std::wstring(), msg.wParam, msg.lParam});
            if (onNote) onNote(msg);
        };
    }
    void TearDown() override
    {
        wnd->onNotify = nullptr;
        wnd.reset();
    }
    CControlUI* Find(const wchar_t* name) { return wnd->Manager().FindControl(name); }
    void AddRows(int n)
    {
        for (int i = 0; i < n; ++i) {
            auto* row = new CListLabelElementUI;
            row->SetName(L"row" + std::to_wstring(list->GetCount()));
            row->SetText(L"Clip " + std::to_wstring(list->GetCount()));
            list->Add(row);
        }
        wnd->Manager().UpdateLayout();
        PumpPending();
    }
    std::vector<CNote> Notes(const std::wstring& type) const
    {
        std::vector<CNote> out;
        for (const auto& n : notes)
            if (n.type == type) out.push_back(n);
        return out;
    }
    void Type(QWidget* target, const QString& text)
    {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, ch.unicode() >= 'a' && ch.unicode() <= 'z' ? Qt::Key_A + (ch.unicode() - 'a') : Qt::Key_0 + (ch.unicode() - '0'),
                            Qt::NoModifier, QString(ch));
            QApplication::sendEvent(target, &press);
        }
    }
    void CheckIndexes()
    {
        for (int i = 0; i < list->GetCount(); ++i) EXPECT_EQ(list->GetListItem(i)->GetIndex(), i);
    }

    std::unique_ptr<CTestWindow> wnd;
    QWidget* widget = nullptr;
    CListUI* list = nullptr;
    CComboUI* combo = nullptr;
    CEditUI* edit = nullptr;
    std::vector<CNote> notes;
    std::function<void(TNotifyUI&)> onNote;
};
}  // namespace

TEST_F(CControlsFixture, TypingIntoAnEditAndPressingReturnRaisesReturnWithTheText)
{
    ClickAt(widget, CenterOf(edit));
    ASSERT_NE(edit->GetEditor(), nullptr);
    std::wstring textAtReturn;
    onNote = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_RETURN) textAtReturn = msg.pSender->GetText();
    };
    Type(edit->GetEditor(), QStringLiteral("clip01"));
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(edit->GetEditor(), &enter);

    EXPECT_EQ(Notes(DUI_MSGTYPE_TEXTCHANGED).size(), 6u);
    ASSERT_EQ(Notes(DUI_MSGTYPE_RETURN).size(), 1u);
    EXPECT_EQ(Notes(DUI_MSGTYPE_RETURN)[0].sender, L"ID_EDIT_NAME");
    EXPECT_EQ(textAtReturn, L"clip01");
    EXPECT_EQ(edit->GetText(), L"clip01");

    // Leaving the edit ends the editing with "killfocus"; the text stays.
    ClickAt(widget, CenterOf(list));
    EXPECT_EQ(Notes(DUI_MSGTYPE_KILLFOCUS).size(), 1u);
    EXPECT_EQ(edit->GetEditor(), nullptr);
    EXPECT_EQ(edit->GetText(), L"clip01");
}

TEST_F(CControlsFixture, NumberOnlyEditRefusesLettersAndMaxCharCutsTheText)
{
    edit->SetNumberOnly(true);
    edit->SetMaxChar(3);
    ClickAt(widget, CenterOf(edit));
    ASSERT_NE(edit->GetEditor(), nullptr);
    Type(edit->GetEditor(), QStringLiteral("1a2345"));
    EXPECT_EQ(edit->GetText(), L"123");
    edit->SetText(L"98765");
    EXPECT_EQ(edit->GetText(), L"987");
}

TEST_F(CControlsFixture, ComboSelectionWithAndWithoutNotification)
{
    EXPECT_EQ(combo->GetCurSel(), -1);
    EXPECT_TRUE(combo->SelectItem(1, false, false));
    EXPECT_EQ(combo->GetCurSel(), 1);
    EXPECT_EQ(combo->GetText(), L"DVD-9");
    EXPECT_TRUE(Notes(DUI_MSGTYPE_ITEMSELECT).empty());

    EXPECT_TRUE(combo->SelectItem(0));
    auto selects = Notes(DUI_MSGTYPE_ITEMSELECT);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].sender, L"ID_COMBO_SIZE");
    EXPECT_EQ(selects[0].wParam, 0u);
    EXPECT_EQ(selects[0].lParam, 1);
    // The same index again changes nothing and says nothing.
    EXPECT_TRUE(combo->SelectItem(0));
    EXPECT_EQ(Notes(DUI_MSGTYPE_ITEMSELECT).size(), 1u);
    EXPECT_FALSE(combo->SelectItem(7));
    EXPECT_EQ(combo->GetCurSel(), 0);
}

// A choice too long for the box is cut short, and shown whole on the mouse.
TEST_F(CControlsFixture, AComboShowingItsChoiceCutGivesItWholeAsTooltip)
{
    auto* longest = new CListLabelElementUI;
    longest->SetText(L"High(Larger File Size) — Qualität für große Bildschirme");
    combo->Add(longest);
    combo->SelectItem(0, false, false);
    wnd->Manager().UpdateLayout();
    EXPECT_EQ(combo->GetHoverTip(), L"");
    combo->SelectItem(3, false, false);
    combo->SetFixedWidth(120);
    wnd->Manager().UpdateLayout();
    EXPECT_EQ(combo->GetHoverTip(), longest->GetText());
    // The skin's own tooltip stays.
    combo->SetToolTip(L"Quality");
    EXPECT_EQ(combo->GetHoverTip(), L"Quality");
}

TEST_F(CControlsFixture, ComboDropDownOffersItsRowsAndAChoiceSelectsTheCustomRow)
{
    CScriptedMenuRunner runner;
    CMenuRunnerScope scope(&runner);
    combo->SelectItem(0, false, false);
    runner.Choose(3);
    ClickAt(widget, CenterOf(combo));

    ASSERT_EQ(runner.shown.size(), 1u);
    EXPECT_EQ(runner.shown[0], (std::vector<std::wstring>{L"DVD-5", L"DVD-9", L"Custom"}));
    ASSERT_GE(notes.size(), 2u);
    EXPECT_EQ(notes[0].type, DUI_MSGTYPE_DROPDOWN);
    auto selects = Notes(DUI_MSGTYPE_ITEMSELECT);
    ASSERT_EQ(selects.size(), 1u);
    EXPECT_EQ(selects[0].wParam, 2u);
    EXPECT_EQ(selects[0].lParam, 0);
    EXPECT_EQ(combo->GetItemAt(2)->GetName(), L"ID_CUSTOM");

    // Closing the list without a choice keeps the selection.
    ClickAt(widget, CenterOf(combo));
    EXPECT_EQ(combo->GetCurSel(), 2);
    EXPECT_EQ(Notes(DUI_MSGTYPE_ITEMSELECT).size(), 1u);
}

// A value (a file name, a tag) is drawn as it is in every control, its
// tooltip and the combo's list; only the skin's own text marks a mnemonic.
TEST_F(CControlsFixture, ValuesAreDrawnAsTheyAreAndOnlySkinTextsMarkAMnemonic)
{
    using ::testing::Contains;
    using ::testing::ElementsAre;
    const std::wstring value = L"Beth Hart & Joe Bonamassa";
    auto* label = static_cast<CLabelUI*>(Find(L"ID_LABEL_SAVE"));
    EXPECT_THAT(PaintedTexts(label), ElementsAre(L"Save & close"));
    edit->SetText(value);
    AddRows(1);
    list->GetItemAt(0)->SetText(value);
    auto* choice = new CListLabelElementUI;
    choice->SetText(value);
    combo->Add(choice);
    combo->SelectItem(3, false, false);
    wnd->Manager().UpdateLayout();
    for (CControlUI* control : {static_cast<CControlUI*>(edit), list->GetItemAt(0), static_cast<CControlUI*>(combo)})
        EXPECT_THAT(PaintedTexts(control), ElementsAre(value)) << WideToUtf8(control->GetClass());
    label->SetText(L"Rock && Roll.mp3");
    EXPECT_THAT(PaintedTexts(label), ElementsAre(L"Rock && Roll.mp3"));

    // The tooltip, and the combo's list as Qt's menu draws it.
    label->SetToolTip(value);
    QCursor::setPos(widget->mapToGlobal(CenterOf(label)));
    SendMouse(widget, QEvent::MouseMove, CenterOf(label), Qt::NoButton);
    ASSERT_TRUE(PumpUntil([] { return QToolTip::isVisible(); }));
    QWidget* tip = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->inherits("QLabel")) tip = w;
    ASSERT_NE(tip, nullptr);
    EXPECT_THAT(PaintedTexts(tip), ElementsAre(value));
    std::vector<std::wstring> listed;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* popup = QApplication::activePopupWidget()) {
            listed = PaintedTexts(popup);
            popup->close();
        }
    });
    poll.start(10);
    combo->Activate();
    EXPECT_THAT(listed, Contains(value));
}

TEST_F(CControlsFixture, ClickingARowSelectsItWithNewAndOldIndexThenItemClick)
{
    AddRows(4);
    ClickAt(widget, CenterOf(list->GetItemAt(2)));
    ClickAt(widget, CenterOf(list->GetItemAt(1)));
    auto selects = Notes(DUI_MSGTYPE_ITEMSELECT);
    ASSERT_EQ(selects.size(), 2u);
    EXPECT_EQ(selects[0].wParam, 2u);
    EXPECT_EQ(selects[0].lParam, -1);
    EXPECT_EQ(selects[1].wParam, 1u);
    EXPECT_EQ(selects[1].lParam, 2);
    EXPECT_EQ(list->GetCurSel(), 1);
    EXPECT_EQ(list->GetSelCount(), 1);
    ASSERT_EQ(Notes(DUI_MSGTYPE_ITEMCLICK).size(), 2u);
    EXPECT_EQ(Notes(DUI_MSGTYPE_ITEMCLICK)[1].sender, L"row1");
    // A click on the selected row raises no new "itemselect".
    ClickAt(widget, CenterOf(list->GetItemAt(1)));
    EXPECT_EQ(Notes(DUI_MSGTYPE_ITEMSELECT).size(), 2u);
}

TEST_F(CControlsFixture, MultiSelectAddsWithControlAndSelectAllTakesEveryRow)
{
    AddRows(5);
    list->SelectItem(1);
    list->ItemPressed(3, MK_CONTROL);
    EXPECT_EQ(list->GetSelCount(), 2);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{1, 3}));
    auto selects = Notes(DUI_MSGTYPE_ITEMSELECT);
    ASSERT_EQ(selects.size(), 2u);
    EXPECT_EQ(selects[1].wParam, 3u);
    EXPECT_EQ(selects[1].lParam, 1);

    // Control on a selected row takes it out again.
    list->ItemPressed(1, MK_CONTROL);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{3}));

    list->ItemPressed(0, MK_SHIFT);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{0, 1, 2, 3}));

    notes.clear();
    EXPECT_TRUE(list->SelectAllItems());
    EXPECT_EQ(list->GetSelCount(), 5);
    EXPECT_EQ(Notes(DUI_MSGTYPE_ITEMSELECT).size(), 1u);
    // A plain click falls back to one row.
    ClickAt(widget, CenterOf(list->GetItemAt(4)));
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{4}));

    list->SetMultiSelect(false);
    EXPECT_FALSE(list->SelectAllItems());
    list->SelectMultiItem(2);
    EXPECT_EQ(list->GetSelectedItems(), (std::vector<int>{2}));
}

TEST_F(CControlsFixture, DoubleClickOnARowRaisesItemDbClickWithItsIndex)
{
    AddRows(3);
    QPoint pt = CenterOf(list->GetItemAt(2));
    SendMouse(widget, QEvent::MouseButtonPress, pt, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, pt, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonDblClick, pt, Qt::LeftButton);
    SendMouse(widget, QEvent::MouseButtonRelease, pt, Qt::LeftButton);
    auto dbl = Notes(DUI_MSGTYPE_ITEMDBCLICK);
    ASSERT_EQ(dbl.size(), 1u);
    EXPECT_EQ(dbl[0].sender, L"row2");
    EXPECT_EQ(dbl[0].wParam, 2u);
}

TEST_F(CControlsFixture, RowsRemovedAndAddedDuringTheListsOwnNotificationAreSafe)
{
    AddRows(4);
    // The handler of the selection removes the clicked row and puts two new
    // rows at the top; the click must not reach the removed row's owner.
    onNote = [&](TNotifyUI& msg) {
        if (msg.sType != DUI_MSGTYPE_ITEMSELECT || static_cast<int>(msg.wParam) < 0) return;
        list->RemoveAt(static_cast<int>(msg.wParam));
        for (int i = 0; i < 2; ++i) {
            auto* row = new CListLabelElementUI;
            row->SetText(L"new");
            list->AddAt(row, 0);
        }
    };
    ClickAt(widget, CenterOf(list->GetItemAt(1)));
    EXPECT_EQ(list->GetCount(), 5);
    EXPECT_EQ(list->GetCurSel(), -1);
    EXPECT_EQ(list->GetSelCount(), 0);
    EXPECT_TRUE(Notes(DUI_MSGTYPE_ITEMCLICK).empty());
    CheckIndexes();
    EXPECT_EQ(list->GetItemAt(2)->GetName(), L"row0");

    // Emptying the list from "itemclick" of a row.
    onNote = [&](TNotifyUI& msg) {
        if (msg.sType == DUI_MSGTYPE_ITEMCLICK) list->RemoveAll();
    };
    ClickAt(widget, CenterOf(list->GetItemAt(3)));
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetCurSel(), -1);
    PumpPending();
    // And the list still works.
    onNote = nullptr;
    AddRows(2);
    ClickAt(widget, CenterOf(list->GetItemAt(1)));
    EXPECT_EQ(list->GetCurSel(), 1);
}

TEST_F(CControlsFixture, SelectionFollowsRowsInsertedAndRemovedAroundIt)
{
    AddRows(4);
    list->SelectItem(2);
    auto* row = new CListLabelElementUI;
    list->AddAt(row, 0);
    EXPECT_EQ(list->GetCurSel(), 3);
    list->RemoveAt(0);
    EXPECT_EQ(list->GetCurSel(), 2);
    list->RemoveAt(2);
    EXPECT_EQ(list->GetCurSel(), -1);
    CheckIndexes();
}

TEST_F(CControlsFixture, LongListsScrollAndTheHotRowTestFollowsTheScroll)
{
    AddRows(30);
    ASSERT_NE(list->GetVerticalScrollBar(), nullptr);
    EXPECT_TRUE(list->GetVerticalScrollBar()->IsVisible());
    RECT rc = list->GetPos();
    POINT top;
    top.x = rc.left + 5;
    top.y = rc.top + 5;
    EXPECT_EQ(list->HitTestRow(top), 0);
    list->SelectItem(29);
    PumpUntil([&] { return list->GetScrollPos() > 0; });
    EXPECT_GT(list->GetScrollPos(), 0);
    POINT bottom;
    bottom.x = rc.left + 5;
    bottom.y = rc.bottom - 5;
    EXPECT_EQ(list->HitTestRow(bottom), 29);
    ClickAt(widget, QPoint(top.x, top.y));
    EXPECT_EQ(list->GetCurSel(), list->HitTestRow(top));
    EXPECT_NE(list->GetCurSel(), 0);
    POINT outside;
    outside.x = rc.left + 5;
    outside.y = rc.bottom + 5;
    EXPECT_EQ(list->HitTestRow(outside), -1);
}

TEST_F(CControlsFixture, RichEditAppendsAndClears)
{
    auto* log = static_cast<CRichEditUI*>(Find(L"ID_LOG"));
    ASSERT_NE(log, nullptr);
    log->AppendText(L"first\n");
    log->AppendText(L"second");
    EXPECT_EQ(log->GetText(), L"first\nsecond");
    ASSERT_NE(log->GetEditor(), nullptr);
    log->Clear();
    EXPECT_TRUE(log->GetText().empty());
}

TEST(CEditWithoutAWindow, KeysReachTheControlAndReturnCarriesTheText)
{
    struct CRecorder : INotifyUI {
        void Notify(TNotifyUI& msg) override { seen.push_back(msg.sType + L":" + msg.pSender->GetText()); }
        std::vector<std::wstring> seen;
    } recorder;
    CPaintManagerUI manager;
    manager.SetInitSize(200, 40);
    auto* edit = new CEditUI;
    edit->SetNumberOnly(true);
    ASSERT_TRUE(manager.AttachDialog(edit));
    manager.AddNotifier(&recorder);
    manager.SetFocus(edit);
    LRESULT result = 0;
    for (wchar_t ch : std::wstring(L"4x2")) manager.MessageHandler(WM_CHAR, ch, 0, result);
    manager.MessageHandler(WM_KEYDOWN, VK_BACK, 0, result);
    manager.MessageHandler(WM_CHAR, L'7', 0, result);
    manager.MessageHandler(WM_KEYDOWN, VK_RETURN, 0, result);
    EXPECT_EQ(recorder.seen, (std::vector<std::wstring>{L"textchanged:4", L"textchanged:42", L"textchanged:4",
                                                         L"textchanged:47", L"return:47"}));
}

// A list of thousands lays out the rows it shows: a row out of view keeps
// its children where they were until it comes into view, and a change made
// inside it meanwhile shows once it does.
TEST_F(CControlsFixture, RowsAreLaidOutWhenTheyComeIntoView)
{
    std::vector<CLabelUI*> labels;
    for (int i = 0; i < 2000; ++i) {
        auto* row = new CListContainerElementUI;
        row->SetFixedHeight(30);
        auto* label = new CLabelUI;
        label->SetText(L"Clip " + std::to_wstring(i));
        row->Add(label);
        list->Add(row);
        labels.push_back(label);
    }
    wnd->Manager().UpdateLayout();
    auto inside = [&](int i) {
        const RECT& row = list->GetItemAt(i)->GetPos();
        const RECT& label = labels[i]->GetPos();
        return label.left >= row.left && label.right <= row.right && label.top >= row.top && label.bottom <= row.bottom &&
               label.bottom > label.top;
    };
    EXPECT_TRUE(inside(0));
    EXPECT_FALSE(inside(1500)) << "a row far out of view is not laid out";

    labels[1500]->SetFixedHeight(12);
    list->SelectItem(1500);
    ASSERT_TRUE(PumpUntil([&] { return list->GetScrollPos() > 0 && inside(1500); }));
    EXPECT_EQ(labels[1500]->GetPos().bottom - labels[1500]->GetPos().top, 12);
    POINT pt{labels[1500]->GetPos().left + 2, labels[1500]->GetPos().top + 2};
    EXPECT_EQ(list->HitTestRow(pt), 1500);
}

// A container placed where it was keeps its children's layout unless
// something inside asked for a new one, also while it was hidden.
TEST_F(CControlsFixture, ALayoutHoldsUntilSomethingInsideChanges)
{
    auto* row = new CListContainerElementUI;
    row->SetFixedHeight(30);
    auto* line = new CHorizontalLayoutUI;
    auto* name = new CLabelUI;
    name->SetAttribute(L"autocalcwidth", L"true");
    name->SetText(L"a");
    auto* rest = new CControlUI;
    line->Add(name);
    line->Add(rest);
    row->Add(line);
    list->Add(row);
    wnd->Manager().UpdateLayout();
    const LONG narrow = name->GetPos().right;

    // The text grows: the label and the control after it move.
    name->SetText(L"a much longer name of a clip");
    wnd->Manager().UpdateLayout();
    EXPECT_GT(name->GetPos().right, narrow);
    EXPECT_EQ(rest->GetPos().left, name->GetPos().right);

    // Changed while hidden, laid out when shown.
    line->SetVisible(false);
    wnd->Manager().UpdateLayout();
    rest->SetFixedWidth(40);
    name->SetText(L"b");
    line->SetVisible(true);
    wnd->Manager().UpdateLayout();
    EXPECT_EQ(rest->GetPos().right - rest->GetPos().left, 40);
    EXPECT_EQ(rest->GetPos().left, name->GetPos().right);
}
