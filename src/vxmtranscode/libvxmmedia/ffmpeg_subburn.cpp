// Burn-in of a bitmap subtitle stream ("sst") into the encoded picture.
#include "ffmpeg_transcode.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <utility>

extern "C" {
#include <libswscale/swscale.h>
}

#include "cmdutils.h"
#include "display_turn.h"

namespace {

// Subtitles decoded ahead of the picture; more than this are not kept.
constexpr size_t kMaxWaitingCues = 256;

}  // namespace

BurnInState::~BurnInState()
{
    for (BurnInCue& cue : waiting) avsubtitle_free(&cue.sub);
    if (has_sub) avsubtitle_free(&shown.sub);
    if (own_decoder) avcodec_free_context(&dec);
}

bool burn_in_matches(CTranscodeRun& run, AVStream* st)
{
    const int sst = run.ctx->wanted_stream[AVMEDIA_TYPE_SUBTITLE];
    if (sst == -1 || st->codecpar->codec_type != AVMEDIA_TYPE_SUBTITLE) return false;
    return (run.ctx->IsDvdTitleMedia() ? st->id : st->index) == sst;
}

int burn_in_open(CTranscodeRun& run, AVStream* st, InputStream* ist)
{
    BurnInState& b = run.burn;
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        av_log(nullptr, AV_LOG_ERROR, "No decoder for the burn-in subtitle stream #0:%d (%s)\n", st->index,
               avcodec_get_name(st->codecpar->codec_id));
        return AVERROR_DECODER_NOT_FOUND;
    }
    AVCodecContext* dec = ist ? ist->dec_ctx : nullptr;
    bool own = false;
    if (!dec) {
        dec = avcodec_alloc_context3(codec);
        if (!dec) return AVERROR(ENOMEM);
        own = true;
        if (avcodec_parameters_to_context(dec, st->codecpar) < 0) {
            avcodec_free_context(&dec);
            return AVERROR(EINVAL);
        }
    }
    if (!avcodec_is_open(dec)) {
        dec->pkt_timebase = st->time_base;
        int ret = avcodec_open2(dec, codec, nullptr);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Could not open the decoder of the burn-in subtitle stream #0:%d\n",
                   st->index);
            if (own) avcodec_free_context(&dec);
            return ret;
        }
    }
    b.dec = dec;
    b.own_decoder = own;
    b.stream_index = st->index;
    b.tb = st->time_base;
    if (ist) ist->discard = 0;
    st->discard = AVDISCARD_NONE;
    return 0;
}

void burn_in_take_packet(CTranscodeRun& run, AVPacket* pkt)
{
    BurnInState& b = run.burn;
    const int64_t pts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    AVSubtitle sub{};
    int got = 0;
    const int ret = pkt->size > 0 ? avcodec_decode_subtitle2(b.dec, &sub, &got, pkt) : 0;
    av_packet_unref(pkt);
    if (ret < 0 || !got) return;
    // Only pictures are drawn; a text subtitle goes at once.
    if (sub.format != 0) {
        avsubtitle_free(&sub);
        return;
    }
    subtitle_palette_to_yuva(&sub);
    if (b.waiting.size() >= kMaxWaitingCues) {
        av_log(nullptr, AV_LOG_WARNING, "Burn-in: subtitles run far ahead of the picture; one is dropped\n");
        avsubtitle_free(&b.waiting.front().sub);
        b.waiting.pop_front();
    }
    BurnInCue cue;
    cue.sub = sub;
    cue.packet_time = pts == AV_NOPTS_VALUE ? NAN : pts * av_q2d(b.tb);
    b.waiting.push_back(cue);
}

void subtitle_palette_to_yuva(AVSubtitle* sub)
{
    for (unsigned i = 0; i < sub->num_rects; i++) {
        AVSubtitleRect* rect = sub->rects[i];
        if (!rect->data[1]) continue;
        auto* pal = reinterpret_cast<uint32_t*>(rect->data[1]);
        for (int j = 0; j < rect->nb_colors && j < 256; j++) {
            const uint32_t c = pal[j];
            const int a = (c >> 24) & 0xff, r = (c >> 16) & 0xff, g = (c >> 8) & 0xff, bl = c & 0xff;
            const int y = (263 * r + 516 * g + 100 * bl + 16896) >> 10;
            const int u = ((-152 * r - 298 * g + 450 * bl + 511) >> 10) + 128;
            const int v = ((450 * r - 377 * g - 73 * bl + 511) >> 10) + 128;
            pal[j] = (static_cast<uint32_t>(a) << 24) | ((static_cast<uint32_t>(y) & 0xff) << 16) |
                     ((static_cast<uint32_t>(u) & 0xff) << 8) | (static_cast<uint32_t>(v) & 0xff);
        }
    }
}

namespace {

SwsFilter* gaussian_filter()
{
    static std::once_flag once;
    static SwsFilter filter{};
    std::call_once(once, [] {
        SwsVector* vec = sws_getGaussianVec(0.25, 3.0);
        if (vec) sws_normalizeVec(vec, 1.0);
        filter.lumH = filter.lumV = filter.chrH = filter.chrV = vec;
    });
    return filter.lumH ? &filter : nullptr;
}

inline int blend(int alpha, int oldv, int newv, int s)
{
    return ((oldv << s) * (255 - alpha) + newv * alpha) / (255 << s);
}

}  // namespace

void scale_subtitle(AVSubtitle* sub, int sw, int sh, int dw, int dh)
{
    if (sw <= 0 || sh <= 0) return;
    const double sx = static_cast<double>(dw) / sw, sy = static_cast<double>(dh) / sh;
    for (unsigned i = 0; i < sub->num_rects; i++) {
        AVSubtitleRect* rect = sub->rects[i];
        const int nw = static_cast<int>(rect->w * sx), nh = static_cast<int>(rect->h * sy);
        if (nw <= 0 || nh <= 0 || !rect->data[0]) continue;
        auto* plane = static_cast<uint8_t*>(av_mallocz(static_cast<size_t>(nw) * nh));
        if (!plane) continue;  // the rectangle keeps its size
        SwsContext* sws = sws_getContext(rect->w, rect->h, AV_PIX_FMT_GRAY8, nw, nh, AV_PIX_FMT_GRAY8, SWS_POINT,
                                         gaussian_filter(), nullptr, nullptr);
        if (sws) {
            uint8_t* dst[4] = {plane, nullptr, nullptr, nullptr};
            int dst_ls[4] = {nw, 0, 0, 0};
            const uint8_t* src[4] = {rect->data[0], nullptr, nullptr, nullptr};
            int src_ls[4] = {rect->linesize[0], 0, 0, 0};
            sws_scale(sws, src, src_ls, 0, rect->h, dst, dst_ls);
            sws_freeContext(sws);
        }
        rect->x = static_cast<int>(rect->x * sx);
        rect->y = static_cast<int>(rect->y * sy);
        rect->w = nw;
        rect->h = nh;
        av_freep(&rect->data[0]);
        rect->data[0] = plane;
        rect->linesize[0] = nw;
    }
}

void blend_subrect(uint8_t* const data[3], const int linesize[3], const AVSubtitleRect* rect, int imgw, int imgh,
                   int pix_fmt)
{
    const bool nv12 = pix_fmt == AV_PIX_FMT_NV12;
    const int dstw = av_clip(rect->w, 0, imgw);
    const int dsth = av_clip(rect->h, 0, imgh);
    const int dstx = av_clip(rect->x, 0, imgw - dstw);
    const int dsty = av_clip(rect->y, 0, imgh - dsth);
    if (dstw <= 0 || dsth <= 0 || !rect->data[0] || !rect->data[1]) return;
    const auto* pal = reinterpret_cast<const uint32_t*>(rect->data[1]);
    const uint8_t* src = rect->data[0];
    const int sls = rect->linesize[0];

    // One chroma sample, blended with the sums over the luma samples it covers.
    auto chroma = [&](int cx, int cy, int alpha_sum, int usum, int vsum, int s) {
        const int a = alpha_sum >> 2;
        if (nv12) {
            uint8_t* p = data[1] + cy * linesize[1] + 2 * cx;
            p[0] = static_cast<uint8_t>(blend(a, p[0], usum, s));
            p[1] = static_cast<uint8_t>(blend(a, p[1], vsum, s));
        } else {
            uint8_t* pu = data[1] + cy * linesize[1] + cx;
            uint8_t* pv = data[2] + cy * linesize[2] + cx;
            *pu = static_cast<uint8_t>(blend(a, *pu, usum, s));
            *pv = static_cast<uint8_t>(blend(a, *pv, vsum, s));
        }
    };
    auto luma = [&](int x, int y, uint32_t c) {
        uint8_t* p = data[0] + (dsty + y) * linesize[0] + dstx + x;
        *p = static_cast<uint8_t>(blend(c >> 24, *p, (c >> 16) & 0xff, 0));
    };

    int y = 0;
    // Rows are taken alone (odd first row, last row) or in pairs; columns the same.
    while (y < dsth) {
        const int absy = dsty + y;
        const int rows = ((absy & 1) || y + 1 >= dsth) ? 1 : 2;
        int x = 0;
        while (x < dstw) {
            const int absx = dstx + x;
            const int cols = ((absx & 1) || x + 1 >= dstw) ? 1 : 2;
            int asum = 0, usum = 0, vsum = 0;
            for (int ry = 0; ry < rows; ry++) {
                for (int rx = 0; rx < cols; rx++) {
                    const uint32_t c = pal[src[(y + ry) * sls + x + rx]];
                    luma(x + rx, y + ry, c);
                    const int a = c >> 24;
                    asum += a;
                    usum += (c >> 8) & 0xff;
                    vsum += c & 0xff;
                }
            }
            const int n = rows * cols;
            const int s = n == 1 ? 0 : (n == 2 ? 1 : 2);
            chroma(absx >> 1, absy >> 1, asum, usum, vsum, s);
            x += cols;
        }
        y += rows;
    }
}

namespace {

// Sets the display window of a subtitle on the frame times: from its packet's
// time, or from this frame when the two are far apart (or it has none).
void place_cue(BurnInCue& cue, double frame_time)
{
    const float d = static_cast<float>(frame_time - cue.packet_time);
    const double base = d > -20.0f && d < 20.0f ? cue.packet_time : frame_time;
    cue.start = base + cue.sub.start_display_time / 1000.0;
    cue.end = base + cue.sub.end_display_time / 1000.0;
    cue.placed = true;
}

// Makes `cue` the current subtitle, in the output picture's size.
void show_cue(CTranscodeRun& run, OutputStream* ost, BurnInCue& cue)
{
    BurnInState& b = run.burn;
    InputStream* src = ost->source_index >= 0 ? run.ctx->input_streams[ost->source_index].get() : nullptr;
    int sw = src && src->dec_ctx ? src->dec_ctx->width : 0;
    int sh = src && src->dec_ctx ? src->dec_ctx->height : 0;
    // The subtitle sits on the picture as shown.
    if (src && DisplayTurnOf(src->st).swapsSides) std::swap(sw, sh);
    if (sw && sh && (sw != ost->enc_ctx->width || sh != ost->enc_ctx->height))
        scale_subtitle(&cue.sub, sw, sh, ost->enc_ctx->width, ost->enc_ctx->height);
    if (b.has_sub) avsubtitle_free(&b.shown.sub);
    b.shown = cue;
    b.has_sub = true;
}

}  // namespace

int burn_in_frame(CTranscodeRun& run, OutputStream* ost, AVFrame* frame, double frame_time)
{
    BurnInState& b = run.burn;
    for (BurnInCue& cue : b.waiting)
        if (!cue.placed) place_cue(cue, frame_time);
    // The latest subtitle whose time has come replaces the one shown (a
    // picture subtitle without objects ends the one before it).
    while (!b.waiting.empty() && frame_time >= b.waiting.front().start) {
        show_cue(run, ost, b.waiting.front());
        b.waiting.pop_front();
    }
    if (!b.has_sub) return 0;
    if (frame_time > b.shown.end) {
        avsubtitle_free(&b.shown.sub);
        b.has_sub = false;
        return 0;
    }
    const int fmt = frame->format;
    if (b.shown.sub.num_rects == 0 ||
        (fmt != AV_PIX_FMT_YUV420P && fmt != AV_PIX_FMT_YUVJ420P && fmt != AV_PIX_FMT_NV12))
        return 0;
    if (av_frame_make_writable(frame) < 0) return AVERROR(ENOMEM);
    const int w = FFMIN(ost->enc_ctx->width, frame->width), h = FFMIN(ost->enc_ctx->height, frame->height);
    for (unsigned i = 0; i < b.shown.sub.num_rects; i++)
        blend_subrect(frame->data, frame->linesize, b.shown.sub.rects[i], w, h, fmt);
    return 0;
}
