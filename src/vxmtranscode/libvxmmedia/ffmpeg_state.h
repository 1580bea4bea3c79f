// Per-run state of the in-process tools: the transcoder's files, streams,
// filter graphs and option variables, the stop word and the run's exit code.
// One CToolContext belongs to one run; nothing here is shared between runs.
#pragma once

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "VXMTypes.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

struct OptionDef;
class CToolContext;

// Releases an FFmpeg dictionary when it goes out of scope.
struct AVDictionaryDeleter {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

struct InputFilter;
struct OutputFilter;
struct FilterGraph;

// An input that the older tool opened through a device option the libraries
// no longer have: a DVD title ("-f dvdnav -dvd-device ...") or a CD track
// ("-f libcdio -track N").
struct LegacyInputRequest {
    int input_index = -1;
    bool dvd = false;
    std::string dvd_device;
    int title = -1;
    int first_chapter = -1, last_chapter = -1, angle = -1;
    int cd_track = -1;   // 1-based; selects the track's time range
};

// Opens a DVD title for the transcoder (set by the DVD input at start-up).
// Returns 0 and a format context, or a negative error.
using DvdInputOpener = int (*)(const LegacyInputRequest& req, AVIOInterruptCB int_cb, AVFormatContext** out);
void set_dvd_input_opener(DvdInputOpener opener);
DvdInputOpener get_dvd_input_opener();

struct InputStream {
    int file_index = 0;
    AVStream* st = nullptr;          // owned by the input file's format context
    int discard = 1;                 // 1: nothing of this stream is used
    int user_set_discard = AVDISCARD_NONE;
    int decoding_needed = 0;         // DECODING_FOR_OST / DECODING_FOR_FILTER bits
#define DECODING_FOR_OST 1
#define DECODING_FOR_FILTER 2
    AVCodecContext* dec_ctx = nullptr;
    const AVCodec* dec = nullptr;
    AVDictionary* decoder_opts = nullptr;
    AVRational framerate{0, 0};     // forced input frame rate ("r" on the input)
    int guess_layout_max = INT_MAX;
    double ts_scale = 1.0;
    struct {
        int w = 0, h = 0;                // canvas of a subtitle stream feeding a video pad
        AVFrame* frame = nullptr;        // the canvas (RGB32); null while no graph takes the stream
        int64_t last_pts = INT64_MIN;    // time of the canvas last sent (stream time base)
        int64_t end_pts = INT64_MIN;     // end of the subtitle on it
        int initialize = 0;              // nothing sent yet: the first heartbeat starts it
    } sub2video;
    std::vector<InputFilter*> filters;   // owned by their graphs
    AVFrame* decoded_frame = nullptr;
    int wanted_for_burn_in = 0;          // chosen by "sst" for burning into the picture
    int reinit_filters = -1;             // 0: a frame of another format is not met with a new graph
};

struct InputFile {
    AVFormatContext* ctx = nullptr;
    int eof_reached = 0;
    int ist_index = 0;                   // index of the file's first stream in input_streams
    int64_t input_ts_offset = 0;
    int64_t ts_offset = 0;
    int64_t start_time = AV_NOPTS_VALUE;
    int64_t recording_time = INT64_MAX;
    int accurate_seek = 1;
    int nb_streams = 0;
    int64_t read_end = INT64_MAX;        // AV_TIME_BASE; reading stops at the packet that reaches it
    int read_end_reached = 0;
};

struct OutputStream {
    int file_index = 0;
    int index = 0;                       // stream index in the output file
    int source_index = -1;               // index into input_streams, -1 for none
    AVStream* st = nullptr;              // owned by the output file's format context
    int encoding_needed = 0;
    int frame_number = 0;
    int64_t sync_opts = 0;
    int64_t last_mux_dts = AV_NOPTS_VALUE;
    const AVCodec* enc = nullptr;
    AVCodecContext* enc_ctx = nullptr;
    int64_t max_frames = INT64_MAX;
    AVRational frame_rate{0, 0};
    int force_fps = 0;
    int top_field_first = -1;
    AVRational frame_aspect_ratio{0, 0};
    std::vector<int> audio_channels_map;
    std::string logfile_prefix;
    std::string avfilter;                // filter text of a simple graph
    std::string apad;
    std::vector<std::string> bitstream_filters;
    OutputFilter* filter = nullptr;      // owned by its graph
    AVDictionary* encoder_opts = nullptr;
    AVDictionary* sws_dict = nullptr;
    AVDictionary* swr_opts = nullptr;
    AVDictionary* resample_opts = nullptr;
    int64_t sws_flags = SWS_BICUBIC_DEFAULT;
    int stream_copy = 0;
    int finished = 0;
    int keep_pix_fmt = 0;
    int copy_initial_nonkeyframes = 0;
    int copy_prior_start = -1;
    uint64_t data_size = 0;
    static constexpr int64_t SWS_BICUBIC_DEFAULT = 4;  // value of SWS_BICUBIC
};

struct OutputFile {
    AVFormatContext* ctx = nullptr;
    AVDictionary* opts = nullptr;        // muxer options still to be applied
    int ost_index = 0;                   // index of the file's first stream in output_streams
    int64_t recording_time = INT64_MAX;
    int64_t start_time = AV_NOPTS_VALUE;
    uint64_t limit_filesize = UINT64_MAX;
    int shortest = 0;
    int header_written = 0;
};

struct InputFilter {
    InputFilter() = default;
    InputFilter(const InputFilter&) = delete;
    InputFilter& operator=(const InputFilter&) = delete;
    ~InputFilter() { av_channel_layout_uninit(&ch_layout); }

    AVFilterContext* filter = nullptr;
    InputStream* ist = nullptr;
    FilterGraph* graph = nullptr;
    // The frames the source takes: the decoder's format, then that of the
    // frame that last rebuilt the graph. format < 0 until first configured.
    int format = -1;
    int width = 0, height = 0;
    int sample_rate = 0;
    AVChannelLayout ch_layout{};
};

struct OutputFilter {
    AVFilterContext* filter = nullptr;
    OutputStream* ost = nullptr;
    FilterGraph* graph = nullptr;
    std::string name;
    AVFilterInOut* out_tmp = nullptr;    // open pad of a complex graph until an output claims it
    AVMediaType type = AVMEDIA_TYPE_UNKNOWN;
};

struct FilterGraph {
    int index = 0;
    std::string graph_desc;              // empty for a simple graph
    AVFilterGraph* graph = nullptr;
    int reconfiguration = 0;
    std::vector<std::unique_ptr<InputFilter>> inputs;
    std::vector<std::unique_ptr<OutputFilter>> outputs;
};

// The transcoder's option variables with their start values; every run
// starts from these.
struct CToolOptionVars {
    float audio_drift_threshold = 0.1f;
    float dts_delta_threshold = 10;
    float dts_error_threshold = 3600 * 30;
    float max_error_rate = 2.0f / 3;
    int audio_volume = 256;
    int audio_sync_method = 0;
    int video_sync_method = -1;
    int do_deinterlace = 0;
    int do_benchmark = 0;
    int do_benchmark_all = 0;
    int do_hex_dump = 0;
    int do_pkt_dump = 0;
    int copy_ts = 0;
    int copy_tb = -1;
    int debug_ts = 0;
    int exit_on_error = 0;
    int print_stats = 1;
    int qp_hist = 0;
    int stdin_interaction = 1;
    int frame_bits_per_raw_sample = 0;
    int intra_only = 0;
    int do_psnr = 0;
    int input_sync = 0;
    int override_ffserver = 0;
    int file_overwrite = 0;
    int no_file_overwrite = 0;
    int video_discard = 0;
    int intra_dc_precision = 8;
    int wanted_stream[AVMEDIA_TYPE_NB] = {-1, -1, 0, -1, 0};  // video, audio, data, subtitle, attachment
    std::string vstats_filename;
    int run_as_daemon = 0;
};

// The tool state of one run. The job runner owns one (or derives from it)
// and hands it to the transcoder, the player's parser and the probe.
class CToolContext : public CToolOptionVars, private CNonCopyable {
public:
    CToolContext();
    virtual ~CToolContext();

    // Frees files, streams, graphs and per-run dictionaries, then sets every
    // option variable (CToolOptionVars) to its start value. Called at the start of every run.
    void ResetToolState();
    // Frees files, streams, graphs and dictionaries only.
    void FreeToolObjects();

    // Hooks for the runner: the media object's answers and notifications.
    // A run for a DVD title matches "ast"/"sst" against stream identifiers.
    virtual bool IsDvdTitleMedia() const { return false; }
    // An output file's I/O has been opened (the runner tells its window).
    virtual void OnOutputOpened(int /*outputIndex*/) {}
    // The drive of a CD track run (its command line names no input).
    virtual std::string CdDrivePath() const { return {}; }

    // The tool's console text (banner, listings). The standard output here;
    // a host that wants it overrides this.
    virtual void WriteOutput(const std::string& text);

    // The last error line the run logged (FFmpeg's or the tool's own);
    // empty when none. Written by the run's thread, read by any.
    void SetLastErrorLine(const std::string& line);
    std::string LastErrorLine() const;
    void ClearLastErrorLine() { SetLastErrorLine(std::string()); }
    // The last error is a subtitle file whose text is not in the code page
    // it was read in (its number; the program words that reason itself).
    // Any later error line replaces it; -1 when the last error is another.
    void SetSubtitleCodePageError(int codePage, const std::string& line);
    int LastErrorCodePage() const;

    // ---- command line of the run ----
    std::wstring m_strCommandLine;
    std::vector<std::string> argv_storage;   // UTF-8 arguments of prepare_app_arguments
    std::vector<char*> argv_ptrs;            // argc + 1 entries, the last null
    int argc = 0;

    // ---- the transcoder's option table, rebuilt per run ----
    std::vector<OptionDef> options;

    // ---- files, streams and graphs ----
    std::vector<std::unique_ptr<InputStream>> input_streams;
    std::vector<std::unique_ptr<InputFile>> input_files;
    std::vector<std::unique_ptr<OutputStream>> output_streams;
    std::vector<std::unique_ptr<OutputFile>> output_files;
    std::vector<std::unique_ptr<FilterGraph>> filtergraphs;

    // ---- option sets filled by opt_default while a group is parsed ----
    AVDictionary* codec_opts = nullptr;
    AVDictionary* format_opts = nullptr;
    AVDictionary* sws_dict = nullptr;
    AVDictionary* swr_opts = nullptr;
    AVDictionary* resample_opts = nullptr;

    std::vector<LegacyInputRequest> legacy_inputs;
    int input_stream_potentially_available = 0;

    FILE* vstats_file = nullptr;             // opened by the first encoded frame when a name is set
    AVIOContext* progress_avio = nullptr;

    // ---- run control ----
    std::atomic<int> received_sigterm{0};     // stop word: non-zero asks the run to stop
    std::atomic<int> received_nb_signals{0};
    std::atomic<int> transcode_init_done{0};
    std::atomic<double> m_dCurrentTime{0.2};  // seconds of output written
    std::atomic<bool> m_bPauseHeld{false};    // the run waits at a pause, between two steps
    int main_return_code = 0;
    uint64_t decode_error_stat[2] = {0, 0};
    int exit_code = 0;                        // code of the ended run
    AVIOInterruptCB int_cb{};                 // installed in every input and output of the run

private:
    mutable std::mutex m_errorLock;
    std::string m_strLastErrorLine;
    int m_nLastErrorCodePage = -1;
};

// The transcoder's exit callback: frees the run's files, streams and graphs,
// logs how the run ended and stores the code in the context. Does nothing
// without a context.
void ffmpeg_cleanup(int code, CToolContext* ctx);
