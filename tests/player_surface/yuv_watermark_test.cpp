// The image watermark written into a YUV 4:2:0 picture and shown by the
// running player at its scaled position.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "EngineGlobals.h"
#include "PreviewSurface.h"
#include "SurfacePng.h"
#include "VXMUtils.h"
#include "ffplay_picture.h"
#include "player/player_support.h"
#include "support/test_media.h"

using namespace ffplay_detail;

namespace {

struct CPlanes {
    std::vector<uint8_t> y = std::vector<uint8_t>(16 * 16, 1), u = std::vector<uint8_t>(8 * 8, 2),
                         v = std::vector<uint8_t>(8 * 8, 3);
    uint8_t* p[3] = {y.data(), u.data(), v.data()};
    int pitch[3] = {16, 8, 8};
};

SDL_Surface* Solid(int w, int h, int depth, Uint8 r, Uint8 g, Uint8 b)
{
    SDL_Surface* s = depth == 32
                         ? SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
                         : SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    SDL_FillRect(s, nullptr, SDL_MapRGBA(s->format, r, g, b, 255));
    return s;
}

TEST(YuvWatermark, PixelsReplaceThePictureWithTheirYuvValues)
{
    CPlanes pl;
    SDL_Surface* s = Solid(4, 4, 32, 255, 0, 0);
    ASSERT_TRUE(DrawSurfaceIntoYuv(s, pl.p, pl.pitch, 16, 16, 6, 4));
    SDL_FreeSurface(s);
    const int Y = ((66 * 255 + 128) >> 8) + 16, V = ((112 * 255 + 128) >> 8) + 128, U = ((-38 * 255 + 128) >> 8) + 128;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(pl.y[y * 16 + x], (x >= 6 && x < 10 && y >= 4 && y < 8) ? Y : 1) << x << "," << y;
    EXPECT_EQ(pl.v[2 * 8 + 3], V);
    EXPECT_EQ(pl.u[2 * 8 + 3], U);
    EXPECT_EQ(pl.u[2 * 8 + 2], 2);
    EXPECT_EQ(pl.v[4 * 8 + 4], 3);
}

TEST(YuvWatermark, ClippedAtThePictureEdgeAndTwentyFourBitsRefused)
{
    CPlanes pl;
    SDL_Surface* s = Solid(8, 8, 32, 0, 0, 255);
    ASSERT_TRUE(DrawSurfaceIntoYuv(s, pl.p, pl.pitch, 16, 16, 12, 12));
    EXPECT_NE(pl.y[15 * 16 + 15], 1);
    EXPECT_EQ(pl.y[11 * 16 + 11], 1);
    SDL_FreeSurface(s);
    CPlanes untouched;
    SDL_Surface* s24 = Solid(4, 4, 24, 0, 0, 255);
    EXPECT_FALSE(DrawSurfaceIntoYuv(s24, untouched.p, untouched.pitch, 16, 16, 0, 0));
    SDL_FreeSurface(s24);
    EXPECT_EQ(untouched.y, CPlanes().y);
}

TEST(YuvWatermark, RunningPlayerShowsTheImageAtItsScaledPosition)
{
    vxmtest::CTempDir dir;
    SDL_Surface* logo = Solid(20, 20, 32, 0, 255, 0);
    ASSERT_EQ(SDL_SavePNG(logo, dir.File("logo.png")), 0);
    SDL_FreeSurface(logo);
    playertest::CRecorder notify;
    playertest::CHostWindow window(320, 240);
    playertest::CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());   // 160x120
    auto& wm = run.Media().m_wmImage;
    wm.m_strText = AnsiToWide(dir.File("logo.png"));
    wm.m_nRefWidth = 320;
    wm.m_nRefHeight = 240;
    wm.m_nX = 80;    // 40 in the video, 80 on the 320-wide screen
    wm.m_nY = 120;   // 60 in the video, 120 on the screen
    ASSERT_NE(run.Media().LoadImageWatermark(), nullptr);
    run.Start();
    ASSERT_TRUE(window.Host().WaitPresents(20));
    const playertest::CPixel inside = window.Host().At(100, 140);
    const playertest::CPixel before = window.Host().At(76, 140);
    run.Stop();
    run.Join();
    EXPECT_GT(inside.g, 220);
    EXPECT_LT(inside.r, 40);
    EXPECT_LT(inside.b, 40);
    EXPECT_FALSE(before.g > 220 && before.r < 40 && before.b < 40);
}

TEST(YuvWatermark, CompareViewPutsTheScreenCopyOnTheRightPicture)
{
    vxmtest::CTempDir dir;
    SDL_Surface* logo = Solid(20, 20, 32, 0, 255, 0);
    ASSERT_EQ(SDL_SavePNG(logo, dir.File("logo.png")), 0);
    SDL_FreeSurface(logo);
    g_nDisplayMode = 3;
    playertest::CRecorder notify;
    playertest::CHostWindow window(400, 200);   // right picture at 205, 25
    playertest::CPlayerRun run(vxmtest::GetTestMedia().mp4, notify.Get());
    auto& wm = run.Media().m_wmImage;
    wm.m_strText = AnsiToWide(dir.File("logo.png"));
    wm.m_nRefWidth = 160;
    wm.m_nRefHeight = 120;
    wm.m_nX = 10;
    wm.m_nY = 10;
    ASSERT_NE(run.Media().LoadImageWatermark(), nullptr);
    run.Start();
    ASSERT_TRUE(notify.PumpUntil([&] { return notify.CountOf(WM_VXM_PREVIEW_RECT) > 3; }));
    ASSERT_TRUE(ffplay_push_event(FFPLAY_EVENT_PAUSE, nullptr));
    ASSERT_TRUE(playertest::WaitStatus([](const FFplayStatus& s) { return s.paused != 0; }));
    const playertest::CPixel right = window.Host().At(225, 45);
    const playertest::CPixel left = window.Host().At(20, 45);
    run.Stop();
    run.Join();
    g_nDisplayMode = 2;
    EXPECT_EQ(right.r, 0);
    EXPECT_EQ(right.g, 255);
    EXPECT_EQ(right.b, 0);
    EXPECT_FALSE(left.r == 0 && left.g == 255 && left.b == 0);
}

}  // namespace
