// The watermark canvas: the watermark lands scaled at its place on a
// transparent picture of the output size and reads back equal from the PNG.
#include <gtest/gtest.h>

#include <filesystem>

#include "PreviewSurface.h"
#include "image_reader.h"
#include "support/test_media.h"

namespace {

struct CSurface {
    SDL_Surface* s;
    explicit CSurface(SDL_Surface* surface) : s(surface) {}
    ~CSurface() { if (s) SDL_FreeSurface(s); }
};

// A 32-bit ARGB watermark: each pixel's colour says where it is.
SDL_Surface* Pattern(int w, int h)
{
    SDL_Surface* s = SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            PutPixel(0x80000000u | (static_cast<uint32_t>(x * 10) << 16) | (static_cast<uint32_t>(y * 10) << 8) | 0x33u,
                     s, x, y);
    return s;
}

TEST(OverlayCanvas, WatermarkReadsBackAtItsPlaceOnATransparentCanvas)
{
    vxmtest::CTempDir dir;
    CSurface wm(Pattern(8, 6));
    int x = 20, y = 10;
    const std::string path = dir.File("wm.png");
    ASSERT_EQ(SaveOverlayPng(wm.s, path, x, y, 64, 48, 8, 6), 0);
    EXPECT_EQ(x, 20);
    EXPECT_EQ(y, 10);
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    ASSERT_EQ(img.width, 64);
    ASSERT_EQ(img.height, 48);
    for (int j = 0; j < 48; ++j)
        for (int i = 0; i < 64; ++i) {
            const uint8_t* p = img.At(i, j);
            if (i >= 20 && i < 28 && j >= 10 && j < 16) {
                EXPECT_EQ(p[0], (i - 20) * 10);
                EXPECT_EQ(p[1], (j - 10) * 10);
                EXPECT_EQ(p[2], 0x33);
                EXPECT_EQ(p[3], 0x80);
            } else {
                ASSERT_EQ(p[3], 0) << i << "," << j;
            }
        }
}

TEST(OverlayCanvas, ScaledWatermarkDoublesEachPixel)
{
    vxmtest::CTempDir dir;
    CSurface wm(Pattern(4, 4));
    int x = 0, y = 0;
    const std::string path = dir.File("wm.png");
    ASSERT_EQ(SaveOverlayPng(wm.s, path, x, y, 16, 16, 8, 8), 0);
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            EXPECT_EQ(img.At(i, j)[0], (i / 2) * 10);
            EXPECT_EQ(img.At(i, j)[1], (j / 2) * 10);
        }
    EXPECT_EQ(img.At(8, 0)[3], 0);
}

TEST(OverlayCanvas, PositionPastTheEdgeIsMovedBackInside)
{
    vxmtest::CTempDir dir;
    CSurface wm(Pattern(10, 10));
    int x = 190, y = 95;
    ASSERT_EQ(SaveOverlayPng(wm.s, dir.File("a.png"), x, y, 192, 100, 10, 10), 0);
    EXPECT_EQ(x, 182);
    EXPECT_EQ(y, 90);
    x = -5;
    y = -7;
    ASSERT_EQ(SaveOverlayPng(wm.s, dir.File("b.png"), x, y, 192, 100, 10, 10), 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}

TEST(OverlayCanvas, WatermarkLargerThanTheOutputIsCutToIt)
{
    vxmtest::CTempDir dir;
    CSurface wm(Pattern(10, 10));
    int x = 3, y = 3;
    const std::string path = dir.File("big.png");
    ASSERT_EQ(SaveOverlayPng(wm.s, path, x, y, 16, 12, 40, 40), 0);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    EXPECT_EQ(img.width, 16);
    EXPECT_EQ(img.height, 12);
    EXPECT_EQ(img.At(15, 11)[3], 0x80);   // covered to the corner
}

TEST(OverlayCanvas, MissingSurfaceOrOutputSizeFailsWithoutAFile)
{
    vxmtest::CTempDir dir;
    int x = 0, y = 0;
    EXPECT_EQ(SaveOverlayPng(nullptr, dir.File("n.png"), x, y, 10, 10, 5, 5), -1);
    CSurface wm(Pattern(4, 4));
    EXPECT_EQ(SaveOverlayPng(wm.s, dir.File("z.png"), x, y, 0, 0, 5, 5), -1);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

TEST(OverlayCanvas, ScaleKeepsDepthAndMasks)
{
    CSurface wm(Pattern(3, 2));
    CSurface big(ScaleSurface(wm.s, 6, 4));
    ASSERT_NE(big.s, nullptr);
    EXPECT_EQ(big.s->format->BitsPerPixel, 32);
    EXPECT_EQ(big.s->format->Amask, 0xFF000000u);
    EXPECT_EQ(GetPixel(big.s, 5, 3), GetPixel(wm.s, 2, 1));
    EXPECT_EQ(ScaleSurface(wm.s, 0, 4), nullptr);
}

}  // namespace
