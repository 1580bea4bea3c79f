// Life of the per-run tool state.
#include "ffmpeg_state.h"

#include <atomic>
#include <cstdio>

#include "cmdutils.h"
#include "dvd/DvdInput.h"
#include "ffmpeg_filter.h"
#include "platform/resources.h"

namespace {

std::atomic<DvdInputOpener> g_dvdOpener{nullptr};

// The run's I/O interrupt: answers "stop" once a stop was asked after set-up.
int decode_interrupt_cb(void* opaque)
{
    auto* ctx = static_cast<CToolContext*>(opaque);
    return ctx->received_nb_signals.load() > ctx->transcode_init_done.load();
}

}  // namespace

void set_dvd_input_opener(DvdInputOpener opener) { g_dvdOpener.store(opener); }
DvdInputOpener get_dvd_input_opener() { return g_dvdOpener.load(); }

CToolContext::CToolContext()
{
    int_cb.callback = decode_interrupt_cb;
    int_cb.opaque = this;
    ResetToolState();
}

CToolContext::~CToolContext()
{
    FreeToolObjects();
}

void CToolContext::FreeToolObjects()
{
    for (auto& fg : filtergraphs) free_filtergraph(fg.get());
    filtergraphs.clear();

    for (auto& of : output_files) {
        if (of->ctx) {
            if (!(of->ctx->oformat->flags & AVFMT_NOFILE)) avio_closep(&of->ctx->pb);
            avformat_free_context(of->ctx);
            of->ctx = nullptr;
        }
        av_dict_free(&of->opts);
    }
    output_files.clear();

    for (auto& ost : output_streams) {
        avcodec_free_context(&ost->enc_ctx);
        av_dict_free(&ost->encoder_opts);
        av_dict_free(&ost->sws_dict);
        av_dict_free(&ost->swr_opts);
        av_dict_free(&ost->resample_opts);
    }
    output_streams.clear();

    for (auto& f : input_files) close_input_format(&f->ctx);
    input_files.clear();

    for (auto& ist : input_streams) {
        av_frame_free(&ist->decoded_frame);
        av_frame_free(&ist->sub2video.frame);
        av_dict_free(&ist->decoder_opts);
        avcodec_free_context(&ist->dec_ctx);
    }
    input_streams.clear();

    if (progress_avio) avio_closep(&progress_avio);
    if (vstats_file) {
        fclose(vstats_file);
        vstats_file = nullptr;
    }

    av_dict_free(&codec_opts);
    av_dict_free(&format_opts);
    av_dict_free(&sws_dict);
    av_dict_free(&swr_opts);
    av_dict_free(&resample_opts);
}

void CToolContext::WriteOutput(const std::string& text)
{
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

void CToolContext::SetLastErrorLine(const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_errorLock);
    m_strLastErrorLine = line;
    m_nLastErrorCodePage = -1;
}

void CToolContext::SetSubtitleCodePageError(int codePage, const std::string& line)
{
    std::lock_guard<std::mutex> lock(m_errorLock);
    m_strLastErrorLine = line;
    m_nLastErrorCodePage = codePage;
}

int CToolContext::LastErrorCodePage() const
{
    std::lock_guard<std::mutex> lock(m_errorLock);
    return m_nLastErrorCodePage;
}

std::string CToolContext::LastErrorLine() const
{
    std::lock_guard<std::mutex> lock(m_errorLock);
    return m_strLastErrorLine;
}

void CToolContext::ResetToolState()
{
    FreeToolObjects();
    legacy_inputs.clear();
    input_stream_potentially_available = 0;

    static_cast<CToolOptionVars&>(*this) = CToolOptionVars();

    received_sigterm.store(0);
    received_nb_signals.store(0);
    transcode_init_done.store(0);
    m_dCurrentTime.store(0.2);
    main_return_code = 0;
    decode_error_stat[0] = decode_error_stat[1] = 0;
    exit_code = 0;
}

void ffmpeg_cleanup(int code, CToolContext* ctx)
{
    if (!ctx) return;
    if (ctx->do_benchmark) {
        printf("bench: maxrss=%ikB\n", static_cast<int>(GetProcessPeakMemoryBytes() / 1024));
        fflush(stdout);
    }
    ctx->FreeToolObjects();
    ctx->vstats_filename.clear();

    if (int sig = ctx->received_sigterm.load())
        av_log(nullptr, AV_LOG_INFO, "Received signal %d: terminating.\n", sig);
    else if (code && ctx->transcode_init_done.load())
        av_log(nullptr, AV_LOG_INFO, "Conversion failed!\n");
    av_log(nullptr, AV_LOG_QUIET, "%s", "");

    if (!ctx->argv_ptrs.empty()) ctx->argc = 0;
    ctx->exit_code = code;
}
