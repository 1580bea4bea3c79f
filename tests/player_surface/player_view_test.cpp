// The running player shows the media's text watermark at its place and the
// compare view's right-hand picture with the media's clip settings.
#include <gtest/gtest.h>

#include <cmath>
#include <thread>

#include "EngineGlobals.h"
#include "Watermarks.h"
#include "player/player_support.h"
#include "support/test_media.h"

using namespace playertest;

namespace {

class PlayerView : public ::testing::Test {
protected:
    void TearDown() override { g_nDisplayMode = 2; }
};

TEST_F(PlayerView, TextWatermarkIsDrawnAtItsPosition)
{
    CRecorder notify;
    CHostWindow window(320, 240);   // the 4:3 clip fills it
    CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());
    auto& wm = run.Media().m_wmText;
    wm.m_strText = L"WWW";
    wm.m_nRefWidth = 160;
    wm.m_nRefHeight = 120;
    wm.m_nFontSize = 40;
    wm.m_byRed = 255;
    wm.m_byGreen = 128;
    wm.m_byBlue = 0;
    wm.m_nX = 10;
    wm.m_nY = 60;
    ASSERT_NE(run.Media().RenderTextWatermark(), nullptr);
    const int w = run.Media().m_pTextWatermark->w, h = run.Media().m_pTextWatermark->h;
    ASSERT_EQ(wm.m_nX, 10);
    ASSERT_EQ(wm.m_nY, 60);
    run.Start();
    ASSERT_TRUE(window.Host().WaitPresents(20));
    auto orange = [](CPixel p) { return p.r > 245 && std::abs(p.g - 128) < 6 && p.b < 10; };
    int inside = 0, outside = 0;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            if (!orange(window.Host().At(x, y))) continue;
            (x >= 10 && x < 10 + w && y >= 60 && y < 60 + h) ? ++inside : ++outside;
        }
    run.Stop();
    run.Join();
    EXPECT_GT(inside, 50);
    EXPECT_EQ(outside, 0);
}

TEST_F(PlayerView, CompareViewShowsTheRightPictureFlipped)
{
    g_nDisplayMode = 1;
    CRecorder notify;
    CHostWindow window(400, 200);   // pictures 195 x 150 at y = 25
    CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());
    run.Media().m_bFlipVertical = 1;
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PREVIEW_RECT) > 3; }));
    ASSERT_TRUE(ffplay_push_event(FFPLAY_EVENT_PAUSE, nullptr));
    ASSERT_TRUE(playertest::WaitStatus([](const FFplayStatus& s) { return s.paused != 0; }));
    CTestHost& host = window.Host();
    double flipped = 0, straight = 0;
    for (int k = 0; k < 15; ++k) {
        const double left = host.MeanLevel(10, 25 + k * 10, 175, 10);
        flipped += std::abs(left - host.MeanLevel(215, 25 + (14 - k) * 10, 175, 10));
        straight += std::abs(left - host.MeanLevel(215, 25 + k * 10, 175, 10));
    }
    run.Stop();
    run.Join();
    EXPECT_LT(flipped, 15 * 4.0);
    EXPECT_GT(straight, flipped * 3);
}

TEST_F(PlayerView, QuarterTurnNarrowsThePictureBetweenBlackStrips)
{
    CRecorder notify;
    CHostWindow window(320, 240);
    CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());   // 160x120
    run.Media().m_nRotate = 1;
    run.Start();
    ASSERT_TRUE(window.Host().WaitPresents(20));
    ASSERT_TRUE(ffplay_push_event(FFPLAY_EVENT_PAUSE, nullptr));
    ASSERT_TRUE(playertest::WaitStatus([](const FFplayStatus& s) { return s.paused != 0; }));
    // 120 * 240 / 160 = 180 wide: strips of 70 on each side.
    const double leftStrip = window.Host().MeanLevel(0, 0, 70, 240);
    const double rightStrip = window.Host().MeanLevel(250, 0, 70, 240);
    const double picture = window.Host().MeanLevel(72, 0, 176, 240);
    run.Stop();
    run.Join();
    EXPECT_LT(leftStrip, 1.0);
    EXPECT_LT(rightStrip, 1.0);
    EXPECT_GT(picture, 20.0);
}

}  // namespace
