// A scrolling layout's thumb follows the mouse, and grouped options without
// pictures show as radio buttons.
#include "ui_test_support.h"
#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::wstring ScrollSkin()
{
    std::wstring rows;
    for (int i = 0; i < 20; ++i)
        rows += L"<Button name=\"row" + std::to_wstring(i) + L"\" height=\"40\" text=\"Row " + std::to_wstring(i) + L"\"/>";
    return L"<Window size=\"300,400\"><VerticalLayout name=\"root\" bkcolor=\"#FFFFFFFF\">"
           L"<VerticalLayout name=\"rows\" height=\"200\" vscrollbar=\"true\">" + rows + L"</VerticalLayout>"
           L"<HorizontalLayout height=\"24\">"
           L"<Option name=\"plain_a\" group=\"plain\" width=\"120\" text=\"First choice\" selected=\"true\" textcolor=\"#FF000000\"/>"
           L"<Option name=\"plain_b\" group=\"plain\" width=\"120\" text=\"Second\" textcolor=\"#FF000000\"/>"
           L"</HorizontalLayout>"
           L"<Option name=\"tab\" group=\"tabs\" height=\"24\" text=\"Tab\" selected=\"true\" selectedbkcolor=\"#FF00FF00\"/>"
           L"</VerticalLayout></Window>";
}

class ScrollAndRadio : public ::testing::Test {
protected:
    void SetUp() override
    {
        wnd = std::make_unique<CMarkupWindow>(ScrollSkin());
        ASSERT_NE(wnd->Create(nullptr, L"scroll", 0, 0), nullptr);
        wnd->ShowWindow(true);
        ASSERT_TRUE(PumpUntil([&] { return wnd->Count(L"windowinit:root") == 1; }));
        wnd->Manager().UpdateLayout();
        rows = wnd->Find<CVerticalLayoutUI>(L"rows");
        ASSERT_NE(rows, nullptr);
    }
    void TearDown() override
    {
        if (wnd && wnd->GetHWND()) wnd->DestroyWindow();
        wnd.reset();
        PumpPending();
    }
    void Mouse(UINT msg, int x, int y) { wnd->DeliverMessage(msg, 0, MAKELPARAM(x, y)); }

    std::unique_ptr<CMarkupWindow> wnd;
    CVerticalLayoutUI* rows = nullptr;
};

TEST_F(ScrollAndRadio, TheThumbDragsWithTheMouseAndAPressBesideItPages)
{
    ASSERT_EQ(rows->GetScrollRange(), 600);  // 800 of rows in 200
    const RECT rc = rows->GetPos();
    const int x = rc.right - 3;
    // The thumb is a quarter of the track (50 of 200): 150 pixels of travel
    // stand for the 600 of range.
    Mouse(WM_MOUSEMOVE, x, rc.top + 10);
    Mouse(WM_LBUTTONDOWN, x, rc.top + 10);
    Mouse(WM_MOUSEMOVE, x, rc.top + 40);
    EXPECT_EQ(rows->GetScrollPos(), 120);
    Mouse(WM_MOUSEMOVE, x, rc.top + 400);  // far below: stops at the end
    EXPECT_EQ(rows->GetScrollPos(), 600);
    Mouse(WM_LBUTTONUP, x, rc.top + 400);
    wnd->Manager().UpdateLayout();
    EXPECT_TRUE(wnd->Manager().FindControl(L"row19")->GetPos().bottom <= rc.bottom);
    // Moving after the release leaves the view where it is.
    Mouse(WM_MOUSEMOVE, x, rc.top + 10);
    EXPECT_EQ(rows->GetScrollPos(), 600);
    // A press above the thumb goes up one page; the row under the strip gets no click.
    Mouse(WM_LBUTTONDOWN, x, rc.top + 10);
    Mouse(WM_LBUTTONUP, x, rc.top + 10);
    EXPECT_EQ(rows->GetScrollPos(), 400);
    EXPECT_EQ(wnd->Count(L"click:row10"), 0);
    // Left of the strip the rows take the mouse as before.
    wnd->Manager().UpdateLayout();
    const RECT row = wnd->Manager().FindControl(L"row10")->GetPos();
    Mouse(WM_LBUTTONDOWN, rc.left + 20, (row.top + row.bottom) / 2);
    Mouse(WM_LBUTTONUP, rc.left + 20, (row.top + row.bottom) / 2);
    EXPECT_EQ(wnd->Count(L"click:row10"), 1);
}

TEST_F(ScrollAndRadio, GroupedOptionsWithoutPicturesDrawACircleAndTheChosenOneItsDot)
{
    auto* a = wnd->Find<COptionUI>(L"plain_a");
    auto* b = wnd->Find<COptionUI>(L"plain_b");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a->DrawsOwnMark());
    EXPECT_FALSE(wnd->Find<COptionUI>(L"tab")->DrawsOwnMark()) << "a tab shows its choice by its colour";
    auto dot = [](const RECT& option) {
        const int size = CPaintManagerUI::Scale(COptionUI::kBoxSize);
        const int left = option.left + 1, top = (option.top + option.bottom - size) / 2;
        return MakeRect(left + size / 2 - 2, top + size / 2 - 2, left + size / 2 + 2, top + size / 2 + 2);
    };
    auto ring = [](const RECT& option) {
        const int size = CPaintManagerUI::Scale(COptionUI::kBoxSize);
        const int top = (option.top + option.bottom - size) / 2;
        return MakeRect(option.left, top, option.left + 3, top + size);
    };
    QImage image = wnd->Manager().RenderToImage();
    const QColor accent(0x3A, 0x6E, 0xA5);
    EXPECT_GE(CountNear(image, dot(a->GetPos()), accent, 40), 12);
    EXPECT_EQ(CountNear(image, dot(b->GetPos()), accent, 40), 0);
    EXPECT_GT(CountNear(image, ring(b->GetPos()), QColor(0x8A, 0x97, 0xA8), 60), 2);
    // The text starts right of the circle.
    const int textLeft = a->GetPos().left + CPaintManagerUI::Scale(COptionUI::kBoxSize);
    EXPECT_GT(CountNear(image, MakeRect(textLeft, a->GetPos().top, a->GetPos().right, a->GetPos().bottom), QColor(0, 0, 0), 80), 10);

    b->Selected(true);
    image = wnd->Manager().RenderToImage();
    EXPECT_EQ(CountNear(image, dot(a->GetPos()), accent, 40), 0);
    EXPECT_GE(CountNear(image, dot(b->GetPos()), accent, 40), 12);
}

}  // namespace
