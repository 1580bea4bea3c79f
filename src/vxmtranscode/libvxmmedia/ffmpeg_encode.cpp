// Encoding: frames from the buffer sinks become packets; video frames are
// dropped or duplicated to the output frame rate and get the burn-in.
#include "ffmpeg_transcode.h"

#include <cmath>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/common.h>
#include <libavutil/samplefmt.h>
}

#include "av/AvHandles.h"
#include "cmdutils.h"
#include "ffmpeg_filter.h"

namespace {

enum { VSYNC_AUTO = -1, VSYNC_PASSTHROUGH = 0, VSYNC_CFR = 1, VSYNC_VFR = 2, VSYNC_VSCFR = 0xfe, VSYNC_DROP = 0xff };

// Sends one frame (null: flush) and writes every packet that comes out.
int encode_frame(CTranscodeRun& run, OutputStream* ost, AVFrame* frame)
{
    AVCodecContext* enc = ost->enc_ctx;
    AVPacket* pkt = run.enc_pkt;
    int ret = avcodec_send_frame(enc, frame);
    if (ret < 0 && !(ret == AVERROR_EOF && !frame)) {
        av_log(nullptr, AV_LOG_FATAL, "%s\n",
               enc->codec_type == AVMEDIA_TYPE_VIDEO ? "Video encoding failed" : "Audio encoding failed");
        exit_program(run.ctx, 1);
    }
    for (;;) {
        ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
        if (ret < 0) {
            av_log(nullptr, AV_LOG_FATAL, "%s\n",
                   enc->codec_type == AVMEDIA_TYPE_VIDEO ? "Video encoding failed" : "Audio encoding failed");
            exit_program(run.ctx, 1);
        }
        OutputStreamRun& r = run_of(run, ost);
        if (r.pass_log && enc->stats_out) fprintf(r.pass_log, "%s", enc->stats_out);
        if (enc->codec_type == AVMEDIA_TYPE_VIDEO && pkt->duration == 0)
            pkt->duration = 1;  // one frame in the encoder's time base
        if (!run.ctx->vstats_filename.empty()) write_video_stats(run, ost, pkt);
        write_packet(run, ost, pkt, enc->time_base);
    }
}

int video_sync_method_for(CTranscodeRun& run, OutputStream* ost)
{
    CToolContext* ctx = run.ctx;
    int vsync = ctx->video_sync_method;
    if (vsync != VSYNC_AUTO) return vsync;
    AVFormatContext* oc = ctx->output_files[ost->file_index]->ctx;
    if (!strcmp(oc->oformat->name, "avi")) return VSYNC_VFR;
    vsync = (oc->oformat->flags & AVFMT_VARIABLE_FPS)
                ? ((oc->oformat->flags & AVFMT_NOTIMESTAMPS) ? VSYNC_PASSTHROUGH : VSYNC_VFR)
                : VSYNC_CFR;
    if (ost->source_index >= 0 && vsync == VSYNC_CFR) {
        InputStream* ist = ctx->input_streams[ost->source_index].get();
        InputFile* f = ctx->input_files[ist->file_index].get();
        if (f->ctx->nb_streams == 1 && f->input_ts_offset == 0) vsync = VSYNC_VSCFR;
    }
    if (vsync == VSYNC_CFR && ctx->copy_ts) vsync = VSYNC_VSCFR;
    return vsync;
}

void do_video_out(CTranscodeRun& run, OutputStream* ost, AVFrame* frame, double sync_ipts)
{
    CToolContext* ctx = run.ctx;
    AVCodecContext* enc = ost->enc_ctx;
    OutputStreamRun& r = run_of(run, ost);
    double duration = 1.0;
    if (ost->frame_rate.num && ost->frame_rate.den)
        duration = 1.0 / (av_q2d(ost->frame_rate) * av_q2d(enc->time_base));
    if (ost->filter && ost->filter->filter && frame->pkt_duration > 0) {
        AVRational ftb = av_buffersink_get_time_base(ost->filter->filter);
        double d = frame->pkt_duration * av_q2d(ftb) / av_q2d(enc->time_base);
        if (d > 0) duration = FFMIN(duration, d);
    }

    double delta0 = sync_ipts - ost->sync_opts;
    double delta = delta0 + duration;
    int64_t nb_frames = 1, nb0_frames = 0;
    const int vsync = video_sync_method_for(run, ost);
    if (delta0 < 0 && delta > 0 && vsync != VSYNC_PASSTHROUGH && vsync != VSYNC_DROP) {
        if (delta0 < -0.6)
            av_log(nullptr, AV_LOG_VERBOSE, "Past duration %f too large\n", -delta0);
        else
            av_log(nullptr, AV_LOG_DEBUG, "Clipping frame in rate conversion by %f\n", -delta0);
        sync_ipts = static_cast<double>(ost->sync_opts);
        duration += delta0;
        delta0 = 0;
    }
    switch (vsync) {
    case VSYNC_VSCFR:
        if (ost->frame_number == 0 && delta0 >= 0.5) {
            av_log(nullptr, AV_LOG_DEBUG, "Not duplicating %d initial frames\n", static_cast<int>(lrintf(delta0)));
            delta = duration;
            delta0 = 0;
            ost->sync_opts = llrint(sync_ipts);
        }
        [[fallthrough]];
    case VSYNC_CFR:
        if (delta < -1.1)
            nb_frames = 0;
        else if (delta > 1.1) {
            nb_frames = llrintf(static_cast<float>(delta));
            if (delta0 > 1.1) nb0_frames = llrintf(static_cast<float>(delta0 - 0.6));
        }
        break;
    case VSYNC_VFR:
        if (delta <= -0.6)
            nb_frames = 0;
        else if (delta > 0.6)
            ost->sync_opts = llrint(sync_ipts);
        break;
    case VSYNC_DROP:
    case VSYNC_PASSTHROUGH:
        ost->sync_opts = llrint(sync_ipts);
        break;
    default: break;
    }
    nb_frames = FFMIN(nb_frames, ost->max_frames - ost->frame_number);
    nb0_frames = FFMIN(nb0_frames, nb_frames);

    if (nb0_frames == 0 && r.last_dropped) {
        run.nb_frames_drop++;
        av_log(nullptr, AV_LOG_VERBOSE, "*** dropping frame %d from stream %d at ts %" PRId64 "\n", ost->frame_number,
               ost->st->index, r.last_frame ? r.last_frame->pts : int64_t(0));
    }
    if (nb_frames > (nb0_frames && r.last_dropped) + (nb_frames > nb0_frames)) {
        run.nb_frames_dup += nb_frames - (nb0_frames && r.last_dropped) - (nb_frames > nb0_frames);
        av_log(nullptr, AV_LOG_VERBOSE, "*** %d dup!\n", static_cast<int>(nb_frames - 1));
    }
    r.last_dropped = nb_frames == nb0_frames;

    // The burn-in draws once into the new picture; copies share it.
    if (nb_frames > nb0_frames && run.burn.stream_index >= 0) {
        double ftime = frame->pts != AV_NOPTS_VALUE ? frame->pts * av_q2d(enc->time_base)
                                                    : ost->sync_opts * av_q2d(enc->time_base);
        if (burn_in_frame(run, ost, frame, ftime) < 0) run.failed = true;
    }

    for (int64_t i = 0; i < nb_frames; i++) {
        AVFrame* in_picture = (i < nb0_frames && r.last_frame) ? r.last_frame : frame;
        if (!in_picture->buf[0]) return;
        in_picture->pts = ost->sync_opts;
        if (ctx->output_files[ost->file_index]->recording_time != INT64_MAX &&
            av_compare_ts(ost->sync_opts, enc->time_base, ctx->output_files[ost->file_index]->recording_time,
                          AV_TIME_BASE_Q) >= 0) {
            close_output_stream(run, ost);
            return;
        }
        in_picture->pict_type = AV_PICTURE_TYPE_NONE;
        in_picture->key_frame = 0;
        if (ost->top_field_first >= 0) in_picture->top_field_first = !!ost->top_field_first;
        encode_frame(run, ost, in_picture);
        ost->sync_opts++;
        ost->frame_number++;
        }
    if (!r.last_frame) r.last_frame = av_frame_alloc();
    if (r.last_frame) {
        av_frame_unref(r.last_frame);
        if (nb_frames > nb0_frames) av_frame_ref(r.last_frame, frame);
    }
}

void do_audio_out(CTranscodeRun& run, OutputStream* ost, AVFrame* frame)
{
    CToolContext* ctx = run.ctx;
    AVCodecContext* enc = ost->enc_ctx;
    if (frame->pts == AV_NOPTS_VALUE || ctx->audio_sync_method < 0) frame->pts = ost->sync_opts;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    if (of->recording_time != INT64_MAX &&
        av_compare_ts(frame->pts, enc->time_base, of->recording_time, AV_TIME_BASE_Q) >= 0) {
        close_output_stream(run, ost);
        return;
    }
    ost->sync_opts = frame->pts + frame->nb_samples;
    encode_frame(run, ost, frame);
}

}  // namespace

void do_subtitle_out(CTranscodeRun& run, OutputStream* ost, AVSubtitle* sub)
{
    AVCodecContext* enc = ost->enc_ctx;
    if (sub->pts == AV_NOPTS_VALUE) {
        av_log(nullptr, AV_LOG_ERROR, "Subtitle packets must have a pts\n");
        if (run.ctx->exit_on_error) exit_program(run.ctx, 1);
        return;
    }
    if (!sub->num_rects) return;
    constexpr int kSubtitleBufferSize = 1024 * 1024;
    std::vector<uint8_t> buf(kSubtitleBufferSize);
    // DVB subtitles need a second packet that clears the picture.
    const int nb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE ? 2 : 1;
    OutputFile* of = run.ctx->output_files[ost->file_index].get();
    int64_t start = of->start_time == AV_NOPTS_VALUE ? 0 : of->start_time;
    int64_t pts = sub->pts - start;
    for (int i = 0; i < nb; i++) {
        unsigned save_rects = sub->num_rects;
        sub->pts = pts + av_rescale_q(sub->start_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
        sub->end_display_time -= sub->start_display_time;
        sub->start_display_time = 0;
        if (i == 1) sub->num_rects = 0;
        int size = avcodec_encode_subtitle(enc, buf.data(), kSubtitleBufferSize, sub);
        if (i == 1) sub->num_rects = save_rects;
        if (size < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Subtitle encoding failed\n");
            exit_program(run.ctx, 1);
        }
        AVPacket* pkt = run.enc_pkt;
        av_packet_unref(pkt);
        if (av_new_packet(pkt, size) < 0) exit_program(run.ctx, 1);
        memcpy(pkt->data, buf.data(), size);
        pkt->pts = sub->pts;
        pkt->duration = av_rescale_q(sub->end_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
        if (enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE) {
            pkt->pts += i == 0 ? av_rescale_q(sub->start_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q)
                               : av_rescale_q(sub->end_display_time, AVRational{1, 1000}, AV_TIME_BASE_Q);
        }
        pkt->dts = pkt->pts;
        write_packet(run, ost, pkt, AV_TIME_BASE_Q);
    }
}

namespace {

enum class ReapMode {
    Ready,  // what the sink holds now
    Flush,  // all the graph still gives; a sink at its end finishes its stream
    Drain,  // all an ended graph gives before another takes its place; the stream goes on
};

// A frame of `fixed` samples from the samples an ended graph left over and the
// first frame of the graph that followed it (cut to fit by its sink).
int prepend_audio_carry(OutputStreamRun& r, AVFrame* frame, AVFilterContext* sink, int fixed)
{
    const CAvFramePtr carry(r.audio_carry);
    r.audio_carry = nullptr;
    av_buffersink_set_frame_size(sink, static_cast<unsigned>(fixed));
    const CAvFramePtr whole(av_frame_alloc());
    if (!whole) return AVERROR(ENOMEM);
    whole->format = frame->format;
    whole->sample_rate = frame->sample_rate;
    whole->nb_samples = carry->nb_samples + frame->nb_samples;
    int ret = av_channel_layout_copy(&whole->ch_layout, &frame->ch_layout);
    if (ret < 0 || (ret = av_frame_get_buffer(whole.get(), 0)) < 0) return ret;
    const int channels = frame->ch_layout.nb_channels;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    av_samples_copy(whole->extended_data, carry->extended_data, 0, 0, carry->nb_samples, channels, format);
    av_samples_copy(whole->extended_data, frame->extended_data, carry->nb_samples, 0, frame->nb_samples, channels,
                    format);
    whole->pts = carry->pts;
    av_frame_unref(frame);
    av_frame_move_ref(frame, whole.get());
    return 0;
}

// Takes the frames of one output's sink to the encoder. Drain stops at a frame
// that starts at `drain_end_us` or later: the graph made it up after its input ended.
int reap_output(CTranscodeRun& run, OutputStream* ost, ReapMode mode, int64_t drain_end_us = INT64_MAX)
{
    CToolContext* ctx = run.ctx;
    AVFrame* frame = run.filtered;
    OutputStreamRun& r = run_of(run, ost);
    AVFilterContext* sink = ost->filter->filter;
    AVCodecContext* enc = ost->enc_ctx;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    const bool fixed_size = enc->codec_type == AVMEDIA_TYPE_AUDIO && enc->frame_size > 0 &&
                            !(enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    for (;;) {
        // At the end the sink asks its graph for what the filters still hold.
        const int flags = mode == ReapMode::Ready ? AV_BUFFERSINK_FLAG_NO_REQUEST : 0;
        int ret = av_buffersink_get_frame_flags(sink, frame, flags);
        if (ret < 0) {
            if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
                av_log(nullptr, AV_LOG_WARNING, "Error in av_buffersink_get_frame_flags(): %s\n",
                       err2str(ret).c_str());
            if (ret == AVERROR_EOF && mode == ReapMode::Flush && !ost->finished) close_output_stream(run, ost);
            break;
        }
        if (ost->finished) {
            av_frame_unref(frame);
            continue;
        }
        AVRational filter_tb = av_buffersink_get_time_base(sink);
        if (mode == ReapMode::Drain && frame->pts != AV_NOPTS_VALUE &&
            av_rescale_q(frame->pts, filter_tb, AV_TIME_BASE_Q) >= drain_end_us) {
            av_frame_unref(frame);
            break;
        }
        double float_pts = AV_NOPTS_VALUE;
        if (frame->pts != AV_NOPTS_VALUE) {
            int64_t start_time = of->start_time == AV_NOPTS_VALUE ? 0 : of->start_time;
            AVRational tb = enc->time_base;
            int extra_bits = av_clip(29 - av_log2(tb.den), 0, 16);
            tb.den <<= extra_bits;
            float_pts = static_cast<double>(av_rescale_q(frame->pts, filter_tb, tb) -
                                            av_rescale_q(start_time, AV_TIME_BASE_Q, tb));
            float_pts /= 1 << extra_bits;
            float_pts += FFSIGN(float_pts) * 1.0 / (1 << 17);
            frame->pts = av_rescale_q(frame->pts, filter_tb, enc->time_base) -
                         av_rescale_q(start_time, AV_TIME_BASE_Q, enc->time_base);
        }
        if (av_buffersink_get_type(sink) == AVMEDIA_TYPE_VIDEO) {
            if (!ost->frame_aspect_ratio.num) enc->sample_aspect_ratio = frame->sample_aspect_ratio;
            do_video_out(run, ost, frame,
                         float_pts == AV_NOPTS_VALUE ? static_cast<double>(ost->sync_opts) : float_pts);
        } else {
            if (!(enc->codec->capabilities & AV_CODEC_CAP_PARAM_CHANGE) &&
                enc->ch_layout.nb_channels != frame->ch_layout.nb_channels) {
                av_log(nullptr, AV_LOG_ERROR,
                       "Audio filter graph output is not normalized and encoder does not support parameter "
                       "changes\n");
                av_frame_unref(frame);
                break;
            }
            if (r.audio_carry && (ret = prepend_audio_carry(r, frame, sink, enc->frame_size)) < 0) return ret;
            // The encoder takes whole frames until the last: a short one left
            // by an ended graph waits for the samples of the next graph.
            if (mode == ReapMode::Drain && fixed_size && frame->nb_samples < enc->frame_size) {
                if (!(r.audio_carry = av_frame_alloc())) return AVERROR(ENOMEM);
                av_frame_move_ref(r.audio_carry, frame);
                continue;
            }
            do_audio_out(run, ost, frame);
        }
        av_frame_unref(frame);
    }
    return 0;
}

bool reapable(CTranscodeRun& run, const OutputStream* ost)
{
    if (!ost || !ost->filter || !ost->filter->filter || !ost->encoding_needed) return false;
    const OutputStreamRun& r = run_of(run, ost);
    return r.initialized && !r.encoder_flushed;
}

}  // namespace

int reap_filters(CTranscodeRun& run, bool flush)
{
    for (auto& op : run.ctx->output_streams) {
        if (!reapable(run, op.get())) continue;
        if (int ret = reap_output(run, op.get(), flush ? ReapMode::Flush : ReapMode::Ready); ret < 0) return ret;
    }
    return 0;
}

int reinit_filtergraph(CTranscodeRun& run, InputFilter* ifilter, const AVFrame* frame)
{
    FilterGraph* fg = ifilter->graph;
    const InputStream* ist = ifilter->ist;
    // What the old graph holds from before this frame goes out first.
    int64_t held_end_us = INT64_MAX;
    if (frame->pts != AV_NOPTS_VALUE) {
        if (frame->sample_rate > 0)
            held_end_us = av_rescale_q(frame->pts, AVRational{1, frame->sample_rate}, AV_TIME_BASE_Q);
        else if (!ist->framerate.num)
            held_end_us = av_rescale_q(frame->pts, ist->st->time_base, AV_TIME_BASE_Q);
    }
    for (auto& in : fg->inputs)
        if (in->filter) av_buffersrc_close(in->filter, AV_NOPTS_VALUE, AV_BUFFERSRC_FLAG_PUSH);
    for (auto& of : fg->outputs) {
        if (!reapable(run, of->ost)) continue;
        if (int ret = reap_output(run, of->ost, ReapMode::Drain, held_end_us); ret < 0) return ret;
    }

    av_log(nullptr, AV_LOG_VERBOSE, "Input stream #%d:%d changed its frame format: filter graph %d rebuilt\n",
           ist->file_index, ist->st->index, fg->index);
    int ret = ifilter_take_frame_format(ifilter, frame);
    if (ret >= 0) ret = configure_filtergraph(fg, run.ctx);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error reinitializing filters!\n");
        return ret;
    }
    for (auto& of : fg->outputs) {
        OutputStream* ost = of->ost;
        if (!reapable(run, ost)) continue;
        // The first frame of the new graph fills the one the old graph left short.
        if (const AVFrame* carry = run_of(run, ost).audio_carry)
            av_buffersink_set_frame_size(of->filter,
                                         static_cast<unsigned>(ost->enc_ctx->frame_size - carry->nb_samples));
    }
    return 0;
}

void flush_encoders(CTranscodeRun& run)
{
    for (auto& op : run.ctx->output_streams) {
        OutputStream* ost = op.get();
        OutputStreamRun& r = run_of(run, ost);
        if (!ost->encoding_needed || !r.initialized || r.encoder_flushed) continue;
        r.encoder_flushed = true;
        AVCodecContext* enc = ost->enc_ctx;
        if (enc->codec_type != AVMEDIA_TYPE_VIDEO && enc->codec_type != AVMEDIA_TYPE_AUDIO) continue;
        // The samples an ended graph left before the input ended: the last frame.
        if (r.audio_carry && !ost->finished) do_audio_out(run, ost, r.audio_carry);
        av_frame_free(&r.audio_carry);
        encode_frame(run, ost, nullptr);
    }
}
