// The stored window placement: its text, a bad text, and a placement that
// lies on no screen.
#include "WindowPlacementText.h"

#include <gtest/gtest.h>

namespace {

std::vector<CScreenInfo> OneScreen()
{
    CScreenInfo s;
    s.area = RECT{0, 0, 1920, 1080};
    s.workArea = RECT{0, 0, 1920, 1040};
    s.primary = true;
    return {s};
}

TEST(WindowPlacement, TenFieldsComeBackAsTheyWereWritten)
{
    WINDOWPLACEMENT p;
    p.flags = WPF_RESTORETOMAXIMIZED;
    p.showCmd = SW_SHOWMAXIMIZED;
    p.ptMinPosition = POINT{-1, -1};
    p.ptMaxPosition = POINT{-8, -8};
    p.rcNormalPosition = RECT{100, 50, 1124, 705};
    std::wstring text = FormatWindowPlacement(p);
    EXPECT_EQ(text, L"2,3,-1,-1,-8,-8,100,50,1124,705;");
    WINDOWPLACEMENT q;
    ASSERT_TRUE(ParseWindowPlacement(text, q));
    EXPECT_EQ(q.showCmd, 3u);
    EXPECT_EQ(q.rcNormalPosition.right, 1124);
}

TEST(WindowPlacement, ATextThatDoesNotParseGivesTheCentredDefault)
{
    WINDOWPLACEMENT q;
    EXPECT_FALSE(ParseWindowPlacement(L"", q));
    EXPECT_FALSE(ParseWindowPlacement(L"1,2,3", q));
    WINDOWPLACEMENT d = DefaultWindowPlacement(OneScreen(), 1024, 655);
    EXPECT_EQ(d.showCmd, 1u);
    EXPECT_EQ(d.rcNormalPosition.left, (1920 - 1024) / 2);
    EXPECT_EQ(d.rcNormalPosition.top, (1080 - 655) / 2);
}

TEST(WindowPlacement, APlacementOnNoScreenIsMovedOntoOne)
{
    WINDOWPLACEMENT p;
    p.rcNormalPosition = RECT{5000, 3000, 6024, 3655};  // a screen that was unplugged
    EXPECT_TRUE(MovePlacementOntoScreen(OneScreen(), p));
    EXPECT_LE(p.rcNormalPosition.right, 1920);
    EXPECT_LE(p.rcNormalPosition.bottom, 1040);
    EXPECT_EQ(p.rcNormalPosition.right - p.rcNormalPosition.left, 1024);

    WINDOWPLACEMENT onScreen;
    onScreen.rcNormalPosition = RECT{100, 100, 1124, 755};
    EXPECT_FALSE(MovePlacementOntoScreen(OneScreen(), onScreen));
    EXPECT_EQ(onScreen.rcNormalPosition.left, 100);
}

}  // namespace
