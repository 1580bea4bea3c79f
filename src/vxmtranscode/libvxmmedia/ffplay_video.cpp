// Video of the player: decoding, the filter chain of "-vf" and the queue
// of pictures waiting for their time.
#include "ffplay_state.h"

#include "display_turn.h"

extern "C" {
#include <libswscale/swscale.h>
}

namespace ffplay_detail {

struct CVideoFilter {
    AVFilterGraph* graph = nullptr;
    AVFilterContext* src = nullptr;
    AVFilterContext* sink = nullptr;
    int w = 0, h = 0, fmt = -1;
    ~CVideoFilter() { avfilter_graph_free(&graph); }
};

int ConfigureVideoFilters(CVideoState* is, CVideoFilter& vf, const AVFrame* frame, const CDisplayTurn& turn)
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

    // Upright first, so the clip's crop, turns and subtitles apply to the picture as shown.
    std::string chain = turn.Chain();
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
    const CDisplayTurn turn = is->opts->autorotate ? DisplayTurnOf(st) : CDisplayTurn{};
    bool failed = false;
    while (!is->abort_request.load() && !failed) {
        if (!SendNextPacket(is, is->videoq, is->vdec, serial, is->video_finished)) continue;
        while (!is->abort_request.load() && ReceiveFrame(is->vdec, frame, is->video_finished)) {
            frame->pts = frame->best_effort_timestamp;
            if (is->runner && is->runner->m_bSnapshotRequest.exchange(0)) {
                std::wstring folder;
                if (const CVXMMediaBase* media = is->runner->m_pMedia)
                    folder = !media->m_strSnapshotFolder.empty() ? media->m_strSnapshotFolder : media->m_strSourceFolder;
                is->snapshots.Start(frame, folder, is->runner->m_nSnapshotArg, SWS_BICUBIC, turn);
            }
            if (!vf.graph || frame->width != vf.w || frame->height != vf.h || frame->format != vf.fmt) {
                if (ConfigureVideoFilters(is, vf, frame, turn) < 0) {
                    av_log(nullptr, AV_LOG_FATAL, "Failed to open file '%s' or configure filtergraph\n",
                           is->filename.c_str());
                    failed = true;
                    break;
                }
                if (is->runner) is->runner->SetPlayerStarted();
            }
            int ret = av_buffersrc_add_frame(vf.src, frame);
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

}  // namespace ffplay_detail
