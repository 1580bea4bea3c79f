// Reading and decoding: packets of the input files go to the decoders, the
// stream copies and the burn-in; decoded frames go to the filter graphs.
#include "ffmpeg_transcode.h"

extern "C" {
#include <libavfilter/buffersrc.h>
}

#include "cd_input.h"
#include "cmdutils.h"
#include "ffmpeg_filter.h"
#include "ffmpeg_sub2video.h"

void do_subtitle_out(CTranscodeRun& run, OutputStream* ost, AVSubtitle* sub);

namespace {

// Hands a decoded frame to every graph input of the stream (the last one
// takes the reference, the others keep their own). A frame of another format
// than the graph was built for gets a new graph.
int send_frame_to_filters(CTranscodeRun& run, InputStream* ist, AVFrame* frame)
{
    const size_t n = ist->filters.size();
    for (size_t i = 0; i < n; i++) {
        InputFilter* f = ist->filters[i];
        if (!f->filter) continue;
        if (ist->reinit_filters != 0 && ifilter_frame_differs(f, frame)) {
            if (int ret = reinit_filtergraph(run, f, frame); ret < 0) return ret;
            if (!f->filter) continue;
        }
        int flags = AV_BUFFERSRC_FLAG_PUSH | (i + 1 < n ? AV_BUFFERSRC_FLAG_KEEP_REF : 0);
        int ret = av_buffersrc_add_frame_flags(f->filter, frame, flags);
        if (ret < 0 && ret != AVERROR_EOF) {
            av_log(nullptr, AV_LOG_ERROR, "Error while filtering: %s\n", err2str(ret).c_str());
            return ret;
        }
    }
    av_frame_unref(frame);
    return 0;
}

// True when every stream read from the file got as far as the length the
// file declares for it (its whole length was read). False when a stream fell
// short or the file declares no length, or only one estimated from its bit rate.
bool read_declared_length(CTranscodeRun& run, const InputFile* ifile)
{
    // A last packet whose length the demuxer does not know ends this much early.
    constexpr int64_t kSlackUs = AV_TIME_BASE / 2;
    const AVFormatContext* ic = ifile->ctx;
    if (ic->duration_estimation_method == AVFMT_DURATION_FROM_BITRATE) return false;
    bool any = false;
    for (int i = 0; i < ifile->nb_streams; i++) {
        InputStream* ist = run.ctx->input_streams[ifile->ist_index + i].get();
        const AVStream* st = ist->st;
        if (ist->discard || (st->disposition & AV_DISPOSITION_ATTACHED_PIC)) continue;
        const int64_t read_end = run_of(run, ist).read_end;
        if (read_end == AV_NOPTS_VALUE) return false;
        int64_t declared_end;
        if (st->duration > 0) {
            const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
            declared_end = av_rescale_q(start + st->duration, st->time_base, AV_TIME_BASE_Q);
        } else if (ic->duration > 0) {
            declared_end = (ic->start_time != AV_NOPTS_VALUE ? ic->start_time : 0) + ic->duration;
        } else {
            return false;
        }
        if (av_rescale_q(read_end, st->time_base, AV_TIME_BASE_Q) + kSlackUs < declared_end) return false;
        any = true;
    }
    return any;
}

void close_filter_inputs(InputStream* ist, int64_t pts)
{
    for (InputFilter* f : ist->filters)
        if (f->filter) av_buffersrc_close(f->filter, pts, AV_BUFFERSRC_FLAG_PUSH);
}

// Every frame the decoder has ready goes on to the graphs.
int receive_frames(CTranscodeRun& run, InputStream* ist)
{
    CToolContext* ctx = run.ctx;
    AVFrame* frame = run.decoded;
    AVCodecContext* dec = ist->dec_ctx;
    InputStreamRun& ir = run_of(run, ist);
    for (;;) {
        int ret = avcodec_receive_frame(dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return 0;
        if (ret < 0) {
            ctx->decode_error_stat[1]++;
            av_log(nullptr, AV_LOG_ERROR, "Error while decoding stream #%d:%d: %s\n", ist->file_index, ist->st->index,
                   err2str(ret).c_str());
            if (ctx->exit_on_error) exit_program(ctx, 1);
            return 0;
        }
        ctx->decode_error_stat[0]++;
        if (frame->decode_error_flags || (frame->flags & AV_FRAME_FLAG_CORRUPT)) {
            av_log(nullptr, ctx->exit_on_error ? AV_LOG_FATAL : AV_LOG_WARNING,
                   "corrupt decoded frame in stream %d\n", ist->st->index);
            if (ctx->exit_on_error) exit_program(ctx, 1);
        }
        if (dec->codec_type == AVMEDIA_TYPE_VIDEO) {
            frame->pts = frame->best_effort_timestamp;
            // A cover picture has no time: it shows from the start, where the
            // cut to the output's length would drop it.
            if (frame->pts == AV_NOPTS_VALUE && (ist->st->disposition & AV_DISPOSITION_ATTACHED_PIC)) frame->pts = 0;
        } else {
            AVRational out_tb{1, frame->sample_rate};
            if (frame->pts != AV_NOPTS_VALUE) {
                frame->pts = av_rescale_delta(ist->st->time_base, frame->pts, out_tb, frame->nb_samples,
                                              &ir.rescale_delta_last, out_tb);
            } else if (ir.next_audio_pts != AV_NOPTS_VALUE) {
                // The next timed frame is placed after this one (a packet of
                // many frames whose time base is coarser than a frame).
                frame->pts = ir.next_audio_pts;
                ir.rescale_delta_last = frame->pts + frame->nb_samples;
            }
            if (frame->pts != AV_NOPTS_VALUE) ir.next_audio_pts = frame->pts + frame->nb_samples;
        }
        if ((ret = send_frame_to_filters(run, ist, frame)) < 0) return ret;
    }
}

int decode_subtitle(CTranscodeRun& run, InputStream* ist, const AVPacket* pkt)
{
    CToolContext* ctx = run.ctx;
    AVSubtitle sub{};
    int got = 0;
    AVPacket* p = const_cast<AVPacket*>(pkt);
    int ret = avcodec_decode_subtitle2(ist->dec_ctx, &sub, &got, p);
    if (ret < 0) {
        ctx->decode_error_stat[1]++;
        return 0;
    }
    if (!got) return 0;
    ctx->decode_error_stat[0]++;
    if (sub.pts == AV_NOPTS_VALUE && pkt->pts != AV_NOPTS_VALUE)
        sub.pts = av_rescale_q(pkt->pts, ist->st->time_base, AV_TIME_BASE_Q);
    sub2video_update(ist, INT64_MIN, &sub);
    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        if (ost->source_index < 0 || ctx->input_streams[ost->source_index].get() != ist) continue;
        if (!ost->encoding_needed || ost->finished) continue;
        do_subtitle_out(run, ost, &sub);
    }
    avsubtitle_free(&sub);
    return 0;
}

// Decodes one packet (null: drains the decoder).
int decode_packet(CTranscodeRun& run, InputStream* ist, const AVPacket* pkt)
{
    AVCodecContext* dec = ist->dec_ctx;
    if (dec->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        if (!pkt) return 0;
        return decode_subtitle(run, ist, pkt);
    }
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF) {
        if (ret != AVERROR(EAGAIN)) {
            run.ctx->decode_error_stat[1]++;
            av_log(nullptr, AV_LOG_ERROR, "Error while decoding stream #%d:%d: %s\n", ist->file_index, ist->st->index,
                   err2str(ret).c_str());
            if (run.ctx->exit_on_error) exit_program(run.ctx, 1);
            return 0;
        }
    }
    return receive_frames(run, ist);
}

}  // namespace

void flush_input_stream(CTranscodeRun& run, InputStream* ist)
{
    InputStreamRun& ir = run_of(run, ist);
    if (ir.eof_sent) return;
    ir.eof_sent = true;
    if (ist->dec_ctx && avcodec_is_open(ist->dec_ctx) && ist->dec_ctx->codec_type != AVMEDIA_TYPE_SUBTITLE)
        decode_packet(run, ist, nullptr);
    if (ist->sub2video.frame) sub2video_flush(ist);
    close_filter_inputs(ist, AV_NOPTS_VALUE);
}

int process_input(CTranscodeRun& run, int file_index)
{
    CToolContext* ctx = run.ctx;
    InputFile* ifile = ctx->input_files[file_index].get();
    AVFormatContext* is = ifile->ctx;
    AVPacket* pkt = run.pkt;

    int ret = ifile->read_end_reached ? AVERROR_EOF : av_read_frame(is, pkt);
    if (ret >= 0 && ifile->read_end != INT64_MAX && cd_packet_reaches(is, pkt, ifile->read_end))
        ifile->read_end_reached = 1;  // a source without an end of its own (CD)
    if (ret == AVERROR(EAGAIN)) return ret;
    if (ret < 0) {
        // A file that could not be read to its end is a failed run; an error
        // after all it declares was read (a tag after the audio) ends it.
        const bool read_error =
            ret != AVERROR_EOF && !avio_feof(is->pb) && !read_declared_length(run, ifile);
        if (ret != AVERROR_EOF) {
            print_error(is->url, ret);
            if (ctx->exit_on_error) exit_program(ctx, 1);
        }
        for (int i = 0; i < ifile->nb_streams; i++) {
            InputStream* ist = ctx->input_streams[ifile->ist_index + i].get();
            if (ist->decoding_needed) flush_input_stream(run, ist);
            for (auto& op : ctx->output_streams) {
                OutputStream* ost = op.get();
                if (ost->source_index == ifile->ist_index + i && !ost->encoding_needed) close_output_stream(run, ost);
            }
        }
        ifile->eof_reached = 1;
        if (read_error) return ret;
        return AVERROR(EAGAIN);
    }

    // Streams that appeared after the file was opened are not used; a late
    // stream chosen for burn-in gets a decoder of its own.
    if (pkt->stream_index >= ifile->nb_streams) {
        if (file_index == 0 && run.burn.stream_index < 0 && burn_in_matches(run, is->streams[pkt->stream_index])) {
            if ((ret = burn_in_open(run, is->streams[pkt->stream_index], nullptr)) < 0) {
                av_packet_unref(pkt);
                return ret;
            }
        }
        if (file_index == 0 && pkt->stream_index == run.burn.stream_index) {
            AVStream* st = is->streams[pkt->stream_index];
            int64_t off = av_rescale_q(ifile->ts_offset, AV_TIME_BASE_Q, st->time_base);
            if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += off;
            if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += off;
            burn_in_take_packet(run, pkt);
            return 0;
        }
        av_packet_unref(pkt);
        return 0;
    }

    InputStream* ist = ctx->input_streams[ifile->ist_index + pkt->stream_index].get();
    const bool burn = file_index == 0 && pkt->stream_index == run.burn.stream_index;
    if (ist->discard && !burn) {
        av_packet_unref(pkt);
        return 0;
    }
    if (const int64_t t = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts; t != AV_NOPTS_VALUE) {
        InputStreamRun& ir = run_of(run, ist);
        if (ir.read_end == AV_NOPTS_VALUE || t + pkt->duration > ir.read_end) ir.read_end = t + pkt->duration;
    }

    const int64_t off = av_rescale_q(ifile->ts_offset, AV_TIME_BASE_Q, ist->st->time_base);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts += off;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts += off;
    if (ist->ts_scale != 1.0) {
        if (pkt->pts != AV_NOPTS_VALUE) pkt->pts = static_cast<int64_t>(pkt->pts * ist->ts_scale);
        if (pkt->dts != AV_NOPTS_VALUE) pkt->dts = static_cast<int64_t>(pkt->dts * ist->ts_scale);
    }

    if (burn) {
        burn_in_take_packet(run, pkt);
        return 0;
    }

    sub2video_heartbeat(ctx, ist, pkt->pts);
    if (ist->decoding_needed) {
        ret = decode_packet(run, ist, pkt);
        if (ret < 0) {
            av_packet_unref(pkt);
            return ret;
        }
    }
    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        if (ost->source_index != ifile->ist_index + pkt->stream_index || ost->encoding_needed || ost->finished)
            continue;
        do_streamcopy(run, ist, ost, pkt);
    }
    av_packet_unref(pkt);
    return 0;
}
