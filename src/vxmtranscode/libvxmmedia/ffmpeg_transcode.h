// The in-process transcoder run: the entry the job runner calls, and the
// state one run keeps while it reads, decodes, filters, encodes and muxes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <vector>

#include "ffmpeg_state.h"

extern "C" {
#include <libavcodec/bsf.h>
}

class CCmdFFplay;

// Runs one transcoder command line (a NUL-terminated wide string) on the
// runner's worker thread. A run that ends with a non-zero code unwinds to the
// runner (exit_program); the code is then in the context's exit code.
int ffmpeg_transcode(void* commandLine, CCmdFFplay* runner);

// Exit code of a run whose loop ended on an error (reading, filtering,
// burn-in) or that wrote nothing: not 0, and not 1, which some passes accept.
constexpr int VXM_EXIT_RUN_FAILED = 2;
// Exit code of a run stopped through its stop word (as Debian's ffmpeg does
// for a run ended by a signal).
constexpr int VXM_EXIT_RUN_STOPPED = 255;

// Run state of one output stream besides what the option layer keeps.
struct OutputStreamRun {
    bool initialized = false;
    bool encoder_flushed = false;
    AVBSFContext* bsf = nullptr;       // chain of the stream's bitstream filters
    int64_t end_pts_us = AV_NOPTS_VALUE;  // end of the last written packet
    AVFrame* last_frame = nullptr;     // last video frame sent (for duplicates)
    int last_dropped = 0;
    FILE* pass_log = nullptr;          // first-pass statistics written here
    int stats_frames = 0;              // packets counted in the "vstats" file
    AVFrame* audio_carry = nullptr;    // samples short of a whole frame, left by a graph that was rebuilt
};

// Run state of one input stream.
struct InputStreamRun {
    int64_t rescale_delta_last = AV_NOPTS_VALUE;
    int64_t next_audio_pts = AV_NOPTS_VALUE;  // in 1/sample_rate, for frames without a time
    int64_t read_end = AV_NOPTS_VALUE;        // end of the latest packet read, in the file's own time
    bool eof_sent = false;
};

// A decoded subtitle of the burnt-in stream, palette already YUVA.
struct BurnInCue {
    AVSubtitle sub{};
    double packet_time = 0.0;          // its packet's time, seconds
    bool placed = false;               // its display window is set on the frame times
    double start = 0.0, end = 0.0;
};

// The burn-in of a bitmap subtitle stream of input file 0 ("sst"). Packets
// are decoded as they are read (a picture subtitle may take several); each
// subtitle waits until its display time comes and then replaces the one shown.
struct BurnInState {
    int stream_index = -1;             // index in the file's streams; -1 until found
    AVCodecContext* dec = nullptr;     // the stream's decoder (owned only for a late stream)
    bool own_decoder = false;
    AVRational tb{1, 1000};
    std::deque<BurnInCue> waiting;     // decoded, not due yet, in reading order
    BurnInCue shown{};                 // the current subtitle
    bool has_sub = false;
    ~BurnInState();
};

struct CTranscodeRun {
    explicit CTranscodeRun(CToolContext* c, CCmdFFplay* r);
    ~CTranscodeRun();
    CTranscodeRun(const CTranscodeRun&) = delete;
    CTranscodeRun& operator=(const CTranscodeRun&) = delete;

    CToolContext* ctx;
    CCmdFFplay* runner;
    std::vector<OutputStreamRun> ost;
    std::vector<InputStreamRun> ist;
    AVPacket* pkt = nullptr;           // demuxed packet, reused
    AVPacket* enc_pkt = nullptr;       // encoded packet, reused
    AVFrame* decoded = nullptr;        // decoded frame, reused
    AVFrame* filtered = nullptr;       // frame from a buffer sink, reused
    BurnInState burn;
    int64_t last_report_us = -1;
    int64_t nb_frames_dup = 0;
    int64_t nb_frames_drop = 0;
    bool failed = false;               // the loop ended on an error
};

inline OutputStreamRun& run_of(CTranscodeRun& run, const OutputStream* ost)
{
    return run.ost[run.ctx->output_files[ost->file_index]->ost_index + ost->index];
}
inline int ist_global_index(CTranscodeRun& run, const InputStream* ist)
{
    return run.ctx->input_files[ist->file_index]->ist_index + ist->st->index;
}
inline InputStreamRun& run_of(CTranscodeRun& run, const InputStream* ist) { return run.ist[ist_global_index(run, ist)]; }

// ---- set-up (ffmpeg_transcode_init.cpp) ----
int transcode_init(CTranscodeRun& run);

// ---- reading and decoding (ffmpeg_decode.cpp) ----
// Reads one packet of an input file and hands it on. 0, AVERROR(EAGAIN) for
// "try again", or a negative error that ends the loop.
int process_input(CTranscodeRun& run, int file_index);
// Drains a decoder and closes its filter inputs.
void flush_input_stream(CTranscodeRun& run, InputStream* ist);

// ---- filtering and encoding (ffmpeg_encode.cpp) ----
// Takes every frame the buffer sinks have ready; with `flush`, a sink at its
// end finishes its stream. 0 or a negative error.
int reap_filters(CTranscodeRun& run, bool flush);
void flush_encoders(CTranscodeRun& run);
// Rebuilds the graph of `ifilter` for `frame`, whose format differs from the
// one the graph takes: what the old graph holds is encoded first. 0 or a
// negative error.
int reinit_filtergraph(CTranscodeRun& run, InputFilter* ifilter, const AVFrame* frame);

// ---- muxing (ffmpeg_mux.cpp) ----
// Writes one packet in time base `tb` of `ost` (bitstream filters, time
// repair, interleaving). A write failure sets the run result to 1.
void write_packet(CTranscodeRun& run, OutputStream* ost, AVPacket* pkt, AVRational tb);
void close_output_stream(CTranscodeRun& run, OutputStream* ost);
// Stream copy of one input packet to `ost`.
void do_streamcopy(CTranscodeRun& run, InputStream* ist, OutputStream* ost, const AVPacket* pkt);
int init_output_bsfs(CTranscodeRun& run, OutputStream* ost);

// ---- burn-in (ffmpeg_subburn.cpp) ----
// True when `st` of input file 0 is the stream "sst" selects.
bool burn_in_matches(CTranscodeRun& run, AVStream* st);
// Opens the burn-in decoder for stream `st` of input file 0. 0 or negative.
int burn_in_open(CTranscodeRun& run, AVStream* st, InputStream* ist);
// Decodes a packet of the burnt-in stream (taking it over); a bitmap
// subtitle it completes waits for its display time.
void burn_in_take_packet(CTranscodeRun& run, AVPacket* pkt);
// Shows the subtitles that are due and blends the current one into `frame`
// (time `frame_time` seconds). 0, or a negative error.
int burn_in_frame(CTranscodeRun& run, OutputStream* ost, AVFrame* frame, double frame_time);

struct AVSubtitleRect;
void blend_subrect(uint8_t* const data[3], const int linesize[3], const AVSubtitleRect* rect, int imgw, int imgh,
                   int pix_fmt);
void scale_subtitle(AVSubtitle* sub, int sw, int sh, int dw, int dh);
void subtitle_palette_to_yuva(AVSubtitle* sub);

// ---- report (ffmpeg_report.cpp) ----
void print_report(CTranscodeRun& run, bool is_last, int64_t timer_start, int64_t cur_time);
// "vstats": one line per encoded video packet (in the encoder's time base,
// before it is written) to the statistics file, opened by the first one.
void write_video_stats(CTranscodeRun& run, OutputStream* ost, const AVPacket* pkt);
