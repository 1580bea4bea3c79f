// Picture subtitles of the player: decoding and blending into the shown picture.
#include "ffplay_state.h"

namespace ffplay_detail {

AVPacket* NextPacket(CVideoState* is, CPacketQueue& q, AVCodecContext* dec, int& serial,
                     std::atomic<bool>* finished)
{
    AVPacket* pkt = nullptr;
    int pktSerial = 0;
    if (!q.Get(&pkt, &pktSerial, is->abort_request)) return nullptr;
    if (pktSerial != serial) {
        avcodec_flush_buffers(dec);
        serial = pktSerial;
        if (finished) *finished = false;
    }
    return pkt;
}

bool SendNextPacket(CVideoState* is, CPacketQueue& q, AVCodecContext* dec, int& serial, std::atomic<bool>& finished)
{
    AVPacket* pkt = NextPacket(is, q, dec, serial, &finished);
    if (!pkt) return false;
    const int ret = avcodec_send_packet(dec, pkt->data ? pkt : nullptr);
    av_packet_free(&pkt);
    return ret >= 0 || ret == AVERROR(EAGAIN) || ret == AVERROR_EOF;
}

bool ReceiveFrame(AVCodecContext* dec, AVFrame* frame, std::atomic<bool>& finished)
{
    const int ret = avcodec_receive_frame(dec, frame);
    if (ret == AVERROR_EOF) finished = true;
    return ret >= 0;
}

void SubtitleThread(CVideoState* is)
{
    int serial = -1;
    while (!is->abort_request.load()) {
        AVPacket* pkt = NextPacket(is, is->subtitleq, is->sdec, serial, nullptr);
        if (!pkt) continue;
        if (!pkt->data) {
            av_packet_free(&pkt);
            continue;
        }
        CSubtitle sp;
        int got = 0;
        const int ret = avcodec_decode_subtitle2(is->sdec, &sp.sub, &got, pkt);
        av_packet_free(&pkt);
        if (ret < 0 || !got) continue;
        if (sp.sub.format != 0) {   // text subtitles are drawn by the "subtitles" filter
            avsubtitle_free(&sp.sub);
            continue;
        }
        const double pts = sp.sub.pts != AV_NOPTS_VALUE ? sp.sub.pts / static_cast<double>(AV_TIME_BASE) : 0.0;
        sp.start = pts + sp.sub.start_display_time / 1000.0;
        sp.end = sp.sub.end_display_time ? pts + sp.sub.end_display_time / 1000.0 : INFINITY;
        sp.serial = serial;
        std::lock_guard<std::mutex> lock(is->sub_lock);
        if (!is->subs.empty() && std::isinf(is->subs.back().end)) is->subs.back().end = sp.start;
        while (is->subs.size() >= 16) {
            avsubtitle_free(&is->subs.front().sub);
            is->subs.pop_front();
        }
        is->subs.push_back(sp);
    }
}

// Blends one palettized subtitle rectangle into a YUV 4:2:0 picture.
void BlendSubtitleRect(AVFrame* dst, const AVSubtitleRect* r)
{
    if (r->type != SUBTITLE_BITMAP || !r->data[0] || !r->data[1]) return;
    const auto* palette = reinterpret_cast<const uint32_t*>(r->data[1]);
    for (int y = 0; y < r->h; y++) {
        const int py = r->y + y;
        if (py < 0 || py >= dst->height) continue;
        for (int x = 0; x < r->w; x++) {
            const int px = r->x + x;
            if (px < 0 || px >= dst->width) continue;
            const uint32_t c = palette[r->data[0][y * r->linesize[0] + x]];
            const int a = (c >> 24) & 0xff, R = (c >> 16) & 0xff, G = (c >> 8) & 0xff, B = c & 0xff;
            if (!a) continue;
            const int Y = 16 + ((66 * R + 129 * G + 25 * B + 128) >> 8);
            uint8_t& yp = dst->data[0][py * dst->linesize[0] + px];
            yp = static_cast<uint8_t>((yp * (255 - a) + Y * a) / 255);
            if ((px & 1) || (py & 1)) continue;
            const int U = 128 + ((-38 * R - 74 * G + 112 * B + 128) >> 8);
            const int V = 128 + ((112 * R - 94 * G - 18 * B + 128) >> 8);
            uint8_t& up = dst->data[1][(py / 2) * dst->linesize[1] + px / 2];
            uint8_t& vp = dst->data[2][(py / 2) * dst->linesize[2] + px / 2];
            up = static_cast<uint8_t>((up * (255 - a) + U * a) / 255);
            vp = static_cast<uint8_t>((vp * (255 - a) + V * a) / 255);
        }
    }
}

// The shown picture with the subtitle of its time blended in, or the picture itself.
const AVFrame* SubtitledPicture(CVideoState* is)
{
    const AVFrame* f = is->shown.frame;
    if (is->subtitle_stream < 0 || std::isnan(is->shown.pts)) return f;
    std::lock_guard<std::mutex> lock(is->sub_lock);
    const int serial = is->subtitleq.Serial();
    while (!is->subs.empty() && (is->subs.front().serial != serial || is->subs.front().end < is->shown.pts)) {
        avsubtitle_free(&is->subs.front().sub);
        is->subs.pop_front();
    }
    if (is->subs.empty() || is->subs.front().start > is->shown.pts) return f;
    av_frame_free(&is->blended);
    is->blended = av_frame_alloc();
    if (!is->blended) return f;
    is->blended->format = f->format;
    is->blended->width = f->width;
    is->blended->height = f->height;
    if (av_frame_get_buffer(is->blended, 0) < 0 || av_frame_copy(is->blended, f) < 0) return f;
    is->blended->sample_aspect_ratio = f->sample_aspect_ratio;
    const AVSubtitle& sub = is->subs.front().sub;
    for (unsigned i = 0; i < sub.num_rects; i++) BlendSubtitleRect(is->blended, sub.rects[i]);
    return is->blended;
}

}  // namespace ffplay_detail
