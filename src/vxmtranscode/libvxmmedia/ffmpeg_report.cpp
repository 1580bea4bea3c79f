// The run's progress report: the status line, the output position for the
// job runner and the media object's progress, and the final statistics.
#include "ffmpeg_transcode.h"

#include <cinttypes>
#include <cmath>
#include <string>

#include "CmdFFplay.h"
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

}  // namespace

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
            snprintf(buf, sizeof buf, "frame=%5d fps=%3.*f q=%3.1f ", frame_number, fps < 9.95, fps,
                     ost->encoding_needed ? ost->enc_ctx->global_quality / static_cast<float>(FF_QP2LAMBDA) : -1.0f);
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
    if (bitrate < 0)
        line += "bitrate=N/A";
    else {
        snprintf(buf, sizeof buf, "bitrate=%6.1fkbits/s", bitrate);
        line += buf;
    }
    if (run.nb_frames_dup || run.nb_frames_drop) {
        snprintf(buf, sizeof buf, " dup=%" PRId64 " drop=%" PRId64, run.nb_frames_dup, run.nb_frames_drop);
        line += buf;
    }
    if (ctx->print_stats || is_last) {
        const char end = is_last ? '\n' : '\r';
        av_log(nullptr, AV_LOG_INFO, "%s    %c", line.c_str(), end);
    }
    if (is_last) print_final_stats(run, total_size);
}
