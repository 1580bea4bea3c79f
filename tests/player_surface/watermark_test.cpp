// Text and image watermarks of a media object: sized from the video, kept
// inside the reference picture, faded by the transparency.
#include <gtest/gtest.h>

#include "CmdFFplay.h"
#include "PreviewSurface.h"
#include "SurfacePng.h"
#include "VXMMediaImpl.h"
#include "VXMUtils.h"
#include "Watermarks.h"
#include "probe_media.h"
#include "support/test_media.h"

namespace {

void Probe(CVXMMediaImpl& media, const std::string& path)
{
    const std::wstring source = AnsiToWide(path);
    media.SetSourcePath(source);
    CCmdFFplay probe;
    probe_media_with_context(L"ffmpeg -i \"" + source + L"\"", &media, &probe);
}

const std::string& WideClip()
{
    static vxmtest::CTempDir dir;
    static std::string path;
    if (path.empty()) {
        path = dir.File("wide.mp4");
        EXPECT_TRUE(vxmtest::MakeVideoClip(path, 0.5, 1280, 720));
    }
    return path;
}

uint32_t MaxAlpha(SDL_Surface* s)
{
    uint32_t best = 0;
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) best = std::max(best, GetPixel(s, x, y) >> 24);
    return best;
}

TEST(Watermark, AutomaticFontSizeFollowsTheVideoWidth)
{
    CVXMMediaImpl media;
    Probe(media, WideClip());
    media.m_wmText.m_strText = L"Vexmora";
    media.m_wmText.m_nRefWidth = 1280;
    media.m_wmText.m_nRefHeight = 720;
    media.m_wmText.m_byRed = 255;
    media.m_wmText.m_byGreen = 0;
    media.m_wmText.m_byBlue = 0;
    SDL_Surface* s = media.RenderTextWatermark();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(media.m_wmText.m_nFontSize, 91);
    EXPECT_GT(s->h, 80);   // a 91-pixel font
    EXPECT_EQ(media.m_wmText.m_nWidth, s->w);
    EXPECT_EQ(MaxAlpha(s), 255u);
    // An opaque pixel carries the text colour.
    bool red = false;
    for (int y = 0; y < s->h && !red; ++y)
        for (int x = 0; x < s->w && !red; ++x) {
            Uint8 r, g, b, a;
            SDL_GetRGBA(GetPixel(s, x, y), s->format, &r, &g, &b, &a);
            red = a == 255 && r == 255 && g == 0 && b == 0;
        }
    EXPECT_TRUE(red);
}

TEST(Watermark, FullTransparencyClearsEveryAlpha)
{
    CVXMMediaImpl media;
    Probe(media, vxmtest::GetTestMedia().mp4);
    media.m_wmText.m_strText = L"AB";
    media.m_wmText.m_nRefWidth = 160;
    media.m_wmText.m_nRefHeight = 120;
    media.m_nWatermarkTransparency = 100;
    SDL_Surface* s = media.RenderTextWatermark();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(MaxAlpha(s), 0u);
}

TEST(Watermark, BoxPastTheReferenceEdgeIsMovedBack)
{
    CVXMMediaImpl media;
    Probe(media, vxmtest::GetTestMedia().mp4);
    auto& wm = media.m_wmText;
    wm.m_strText = L"X";
    wm.m_nScaleMode = 0;
    wm.m_nRefWidth = 1920;
    wm.m_nRefHeight = 1080;
    wm.m_nX = 1900;
    wm.m_nY = -20;
    wm.m_nWidth = 100;
    wm.m_nHeight = 50;
    SDL_Surface* s = media.RenderTextWatermark();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(wm.m_nX, 1820);
    EXPECT_EQ(wm.m_nY, 0);
    EXPECT_EQ(s->w, 100);
    EXPECT_EQ(s->h, 50);
}

TEST(Watermark, MediaWithoutVideoGivesNoSurface)
{
    CVXMMediaImpl media;
    Probe(media, vxmtest::GetTestMedia().mp3);
    media.m_wmText.m_strText = L"X";
    media.m_wmImage.m_strText = L"/nonexistent.png";
    EXPECT_EQ(media.RenderTextWatermark(), nullptr);
    EXPECT_EQ(media.LoadImageWatermark(), nullptr);
}

TEST(Watermark, ImageKeepsItsPixelsAndGetsAPreviewCopy)
{
    vxmtest::CTempDir dir;
    SDL_Surface* src = SDL_CreateRGBSurface(SDL_SWSURFACE, 10, 6, 32, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) PutPixel(0xFF000000u | (x * 20u) << 16 | (y * 30u) << 8 | 7u, src, x, y);
    const std::string png = dir.File("logo.png");
    ASSERT_EQ(SDL_SavePNG(src, png), 0);
    SDL_FreeSurface(src);

    CVXMMediaImpl media;
    Probe(media, vxmtest::GetTestMedia().mp4);   // 160x120
    auto& wm = media.m_wmImage;
    wm.m_strText = AnsiToWide(png);
    wm.m_nRefWidth = 320;
    wm.m_nRefHeight = 240;
    wm.m_nX = 315;
    SDL_Surface* s = media.LoadImageWatermark();
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->w, 10);
    ASSERT_EQ(s->h, 6);
    Uint8 r, g, b, a;
    SDL_GetRGBA(GetPixel(s, 3, 4), s->format, &r, &g, &b, &a);
    EXPECT_EQ(r, 60);
    EXPECT_EQ(g, 120);
    EXPECT_EQ(b, 7);
    EXPECT_EQ(a, 255);
    // Reference units: twice the video's.
    EXPECT_EQ(wm.m_nWidth, 20);
    EXPECT_EQ(wm.m_nHeight, 12);
    EXPECT_EQ(wm.m_nX, 300);
    ASSERT_NE(media.m_pImageWatermarkScaled, nullptr);
    EXPECT_EQ(media.m_pImageWatermarkScaled->w, 20);
    EXPECT_EQ(media.m_pImageWatermarkScaled->h, 12);
}

}  // namespace
