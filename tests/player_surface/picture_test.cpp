// The compare view's picture changes match the same changes done by the
// library's own filters, and the adjustment tables follow their formula.
#include <gtest/gtest.h>

#include <string>

#include "ffplay_picture.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libswscale/swscale.h>
}

using namespace ffplay_detail;

namespace {

// A YUV 4:2:0 picture whose samples differ at every position.
AVFrame* Pattern(int w, int h)
{
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_YUV420P;
    f->width = w;
    f->height = h;
    av_frame_get_buffer(f, 0);
    for (int p = 0; p < 3; ++p) {
        const int pw = p ? (w + 1) / 2 : w, ph = p ? (h + 1) / 2 : h;
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x) f->data[p][y * f->linesize[p] + x] = static_cast<uint8_t>(x * 7 + y * 13 + p * 50);
    }
    return f;
}

// The picture through a filter chain of the library.
AVFrame* Filtered(const AVFrame* in, const std::string& chain)
{
    AVFilterGraph* g = avfilter_graph_alloc();
    AVFilterContext *src = nullptr, *sink = nullptr;
    char args[128];
    snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=1/25:pixel_aspect=1/1", in->width, in->height,
             in->format);
    avfilter_graph_create_filter(&src, avfilter_get_by_name("buffer"), "in", args, nullptr, g);
    avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr, g);
    AVFilterInOut* outputs = avfilter_inout_alloc();
    AVFilterInOut* inputs = avfilter_inout_alloc();
    outputs->name = av_strdup("in");
    outputs->filter_ctx = src;
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    AVFrame* out = nullptr;
    if (avfilter_graph_parse_ptr(g, chain.c_str(), &inputs, &outputs, nullptr) >= 0 &&
        avfilter_graph_config(g, nullptr) >= 0) {
        AVFrame* copy = av_frame_clone(in);
        copy->pts = 0;
        const bool fed = av_buffersrc_add_frame(src, copy) >= 0 && av_buffersrc_add_frame(src, nullptr) >= 0;
        av_frame_free(&copy);
        out = av_frame_alloc();
        if (!fed || av_buffersink_get_frame(sink, out) < 0) av_frame_free(&out);
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&g);
    return out;
}

// Largest difference of any sample of the three planes; 256 for other sizes.
int MaxDiff(const AVFrame* a, const AVFrame* b)
{
    if (!a || !b || a->width != b->width || a->height != b->height) return 256;
    int worst = 0;
    for (int p = 0; p < 3; ++p) {
        const int pw = p ? (a->width + 1) / 2 : a->width, ph = p ? (a->height + 1) / 2 : a->height;
        for (int y = 0; y < ph; ++y)
            for (int x = 0; x < pw; ++x)
                worst = std::max(worst, std::abs(a->data[p][y * a->linesize[p] + x] - b->data[p][y * b->linesize[p] + x]));
    }
    return worst;
}

struct CCase {
    CPictureTransform t;
    const char* chain;
};

TEST(PictureTransform, MatchesTheLibraryFilters)
{
    const CCase cases[] = {
        {{0, true, false, false}, "vflip"},
        {{0, false, true, false}, "hflip"},
        {{1, false, false, false}, "transpose=clock"},
        {{3, false, false, false}, "transpose=cclock"},
        {{2, false, false, false}, "hflip,vflip"},
        {{1, true, false, false}, "vflip,transpose=clock"},
        {{1, true, false, true}, "hflip,transpose=clock"},
        {{3, false, true, true}, "vflip,transpose=cclock"},
    };
    AVFrame* in = Pattern(48, 32);
    for (const CCase& c : cases) {
        AVFrame* mine = TransformPicture(in, c.t);
        AVFrame* ref = Filtered(in, c.chain);
        ASSERT_NE(ref, nullptr) << c.chain;
        EXPECT_EQ(MaxDiff(mine, ref), 0) << c.chain;
        av_frame_free(&mine);
        av_frame_free(&ref);
    }
    av_frame_free(&in);
}

TEST(PictureTransform, CropScaledBackMatchesCropAndScaleFilters)
{
    AVFrame* in = Pattern(64, 48);
    AVFrame* ref = Filtered(in, "crop=32:24:8:4,scale=64:48:flags=lanczos+accurate_rnd");
    AVFrame* mine = av_frame_clone(in);
    av_frame_make_writable(mine);
    ASSERT_TRUE(CropAndScale(mine, 8, 4, 32, 24));
    EXPECT_EQ(mine->width, 64);
    EXPECT_LE(MaxDiff(mine, ref), 2);
    // Negative offsets count as 0.
    AVFrame* ref0 = Filtered(in, "crop=32:24:0:0,scale=64:48:flags=lanczos+accurate_rnd");
    AVFrame* mine0 = av_frame_clone(in);
    av_frame_make_writable(mine0);
    ASSERT_TRUE(CropAndScale(mine0, -6, -2, 32, 24));
    EXPECT_LE(MaxDiff(mine0, ref0), 2);
    for (AVFrame* f : {in, ref, mine, ref0, mine0}) av_frame_free(&f);
}

TEST(PictureTransform, NonYuvPictureIsRefused)
{
    AVFrame* f = av_frame_alloc();
    f->format = AV_PIX_FMT_RGB24;
    f->width = 4;
    f->height = 4;
    av_frame_get_buffer(f, 0);
    EXPECT_EQ(TransformPicture(f, {}), nullptr);
    EXPECT_FALSE(CropAndScale(f, 0, 0, 2, 2));
    av_frame_free(&f);
}

TEST(AdjustTable, FollowsContrastBrightnessAndGamma)
{
    uint8_t lut[256];
    EXPECT_TRUE(IsIdentityAdjust(1.0, 0.0, 1.0));
    EXPECT_FALSE(IsIdentityAdjust(1.0, 0.01, 1.0));
    BuildAdjustLut(1.0, 1.0, 1.0, lut);   // brightness event 100
    for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], 255) << i;
    BuildAdjustLut(0.0, 0.0, 1.0, lut);   // contrast event -100
    for (int i = 0; i < 256; ++i) ASSERT_EQ(lut[i], 128) << i;
    uint8_t odd[256];
    BuildAdjustLut(1.3, -0.1, 5000.0, lut);   // gamma out of range counts as 1
    BuildAdjustLut(1.3, -0.1, 1.0, odd);
    EXPECT_EQ(memcmp(lut, odd, 256), 0);
    EXPECT_EQ(lut[0], 0);
}

TEST(AdjustTable, BrightnessContrastAndSaturationMatchTheLibraryLut)
{
    // Y: contrast 1.3, brightness 0.1; U and V: contrast 0.6 (saturation).
    AVFrame* in = Pattern(40, 30);
    AVFrame* mine = av_frame_clone(in);
    av_frame_make_writable(mine);
    const double c[3] = {1.3, 0.6, 0.6}, b[3] = {0.1, 0.0, 0.0};
    for (int p = 0; p < 3; ++p) {
        uint8_t lut[256];
        BuildAdjustLut(c[p], b[p], 1.0, lut);
        ApplyAdjustLut(lut, mine->data[p], p ? 20 : 40, p ? 15 : 30, mine->linesize[p]);
    }
    auto expr = [](double contrast, double brightness) {
        char e[256];
        snprintf(e, sizeof(e), "if(lte((val/255-0.5)*%g+0.5+%g\\,0)\\,0\\,if(gte((val/255-0.5)*%g+0.5+%g\\,1)\\,255\\,"
                 "trunc(256*((val/255-0.5)*%g+0.5+%g))))",
                 contrast, brightness, contrast, brightness, contrast, brightness);
        return std::string(e);
    };
    AVFrame* ref = Filtered(in, "lutyuv=y=" + expr(1.3, 0.1) + ":u=" + expr(0.6, 0.0) + ":v=" + expr(0.6, 0.0));
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(MaxDiff(mine, ref), 0);
    for (AVFrame* f : {in, mine, ref}) av_frame_free(&f);
}

TEST(AdjustTable, AppliesToEveryByteOfARowNotAMultipleOfEight)
{
    uint8_t lut[256];
    for (int i = 0; i < 256; ++i) lut[i] = static_cast<uint8_t>(255 - i);
    uint8_t plane[3 * 16];
    for (int i = 0; i < 48; ++i) plane[i] = static_cast<uint8_t>(i);
    ApplyAdjustLut(lut, plane, 13, 3, 16);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 16; ++x)
            EXPECT_EQ(plane[y * 16 + x], x < 13 ? 255 - (y * 16 + x) : y * 16 + x) << x << "," << y;
}

}  // namespace
