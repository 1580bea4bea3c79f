#include "ffmpeg_sub2video.h"

#include "cmdutils.h"


extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/frame.h>
}

#include <cstring>

namespace {

// A graph input that has ended takes nothing more; other failures are logged.
void warn_on_error(int ret)
{
    if (ret < 0 && ret != AVERROR_EOF)
        av_log(nullptr, AV_LOG_WARNING, "Error while filtering: %s\n", err2str(ret).c_str());
}

}  // namespace

int sub2video_get_blank_frame(InputStream* ist)
{
    AVFrame* frame = ist->sub2video.frame;
    av_frame_unref(frame);
    frame->width = ist->dec_ctx->width ? ist->dec_ctx->width : ist->sub2video.w;
    frame->height = ist->dec_ctx->height ? ist->dec_ctx->height : ist->sub2video.h;
    frame->format = AV_PIX_FMT_RGB32;
    const int ret = av_frame_get_buffer(frame, 0);
    if (ret < 0) return ret;
    for (int y = 0; y < frame->height; y++) std::memset(frame->data[0] + y * frame->linesize[0], 0, frame->width * 4);
    return 0;
}

void sub2video_copy_rect(uint8_t* dst, int dst_linesize, int w, int h, const AVSubtitleRect* r)
{
    if (r->type != SUBTITLE_BITMAP) {
        av_log(nullptr, AV_LOG_WARNING, "sub2video: non-bitmap subtitle\n");
        return;
    }
    if (r->x < 0 || r->y < 0 || r->w > w - r->x || r->h > h - r->y) {
        av_log(nullptr, AV_LOG_WARNING, "sub2video: rectangle overflowing\n");
        return;
    }
    const auto* palette = reinterpret_cast<const uint32_t*>(r->data[1]);
    for (int y = 0; y < r->h; y++) {
        const uint8_t* index = r->data[0] + y * r->linesize[0];
        auto* row = reinterpret_cast<uint32_t*>(dst + (r->y + y) * dst_linesize) + r->x;
        for (int x = 0; x < r->w; x++) row[x] = palette[index[x]];
    }
}

void sub2video_push_ref(InputStream* ist, int64_t pts)
{
    AVFrame* frame = ist->sub2video.frame;
    frame->pts = pts;
    ist->sub2video.last_pts = pts;
    // The canvas stays ours: it is sent again with later times.
    for (InputFilter* f : ist->filters)
        if (f->filter) warn_on_error(av_buffersrc_add_frame_flags(f->filter, frame, AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH));
}

void sub2video_update(InputStream* ist, int64_t heartbeat_pts, const AVSubtitle* sub)
{
    if (!ist->sub2video.frame) return;
    int64_t pts, end_pts;
    if (sub) {
        const AVRational tb = ist->st->time_base;
        pts = av_rescale_q(sub->pts + sub->start_display_time * 1000LL, AV_TIME_BASE_Q, tb);
        end_pts = av_rescale_q(sub->pts + sub->end_display_time * 1000LL, AV_TIME_BASE_Q, tb);
    } else {
        // An empty canvas lasts until the next subtitle.
        pts = ist->sub2video.initialize ? heartbeat_pts : ist->sub2video.end_pts;
        end_pts = INT64_MAX;
    }
    if (sub2video_get_blank_frame(ist) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Impossible to get a blank canvas.\n");
        return;
    }
    AVFrame* frame = ist->sub2video.frame;
    for (unsigned i = 0; sub && i < sub->num_rects; i++)
        sub2video_copy_rect(frame->data[0], frame->linesize[0], frame->width, frame->height, sub->rects[i]);
    sub2video_push_ref(ist, pts);
    ist->sub2video.end_pts = end_pts;
    ist->sub2video.initialize = 0;
}

void sub2video_heartbeat(CToolContext* ctx, InputStream* ist, int64_t pts)
{
    const InputFile* file = ctx->input_files[ist->file_index].get();
    for (int i = 0; i < file->nb_streams; i++) {
        InputStream* other = ctx->input_streams[file->ist_index + i].get();
        if (!other->sub2video.frame) continue;
        // Subtitles usually come ahead of the other streams: the canvas goes
        // out just before the packet's time.
        const int64_t canvas_pts = av_rescale_q(pts, ist->st->time_base, other->st->time_base) - 1;
        if (canvas_pts <= other->sub2video.last_pts) continue;
        if (canvas_pts >= other->sub2video.end_pts || other->sub2video.initialize)
            sub2video_update(other, canvas_pts + 1, nullptr);
        unsigned waiting = 0;
        for (InputFilter* f : other->filters)
            if (f->filter) waiting += av_buffersrc_get_nb_failed_requests(f->filter);
        if (waiting) sub2video_push_ref(other, canvas_pts);
    }
}

void sub2video_flush(InputStream* ist)
{
    if (ist->sub2video.end_pts < INT64_MAX) sub2video_update(ist, INT64_MAX, nullptr);
    for (InputFilter* f : ist->filters)
        if (f->filter) warn_on_error(av_buffersrc_add_frame(f->filter, nullptr));
}
