// Muxing: bitstream filters, time-stamp repair and interleaved writing of
// packets, and the copy of input packets to copied streams.
#include "ffmpeg_transcode.h"

#include <string>

#include "cmdutils.h"

namespace {

void mux_packet(CTranscodeRun& run, OutputStream* ost, AVPacket* pkt)
{
    CToolContext* ctx = run.ctx;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    AVFormatContext* s = of->ctx;
    AVStream* st = ost->st;
    OutputStreamRun& r = run_of(run, ost);

    if (!(s->oformat->flags & AVFMT_NOTIMESTAMPS)) {
        if (pkt->dts != AV_NOPTS_VALUE && pkt->pts != AV_NOPTS_VALUE && pkt->dts > pkt->pts) {
            av_log(s, AV_LOG_WARNING, "Invalid DTS: %" PRId64 " PTS: %" PRId64 " in output stream %d:%d, replacing by guess\n",
                   pkt->dts, pkt->pts, ost->file_index, st->index);
            int64_t a = pkt->pts, b = pkt->dts, c = ost->last_mux_dts + 1;
            pkt->pts = pkt->dts = a + b + c - FFMIN3(a, b, c) - FFMAX3(a, b, c);
        }
        const AVMediaType type = st->codecpar->codec_type;
        if ((type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_SUBTITLE) &&
            pkt->dts != AV_NOPTS_VALUE && ost->last_mux_dts != AV_NOPTS_VALUE) {
            int64_t max = ost->last_mux_dts + !(s->oformat->flags & AVFMT_TS_NONSTRICT);
            if (pkt->dts < max) {
                int level = max - pkt->dts > 2 || type == AVMEDIA_TYPE_VIDEO ? AV_LOG_WARNING : AV_LOG_DEBUG;
                av_log(s, level,
                       "Non-monotonous DTS in output stream %d:%d; previous: %" PRId64 ", current: %" PRId64 "; ",
                       ost->file_index, st->index, ost->last_mux_dts, pkt->dts);
                if (ctx->exit_on_error) {
                    av_log(nullptr, AV_LOG_FATAL, "aborting.\n");
                    exit_program(ctx, 1);
                }
                av_log(s, level, "changing to %" PRId64 ". This may result in incorrect timestamps in the output file.\n",
                       max);
                if (pkt->pts >= pkt->dts) pkt->pts = FFMAX(pkt->pts, max);
                pkt->dts = max;
            }
        }
    }
    ost->last_mux_dts = pkt->dts;
    ost->data_size += pkt->size;
    int64_t end = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts;
    if (end != AV_NOPTS_VALUE) {
        end = av_rescale_q(end + pkt->duration, st->time_base, AV_TIME_BASE_Q);
        if (r.end_pts_us == AV_NOPTS_VALUE || end > r.end_pts_us) r.end_pts_us = end;
    }
    pkt->stream_index = ost->index;

    int ret = av_interleaved_write_frame(s, pkt);
    if (ret < 0) {
        print_error("av_interleaved_write_frame()", ret);
        ctx->main_return_code = 1;
        for (auto& op : ctx->output_streams) close_output_stream(run, op.get());
    }
    av_packet_unref(pkt);
}

}  // namespace

int init_output_bsfs(CTranscodeRun& run, OutputStream* ost)
{
    if (ost->bitstream_filters.empty()) return 0;
    std::string chain;
    for (const std::string& b : ost->bitstream_filters) chain += (chain.empty() ? "" : ",") + b;
    OutputStreamRun& r = run_of(run, ost);
    int ret = av_bsf_list_parse_str(chain.c_str(), &r.bsf);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error parsing bitstream filter sequence '%s': %s\n", chain.c_str(),
               err2str(ret).c_str());
        return ret;
    }
    if ((ret = avcodec_parameters_copy(r.bsf->par_in, ost->st->codecpar)) < 0) return ret;
    r.bsf->time_base_in = ost->st->time_base;
    if ((ret = av_bsf_init(r.bsf)) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error initializing bitstream filter: %s\n", r.bsf->filter->name);
        return ret;
    }
    if ((ret = avcodec_parameters_copy(ost->st->codecpar, r.bsf->par_out)) < 0) return ret;
    ost->st->time_base = r.bsf->time_base_out;
    return 0;
}

void write_packet(CTranscodeRun& run, OutputStream* ost, AVPacket* pkt, AVRational tb)
{
    OutputStreamRun& r = run_of(run, ost);
    if (r.bsf) {
        // Packets go through the chain in the stream's time base before the header.
        av_packet_rescale_ts(pkt, tb, r.bsf->time_base_in);
        int ret = av_bsf_send_packet(r.bsf, pkt);
        if (ret < 0) {
            av_packet_unref(pkt);
            av_log(nullptr, AV_LOG_ERROR, "Error applying bitstream filters to an output packet for stream #%d:%d.\n",
                   ost->file_index, ost->index);
            if (run.ctx->exit_on_error) exit_program(run.ctx, 1);
            return;
        }
        while ((ret = av_bsf_receive_packet(r.bsf, pkt)) >= 0) {
            av_packet_rescale_ts(pkt, r.bsf->time_base_out, ost->st->time_base);
            mux_packet(run, ost, pkt);
        }
        return;
    }
    av_packet_rescale_ts(pkt, tb, ost->st->time_base);
    mux_packet(run, ost, pkt);
}

void close_output_stream(CTranscodeRun& run, OutputStream* ost)
{
    (void)run;
    ost->finished = 1;
}

void do_streamcopy(CTranscodeRun& run, InputStream* ist, OutputStream* ost, const AVPacket* in)
{
    CToolContext* ctx = run.ctx;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    InputFile* f = ctx->input_files[ist->file_index].get();
    const int64_t start_time = of->start_time == AV_NOPTS_VALUE ? 0 : of->start_time;

    if (!ost->frame_number && !(in->flags & AV_PKT_FLAG_KEY) && !ost->copy_initial_nonkeyframes) return;

    int64_t ts = in->pts != AV_NOPTS_VALUE ? in->pts : in->dts;
    int64_t ts_us = ts == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : av_rescale_q(ts, ist->st->time_base, AV_TIME_BASE_Q);
    if (!ost->frame_number && ost->copy_prior_start <= 0 && ts_us != AV_NOPTS_VALUE && ts_us < start_time) return;
    if (of->recording_time != INT64_MAX && ts_us != AV_NOPTS_VALUE && ts_us >= of->recording_time + start_time) {
        close_output_stream(run, ost);
        return;
    }
    if (f->recording_time != INT64_MAX && ts_us != AV_NOPTS_VALUE) {
        int64_t fstart = f->start_time == AV_NOPTS_VALUE ? 0 : f->start_time;
        if (ts_us >= f->recording_time + fstart) {
            close_output_stream(run, ost);
            return;
        }
    }

    AVPacket* pkt = run.enc_pkt;
    av_packet_unref(pkt);
    if (av_packet_ref(pkt, in) < 0) exit_program(ctx, 1);
    AVRational tb = ist->st->time_base;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= av_rescale_q(start_time, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts -= av_rescale_q(start_time, AV_TIME_BASE_Q, tb);
    write_packet(run, ost, pkt, tb);
    ost->frame_number++;
}
