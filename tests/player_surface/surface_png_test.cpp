// SDL surfaces written as PNG files read back with the same pixels, in the
// colour type their format calls for; failures leave no file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "SurfacePng.h"
#include "image_reader.h"
#include "support/test_media.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

namespace {

struct CSurface {
    SDL_Surface* s;
    explicit CSurface(SDL_Surface* surface) : s(surface) {}
    ~CSurface() { if (s) SDL_FreeSurface(s); }
};

TEST(SurfacePng, ThirtyTwoBitSurfaceKeepsItsFourthByteAsAlpha)
{
    vxmtest::CTempDir dir;
    // No alpha mask: the fourth byte is written as alpha all the same.
    CSurface surf(SDL_CreateRGBSurface(SDL_SWSURFACE, 7, 5, 32, 0x00ff0000, 0x0000ff00, 0x000000ff, 0));
    ASSERT_NE(surf.s, nullptr);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            uint8_t* p = static_cast<uint8_t*>(surf.s->pixels) + y * surf.s->pitch + x * 4;
            p[0] = static_cast<uint8_t>(x * 30);       // blue
            p[1] = static_cast<uint8_t>(y * 40);       // green
            p[2] = static_cast<uint8_t>(200 - x * 10); // red
            p[3] = static_cast<uint8_t>(100 + y);      // alpha
        }
    const std::string path = dir.File("a.png");
    ASSERT_EQ(SDL_SavePNG(surf.s, path), 0) << SDL_GetError();
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    EXPECT_EQ(img.format, AV_PIX_FMT_RGBA);
    ASSERT_EQ(img.width, 7);
    ASSERT_EQ(img.height, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint8_t* q = img.At(x, y);
            EXPECT_EQ(q[0], 200 - x * 10);
            EXPECT_EQ(q[1], y * 40);
            EXPECT_EQ(q[2], x * 30);
            EXPECT_EQ(q[3], 100 + y);
        }
}

TEST(SurfacePng, TwentyFourBitSurfaceGivesRgb)
{
    vxmtest::CTempDir dir;
    CSurface surf(SDL_CreateRGBSurface(SDL_SWSURFACE, 3, 2, 24, 0xff0000, 0x00ff00, 0x0000ff, 0));
    ASSERT_NE(surf.s, nullptr);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            uint8_t* p = static_cast<uint8_t*>(surf.s->pixels) + y * surf.s->pitch + x * 3;
            p[0] = 10; p[1] = static_cast<uint8_t>(50 * x); p[2] = static_cast<uint8_t>(90 + y);
        }
    const std::string path = dir.File("b.png");
    ASSERT_EQ(SDL_SavePNG(surf.s, path), 0) << SDL_GetError();
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    EXPECT_EQ(img.format, AV_PIX_FMT_RGB24);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(img.At(x, y)[0], 90 + y);
            EXPECT_EQ(img.At(x, y)[1], 50 * x);
            EXPECT_EQ(img.At(x, y)[2], 10);
        }
}

TEST(SurfacePng, PaletteSurfaceGivesIndexedPng)
{
    vxmtest::CTempDir dir;
    CSurface surf(SDL_CreateRGBSurface(SDL_SWSURFACE, 4, 1, 8, 0, 0, 0, 0));
    ASSERT_NE(surf.s, nullptr);
    SDL_Color colors[3] = {{255, 0, 0, 0}, {0, 255, 0, 0}, {1, 2, 3, 0}};
    SDL_SetColors(surf.s, colors, 0, 3);
    uint8_t* p = static_cast<uint8_t*>(surf.s->pixels);
    p[0] = 2; p[1] = 0; p[2] = 1; p[3] = 2;
    const std::string path = dir.File("c.png");
    ASSERT_EQ(SDL_SavePNG(surf.s, path), 0) << SDL_GetError();
    CDecodedImage img;
    ASSERT_TRUE(DecodeImage(path, img));
    EXPECT_EQ(img.format, AV_PIX_FMT_PAL8);
    EXPECT_EQ(img.At(0, 0)[0], 1); EXPECT_EQ(img.At(0, 0)[2], 3);
    EXPECT_EQ(img.At(1, 0)[0], 255); EXPECT_EQ(img.At(1, 0)[1], 0);
    EXPECT_EQ(img.At(2, 0)[1], 255);
}

TEST(SurfacePng, NullArgumentsFailWithTheirText)
{
    vxmtest::CTempDir dir;
    EXPECT_EQ(SDL_SavePNG_RW(nullptr, nullptr), -1);
    EXPECT_NE(std::string(SDL_GetError()).find("Argument 2 to SDL_SavePNG_RW"), std::string::npos);
    const std::string path = dir.File("null.png");
    EXPECT_EQ(SDL_SavePNG(nullptr, path), -1);
    EXPECT_NE(std::string(SDL_GetError()).find("Argument 1 to SDL_SavePNG_RW can't be NULL"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SurfacePng, LibraryErrorRemovesThePartialFile)
{
    vxmtest::CTempDir dir;
    // A surface without rows is refused by the encoder after the file is open.
    CSurface surf(SDL_CreateRGBSurface(SDL_SWSURFACE, 0, 0, 24, 0xff0000, 0x00ff00, 0x0000ff, 0));
    ASSERT_NE(surf.s, nullptr);
    const std::string path = dir.File("empty.png");
    EXPECT_EQ(SDL_SavePNG(surf.s, path), -1);
    EXPECT_NE(std::string(SDL_GetError()).find("libpng: "), std::string::npos) << SDL_GetError();
    EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
