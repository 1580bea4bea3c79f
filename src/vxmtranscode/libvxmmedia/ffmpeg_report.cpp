// The run's progress report: the status line, the output position for the
// job runner and the media object's progress, and the final statistics.
#include "ffmpeg_transcode.h"

#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstring>
#include <string>

extern "C" {
#include <libavutil/intreadwrite.h>
}

#include "CmdFFplay.h"
#include "cmdutils.h"
#include "IVXMMedia.h"
#include "VXMMediaBase.h"

namespace {

void print_final_stats(CTranscodeRun& run, int64_t total_size)
{
    uint64_t video = 0, audio = 0, subtitle = 0, other = 0;
    for (auto& op : run.ctx->output_streams) {
        switch (op->st->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO: video += op->data_size; break;
        case AVMEDIA_TYPE_AUDIO: audio += op->data_size; break;
        case AVMEDIA_TYPE_SUBTITLE: subtitle += op->data_size; break;
        default: other += op->data_size; break;
        }
    }
    const uint64_t data = video + audio + subtitle + other;
    char overhead[32] = "unknown";
    if (data && total_size > 0 && static_cast<uint64_t>(total_size) >= data)
        snprintf(overhead, sizeof overhead, "%f%%", 100.0 * (total_size - data) / data);
    av_log(nullptr, AV_LOG_INFO,
           "video:%1.0fkB audio:%1.0fkB subtitle:%1.0fkB other streams:%1.0fkB global headers:0kB muxing overhead: %s\n",
           video / 1024.0, audio / 1024.0, subtitle / 1024.0, other / 1024.0, overhead);
}

// The encoder's quantiser of a stream; -1 for a copied one.
float quality_of(const OutputStream* ost)
{
    return ost->encoding_needed ? ost->enc_ctx->global_quality / static_cast<float>(FF_QP2LAMBDA) : -1.0f;
}

std::string bitrate_text(double bitrate)
{
    if (bitrate < 0) return "bitrate=N/A";
    char buf[48];
    snprintf(buf, sizeof buf, "bitrate=%6.1fkbits/s", bitrate);
    return buf;
}

// "progress": the block of key=value lines a reading program takes apart,
// ended by "progress=continue" or, at the last report, "progress=end".
void write_progress(CTranscodeRun& run, bool is_last, double elapsed, int64_t total_size, int64_t pts,
                    double bitrate)
{
    CToolContext* ctx = run.ctx;
    std::string block;
    char buf[128];
    bool first_video = true;
    for (auto& op : ctx->output_streams) {
        const OutputStream* ost = op.get();
        if (!ost->enc_ctx || ost->st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
        if (first_video) {
            snprintf(buf, sizeof buf, "frame=%d\nfps=%.1f\n", ost->frame_number,
                     elapsed > 1 ? ost->frame_number / elapsed : 0.0);
            block += buf;
            first_video = false;
        }
        snprintf(buf, sizeof buf, "stream_%d_%d_q=%.1f\n", ost->file_index, ost->index, quality_of(ost));
        block += buf;
    }
    block += bitrate_text(bitrate) + "\n";
    block += total_size < 0 ? std::string("total_size=N/A\n") : "total_size=" + std::to_string(total_size) + "\n";
    // As the stock tool, "out_time_ms" counts microseconds.
    const int64_t us = pts == INT64_MIN ? 0 : pts;
    const int64_t p = std::llabs(us);
    snprintf(buf, sizeof buf, "out_time_ms=%" PRId64 "\nout_time=%s%02d:%02d:%02d.%06d\n", us, us < 0 ? "-" : "",
             static_cast<int>(p / 3600000000LL), static_cast<int>((p / 60000000) % 60),
             static_cast<int>((p / 1000000) % 60), static_cast<int>(p % 1000000));
    block += buf;
    snprintf(buf, sizeof buf, "dup_frames=%" PRId64 "\ndrop_frames=%" PRId64 "\n", run.nb_frames_dup,
             run.nb_frames_drop);
    block += buf;
    block += is_last ? "progress=end\n" : "progress=continue\n";
    avio_write(ctx->progress_avio, reinterpret_cast<const unsigned char*>(block.data()), static_cast<int>(block.size()));
    avio_flush(ctx->progress_avio);
    if (is_last) avio_closep(&ctx->progress_avio);
}

}  // namespace

void write_video_stats(CTranscodeRun& run, OutputStream* ost, const AVPacket* pkt)
{
    CToolContext* ctx = run.ctx;
    const AVCodecContext* enc = ost->enc_ctx;
    if (ctx->vstats_filename.empty() || enc->codec_type != AVMEDIA_TYPE_VIDEO) return;
    if (!ctx->vstats_file && !(ctx->vstats_file = fopen(ctx->vstats_filename.c_str(), "w"))) {
        av_log(nullptr, AV_LOG_FATAL, "Cannot write the video statistics to %s: %s\n", ctx->vstats_filename.c_str(),
               strerror(errno));
        exit_program(ctx, 1);
    }
    // The encoder's quality, picture type and errors ride on the packet.
    size_t side_size = 0;
    const uint8_t* side = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &side_size);
    const int quality = side && side_size >= 5 ? static_cast<int>(AV_RL32(side)) : enc->global_quality;
    const char type = side && side_size >= 5 ? av_get_picture_type_char(static_cast<AVPictureType>(side[4])) : '?';

    OutputStreamRun& r = run_of(run, ost);
    std::string line;
    char buf[160];
    snprintf(buf, sizeof buf, "frame= %5d q= %2.1f ", ++r.stats_frames, quality / static_cast<float>(FF_QP2LAMBDA));
    line += buf;
    if ((enc->flags & AV_CODEC_FLAG_PSNR) && side && side_size >= 16 && side[5] >= 1 && enc->width > 0 &&
        enc->height > 0) {
        const double error = static_cast<double>(AV_RL64(side + 8)) / (enc->width * enc->height * 255.0 * 255.0);
        snprintf(buf, sizeof buf, "PSNR= %6.2f ", error > 0 ? -10.0 * log10(error) : 99.99);
        line += buf;
    }
    const uint64_t stream_size = ost->data_size + static_cast<uint64_t>(pkt->size);
    const int64_t end = pkt->pts == AV_NOPTS_VALUE ? 0 : pkt->pts + pkt->duration;
    const double seconds = FFMAX(end * av_q2d(enc->time_base), 0.01);
    const double frame_seconds = pkt->duration > 0 ? pkt->duration * av_q2d(enc->time_base) : av_q2d(enc->time_base);
    snprintf(buf, sizeof buf, "f_size= %6d s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
             pkt->size, stream_size / 1024.0, seconds, pkt->size * 8 / frame_seconds / 1000.0,
             stream_size * 8 / seconds / 1000.0);
    line += buf;
    snprintf(buf, sizeof buf, "type= %c\n", type);
    line += buf;
    fputs(line.c_str(), ctx->vstats_file);
}

void print_report(CTranscodeRun& run, bool is_last, int64_t timer_start, int64_t cur_time)
{
    CToolContext* ctx = run.ctx;
    if (!ctx->print_stats && !is_last && !ctx->progress_avio) return;
    if (!is_last) {
        if (run.last_report_us == -1) {
            run.last_report_us = cur_time;
            return;
        }
        if (cur_time - run.last_report_us < 500000) return;
        run.last_report_us = cur_time;
    }

    int64_t total_size = 0;
    if (!ctx->output_files.empty()) {
        AVFormatContext* oc = ctx->output_files[0]->ctx;
        if (oc->pb) total_size = avio_size(oc->pb);
        if (total_size <= 0 && oc->pb) total_size = avio_tell(oc->pb);
    }
    const double t = (cur_time - timer_start) / 1000000.0;
    std::string line;
    char buf[256];
    int64_t pts = INT64_MIN;
    int frame_number = 0;
    bool have_video = false;
    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        const OutputStreamRun& r = run_of(run, ost);
        if (!have_video && ost->enc_ctx && ost->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
            have_video = true;
            frame_number = ost->frame_number;
            const float fps = t > 1 ? static_cast<float>(frame_number / t) : 0;
            snprintf(buf, sizeof buf, "frame=%5d fps=%3.*f q=%3.1f ", frame_number, fps < 9.95, fps, quality_of(ost));
            line += buf;
        }
        if (r.end_pts_us != AV_NOPTS_VALUE) pts = FFMAX(pts, r.end_pts_us);
    }

    // The position the job runner reports, and the media object's progress.
    CCmdFFplay* runner = run.runner;
    if (runner && runner->m_pMedia && runner->m_bTrackPosition == 1) {
        ctx->m_dCurrentTime = pts / 1000000.0;
        if (auto* media = dynamic_cast<IVXMMedia*>(runner->m_pMedia)) media->ReportProgress(2);
    }

    const double bitrate = pts > 0 && total_size >= 0 ? total_size * 8 / (pts / 1000.0) : -1;
    snprintf(buf, sizeof buf, "size=%8.0fkB time=", total_size / 1024.0);
    line += buf;
    if (pts == INT64_MIN) {
        line += "N/A ";
    } else {
        const int64_t p = std::llabs(pts);
        const int64_t secs = p / AV_TIME_BASE, us = p % AV_TIME_BASE;
        snprintf(buf, sizeof buf, "%s%02d:%02d:%02d.%02d ", pts < 0 ? "-" : "", static_cast<int>(secs / 3600),
                 static_cast<int>((secs / 60) % 60), static_cast<int>(secs % 60),
                 static_cast<int>((100 * us) / AV_TIME_BASE));
        line += buf;
    }
    line += bitrate_text(bitrate);
    if (run.nb_frames_dup || run.nb_frames_drop) {
        snprintf(buf, sizeof buf, " dup=%" PRId64 " drop=%" PRId64, run.nb_frames_dup, run.nb_frames_drop);
        line += buf;
    }
    if (ctx->print_stats || is_last) {
        const char end = is_last ? '\n' : '\r';
        av_log(nullptr, AV_LOG_INFO, "%s    %c", line.c_str(), end);
    }
    if (ctx->progress_avio) write_progress(run, is_last, t, total_size, pts, bitrate);
    if (is_last) print_final_stats(run, total_size);
}
