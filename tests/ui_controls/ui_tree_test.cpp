// The tree view: lazy filling on expansion, whole-subtree ticks with the
// bold marks of ancestors, mouse hits on the button and the tick, keys,
// removal of subtrees.
#include "ui_test_support.h"
#include "ui/UITreeView.h"
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <gtest/gtest.h>

namespace {
struct CTreeFixture : ::testing::Test {
    void SetUp() override
    {
        CPaintManagerUI::SetResourcePath(TestSkinFolder());
        wnd = std::make_unique<CTestWindow>(L"controls.xml");
        ASSERT_NE(wnd->Create(nullptr, L"Tree", UI_WNDSTYLE_FRAME, 0), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") > 0; }));
        auto* root = static_cast<CContainerUI*>(wnd->Manager().GetRoot());
        // The tree takes the place of the list of the skin.
        root->Remove(wnd->Manager().FindControl(L"ID_LIST"));
        tree = new CTreeViewUI;
        tree->SetName(L"ID_TREE");
        tree->SetFixedHeight(200);
        tree->SetCheckBoxes(true);
        root->AddAt(tree, 2);
        wnd->onNotify = [this](TNotifyUI& msg) {
            if (msg.sType == DUI_MSGTYPE_ITEMEXPANDING && onExpanding) onExpanding(reinterpret_cast<CTreeNodeUI*>(msg.wParam));
        };
        disk = tree->AddNode(L"Computer");
        disk->SetMayHaveChildren(true);
        Layout();
    }
    void Layout()
    {
        wnd->Manager().NeedUpdate();
        wnd->Manager().UpdateLayout();
        PumpPending();
    }
    std::vector<std::wstring> VisibleTexts() const
    {
        std::vector<std::wstring> out;
        for (int i = 0; i < tree->GetCount(); ++i)
            if (tree->GetItemAt(i)->IsVisible()) out.push_back(tree->GetItemAt(i)->GetText());
        return out;
    }
    std::unique_ptr<CTestWindow> wnd;
    CTreeViewUI* tree = nullptr;
    CTreeNodeUI* disk = nullptr;
    std::function<void(CTreeNodeUI*)> onExpanding;
};
}  // namespace

TEST_F(CTreeFixture, ExpandingAnUnfilledNodeAsksTheOwnerToFillItAndAnEmptyOneLosesItsButton)
{
    int asked = 0;
    onExpanding = [&](CTreeNodeUI* node) {
        ++asked;
        if (node == disk) {
            tree->AddNode(L"Music", node)->SetMayHaveChildren(true);
            tree->AddNode(L"Videos", node);
        }
    };
    tree->Expand(disk);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::wstring>{L"Computer", L"Music", L"Videos"}));
    CTreeNodeUI* music = disk->GetChildNodes()[0];
    EXPECT_EQ(music->GetLevel(), 1);

    // Music holds no sub-folders: its button goes.
    EXPECT_TRUE(music->HasExpandButton());
    tree->Expand(music);
    EXPECT_EQ(asked, 2);
    EXPECT_FALSE(music->HasExpandButton());
    EXPECT_FALSE(music->IsExpanded());

    // Collapsing hides the subtree; a filled node is not asked for again.
    tree->Expand(disk, false);
    EXPECT_EQ(VisibleTexts(), (std::vector<std::wstring>{L"Computer"}));
    tree->Expand(disk, true);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(VisibleTexts().size(), 3u);
}

TEST_F(CTreeFixture, TicksCoverTheLoadedSubtreeAndMarkAncestorsBold)
{
    CTreeNodeUI* videos = tree->AddNode(L"Videos", disk);
    CTreeNodeUI* holiday = tree->AddNode(L"Holiday", videos);
    CTreeNodeUI* music = tree->AddNode(L"Music", disk);

    tree->SetCheck(holiday, true);
    EXPECT_TRUE(holiday->IsBold());
    EXPECT_TRUE(videos->IsBold());
    EXPECT_TRUE(disk->IsBold());
    EXPECT_FALSE(videos->IsChecked());
    EXPECT_FALSE(music->IsBold());

    tree->SetCheck(videos, true);
    EXPECT_TRUE(holiday->IsChecked());
    // A cleared child leaves its ticked parent ticked; both are collected
    // as they are.
    tree->SetCheck(holiday, false);
    EXPECT_TRUE(videos->IsChecked());
    EXPECT_EQ(tree->GetCheckedNodes(), (std::vector<CTreeNodeUI*>{videos}));

    // A new child of a ticked node is ticked and bold.
    CTreeNodeUI* trip = tree->AddNode(L"Trip", videos);
    EXPECT_TRUE(trip->IsChecked());
    EXPECT_TRUE(trip->IsBold());

    tree->SetCheck(videos, false);
    EXPECT_FALSE(disk->IsBold());
    EXPECT_TRUE(tree->GetCheckedNodes().empty());
}

TEST_F(CTreeFixture, MouseOnTheButtonExpandsAndOnTheTickTicks)
{
    onExpanding = [&](CTreeNodeUI* node) { tree->AddNode(L"Videos", node); };
    RECT button = disk->GetExpandButtonRect();
    ClickAt(wnd->GetWidget(), QPoint((button.left + button.right) / 2, (button.top + button.bottom) / 2));
    EXPECT_TRUE(disk->IsExpanded());
    Layout();
    RECT tick = disk->GetCheckBoxRect();
    ASSERT_FALSE(IsRectEmpty(tick));
    ClickAt(wnd->GetWidget(), QPoint((tick.left + tick.right) / 2, (tick.top + tick.bottom) / 2));
    EXPECT_TRUE(disk->IsChecked());
    EXPECT_TRUE(disk->GetChildNodes()[0]->IsChecked());
    EXPECT_EQ(tree->GetCurSel(), 0);
}

// A folder tree used from the keyboard alone, after one click on its first node.
TEST_F(CTreeFixture, ArrowsWalkOpenAndCloseNodesSpaceTicksAndTypedLettersFindANode)
{
    onExpanding = [&](CTreeNodeUI* node) {
        if (node != disk) return;
        tree->AddNode(L"Musique", node);
        tree->AddNode(L"Vidéos", node);
        tree->AddNode(L"Vacances", node);
    };
    tree->AddNode(L"Réseau");
    Layout();
    ClickAt(wnd->GetWidget(), CenterOf(disk));
    ASSERT_EQ(tree->GetCurSel(), 0);
    const auto press = [&](int key, const QString& text = QString()) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(wnd->GetWidget(), &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(wnd->GetWidget(), &up);
        PumpPending();
    };
    const auto selected = [&] { return tree->GetItemAt(tree->GetCurSel())->GetText(); };

    press(Qt::Key_Right);  // opens Computer
    EXPECT_TRUE(disk->IsExpanded());
    EXPECT_EQ(selected(), L"Computer");
    press(Qt::Key_Right);  // to its first child
    EXPECT_EQ(selected(), L"Musique");
    press(Qt::Key_Down);
    EXPECT_EQ(selected(), L"Vidéos");
    press(Qt::Key_Space);
    EXPECT_TRUE(disk->GetChildNodes()[1]->IsChecked());
    press(Qt::Key_V, QStringLiteral("v"));  // the next name with a V
    EXPECT_EQ(selected(), L"Vacances");
    press(Qt::Key_Left);  // to the parent, then closes it
    EXPECT_EQ(selected(), L"Computer");
    press(Qt::Key_Left);
    EXPECT_FALSE(disk->IsExpanded());
    press(Qt::Key_Down);  // the hidden children are stepped over
    EXPECT_EQ(selected(), L"Réseau");
    press(Qt::Key_Home);
    EXPECT_EQ(selected(), L"Computer");
    press(Qt::Key_R, QStringLiteral("r"));
    EXPECT_EQ(selected(), L"Réseau");
}

TEST_F(CTreeFixture, RemovingANodeTakesItsSubtreeAndKeepsTheRestInOrder)
{
    CTreeNodeUI* videos = tree->AddNode(L"Videos", disk);
    tree->AddNode(L"Holiday", videos);
    CTreeNodeUI* music = tree->AddNode(L"Music", disk);
    CTreeNodeUI* other = tree->AddNode(L"Network");
    tree->SetCheck(videos->GetChildNodes()[0], true);
    EXPECT_TRUE(disk->IsBold());
    EXPECT_TRUE(tree->RemoveNode(videos));
    EXPECT_EQ(tree->GetCount(), 3);
    EXPECT_EQ(disk->GetChildNodes(), (std::vector<CTreeNodeUI*>{music}));
    EXPECT_FALSE(disk->IsBold());
    EXPECT_EQ(tree->GetItemIndex(other), 2);
    for (int i = 0; i < tree->GetCount(); ++i) EXPECT_EQ(tree->GetListItem(i)->GetIndex(), i);
    EXPECT_EQ(tree->GetRootNodes(), (std::vector<CTreeNodeUI*>{disk, other}));
}

TEST(CTreeFromSkin, TheSkinElementMakesATreeWithItsAttributes)
{
    CDialogBuilder builder;
    CControlUI* control = builder.Create(L"<TreeView name=\"ID_FOLDERS\" checkboxes=\"true\" indent=\"20\" />");
    ASSERT_NE(control, nullptr);
    auto* tree = static_cast<CTreeViewUI*>(control->GetInterface(L"TreeView"));
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(tree->HasCheckBoxes());
    EXPECT_EQ(tree->GetIndent(), 20);
    delete control;
}
