// The transcoder run: argument set-up, the transcode loop with pause and stop,
// the flush and the end of the run.
#include "ffmpeg_transcode.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavfilter/buffersrc.h>
#include <libavutil/time.h>
}

#include "CmdFFplay.h"
#include "EngineGlobals.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "cmdutils.h"
#include "ffmpeg_opt.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace {

void silent_log(void*, int, const char*, va_list) {}

// The output stream whose muxed time is the smallest (the one to feed next).
OutputStream* choose_output(CTranscodeRun& run)
{
    CToolContext* ctx = run.ctx;
    int64_t best = INT64_MAX;
    OutputStream* chosen = nullptr;
    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        if (ost->finished) continue;
        int64_t t = ost->last_mux_dts == AV_NOPTS_VALUE
                        ? INT64_MIN
                        : av_rescale_q(ost->last_mux_dts, ost->st->time_base, AV_TIME_BASE_Q);
        if (t < best) {
            best = t;
            chosen = ost;
        }
    }
    return chosen;
}

bool need_output(CTranscodeRun& run)
{
    CToolContext* ctx = run.ctx;
    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        if (ost->finished) continue;
        OutputFile* of = ctx->output_files[ost->file_index].get();
        AVFormatContext* os = of->ctx;
        if (of->limit_filesize != UINT64_MAX && os->pb && static_cast<uint64_t>(avio_size(os->pb)) >= of->limit_filesize) {
            for (size_t i = of->ost_index; i < ctx->output_streams.size(); i++)
                if (ctx->output_streams[i]->file_index == ost->file_index)
                    close_output_stream(run, ctx->output_streams[i].get());
            continue;
        }
        if (ost->frame_number >= ost->max_frames) {
            for (size_t i = of->ost_index; i < ctx->output_streams.size(); i++)
                if (ctx->output_streams[i]->file_index == ost->file_index)
                    close_output_stream(run, ctx->output_streams[i].get());
            continue;
        }
        return true;
    }
    return false;
}

// The input file that feeds `ost` and still has data, or -1.
int input_file_for(CTranscodeRun& run, OutputStream* ost)
{
    CToolContext* ctx = run.ctx;
    if (ost->filter) {
        for (auto& in : ost->filter->graph->inputs) {
            if (!in->ist) continue;
            if (!ctx->input_files[in->ist->file_index]->eof_reached) return in->ist->file_index;
        }
        return -1;
    }
    if (ost->source_index < 0) return -1;
    int fi = ctx->input_streams[ost->source_index]->file_index;
    return ctx->input_files[fi]->eof_reached ? -1 : fi;
}

int transcode_step(CTranscodeRun& run)
{
    OutputStream* ost = choose_output(run);
    if (!ost) return AVERROR_EOF;
    int file_index = input_file_for(run, ost);
    if (file_index < 0) {
        // Every input of the stream has ended: take what is left and finish it.
        int ret = reap_filters(run, true);
        if (ret < 0) return ret;
        close_output_stream(run, ost);
        return 0;
    }
    int ret = process_input(run, file_index);
    if (ret == AVERROR(EAGAIN)) {
        ret = 0;
    }
    if (ret < 0) return ret;
    return reap_filters(run, false);
}

// Why an output holds nothing of its source, or null when it does: audio or
// video streams to which not one packet was written (an output of subtitles
// alone may be empty: a trimmed part without a line), or sound asked for and
// none written beside a source's cover picture.
const char* empty_output_reason(const CToolContext* ctx, size_t file_index)
{
    bool picture_or_sound = false, written = false, silent = false, cover = false;
    for (const auto& op : ctx->output_streams) {
        if (op->file_index != static_cast<int>(file_index)) continue;
        const AVMediaType type = op->st->codecpar->codec_type;
        picture_or_sound = picture_or_sound || type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO;
        if (op->data_size == 0) {
            silent = silent || type == AVMEDIA_TYPE_AUDIO;
            continue;
        }
        const InputStream* ist = op->source_index >= 0 ? ctx->input_streams[op->source_index].get() : nullptr;
        if (type == AVMEDIA_TYPE_VIDEO && ist && (ist->st->disposition & AV_DISPOSITION_ATTACHED_PIC))
            cover = true;
        else
            written = true;
    }
    if (written || !picture_or_sound) return nullptr;
    if (!cover) return "is empty, nothing was encoded";
    return silent ? "holds only the cover picture, the source gave no sound" : nullptr;
}

void wait_while_paused(CTranscodeRun& run)
{
    CVXMMediaBase* media = run.runner ? run.runner->m_pMedia : nullptr;
    if (!media || !media->m_hPauseEvent || media->m_hPauseEvent->IsSet()) return;
    run.ctx->m_bPauseHeld = true;
    // Waits in slices so that a stop asked during a pause is seen.
    while (media->m_hPauseEvent->Wait(50) != WAIT_OBJECT_0) {
        if (run.ctx->received_sigterm.load()) break;
    }
    run.ctx->m_bPauseHeld = false;
}

int transcode(CTranscodeRun& run)
{
    CToolContext* ctx = run.ctx;
    int ret;
    {
        std::lock_guard<std::recursive_mutex> lock(g_csTranscoder);
        ret = transcode_init(run);
    }
    if (ret < 0) return ret;
    ctx->transcode_init_done = 1;

    if (ctx->stdin_interaction) av_log(nullptr, AV_LOG_INFO, "Press [q] to stop, [?] for help\n");
    const int64_t timer_start = av_gettime_relative();

    while (!ctx->received_sigterm.load()) {
        int64_t cur_time = av_gettime_relative();
        wait_while_paused(run);
        if (ctx->received_sigterm.load()) break;
        if (!need_output(run)) {
            av_log(nullptr, AV_LOG_VERBOSE, "No more output streams to write to, finishing.\n");
            break;
        }
        ret = transcode_step(run);
        if (run.failed && ret >= 0) ret = AVERROR_EXTERNAL;
        if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN)) {
            av_log(nullptr, AV_LOG_ERROR, "Error while filtering: %s\n", err2str(ret).c_str());
            run.failed = true;
            break;
        }
        if (ret == AVERROR_EOF) break;
        print_report(run, false, timer_start, cur_time);
    }

    // Flush what the decoders and graphs still hold, then the encoders; a
    // stopped run's output is thrown away, so nothing more is encoded for it.
    if (!ctx->received_sigterm.load()) {
        for (auto& ip : ctx->input_streams) {
            InputStream* ist = ip.get();
            if (!ctx->input_files[ist->file_index]->eof_reached && (ist->decoding_needed)) flush_input_stream(run, ist);
        }
        reap_filters(run, true);
        flush_encoders(run);
    }
    av_log(nullptr, AV_LOG_QUIET, "%s", "");

    for (size_t i = 0; i < ctx->output_files.size(); i++) {
        OutputFile* of = ctx->output_files[i].get();
        if (!of->header_written) continue;
        int r = av_write_trailer(of->ctx);
        if (r < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error writing trailer of %s: %s\n", of->ctx->url, err2str(r).c_str());
            ctx->main_return_code = 1;
        }
        if (!(of->ctx->oformat->flags & AVFMT_NOFILE) && of->ctx->pb) {
            r = avio_closep(&of->ctx->pb);
            if (r < 0) {
                av_log(nullptr, AV_LOG_ERROR, "Error closing file %s: %s\n", of->ctx->url, err2str(r).c_str());
                ctx->main_return_code = 1;
            }
        }
    }
    print_report(run, true, timer_start, av_gettime_relative());

    for (auto& ip : ctx->input_streams)
        if (ip->dec_ctx && avcodec_is_open(ip->dec_ctx)) avcodec_close(ip->dec_ctx);
    return 0;
}

int transcode_main(CTranscodeRun& run, const std::wstring& line)
{
    CToolContext* ctx = run.ctx;
    std::string utf8 = WideToUtf8(line);
    LogMessageA("?ffmpeg_transcode@@YAHPAXPAVCCmdFFplay@@@Z", "%s", utf8.c_str());

    register_exit(ffmpeg_cleanup);
    setvbuf(stderr, nullptr, _IONBF, 0);

    begin_transcoder_run(ctx);
    ctx->m_strCommandLine = line;

    // The report file follows the engine's settings; it is handed over as
    // the FFREPORT text (the process environment is not touched, as runs may
    // go on side by side). The text keeps to 255 characters.
    av_log_set_flags(AV_LOG_SKIP_REPEATED);
    install_tool_log_callback();  // a silent run before leaves its callback behind
    std::vector<std::string> args = split_command_line_utf8(line);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::string ffreport;
    if (g_bUseReportLog && !g_strReportLogPath.empty()) ffreport = ("file=" + g_strReportLogPath).substr(0, 255);
    parse_loglevel_with_report(static_cast<int>(args.size()), argv.data(), ctx->options.data(), nullptr,
                               ffreport.empty() ? nullptr : ffreport.c_str());

    // "-d" as the first argument: a silent run; the argument is dropped.
    if (args.size() >= 2 && args[1] == "-d") {
        ctx->run_as_daemon = 1;
        av_log_set_callback(silent_log);
        std::wstring rest = line;
        for (size_t pos = rest.find(L" -d"); pos != std::wstring::npos; pos = rest.find(L" -d", pos + 1)) {
            if (pos + 3 == rest.size() || rest[pos + 3] == L' ' || rest[pos + 3] == L'\t') {
                rest.erase(pos, 3);
                break;
            }
        }
        ctx->m_strCommandLine = rest;
    }

    if (ffmpeg_parse_options(0, ctx, nullptr) < 0) exit_program(ctx, 1);
    run.ost.assign(ctx->output_streams.size(), OutputStreamRun{});
    run.ist.assign(ctx->input_streams.size(), InputStreamRun{});

    if (ctx->output_files.empty() && ctx->input_files.empty()) {
        av_log(nullptr, AV_LOG_INFO, "Hyper fast Audio and Video encoder\n");
        av_log(nullptr, AV_LOG_INFO, "usage: %s [options] [[infile options] -i infile]... {[outfile options] outfile}...\n",
               "ffmpeg");
        av_log(nullptr, AV_LOG_INFO, "\n");
        av_log(nullptr, AV_LOG_WARNING, "Use -h to get full help or, even better, run 'man %s'\n", "ffmpeg");
        exit_program(ctx, 1);
    }
    if (ctx->output_files.empty()) {
        av_log(nullptr, AV_LOG_FATAL, "At least one output file must be specified\n");
        exit_program(ctx, 1);
    }

    const int64_t user_time_start = GetProcessUserTimeUs();
    if (transcode(run) < 0) exit_program(ctx, 1);
    if (ctx->do_benchmark) {
        printf("bench: utime=%0.3fs\n", (GetProcessUserTimeUs() - user_time_start) / 1000000.0);
        fflush(stdout);
    }

    av_log(nullptr, AV_LOG_DEBUG, "%" PRIu64 " frames successfully decoded, %" PRIu64 " decoding errors\n",
           ctx->decode_error_stat[0], ctx->decode_error_stat[1]);
    if ((ctx->decode_error_stat[0] + ctx->decode_error_stat[1]) * ctx->max_error_rate <
        static_cast<double>(ctx->decode_error_stat[1]))
        exit_program(ctx, 69);
    // A stopped or failed run is never reported as a success.
    if (ctx->received_sigterm.load()) exit_program(ctx, VXM_EXIT_RUN_STOPPED);
    if (run.failed) exit_program(ctx, VXM_EXIT_RUN_FAILED);
    for (size_t i = 0; i < ctx->output_files.size() && ctx->main_return_code == 0; i++) {
        const char* reason = empty_output_reason(ctx, i);
        if (!reason) continue;
        av_log(nullptr, AV_LOG_ERROR, "Output file %s %s\n", ctx->output_files[i]->ctx->url, reason);
        exit_program(ctx, VXM_EXIT_RUN_FAILED);
    }
    return ctx->main_return_code;
}

}  // namespace

int ffmpeg_transcode(void* commandLine, CCmdFFplay* runner)
{
    if (!runner || !commandLine) return 1;
    CToolContext* ctx = runner;
    std::wstring line = static_cast<const wchar_t*>(commandLine);
    int result;
    {
        // The run state is freed before the cleanup frees the files it points into.
        CTranscodeRun run(ctx, runner);
        result = transcode_main(run, line);
    }
    exit_program(ctx, result);
    return result;
}
