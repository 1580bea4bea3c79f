// Burn-in of a bitmap subtitle stream: pixels under the subtitle change while
// it is shown, nothing else does; and the blend itself on small pictures.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "ffmpeg_transcode.h"
#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;

namespace {

constexpr int kW = 320, kH = 240;
constexpr int kRectX = 100, kRectY = 180, kRectW = 120, kRectH = 30;

bool InRect(int x, int y, int plane)
{
    const int s = plane ? 1 : 0;
    return x >= (kRectX >> s) && x < ((kRectX + kRectW + s) >> s) && y >= (kRectY >> s) &&
           y < ((kRectY + kRectH + s) >> s);
}

struct Diff {
    long inside = 0, outside = 0;
};

Diff Compare(const std::string& a, const std::string& b)
{
    Diff d;
    const uint8_t* pa = reinterpret_cast<const uint8_t*>(a.data());
    const uint8_t* pb = reinterpret_cast<const uint8_t*>(b.data());
    size_t off = 0;
    for (int plane = 0; plane < 3; plane++) {
        const int w = plane ? kW / 2 : kW, h = plane ? kH / 2 : kH;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++, off++)
                if (pa[off] != pb[off]) (InRect(x, y, plane) ? d.inside : d.outside)++;
    }
    return d;
}

}  // namespace

TEST(BurnIn, ChangesThePixelsUnderTheSubtitleWhileItIsShown)
{
    vxmtest::CTempDir dir;
    // A white box shown from 0.5 s for 1.5 s.
    const std::string merged = MakeSubtitledVideo(dir, "merged", kW, kH, {{500, 1500, kRectX, kRectY, kRectW, kRectH, 0xFFFFFFFF}});
    ASSERT_FALSE(merged.empty());

    const std::string plain = dir.File("plain.nut");
    const std::string burnt = dir.File("burnt.nut");
    ASSERT_EQ(RunTranscode("-y -i " + Q(merged) + " -map 0:0 -vcodec rawvideo -pix_fmt yuv420p " + Q(plain)), 0);
    ASSERT_EQ(RunTranscode("-y -i " + Q(merged) + " -sst 1 -map 0:0 -vcodec rawvideo -pix_fmt yuv420p " + Q(burnt)),
              0);
    auto a = DecodeFrames(plain, kW, kH);
    auto b = DecodeFrames(burnt, kW, kH);
    ASSERT_EQ(a.size(), 30u);
    ASSERT_EQ(b.size(), a.size());
    for (size_t i = 0; i < a.size(); i++) {
        SCOPED_TRACE("frame " + std::to_string(i));
        Diff d = Compare(a[i], b[i]);
        EXPECT_EQ(d.outside, 0);
        if (i < 5 || i > 20) {
            EXPECT_EQ(d.inside, 0);
        }
        if (i >= 6 && i <= 19) {
            EXPECT_GT(d.inside, kRectW * kRectH / 2);
        }
    }
}

TEST(BurnIn, WithoutSstTheRunIgnoresSubtitleStreams)
{
    vxmtest::CTempDir dir;
    const auto& m = vxmtest::GetTestMedia();
    // "sst" naming a non-subtitle stream selects nothing.
    ASSERT_EQ(RunTranscode("-y -i " + Q(m.subtitled) + " -sst 0 -map 0:0 -vcodec rawvideo -pix_fmt yuv420p " +
                           Q(dir.File("a.nut"))),
              0);
    ASSERT_EQ(RunTranscode("-y -i " + Q(m.subtitled) + " -map 0:0 -vcodec rawvideo -pix_fmt yuv420p " +
                           Q(dir.File("b.nut"))),
              0);
    auto a = DecodeFrames(dir.File("a.nut"), 160, 120);
    auto b = DecodeFrames(dir.File("b.nut"), 160, 120);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, b);
}

namespace {

struct Picture {
    int w, h;
    std::vector<uint8_t> y, u, v;
    Picture(int w_, int h_) : w(w_), h(h_), y(w * h, 16), u((w / 2) * (h / 2), 128), v((w / 2) * (h / 2), 128) {}
};

struct Rect {
    std::vector<uint8_t> index;
    uint32_t palette[2];
    AVSubtitleRect r{};
    Rect(int x, int y, int w, int h, uint32_t yuva) : index(w * h, 1)
    {
        palette[0] = 0;
        palette[1] = yuva;
        r.x = x;
        r.y = y;
        r.w = w;
        r.h = h;
        r.nb_colors = 2;
        r.data[0] = index.data();
        r.linesize[0] = w;
        r.data[1] = reinterpret_cast<uint8_t*>(palette);
    }
};

}  // namespace

TEST(BurnIn, OddPlacementBlendsEveryCoveredLumaSampleOnce)
{
    Picture p(16, 16);
    // Opaque, Y 235: a sample blended twice would still read 235, so blend a
    // half-transparent colour where a second blend would move the value.
    Rect rect(3, 5, 5, 7, (128u << 24) | (216u << 16) | (100u << 8) | 200u);
    uint8_t* data[3] = {p.y.data(), p.u.data(), p.v.data()};
    int ls[3] = {16, 8, 8};
    blend_subrect(data, ls, &rect.r, 16, 16, AV_PIX_FMT_YUV420P);
    const int once = ((16 << 0) * (255 - 128) + 216 * 128) / 255;
    for (int yy = 0; yy < 16; yy++)
        for (int xx = 0; xx < 16; xx++) {
            const bool covered = xx >= 3 && xx < 8 && yy >= 5 && yy < 12;
            EXPECT_EQ(p.y[yy * 16 + xx], covered ? once : 16) << xx << "," << yy;
        }
}

TEST(BurnIn, ARectangleLargerThanThePictureIsClippedAndMovedInside)
{
    Picture p(8, 8);
    Rect rect(6, 6, 20, 20, (255u << 24) | (200u << 16) | (128u << 8) | 128u);
    uint8_t* data[3] = {p.y.data(), p.u.data(), p.v.data()};
    int ls[3] = {8, 4, 4};
    blend_subrect(data, ls, &rect.r, 8, 8, AV_PIX_FMT_YUV420P);
    for (uint8_t s : p.y) EXPECT_EQ(s, 200);
}

TEST(BurnIn, Nv12GetsInterleavedChromaAndLeavesPlaneTwoAlone)
{
    Picture p(8, 8);
    std::vector<uint8_t> uv(8 * 4, 128);
    std::vector<uint8_t> untouched(16, 77);
    Rect rect(0, 0, 4, 4, (255u << 24) | (100u << 16) | (40u << 8) | 220u);
    uint8_t* data[3] = {p.y.data(), uv.data(), untouched.data()};
    int ls[3] = {8, 8, 4};
    blend_subrect(data, ls, &rect.r, 8, 8, AV_PIX_FMT_NV12);
    EXPECT_EQ(uv[0], 40);
    EXPECT_EQ(uv[1], 220);
    EXPECT_EQ(uv[2], 40);
    EXPECT_EQ(uv[3], 220);
    EXPECT_EQ(uv[4], 128);
    for (uint8_t s : untouched) EXPECT_EQ(s, 77);
}

TEST(BurnIn, ScalingFromPalToHdScalesSizesAndPositions)
{
    AVSubtitle sub{};
    sub.num_rects = 1;
    sub.rects = static_cast<AVSubtitleRect**>(av_mallocz(sizeof(AVSubtitleRect*)));
    sub.rects[0] = static_cast<AVSubtitleRect*>(av_mallocz(sizeof(AVSubtitleRect)));
    AVSubtitleRect* r = sub.rects[0];
    r->x = 90;
    r->y = 400;
    r->w = 360;
    r->h = 80;
    r->nb_colors = 4;
    r->data[0] = static_cast<uint8_t*>(av_mallocz(360 * 80));
    r->linesize[0] = 360;
    r->data[1] = static_cast<uint8_t*>(av_mallocz(4 * 4));
    scale_subtitle(&sub, 720, 576, 1280, 720);
    EXPECT_EQ(r->x, 160);
    EXPECT_EQ(r->y, 500);
    EXPECT_EQ(r->w, 640);
    EXPECT_EQ(r->h, 100);
    EXPECT_EQ(r->linesize[0], 640);
    avsubtitle_free(&sub);
}

TEST(BurnIn, PaletteBecomesYuvaWithTheIntegerFormulas)
{
    AVSubtitle sub{};
    sub.num_rects = 1;
    sub.rects = static_cast<AVSubtitleRect**>(av_mallocz(sizeof(AVSubtitleRect*)));
    sub.rects[0] = static_cast<AVSubtitleRect*>(av_mallocz(sizeof(AVSubtitleRect)));
    AVSubtitleRect* r = sub.rects[0];
    r->nb_colors = 2;
    r->data[1] = static_cast<uint8_t*>(av_mallocz(2 * 4));
    auto* pal = reinterpret_cast<uint32_t*>(r->data[1]);
    pal[0] = 0xFFFFFFFF;
    pal[1] = 0x80000000;
    subtitle_palette_to_yuva(&sub);
    EXPECT_EQ(pal[0], (0xFFu << 24) | (235u << 16) | (128u << 8) | 128u);
    EXPECT_EQ(pal[1], (0x80u << 24) | (16u << 16) | (128u << 8) | 128u);
    avsubtitle_free(&sub);
}
