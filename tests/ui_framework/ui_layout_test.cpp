// Layouts place fixed, padded and stretched children where the skin says.
#include "ui_test_support.h"
#include <gtest/gtest.h>

namespace {
::testing::AssertionResult RectIs(const RECT& rc, LONG l, LONG t, LONG r, LONG b)
{
    if (rc.left == l && rc.top == t && rc.right == r && rc.bottom == b) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rect is (" << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom
                                         << ") not (" << l << "," << t << "," << r << "," << b << ")";
}

CControlUI* Build(CPaintManagerUI& pm, const std::wstring& xml, int cx, int cy)
{
    CDialogBuilder builder;
    CControlUI* root = builder.Create(xml, {}, nullptr, &pm);
    if (!root) return nullptr;
    pm.SetInitSize(cx, cy);
    pm.AttachDialog(root);
    pm.UpdateLayout();
    return root;
}
}  // namespace

TEST(UILayout, VerticalLayoutGivesFixedHeightsAndSharesTheRestAmongStretchedChildren)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<VerticalLayout inset="10,5,10,5" childpadding="4">
        <Control name="a" height="20" />
        <Control name="b" />
        <Control name="c" height="30" padding="3,2,5,6" />
        <Control name="d" />
      </VerticalLayout>)", 200, 110));
    // Height 100 inside the inset; fixed 20 + 30 + padding 8 + 3 gaps of 4 = 70; 30 left for two.
    EXPECT_TRUE(RectIs(pm.FindControl(L"a")->GetPos(), 10, 5, 190, 25));
    EXPECT_TRUE(RectIs(pm.FindControl(L"b")->GetPos(), 10, 29, 190, 44));
    EXPECT_TRUE(RectIs(pm.FindControl(L"c")->GetPos(), 13, 50, 185, 80));
    EXPECT_TRUE(RectIs(pm.FindControl(L"d")->GetPos(), 10, 90, 190, 105));
}

TEST(UILayout, HorizontalLayoutKeepsFixedWidthsAndGivesTheRemainderToTheLastStretchedChild)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<HorizontalLayout childpadding="2">
        <Control name="a" width="50" height="10" />
        <Control name="b" />
        <Control name="c" />
        <Control name="d" width="17" padding="4,1,0,0" />
      </HorizontalLayout>)", 200, 40));
    // 200 - 50 - 17 - 4 - 3 * 2 = 123 for b and c: 61 and 62.
    EXPECT_TRUE(RectIs(pm.FindControl(L"a")->GetPos(), 0, 0, 50, 10));
    EXPECT_TRUE(RectIs(pm.FindControl(L"b")->GetPos(), 52, 0, 113, 40));
    EXPECT_TRUE(RectIs(pm.FindControl(L"c")->GetPos(), 115, 0, 177, 40));
    EXPECT_TRUE(RectIs(pm.FindControl(L"d")->GetPos(), 183, 1, 200, 40));
}

TEST(UILayout, HiddenChildrenTakeNoSpaceAndShowingOneRelaysTheParent)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<VerticalLayout>
        <Control name="a" height="40" visible="false" />
        <Control name="b" />
      </VerticalLayout>)", 100, 100));
    EXPECT_TRUE(RectIs(pm.FindControl(L"b")->GetPos(), 0, 0, 100, 100));
    EXPECT_TRUE(pm.IsLayoutCurrent());
    // Until the layout that follows, the places are the old ones.
    pm.FindControl(L"a")->SetVisible(true);
    EXPECT_FALSE(pm.IsLayoutCurrent());
    pm.UpdateLayout();
    EXPECT_TRUE(pm.IsLayoutCurrent());
    EXPECT_TRUE(RectIs(pm.FindControl(L"a")->GetPos(), 0, 0, 100, 40));
    EXPECT_TRUE(RectIs(pm.FindControl(L"b")->GetPos(), 0, 40, 100, 100));
    // So are they after the window changed its size.
    pm.SetInitSize(100, 200);
    EXPECT_FALSE(pm.IsLayoutCurrent());
    pm.UpdateLayout();
    EXPECT_TRUE(pm.IsLayoutCurrent());
    EXPECT_TRUE(RectIs(pm.FindControl(L"b")->GetPos(), 0, 40, 100, 200));
}

TEST(UILayout, FloatChildSitsAtItsOffsetInsideTheParent)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<VerticalLayout>
        <Control height="30" />
        <Container name="box" inset="5,5,5,5">
          <Control name="f" float="true" pos="10,20,40,30" />
          <Control name="fill" />
        </Container>
      </VerticalLayout>)", 100, 100));
    EXPECT_TRUE(RectIs(pm.FindControl(L"f")->GetPos(), 10, 50, 40, 60));
    EXPECT_TRUE(RectIs(pm.FindControl(L"fill")->GetPos(), 5, 35, 95, 95));
}

TEST(UILayout, TabLayoutShowsOnlyTheSelectedPageOverItsWholeArea)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<TabLayout name="tabs" selectedid="1" inset="2,2,2,2">
        <Control name="p0" /><Control name="p1" /><Control name="p2" />
      </TabLayout>)", 100, 50));
    auto* tabs = static_cast<CTabLayoutUI*>(pm.FindControl(L"tabs")->GetInterface(L"TabLayout"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->GetCurSel(), 1);
    EXPECT_FALSE(pm.FindControl(L"p0")->IsVisible());
    EXPECT_TRUE(pm.FindControl(L"p1")->IsVisible());
    EXPECT_TRUE(RectIs(pm.FindControl(L"p1")->GetPos(), 2, 2, 98, 48));
    EXPECT_TRUE(tabs->SelectItem(2));
    EXPECT_FALSE(pm.FindControl(L"p1")->IsVisible());
    EXPECT_TRUE(pm.FindControl(L"p2")->IsVisible());
    EXPECT_FALSE(tabs->SelectItem(3));
    EXPECT_EQ(tabs->GetCurSel(), 2);
}

TEST(UILayout, ChildrenOfAHiddenContainerAreNotVisible)
{
    CPaintManagerUI pm;
    ASSERT_TRUE(Build(pm, LR"(<VerticalLayout><HorizontalLayout name="row"><Control name="leaf" /></HorizontalLayout></VerticalLayout>)", 50, 50));
    pm.FindControl(L"row")->SetVisible(false);
    EXPECT_FALSE(pm.FindControl(L"leaf")->IsVisible());
    pm.FindControl(L"row")->SetVisible(true);
    EXPECT_TRUE(pm.FindControl(L"leaf")->IsVisible());
}

TEST(UIZoom, ReferenceScreenGivesOneAndLargerScreensScaleUp)
{
    EXPECT_DOUBLE_EQ(CalcZoomFactor(1024, 655, 1920, 1080, 1920, 1080, 1920, 1050), 1.0);
    EXPECT_DOUBLE_EQ(CalcZoomFactor(1024, 655, 1920, 1080, 3840, 2160, 3840, 2100), 2.0);
    // A small screen never scales the design down below its own size unless it would not fit.
    EXPECT_DOUBLE_EQ(CalcZoomFactor(1024, 655, 1920, 1080, 1366, 768, 1366, 740), 1.0);
    EXPECT_LT(CalcZoomFactor(1024, 655, 1920, 1080, 800, 600, 800, 570), 1.0);
}

TEST(UIZoom, PinnedTestScreenGivesFactorOne)
{
    EXPECT_DOUBLE_EQ(DuiInitParamsForZoom(1024, 655, 1920, 1080), 1.0);
    EXPECT_DOUBLE_EQ(CPaintManagerUI::GetZoom(), 1.0);
}

TEST(UIContainer, IndexesFollowInsertRemoveAndReorderAndBadIndexesAreRefused)
{
    CPaintManagerUI pm;
    auto* root = new CHorizontalLayoutUI;
    pm.SetInitSize(90, 10);
    pm.AttachDialog(root);
    auto* a = new CControlUI;
    auto* b = new CControlUI;
    auto* c = new CControlUI;
    EXPECT_TRUE(root->Add(a));
    EXPECT_TRUE(root->Add(c));
    EXPECT_TRUE(root->AddAt(b, 1));
    EXPECT_FALSE(root->Add(b));  // already there
    auto* stray = new CControlUI;
    EXPECT_FALSE(root->AddAt(stray, 5));
    delete stray;
    EXPECT_EQ(root->GetCount(), 3);
    EXPECT_EQ(root->GetItemIndex(b), 1);
    EXPECT_EQ(b->GetParent(), root);
    EXPECT_EQ(b->GetManager(), &pm);
    pm.UpdateLayout();
    EXPECT_EQ(a->GetPos().left, 0);
    EXPECT_EQ(b->GetPos().left, 30);
    EXPECT_TRUE(root->SetItemIndex(c, 0));
    pm.UpdateLayout();
    EXPECT_EQ(c->GetPos().left, 0);
    EXPECT_EQ(root->GetItemAt(2), b);
    EXPECT_EQ(root->GetItemAt(3), nullptr);
    EXPECT_TRUE(root->RemoveAt(0));
    EXPECT_FALSE(root->RemoveAt(7));
    EXPECT_EQ(root->GetItemIndex(a), 0);
    EXPECT_TRUE(root->Remove(a, true));  // kept alive for the caller
    EXPECT_EQ(root->GetCount(), 1);
    delete a;
    root->RemoveAll();
    EXPECT_EQ(root->GetCount(), 0);
}

TEST(UIContainer, TagAndAttributesTravelWithTheControl)
{
    CLabelUI label;
    int engineObject = 0;
    label.SetTag(reinterpret_cast<UINT_PTR>(&engineObject));
    EXPECT_EQ(reinterpret_cast<int*>(label.GetTag()), &engineObject);
    label.ApplyAttributeList(LR"(name="lbl" text="a b" tooltip='tip' visible="false" width="40")");
    EXPECT_EQ(label.GetName(), L"lbl");
    EXPECT_EQ(label.GetText(), L"a b");
    EXPECT_EQ(label.GetToolTip(), L"tip");
    EXPECT_FALSE(label.IsVisible());
    EXPECT_EQ(label.GetFixedWidth(), 40);
}
