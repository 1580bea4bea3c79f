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

// Writes a Matroska file with one DVD subtitle: a white box shown from 0.5 s
// for 1.5 s.
bool WriteDvdSubtitle(const std::string& path)
{
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_DVD_SUBTITLE);
    AVFormatContext* oc = nullptr;
    if (!codec || avformat_alloc_output_context2(&oc, nullptr, "matroska", path.c_str()) < 0) return false;
    AVCodecContext* enc = avcodec_alloc_context3(codec);
    enc->width = kW;
    enc->height = kH;
    enc->time_base = AVRational{1, 1000};
    bool ok = avcodec_open2(enc, codec, nullptr) >= 0;
    AVStream* st = avformat_new_stream(oc, nullptr);
    ok = ok && st && avcodec_parameters_from_context(st->codecpar, enc) >= 0;
    st->time_base = AVRational{1, 1000};
    ok = ok && avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(oc, nullptr) >= 0;
    if (ok) {
        AVSubtitleRect rect{};
        std::vector<uint8_t> index(kRectW * kRectH, 1);
        uint32_t palette[4] = {0x00000000, 0xFFFFFFFF, 0xFF000000, 0xFF808080};
        rect.x = kRectX;
        rect.y = kRectY;
        rect.w = kRectW;
        rect.h = kRectH;
        rect.nb_colors = 4;
        rect.type = SUBTITLE_BITMAP;
        rect.data[0] = index.data();
        rect.linesize[0] = kRectW;
        rect.data[1] = reinterpret_cast<uint8_t*>(palette);
        AVSubtitleRect* rects[1] = {&rect};
        AVSubtitle sub{};
        sub.format = 0;
        sub.start_display_time = 0;
        sub.end_display_time = 1500;
        sub.num_rects = 1;
        sub.rects = rects;
        sub.pts = 500000;
        std::vector<uint8_t> buf(1 << 16);
        int size = avcodec_encode_subtitle(enc, buf.data(), static_cast<int>(buf.size()), &sub);
        ok = size > 0;
        if (ok) {
            AVPacket* pkt = av_packet_alloc();
            av_new_packet(pkt, size);
            memcpy(pkt->data, buf.data(), size);
            pkt->pts = pkt->dts = av_rescale_q(500, AVRational{1, 1000}, st->time_base);
            pkt->duration = av_rescale_q(1500, AVRational{1, 1000}, st->time_base);
            pkt->stream_index = 0;
            ok = av_interleaved_write_frame(oc, pkt) >= 0 && av_write_trailer(oc) >= 0;
            av_packet_free(&pkt);
        }
    }
    avcodec_free_context(&enc);
    if (oc->pb) avio_closep(&oc->pb);
    avformat_free_context(oc);
    return ok;
}

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
    const std::string video = dir.File("video.mkv");
    const std::string subs = dir.File("subs.mkv");
    const std::string merged = dir.File("merged.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=10:duration=3", "-c:v", "ffv1",
                                    "-pix_fmt", "yuv420p", video}));
    ASSERT_TRUE(WriteDvdSubtitle(subs));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", video, "-i", subs, "-map", "0:v", "-map", "1:s", "-c", "copy", merged}));

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
