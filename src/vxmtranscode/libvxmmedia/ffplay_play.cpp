#include "ffplay.h"

#include <SDL/SDL.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
}

#include "CmdFFplay.h"
#include "EngineGlobals.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "VXMMessages.h"
#include "VXMUtils.h"
#include "ffplay_host.h"
#include "ffplay_options.h"
#include "platform/messages.h"

namespace {

constexpr const char* kLogCategory = "?ffplay_play@@YAHPAXPAVCCmdFFplay@@@Z";
constexpr size_t kMaxQueueBytes = 15 * 1024 * 1024;
constexpr int kMinFrames = 25;
constexpr int kPictureQueueSize = 3;
constexpr double kSyncThresholdMax = 0.1;
constexpr double kNoSyncThreshold = 10.0;

double Now() { return av_gettime_relative() / 1000000.0; }

// ---------------------------------------------------------------- queues

// Packets of one stream. A flush bumps the serial: what was queued before is
// dropped, and decoders reset when they meet the new serial.
class CPacketQueue {
public:
    ~CPacketQueue() { Flush(); }
    void Put(AVPacket* pkt)   // takes the packet
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bytes += pkt->size + sizeof(*pkt);
        m_packets.push_back({pkt, m_serial});
        m_cond.notify_all();
    }
    void PutNull(int index)
    {
        AVPacket* pkt = av_packet_alloc();
        pkt->stream_index = index;
        Put(pkt);
    }
    // Waits for a packet; false on abort.
    bool Get(AVPacket** pkt, int* serial, const std::atomic<bool>& abort)
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_cond.wait_for(lock, std::chrono::milliseconds(10), [&] { return abort.load() || !m_packets.empty(); });
        if (abort.load() || m_packets.empty()) return false;
        *pkt = m_packets.front().pkt;
        *serial = m_packets.front().serial;
        m_bytes -= (*pkt)->size + sizeof(**pkt);
        m_packets.pop_front();
        return true;
    }
    void Flush()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        for (auto& p : m_packets) av_packet_free(&p.pkt);
        m_packets.clear();
        m_bytes = 0;
        m_serial++;
        m_cond.notify_all();
    }
    void Wake() { m_cond.notify_all(); }
    size_t Bytes() { std::lock_guard<std::mutex> lock(m_lock); return m_bytes; }
    size_t Count() { std::lock_guard<std::mutex> lock(m_lock); return m_packets.size(); }
    int Serial() { std::lock_guard<std::mutex> lock(m_lock); return m_serial; }

private:
    struct Entry { AVPacket* pkt; int serial; };
    std::mutex m_lock;
    std::condition_variable m_cond;
    std::deque<Entry> m_packets;
    size_t m_bytes = 0;
    int m_serial = 0;
};

struct CPicture {
    AVFrame* frame = nullptr;   // YUV 4:2:0
    double pts = 0.0;
    double duration = 0.0;
    int serial = 0;
};

// Decoded audio ready for the device: S16 interleaved at the device's rate.
struct CAudioChunk {
    std::vector<uint8_t> data;
    size_t offset = 0;
    double pts = NAN;
    int serial = 0;
};

// A decoded picture subtitle and the times (seconds) it is shown.
struct CSubtitle {
    AVSubtitle sub{};
    double start = 0.0;
    double end = 0.0;
    int serial = 0;
};

// ---------------------------------------------------------------- the player

struct CVideoState {
    CCmdFFplay* runner = nullptr;
    CToolContext* ctx = nullptr;
    FFplayOptions* opts = nullptr;
    std::string filename;
    bool audio_only = false;          // the second ("extaudio") input
    std::atomic<bool> abort_request{false};
    std::atomic<bool> paused{false};
    std::atomic<bool> eof{false};

    AVFormatContext* ic = nullptr;
    std::mutex ic_lock;

    int video_stream = -1, audio_stream = -1, subtitle_stream = -1;
    AVCodecContext* sdec = nullptr;
    CPacketQueue subtitleq;
    std::mutex sub_lock;
    std::deque<CSubtitle> subs;       // decoded picture subtitles, in time order
    AVFrame* blended = nullptr;       // the shown picture with its subtitle
    AVCodecContext* vdec = nullptr;
    AVCodecContext* adec = nullptr;
    CPacketQueue videoq, audioq;
    std::atomic<bool> video_finished{false}, audio_finished{false};

    // seek request from the event loop
    std::mutex seek_lock;
    bool seek_req = false;
    int64_t seek_pos = 0;
    std::condition_variable continue_read;

    // pictures
    std::mutex pict_lock;
    std::condition_variable pict_cond;
    std::deque<CPicture> pictq;

    // audio
    std::mutex audio_lock;
    std::condition_variable audio_cond;
    std::deque<CAudioChunk> audioq_out;
    size_t audio_bytes = 0;
    int audio_rate = 44100, audio_channels = 2;
    bool audio_open = false;
    std::atomic<double> audio_clock{NAN};
    std::atomic<double> audio_clock_time{0.0};

    // external/video clock
    double clock_base = NAN;          // media time at clock_start
    double clock_start = 0.0;
    double paused_at = 0.0;
    std::atomic<double> seek_clock{NAN};   // set by the read thread after a seek
    // Decoded pictures and samples before this time (seconds) are dropped, so
    // a seek lands where it was asked and not on the keyframe before it.
    std::atomic<double> skip_until{NAN};
    std::atomic<double> video_clock{NAN};

    std::thread read_tid, video_tid, audio_tid, subtitle_tid;

    // display
    SDL_Overlay* overlay = nullptr;
    SDL_Overlay* overlay2 = nullptr;  // adjusted picture of the compare view
    SDL_Rect last_rect{0, 0, 0, 0};
    bool force_refresh = true;
    CPicture shown;                   // the picture on screen
    double last_status = 0.0;
};

// Process-wide: one player at a time.
std::mutex g_statusLock;
FFplayStatus g_status;
std::atomic<int> g_eventsOpen{0};
std::mutex g_pushLock;   // no push while SDL's queue opens or closes

void SetEventsOpen(int open)
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    g_eventsOpen = open;
}
FFplayRect g_rects[2];
float g_aspect = 0.0f;

void SetStatus(const FFplayStatus& s)
{
    std::lock_guard<std::mutex> lock(g_statusLock);
    g_status = s;
}

// ---------------------------------------------------------------- clocks

double MasterClock(CVideoState* is)
{
    const double seekClock = is->seek_clock.exchange(NAN);
    if (!std::isnan(seekClock)) {
        is->clock_base = seekClock;
        is->clock_start = Now();
        is->paused_at = is->clock_start;
    }
    if (is->paused.load()) {
        double a = is->audio_clock.load();
        if (is->audio_open && !std::isnan(a)) return a;
        return is->clock_base + (std::isnan(is->clock_base) ? 0 : is->paused_at - is->clock_start);
    }
    double a = is->audio_clock.load();
    if (is->audio_open && !std::isnan(a)) return a + (Now() - is->audio_clock_time.load());
    if (std::isnan(is->clock_base)) return NAN;
    return is->clock_base + (Now() - is->clock_start);
}

void SetExternalClock(CVideoState* is, double pts)
{
    is->clock_base = pts;
    is->clock_start = Now();
    is->paused_at = is->clock_start;
}

void TogglePause(CVideoState* is)
{
    if (is->paused.load()) {
        if (!std::isnan(is->clock_base)) is->clock_start += Now() - is->paused_at;
        is->audio_clock_time = Now();
        if (is->audio_open) SDL_PauseAudio(0);
        is->paused = false;
    } else {
        is->paused_at = Now();
        if (is->audio_open) SDL_PauseAudio(1);
        is->paused = true;
    }
    is->continue_read.notify_all();
}

// ---------------------------------------------------------------- audio

void AudioCallback(void* opaque, Uint8* stream, int len)
{
    auto* is = static_cast<CVideoState*>(opaque);
    const int volume = std::clamp(std::atomic_ref<int>(is->opts->volume).load(std::memory_order_relaxed), 0,
                                  SDL_MIX_MAXVOLUME);
    std::lock_guard<std::mutex> lock(is->audio_lock);
    const int serial = is->audioq.Serial();
    while (len > 0 && !is->audioq_out.empty()) {
        CAudioChunk& c = is->audioq_out.front();
        if (c.serial != serial) {
            is->audio_bytes -= c.data.size() - c.offset;
            is->audioq_out.pop_front();
            continue;
        }
        const int n = static_cast<int>(std::min<size_t>(len, c.data.size() - c.offset));
        // SDL has cleared the buffer: the volume scales the mix.
        SDL_MixAudio(stream, c.data.data() + c.offset, n, volume);
        c.offset += n;
        stream += n;
        len -= n;
        is->audio_bytes -= n;
        const double bytesPerSec = 2.0 * is->audio_channels * is->audio_rate;
        if (!std::isnan(c.pts)) {
            is->audio_clock = c.pts + c.offset / bytesPerSec;
            is->audio_clock_time = Now();
        }
        if (c.offset >= c.data.size()) is->audioq_out.pop_front();
    }
    is->audio_cond.notify_all();
}

void AudioThread(CVideoState* is)
{
    AVFrame* frame = av_frame_alloc();
    SwrContext* swr = nullptr;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, is->audio_channels);
    int swrRate = 0, swrFmt = -1;
    AVChannelLayout swrLayout{};
    int serial = -1;
    const AVRational tb = is->ic->streams[is->audio_stream]->time_base;
    while (!is->abort_request.load()) {
        AVPacket* pkt = nullptr;
        int pktSerial = 0;
        if (!is->audioq.Get(&pkt, &pktSerial, is->abort_request)) continue;
        if (pktSerial != serial) {
            avcodec_flush_buffers(is->adec);
            serial = pktSerial;
            is->audio_finished = false;
        }
        int ret = avcodec_send_packet(is->adec, pkt->data ? pkt : nullptr);
        av_packet_free(&pkt);
        if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) continue;
        while (!is->abort_request.load()) {
            ret = avcodec_receive_frame(is->adec, frame);
            if (ret == AVERROR_EOF) {
                is->audio_finished = true;
                break;
            }
            if (ret < 0) break;
            if (!swr || frame->sample_rate != swrRate || frame->format != swrFmt ||
                av_channel_layout_compare(&frame->ch_layout, &swrLayout)) {
                swr_free(&swr);
                swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, is->audio_rate, &frame->ch_layout,
                                    static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
                if (!swr || swr_init(swr) < 0) {
                    av_log(nullptr, AV_LOG_ERROR, "Cannot create sample rate converter\n");
                    swr_free(&swr);
                    av_frame_unref(frame);
                    break;
                }
                swrRate = frame->sample_rate;
                swrFmt = frame->format;
                av_channel_layout_uninit(&swrLayout);
                av_channel_layout_copy(&swrLayout, &frame->ch_layout);
            }
            const int outSamples = static_cast<int>(
                av_rescale_rnd(frame->nb_samples, is->audio_rate, frame->sample_rate, AV_ROUND_UP) + 256);
            CAudioChunk chunk;
            chunk.data.resize(static_cast<size_t>(outSamples) * 2 * is->audio_channels);
            uint8_t* out = chunk.data.data();
            int got = swr_convert(swr, &out, outSamples, const_cast<const uint8_t**>(frame->extended_data),
                                  frame->nb_samples);
            if (got <= 0) {
                av_frame_unref(frame);
                continue;
            }
            chunk.data.resize(static_cast<size_t>(got) * 2 * is->audio_channels);
            chunk.pts = frame->pts == AV_NOPTS_VALUE ? NAN : frame->pts * av_q2d(tb);
            chunk.serial = serial;
            av_frame_unref(frame);
            const double skip = is->skip_until.load();
            if (!std::isnan(skip) && !std::isnan(chunk.pts)) {
                const double bytesPerSec = 2.0 * is->audio_channels * is->audio_rate;
                const double end = chunk.pts + chunk.data.size() / bytesPerSec;
                if (end <= skip) continue;
                if (chunk.pts < skip) {
                    const size_t frameBytes = 2u * is->audio_channels;
                    size_t cut = static_cast<size_t>((skip - chunk.pts) * bytesPerSec) / frameBytes * frameBytes;
                    cut = std::min(cut, chunk.data.size());
                    chunk.data.erase(chunk.data.begin(), chunk.data.begin() + static_cast<long>(cut));
                    chunk.pts += cut / bytesPerSec;
                }
            }
            std::unique_lock<std::mutex> lock(is->audio_lock);
            // About half a second of audio waits for the device.
            is->audio_cond.wait(lock, [&] {
                return is->abort_request.load() || is->audio_bytes < static_cast<size_t>(is->audio_rate) * 2;
            });
            if (is->abort_request.load()) break;
            is->audio_bytes += chunk.data.size();
            is->audioq_out.push_back(std::move(chunk));
        }
    }
    swr_free(&swr);
    av_channel_layout_uninit(&swrLayout);
    av_channel_layout_uninit(&outLayout);
    av_frame_free(&frame);
}

// ---------------------------------------------------------------- video

struct CVideoFilter {
    AVFilterGraph* graph = nullptr;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int w = 0, h = 0, fmt = -1;
    ~CVideoFilter() { avfilter_graph_free(&graph); }
};

int ConfigureVideoFilters(CVideoState* is, CVideoFilter& vf, const AVFrame* frame)
{
    avfilter_graph_free(&vf.graph);
    vf.graph = avfilter_graph_alloc();
    if (!vf.graph) return AVERROR(ENOMEM);
    vf.graph->nb_threads = 1;
    AVStream* st = is->ic->streams[is->video_stream];
    AVRational sar = frame->sample_aspect_ratio.num ? frame->sample_aspect_ratio : AVRational{1, 1};
    char args[256];
    snprintf(args, sizeof(args), "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", frame->width,
             frame->height, frame->format, st->time_base.num, st->time_base.den, sar.num, sar.den);
    int ret = avfilter_graph_create_filter(&vf.src, avfilter_get_by_name("buffer"), "ffplay_buffer", args, nullptr,
                                           vf.graph);
    if (ret < 0) return ret;
    ret = avfilter_graph_create_filter(&vf.sink, avfilter_get_by_name("buffersink"), "ffplay_buffersink", nullptr,
                                       nullptr, vf.graph);
    if (ret < 0) return ret;
    const AVPixelFormat fmts[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
    ret = av_opt_set_int_list(vf.sink, "pix_fmts", fmts, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0) return ret;

    std::string chain;
    for (const std::string& f : is->opts->vfilters_list) chain += (chain.empty() ? "" : ",") + f;
    if (chain.empty()) {
        ret = avfilter_link(vf.src, 0, vf.sink, 0);
    } else {
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        outputs->name = av_strdup("in");
        outputs->filter_ctx = vf.src;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = vf.sink;
        ret = avfilter_graph_parse_ptr(vf.graph, chain.c_str(), &inputs, &outputs, nullptr);
        avfilter_inout_free(&outputs);
        avfilter_inout_free(&inputs);
    }
    if (ret < 0) return ret;
    ret = avfilter_graph_config(vf.graph, nullptr);
    if (ret < 0) return ret;
    vf.w = frame->width;
    vf.h = frame->height;
    vf.fmt = frame->format;
    return 0;
}

// Queues one picture; waits while the queue is full. False on abort.
bool QueuePicture(CVideoState* is, AVFrame* frame, double pts, double duration, int serial)
{
    std::unique_lock<std::mutex> lock(is->pict_lock);
    is->pict_cond.wait(lock, [&] {
        return is->abort_request.load() || static_cast<int>(is->pictq.size()) < kPictureQueueSize ||
               is->videoq.Serial() != serial;
    });
    if (is->abort_request.load() || is->videoq.Serial() != serial) return false;
    CPicture p;
    p.frame = av_frame_clone(frame);
    p.pts = pts;
    p.duration = duration;
    p.serial = serial;
    is->pictq.push_back(p);
    return true;
}

void VideoThread(CVideoState* is)
{
    AVFrame* frame = av_frame_alloc();
    AVFrame* filtered = av_frame_alloc();
    CVideoFilter vf;
    int serial = -1;
    AVStream* st = is->ic->streams[is->video_stream];
    const AVRational rate = av_guess_frame_rate(is->ic, st, nullptr);
    const double frameDuration = rate.num && rate.den ? av_q2d(AVRational{rate.den, rate.num}) : 0.04;
    bool failed = false;
    while (!is->abort_request.load() && !failed) {
        AVPacket* pkt = nullptr;
        int pktSerial = 0;
        if (!is->videoq.Get(&pkt, &pktSerial, is->abort_request)) continue;
        if (pktSerial != serial) {
            avcodec_flush_buffers(is->vdec);
            serial = pktSerial;
            is->video_finished = false;
        }
        int ret = avcodec_send_packet(is->vdec, pkt->data ? pkt : nullptr);
        av_packet_free(&pkt);
        if (ret < 0 && ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) continue;
        while (!is->abort_request.load()) {
            ret = avcodec_receive_frame(is->vdec, frame);
            if (ret == AVERROR_EOF) {
                is->video_finished = true;
                break;
            }
            if (ret < 0) break;
            frame->pts = frame->best_effort_timestamp;
            if (!vf.graph || frame->width != vf.w || frame->height != vf.h || frame->format != vf.fmt) {
                if (ConfigureVideoFilters(is, vf, frame) < 0) {
                    av_log(nullptr, AV_LOG_FATAL, "Failed to open file '%s' or configure filtergraph\n",
                           is->filename.c_str());
                    failed = true;
                    break;
                }
            }
            ret = av_buffersrc_add_frame(vf.src, frame);
            if (ret < 0) break;
            while (!is->abort_request.load()) {
                ret = av_buffersink_get_frame(vf.sink, filtered);
                if (ret < 0) break;
                const AVRational tb = av_buffersink_get_time_base(vf.sink);
                const double pts = filtered->pts == AV_NOPTS_VALUE ? NAN : filtered->pts * av_q2d(tb);
                const double skip = is->skip_until.load();
                if (!std::isnan(skip) && !std::isnan(pts) && pts + frameDuration <= skip) {
                    av_frame_unref(filtered);
                    continue;
                }
                QueuePicture(is, filtered, pts, frameDuration, serial);
                av_frame_unref(filtered);
            }
        }
    }
    if (failed) {
        // The event loop ends the play.
        is->video_finished = true;
        SDL_Event ev{};
        ev.type = SDL_USEREVENT;
        ev.user.code = FFPLAY_EVENT_QUIT;
        ev.user.data1 = is;
        SDL_PushEvent(&ev);
    }
    av_frame_free(&frame);
    av_frame_free(&filtered);
}

// ---------------------------------------------------------------- subtitles

void SubtitleThread(CVideoState* is)
{
    int serial = -1;
    while (!is->abort_request.load()) {
        AVPacket* pkt = nullptr;
        int pktSerial = 0;
        if (!is->subtitleq.Get(&pkt, &pktSerial, is->abort_request)) continue;
        if (pktSerial != serial) {
            avcodec_flush_buffers(is->sdec);
            serial = pktSerial;
        }
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

// ---------------------------------------------------------------- reading

int DecodeInterrupt(void* opaque)
{
    return static_cast<CVideoState*>(opaque)->abort_request.load() ? 1 : 0;
}

int OpenDecoder(CVideoState* is, int index, AVCodecContext** out)
{
    AVStream* st = is->ic->streams[index];
    const char* forced = nullptr;
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !is->opts->audio_codec_name.empty())
        forced = is->opts->audio_codec_name.c_str();
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !is->opts->video_codec_name.empty())
        forced = is->opts->video_codec_name.c_str();
    const AVCodec* codec = forced ? avcodec_find_decoder_by_name(forced) : avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        av_log(nullptr, AV_LOG_WARNING, "No codec could be found with id %d\n", st->codecpar->codec_id);
        return AVERROR(EINVAL);
    }
    AVCodecContext* avctx = avcodec_alloc_context3(codec);
    if (!avctx) return AVERROR(ENOMEM);
    int ret = avcodec_parameters_to_context(avctx, st->codecpar);
    avctx->pkt_timebase = st->time_base;
    avctx->lowres = std::min(is->opts->lowres, static_cast<int>(codec->max_lowres));
    if (is->opts->fast) avctx->flags2 |= AV_CODEC_FLAG2_FAST;
    AVDictionary* opts = filter_codec_opts(is->ctx->codec_opts, codec->id, is->ic, st, codec);
    if (!av_dict_get(opts, "threads", nullptr, 0)) av_dict_set(&opts, "threads", "auto", 0);
    if (ret >= 0) ret = avcodec_open2(avctx, codec, &opts);
    av_dict_free(&opts);
    if (ret < 0) {
        avcodec_free_context(&avctx);
        return ret;
    }
    *out = avctx;
    return 0;
}

int OpenAudioDevice(CVideoState* is)
{
    SDL_AudioSpec wanted{}, spec{};
    wanted.freq = is->adec->sample_rate > 0 ? is->adec->sample_rate : 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = AudioCallback;
    wanted.userdata = is;
    if (SDL_OpenAudio(&wanted, &spec) < 0) {
        av_log(nullptr, AV_LOG_WARNING, "SDL_OpenAudio (%d channels, %d Hz): %s\n", wanted.channels, wanted.freq,
               SDL_GetError());
        return -1;
    }
    is->audio_rate = spec.freq;
    is->audio_channels = spec.channels;
    is->audio_open = true;
    return 0;
}

// Stream ids of a DVD title select "ast"/"sst" instead of stream numbers.
int WantedIndex(CVideoState* is, AVMediaType type)
{
    const int wanted = is->opts->wanted_stream[type];
    if (!is->ctx->IsDvdTitleMedia() && !(is->runner && is->runner->m_pMedia && is->runner->m_pMedia->m_nMediaKind == 1))
        return wanted;
    if (wanted <= 0) return -1;
    for (unsigned i = 0; i < is->ic->nb_streams; i++)
        if (is->ic->streams[i]->id == wanted && is->ic->streams[i]->codecpar->codec_type == type)
            return static_cast<int>(i);
    return -1;
}

bool InPlayRange(CVideoState* is, const AVPacket* pkt)
{
    if (is->opts->duration == AV_NOPTS_VALUE) return true;
    const AVStream* st = is->ic->streams[pkt->stream_index];
    const int64_t ts = pkt->pts == AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    if (ts == AV_NOPTS_VALUE) return true;
    const int64_t startStream = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const double start = is->opts->start_time != AV_NOPTS_VALUE ? is->opts->start_time / 1000000.0 : 0.0;
    return (ts - startStream) * av_q2d(st->time_base) - start <= is->opts->duration / 1000000.0;
}

void ReadThread(CVideoState* is)
{
    AVPacket* pkt = av_packet_alloc();
    bool ended = false;
    while (!is->abort_request.load()) {
        {
            std::unique_lock<std::mutex> lock(is->seek_lock);
            if (is->seek_req) {
                const int64_t target = is->seek_pos;
                is->seek_req = false;
                lock.unlock();
                is->skip_until = target / 1000000.0;
                int ret = avformat_seek_file(is->ic, -1, INT64_MIN, target, INT64_MAX, 0);
                if (ret < 0) {
                    is->skip_until = NAN;
                    av_log(nullptr, AV_LOG_ERROR, "%s: error while seeking\n", is->filename.c_str());
                } else {
                    if (is->audio_stream >= 0) {
                        is->audioq.Flush();
                        std::lock_guard<std::mutex> al(is->audio_lock);
                        is->audioq_out.clear();
                        is->audio_bytes = 0;
                        is->audio_clock = NAN;
                        is->audio_cond.notify_all();
                    }
                    if (is->video_stream >= 0) {
                        is->videoq.Flush();
                        is->subtitleq.Flush();
                        std::lock_guard<std::mutex> pl(is->pict_lock);
                        for (CPicture& p : is->pictq) av_frame_free(&p.frame);
                        is->pictq.clear();
                        is->pict_cond.notify_all();
                    }
                    is->seek_clock = target / 1000000.0;
                    is->eof = false;
                    ended = false;
                }
            }
        }
        const bool full = is->opts->infinite_buffer < 1 &&
                          (is->audioq.Bytes() + is->videoq.Bytes() > kMaxQueueBytes ||
                           ((is->audio_stream < 0 || is->audioq.Count() > kMinFrames) &&
                            (is->video_stream < 0 || is->videoq.Count() > kMinFrames)));
        if (full || ended) {
            std::unique_lock<std::mutex> lock(is->seek_lock);
            is->continue_read.wait_for(lock, std::chrono::milliseconds(10));
            continue;
        }
        int ret = av_read_frame(is->ic, pkt);
        if (ret < 0) {
            if (ret == AVERROR_EOF || avio_feof(is->ic->pb)) {
                if (is->video_stream >= 0) is->videoq.PutNull(is->video_stream);
                if (is->subtitle_stream >= 0) is->subtitleq.PutNull(is->subtitle_stream);
                if (is->audio_stream >= 0) is->audioq.PutNull(is->audio_stream);
                is->eof = true;
                ended = true;
            } else if (is->ic->pb && is->ic->pb->error) {
                av_log(nullptr, AV_LOG_ERROR, "%s: read error\n", is->filename.c_str());
                if (is->video_stream >= 0) is->videoq.PutNull(is->video_stream);
                if (is->subtitle_stream >= 0) is->subtitleq.PutNull(is->subtitle_stream);
                if (is->audio_stream >= 0) is->audioq.PutNull(is->audio_stream);
                is->eof = true;
                ended = true;
            } else {
                std::unique_lock<std::mutex> lock(is->seek_lock);
                is->continue_read.wait_for(lock, std::chrono::milliseconds(10));
            }
            continue;
        }
        const bool inRange = InPlayRange(is, pkt);
        if (pkt->stream_index == is->audio_stream && inRange) {
            is->audioq.Put(av_packet_clone(pkt));
        } else if (pkt->stream_index == is->video_stream && inRange &&
                   !(is->ic->streams[pkt->stream_index]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            is->videoq.Put(av_packet_clone(pkt));
        } else if (pkt->stream_index == is->subtitle_stream && inRange) {
            is->subtitleq.Put(av_packet_clone(pkt));
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
}

// Opens the input and its streams and starts the threads. 0 or an error.
int StreamOpen(CVideoState* is)
{
    FFplayOptions& o = *is->opts;
    is->ic = avformat_alloc_context();
    if (!is->ic) return AVERROR(ENOMEM);
    is->ic->interrupt_callback.callback = DecodeInterrupt;
    is->ic->interrupt_callback.opaque = is;
    AVDictionary* formatOpts = nullptr;
    av_dict_copy(&formatOpts, is->ctx->format_opts, 0);
    if (!av_dict_get(formatOpts, "scan_all_pmts", nullptr, AV_DICT_MATCH_CASE))
        av_dict_set(&formatOpts, "scan_all_pmts", "1", AV_DICT_DONT_OVERWRITE);
    int err = avformat_open_input(&is->ic, is->filename.c_str(), o.file_iformat, &formatOpts);
    av_dict_free(&formatOpts);
    if (err < 0) {
        print_error(is->filename.c_str(), err);
        return err;
    }
    if (o.genpts) is->ic->flags |= AVFMT_FLAG_GENPTS;
    std::vector<AVDictionary*> streamOpts = setup_find_stream_info_opts(is->ic, is->ctx->codec_opts);
    err = avformat_find_stream_info(is->ic, streamOpts.empty() ? nullptr : streamOpts.data());
    for (AVDictionary*& d : streamOpts) av_dict_free(&d);
    if (err < 0) {
        av_log(nullptr, AV_LOG_WARNING, "%s: could not find codec parameters\n", is->filename.c_str());
        return err;
    }
    if (o.start_time != AV_NOPTS_VALUE) {
        int64_t ts = o.start_time;
        if (is->ic->start_time != AV_NOPTS_VALUE) ts += is->ic->start_time;
        is->skip_until = ts / 1000000.0;
        if (avformat_seek_file(is->ic, -1, INT64_MIN, ts, INT64_MAX, 0) < 0)
            av_log(nullptr, AV_LOG_WARNING, "%s: could not seek to position %0.3f\n", is->filename.c_str(),
                   ts / 1000000.0);
    }

    int video = -1, audio = -1;
    if (!o.video_disable) video = av_find_best_stream(is->ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (is->audio_only || !o.audio_disable)
        audio = av_find_best_stream(is->ic, AVMEDIA_TYPE_AUDIO, WantedIndex(is, AVMEDIA_TYPE_AUDIO), video, nullptr, 0);
    for (unsigned i = 0; i < is->ic->nb_streams; i++) is->ic->streams[i]->discard = AVDISCARD_ALL;

    if (audio >= 0 && OpenDecoder(is, audio, &is->adec) == 0) {
        if (OpenAudioDevice(is) == 0) {
            is->audio_stream = audio;
            is->ic->streams[audio]->discard = AVDISCARD_DEFAULT;
        } else {
            avcodec_free_context(&is->adec);
        }
    }
    if (video >= 0 && OpenDecoder(is, video, &is->vdec) == 0) {
        is->video_stream = video;
        is->ic->streams[video]->discard = AVDISCARD_DEFAULT;
    }
    if (!o.video_disable && !o.subtitle_disable && !is->audio_only) {
        const int sub = av_find_best_stream(is->ic, AVMEDIA_TYPE_SUBTITLE, WantedIndex(is, AVMEDIA_TYPE_SUBTITLE),
                                            audio >= 0 ? audio : video, nullptr, 0);
        if (sub >= 0 && OpenDecoder(is, sub, &is->sdec) == 0) {
            is->subtitle_stream = sub;
            is->ic->streams[sub]->discard = AVDISCARD_DEFAULT;
        }
    }
    if (is->video_stream < 0 && is->audio_stream < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Failed to open file '%s' or configure filtergraph\n", is->filename.c_str());
        return AVERROR_STREAM_NOT_FOUND;
    }
    if (o.start_time != AV_NOPTS_VALUE) SetExternalClock(is, o.start_time / 1000000.0);
    is->read_tid = std::thread(ReadThread, is);
    if (is->audio_stream >= 0) {
        is->audio_tid = std::thread(AudioThread, is);
        SDL_PauseAudio(0);
    }
    if (is->video_stream >= 0) is->video_tid = std::thread(VideoThread, is);
    if (is->subtitle_stream >= 0) is->subtitle_tid = std::thread(SubtitleThread, is);
    return 0;
}

// Stops every thread of the state and frees it all.
void StreamClose(CVideoState* is)
{
    is->abort_request = true;
    is->continue_read.notify_all();
    is->videoq.Wake();
    is->audioq.Wake();
    is->subtitleq.Wake();
    is->pict_cond.notify_all();
    is->audio_cond.notify_all();
    if (is->audio_open) {
        SDL_CloseAudio();   // joins SDL's audio thread
        is->audio_open = false;
    }
    if (is->read_tid.joinable()) is->read_tid.join();
    if (is->audio_tid.joinable()) is->audio_tid.join();
    if (is->video_tid.joinable()) is->video_tid.join();
    if (is->subtitle_tid.joinable()) is->subtitle_tid.join();
    for (CSubtitle& sp : is->subs) avsubtitle_free(&sp.sub);
    is->subs.clear();
    av_frame_free(&is->blended);
    avcodec_free_context(&is->sdec);
    is->subtitleq.Flush();
    is->videoq.Flush();
    is->audioq.Flush();
    for (CPicture& p : is->pictq) av_frame_free(&p.frame);
    is->pictq.clear();
    av_frame_free(&is->shown.frame);
    avcodec_free_context(&is->vdec);
    avcodec_free_context(&is->adec);
    avformat_close_input(&is->ic);
    if (is->overlay) SDL_FreeYUVOverlay(is->overlay);
    if (is->overlay2) SDL_FreeYUVOverlay(is->overlay2);
    is->overlay = is->overlay2 = nullptr;
}

// ---------------------------------------------------------------- display

struct CScreen {
    SDL_Surface* surface = nullptr;
    std::shared_ptr<IPlayerHost> host;
    SDL_Rect window{0, 0, 0, 0};
};

void Present(CScreen& sc, const SDL_Rect& r)
{
    if (!sc.surface || r.w == 0 || r.h == 0) return;
    SDL_UpdateRect(sc.surface, r.x, r.y, r.w, r.h);
    if (!sc.host) return;
    RECT changed{r.x, r.y, r.x + r.w, r.y + r.h};
    if (SDL_MUSTLOCK(sc.surface)) SDL_LockSurface(sc.surface);
    sc.host->Present(sc.surface->pixels, sc.surface->pitch, sc.surface->w, sc.surface->h, changed);
    if (SDL_MUSTLOCK(sc.surface)) SDL_UnlockSurface(sc.surface);
}

void FillRect(CScreen& sc, SDL_Rect r, Uint32 color)
{
    if (r.w == 0 || r.h == 0) return;
    SDL_FillRect(sc.surface, &r, color);
    Present(sc, r);
}

SDL_Rect DisplayRect(const SDL_Rect& win, const AVFrame* f, float* aspect)
{
    double sar = f->sample_aspect_ratio.num ? av_q2d(f->sample_aspect_ratio) : 1.0;
    if (sar <= 0.0) sar = 1.0;
    double ar = sar * f->width / f->height;
    *aspect = static_cast<float>(ar);
    int h = win.h;
    int w = static_cast<int>(lrint(h * ar)) & ~1;
    if (w > win.w) {
        w = win.w;
        h = static_cast<int>(lrint(w / ar)) & ~1;
    }
    SDL_Rect r;
    r.x = static_cast<Sint16>(win.x + (win.w - w) / 2);
    r.y = static_cast<Sint16>(win.y + (win.h - h) / 2);
    r.w = static_cast<Uint16>(std::max(w, 1));
    r.h = static_cast<Uint16>(std::max(h, 1));
    return r;
}

void EnsureOverlay(SDL_Overlay*& ov, const AVFrame* f, SDL_Surface* screen)
{
    if (ov && ov->w == f->width && ov->h == f->height) return;
    if (ov) SDL_FreeYUVOverlay(ov);
    ov = SDL_CreateYUVOverlay(f->width, f->height, SDL_YV12_OVERLAY, screen);
    if (ov && (ov->pitches[0] < f->width || ov->planes < 3)) {
        SDL_FreeYUVOverlay(ov);
        ov = nullptr;
    }
    if (!ov)
        av_log(nullptr, AV_LOG_FATAL,
               "Error: the video system does not support an image\nsize of %dx%d pixels. Try using -lowres or -vf "
               "\"scale=w:h\"\nto reduce the image size.\n",
               f->width, f->height);
}

void BuildTable(FFplayAdjustTable& t)
{
    if (t.built) return;
    t.identity = t.contrast == 1.0 && t.brightness == 0.0 && t.gamma == 1.0;
    for (int i = 0; i < 256; i++) {
        double v = (i / 255.0 - 0.5) * t.contrast + 0.5 + t.brightness;
        t.lut[i] = static_cast<uint8_t>(std::clamp(lrint(v * 255.0), 0L, 255L));
    }
    t.built = 1;
}

// Copies the frame into the overlay (YV12: Y, V, U), through the tables when given.
void FillOverlay(SDL_Overlay* ov, const AVFrame* f, FFplayAdjustTable* tables)
{
    SDL_LockYUVOverlay(ov);
    const int planeOf[3] = {0, 2, 1};
    for (int p = 0; p < 3; p++) {
        const int w = p ? (f->width + 1) / 2 : f->width;
        const int h = p ? (f->height + 1) / 2 : f->height;
        uint8_t* dst = ov->pixels[planeOf[p]];
        const uint8_t* src = f->data[p];
        FFplayAdjustTable* t = tables ? &tables[p] : nullptr;
        if (t) BuildTable(*t);
        for (int y = 0; y < h; y++) {
            uint8_t* d = dst + y * ov->pitches[planeOf[p]];
            const uint8_t* s = src + y * f->linesize[p];
            if (t && !t->identity)
                for (int x = 0; x < w; x++) d[x] = t->lut[s[x]];
            else
                memcpy(d, s, w);
        }
    }
    SDL_UnlockYUVOverlay(ov);
}

void DisplayPicture(CVideoState* is, CScreen& sc)
{
    const AVFrame* f = is->shown.frame;
    if (!f || !sc.surface) return;
    EnsureOverlay(is->overlay, f, sc.surface);
    if (!is->overlay) return;
    const AVFrame* pic = SubtitledPicture(is);
    FillOverlay(is->overlay, pic, nullptr);
    const SDL_Rect& win = sc.window;
    const Uint32 black = SDL_MapRGB(sc.surface->format, 0, 0, 0);
    SDL_Rect rect = DisplayRect(win, f, &g_aspect);

    if (g_nDisplayMode & 1) {
        const int half = win.w / 2;
        int h = win.h;
        int w = static_cast<int>(h * g_aspect) & ~1;
        if (w > half) {
            w = half;
            h = static_cast<int>(w / g_aspect) & ~1;
        }
        SDL_Rect left;
        left.x = static_cast<Sint16>(win.x + (half - w) / 2);
        left.y = static_cast<Sint16>(win.y + (win.h - h) / 2);
        left.w = static_cast<Uint16>(std::max(w - 5, 1));
        left.h = static_cast<Uint16>(std::max(h, 1));
        SDL_Rect right = left;
        right.x = static_cast<Sint16>(win.x + half + 5);
        g_rects[0] = {left.x, left.y, left.w, left.h};
        g_rects[1] = {right.x, right.y, right.w, right.h};
        if (is->runner && is->runner->m_hNotifyWnd)
            PostMessage(is->runner->m_hNotifyWnd, WM_VXM_PREVIEW_RECT, reinterpret_cast<WPARAM>(&g_rects[0]),
                        reinterpret_cast<LPARAM>(&g_aspect));
        SDL_DisplayYUVOverlay(is->overlay, &left);
        Present(sc, left);
        EnsureOverlay(is->overlay2, f, sc.surface);
        if (is->overlay2) {
            FillOverlay(is->overlay2, pic, is->opts->adjust);
            SDL_DisplayYUVOverlay(is->overlay2, &right);
            Present(sc, right);
        }
        // Grey bands: above, between and below the pictures.
        const Uint32 grey = SDL_MapRGB(sc.surface->format, 240, 240, 240);
        SDL_Rect top{win.x, win.y, win.w, static_cast<Uint16>(std::max(0, left.y - win.y))};
        SDL_Rect gap{static_cast<Sint16>(left.x + left.w), left.y,
                     static_cast<Uint16>(std::max(0, right.x - (left.x + left.w))), left.h};
        const int bottomY = left.y + left.h;
        SDL_Rect bottom{win.x, static_cast<Sint16>(bottomY), win.w,
                        static_cast<Uint16>(std::max(0, win.y + win.h - bottomY))};
        FillRect(sc, top, grey);
        FillRect(sc, gap, grey);
        FillRect(sc, bottom, grey);
        is->last_rect = rect;
        return;
    }

    if (is->force_refresh || memcmp(&rect, &is->last_rect, sizeof(rect)) != 0) {
        // Black borders around the picture.
        FillRect(sc, win, black);
        is->force_refresh = false;
    }
    SDL_DisplayYUVOverlay(is->overlay, &rect);
    Present(sc, rect);
    is->last_rect = rect;
}

// Shows the next picture when its time has come.
void VideoRefresh(CVideoState* is, CScreen& sc)
{
    if (is->video_stream < 0 || is->paused.load()) return;
    std::unique_lock<std::mutex> lock(is->pict_lock);
    const int serial = is->videoq.Serial();
    while (!is->pictq.empty() && is->pictq.front().serial != serial) {
        av_frame_free(&is->pictq.front().frame);
        is->pictq.pop_front();
    }
    if (is->pictq.empty()) return;
    CPicture& next = is->pictq.front();
    double master = MasterClock(is);
    if (std::isnan(master) && !std::isnan(next.pts)) {
        SetExternalClock(is, next.pts);
        master = next.pts;
    }
    const double diff = std::isnan(next.pts) || std::isnan(master) ? 0.0 : next.pts - master;
    if (diff > 0.0 && diff < kNoSyncThreshold) return;   // not yet
    // Too late: drop it when a later picture is already waiting.
    if (diff < -kSyncThresholdMax && is->pictq.size() > 1 && is->opts->framedrop != 0) {
        av_frame_free(&next.frame);
        is->pictq.pop_front();
        is->pict_cond.notify_all();
        return;
    }
    av_frame_free(&is->shown.frame);
    is->shown = next;
    is->pictq.pop_front();
    is->pict_cond.notify_all();
    is->video_clock = is->shown.pts;
    lock.unlock();
    DisplayPicture(is, sc);
}

bool PlayEnded(CVideoState* is)
{
    if (!is->eof.load()) return false;
    if (is->video_stream >= 0) {
        if (!is->video_finished.load()) return false;
        std::lock_guard<std::mutex> lock(is->pict_lock);
        if (!is->pictq.empty()) return false;
    }
    if (is->audio_stream >= 0) {
        if (!is->audio_finished.load()) return false;
        std::lock_guard<std::mutex> lock(is->audio_lock);
        if (!is->audioq_out.empty()) return false;
    }
    return true;
}

void PublishStatus(CVideoState* is, double position)
{
    FFplayStatus s;
    s.running = 1;
    s.paused = is->paused.load();
    s.volume = is->opts->volume;
    s.position = position;
    s.luma_brightness = is->opts->adjust[0].brightness;
    s.luma_contrast = is->opts->adjust[0].contrast;
    s.chroma_contrast = is->opts->adjust[1].contrast;
    s.audio_stream = is->audio_stream;
    s.video_stream = is->video_stream;
    s.subtitle_stream = is->subtitle_stream;
    SetStatus(s);
}

void StatusTick(CVideoState* is)
{
    const double now = Now();
    if (!is->opts->show_status || now - is->last_status < 0.03) return;
    is->last_status = now;
    double master = MasterClock(is);
    if (std::isnan(master)) master = 0.0;
    is->ctx->m_dCurrentTime = master;
    PublishStatus(is, master);
    if (is->runner && is->runner->m_pMedia)
        if (auto* media = dynamic_cast<IVXMMedia*>(is->runner->m_pMedia)) media->ReportProgress(1);
}

void RequestSeek(CVideoState* is, float seconds)
{
    int64_t target = static_cast<int64_t>(static_cast<double>(seconds) * 1000000.0);
    if (is->ic && is->ic->start_time != AV_NOPTS_VALUE) target += is->ic->start_time;
    if (is->paused.load()) TogglePause(is);
    std::lock_guard<std::mutex> lock(is->seek_lock);
    if (is->seek_req) return;   // the pending seek stays
    is->seek_pos = target;
    is->seek_req = true;
    is->continue_read.notify_all();
}

void StopFill(CVideoState* is, CScreen& sc)
{
    if (!sc.surface || is->opts->display_disable) return;
    const Uint32 black = SDL_MapRGB(sc.surface->format, 0, 0, 0);
    if (g_nDisplayMode & 1) {
        for (const FFplayRect& r : g_rects)
            if (r.w > 0 && r.h > 0) FillRect(sc, SDL_Rect{r.x, r.y, r.w, r.h}, black);
    } else {
        FillRect(sc, sc.window, black);
    }
}

// Runs until a stop, a quit or the end of the input.
void EventLoop(CVideoState* is, CScreen& sc)
{
    for (;;) {
        if (is->ctx->received_sigterm.load() != 0) {
            if (is->paused.load()) TogglePause(is);
            StopFill(is, sc);
            return;
        }
        SDL_Event ev;
        SDL_PumpEvents();
        if (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_ALLEVENTS) <= 0) {
            VideoRefresh(is, sc);
            StatusTick(is);
            if (PlayEnded(is)) return;
            SDL_Delay(10);
            continue;
        }
        if (ev.type == SDL_QUIT) return;
        if (ev.type == SDL_VIDEORESIZE) {
            if (sc.host) {
                SIZE size = sc.host->GetClientSize();
                if (size.cx > 0 && size.cy > 0) {
                    // Overlays belong to the old mode.
                    if (is->overlay) SDL_FreeYUVOverlay(is->overlay);
                    if (is->overlay2) SDL_FreeYUVOverlay(is->overlay2);
                    is->overlay = is->overlay2 = nullptr;
                    SDL_Surface* s = SDL_SetVideoMode(size.cx, size.cy, 32, SDL_SWSURFACE | SDL_RESIZABLE);
                    if (s) {
                        sc.surface = s;
                        sc.window = SDL_Rect{0, 0, static_cast<Uint16>(size.cx), static_cast<Uint16>(size.cy)};
                    }
                }
            }
            is->force_refresh = true;
            DisplayPicture(is, sc);
            continue;
        }
        if (ev.type != SDL_USEREVENT) continue;
        switch (ev.user.code) {
        case FFPLAY_EVENT_QUIT:
            return;
        case FFPLAY_EVENT_PAUSE:
            TogglePause(is);
            break;
        case FFPLAY_EVENT_SEEK:
        case FFPLAY_EVENT_SEEK2:
            if (ev.user.data1) RequestSeek(is, *static_cast<float*>(ev.user.data1));
            break;
        case FFPLAY_EVENT_VOLUME:
            if (ev.user.data1)
                std::atomic_ref<int>(is->opts->volume)
                    .store(std::clamp(*static_cast<int*>(ev.user.data1) * 128 / 100, 0, 128));
            break;
        case FFPLAY_EVENT_MUTE:
            std::atomic_ref<int>(is->opts->volume).store(0);
            break;
        case FFPLAY_EVENT_BRIGHTNESS:
            if (ev.user.data1) {
                is->opts->adjust[0].brightness = *static_cast<int*>(ev.user.data1) * 0.01;
                is->opts->adjust[0].built = 0;
                BuildTable(is->opts->adjust[0]);
            }
            break;
        case FFPLAY_EVENT_CONTRAST:
            if (ev.user.data1) {
                is->opts->adjust[0].contrast = (*static_cast<int*>(ev.user.data1) + 100) * 0.01;
                is->opts->adjust[0].built = 0;
                BuildTable(is->opts->adjust[0]);
            }
            break;
        case FFPLAY_EVENT_SATURATION:
            if (ev.user.data1) {
                const double c = (*static_cast<int*>(ev.user.data1) + 100) / 100.0;
                for (int i = 1; i < 3; i++) {
                    is->opts->adjust[i].contrast = c;
                    is->opts->adjust[i].built = 0;
                    BuildTable(is->opts->adjust[i]);
                }
            }
            break;
        case FFPLAY_EVENT_STOP:
            if (is->paused.load()) TogglePause(is);
            StopFill(is, sc);
            return;
        default:
            break;   // 24 (pictures are made where they are shown), 35, 36
        }
        PublishStatus(is, is->ctx->m_dCurrentTime.load());
    }
}

HWND HostWindowFromEnvironment()
{
    const char* id = getenv("SDL_WINDOWID");
    if (!id || !*id) return nullptr;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(id, nullptr, 10)));
}

void PostFinished(CCmdFFplay* runner)
{
    if (!runner || !runner->m_hNotifyWnd) return;
    IVXMMedia* media = runner->m_pMedia ? dynamic_cast<IVXMMedia*>(runner->m_pMedia) : nullptr;
    PostMessage(runner->m_hNotifyWnd, WM_VXM_PLAY_FINISHED, 0, reinterpret_cast<LPARAM>(media));
}

// The player body, with the player lock held. Returns -1 when the host
// window's video mode cannot be set, else 0.
int PlayLocked(CCmdFFplay* runner, FFplayOptions& opts)
{
    if (opts.input_filename.empty()) {
        av_log(nullptr, AV_LOG_INFO, "Simple media player\n");
        av_log(nullptr, AV_LOG_INFO, "usage: %s [options] input_file\n", "ffplay");
        av_log(nullptr, AV_LOG_INFO, "\n");
        av_log(nullptr, AV_LOG_FATAL, "An input file must be specified\n");
        av_log(nullptr, AV_LOG_FATAL, "Use -h to get full help or, even better, run 'man %s'\n", "ffplay");
        return 0;
    }
    if (opts.display_disable) opts.video_disable = 1;
    const Uint32 flags = opts.audio_disable && opts.extaudio.empty() ? (SDL_INIT_VIDEO | SDL_INIT_TIMER)
                                                                     : (SDL_INIT_VIDEO | SDL_INIT_AUDIO | SDL_INIT_TIMER);
    if (SDL_Init(flags)) {
        av_log(nullptr, AV_LOG_FATAL, "Could not initialize SDL - %s\n", SDL_GetError());
        av_log(nullptr, AV_LOG_FATAL, "(Did you set the DISPLAY variable?)\n");
        return 0;
    }
    struct CSdlQuit {
        ~CSdlQuit() { SDL_Quit(); }
    } sdlQuit;

    CScreen sc;
    if (HWND hwnd = HostWindowFromEnvironment()) {
        sc.host = FindPlayerHost(hwnd);
        SIZE size = sc.host ? sc.host->GetClientSize() : SIZE{};
        if (!sc.host || size.cx <= 0 || size.cy <= 0 ||
            !(sc.surface = SDL_SetVideoMode(size.cx, size.cy, 32, SDL_SWSURFACE | SDL_RESIZABLE))) {
            av_log(nullptr, AV_LOG_FATAL, "SDL: could not set video mode - exiting\n");
            return -1;
        }
    } else if (!opts.display_disable) {
        const int w = opts.screen_width ? opts.screen_width : opts.default_width;
        const int h = opts.screen_height ? opts.screen_height : opts.default_height;
        sc.surface = SDL_SetVideoMode(w, h, 32, SDL_SWSURFACE | SDL_RESIZABLE);
        if (!sc.surface) {
            av_log(nullptr, AV_LOG_FATAL, "SDL: could not set video mode - exiting\n");
            return -1;
        }
    }
    if (sc.surface) sc.window = SDL_Rect{0, 0, static_cast<Uint16>(sc.surface->w), static_cast<Uint16>(sc.surface->h)};
    SDL_EventState(SDL_ACTIVEEVENT, SDL_IGNORE);
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYUP, SDL_IGNORE);

    CVideoState main;
    main.runner = runner;
    main.ctx = runner;
    main.opts = &opts;
    main.filename = opts.input_filename;
    g_rects[0] = g_rects[1] = FFplayRect{0, 0, 0, 0};
    SetEventsOpen(1);
    if (StreamOpen(&main) < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Failed to initialize VideoState!\n");
        StreamClose(&main);
        SetEventsOpen(0);
        return 0;
    }
    // A second, audio-only input heard with the main one.
    std::unique_ptr<CVideoState> extra;
    if (!opts.extaudio.empty() && main.audio_stream < 0) {
        extra = std::make_unique<CVideoState>();
        extra->runner = runner;
        extra->ctx = runner;
        extra->opts = &opts;
        extra->filename = opts.extaudio;
        extra->audio_only = true;
        FFplayOptions* o = extra->opts;
        const int videoDisable = o->video_disable;
        o->video_disable = 1;
        if (StreamOpen(extra.get()) < 0) av_log(nullptr, AV_LOG_ERROR, "Failed to open '%s'\n", opts.extaudio.c_str());
        o->video_disable = videoDisable;
    }
    PublishStatus(&main, 0.0);
    EventLoop(&main, sc);
    SetEventsOpen(0);
    StreamClose(&main);
    if (extra) StreamClose(extra.get());
    return 0;
}

}  // namespace

int ffplay_play(void* commandLine, CCmdFFplay* runner)
{
    if (!runner) return -1;
    if (commandLine) runner->m_strCommandLine = static_cast<const wchar_t*>(commandLine);
    LogMessageA(kLogCategory, "%s", WideToAnsi(runner->m_strCommandLine).c_str());

    // One player at a time; a stop while waiting gives up the turn.
    std::unique_lock<std::recursive_mutex> lock(g_csPlayer, std::defer_lock);
    while (!lock.try_lock()) {
        if (runner->received_sigterm.load() != 0) {
            PostFinished(runner);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    FFplayOptions opts;
    ffplay_reset_options(opts);
    IVXMMedia* media = runner->m_pMedia ? dynamic_cast<IVXMMedia*>(runner->m_pMedia) : nullptr;
    if (media && media->GetVideoStreamCount() == 0) opts.display_disable = 1;
    const std::vector<OptionDef> table = ffplay_option_table(opts);
    av_dict_free(&runner->codec_opts);
    av_dict_free(&runner->format_opts);

    int result = 0;
    run_tool_guarded(runner, [&](CToolContext* c) -> int {
        if (ffplay_parse_options(c, opts, table) < 0) return 1;
        result = PlayLocked(runner, opts);
        return 0;
    });
    SetStatus(FFplayStatus());
    if (!runner->argv_ptrs.empty()) runner->argc = 0;
    av_dict_free(&runner->codec_opts);
    av_dict_free(&runner->format_opts);
    av_dict_free(&runner->sws_dict);
    av_dict_free(&runner->swr_opts);
    // The pane must not stay "playing": the end is posted on every path.
    PostFinished(runner);
    return result;
}

void ffplay_request_quit(CCmdFFplay* runner)
{
    if (runner && runner->received_sigterm.load() == 0) runner->received_sigterm = -1;
}

bool ffplay_push_event(int code, void* data1)
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    if (!g_eventsOpen.load()) return false;
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = code;
    ev.user.data1 = data1;
    return SDL_PushEvent(&ev) == 0;
}

bool ffplay_push_resize()
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    if (!g_eventsOpen.load()) return false;
    SDL_Event ev{};
    ev.type = SDL_VIDEORESIZE;
    return SDL_PushEvent(&ev) == 0;
}

FFplayStatus ffplay_status()
{
    std::lock_guard<std::mutex> lock(g_statusLock);
    return g_status;
}

const FFplayRect* ffplay_compare_rects() { return g_rects; }
const float* ffplay_display_aspect() { return &g_aspect; }
