// The transcoder's option table, its per-file options record and the opening
// of input and output files with their streams, maps and metadata.
#pragma once

#include <climits>
#include <string>
#include <vector>

#include "cmdutils.h"
#include "ffmpeg_state.h"

struct StreamMap {
    int disabled = 0;
    int file_index = 0;
    int stream_index = 0;
    std::string linklabel;   // "[label]" of a complex graph's output
};

struct AudioChannelMap {
    int file_idx = -1, stream_idx = -1, channel_idx = -1;   // input
    int ofile_idx = -1, ostream_idx = -1;                    // output
};

// Options of one input or output file.
struct OptionsContext {
    OptionGroup* g = nullptr;

    // input and output
    int64_t start_time = AV_NOPTS_VALUE;
    std::string format;
    SpecifierList codec_names;
    SpecifierList audio_channels;
    SpecifierList audio_sample_rate;
    SpecifierList frame_rates;
    SpecifierList frame_sizes;
    SpecifierList frame_pix_fmts;
    SpecifierList sample_fmts;
    SpecifierList codec_tags;
    SpecifierList top_field_first;

    // input
    int64_t input_ts_offset = 0;
    int rate_emu = 0;
    int accurate_seek = 1;
    SpecifierList ts_scale;
    SpecifierList dump_attachment;
    SpecifierList guess_layout_max;
    SpecifierList fix_sub_duration;
    SpecifierList canvas_sizes;
    SpecifierList reinit_filters;

    // output
    std::vector<StreamMap> stream_maps;
    std::vector<AudioChannelMap> audio_channel_maps;
    int metadata_global_manual = 0;
    int metadata_streams_manual = 0;
    int metadata_chapters_manual = 0;
    std::vector<std::string> attachments;
    int chapters_input_file = INT_MAX;
    int64_t recording_time = INT64_MAX;
    int64_t stop_time = INT64_MAX;
    int64_t limit_filesize = -1;   // "fs"; -1: no limit
    float mux_preload = 0;
    float mux_max_delay = 0.7f;
    int shortest = 0;
    int video_disable = 0;
    int audio_disable = 0;
    int subtitle_disable = 0;
    int data_disable = 0;
    std::vector<int> streamid_map;

    SpecifierList metadata;
    SpecifierList max_frames;
    SpecifierList bitstream_filters;
    SpecifierList qscale;
    SpecifierList forced_key_frames;
    SpecifierList force_fps;
    SpecifierList frame_aspect_ratios;
    SpecifierList rc_overrides;
    SpecifierList intra_matrices;
    SpecifierList inter_matrices;
    SpecifierList metadata_map;
    SpecifierList presets;
    SpecifierList copy_initial_nonkeyframes;
    SpecifierList copy_prior_start;
    SpecifierList filters;
    SpecifierList filter_scripts;
    SpecifierList pass;
    SpecifierList passlogfiles;
    SpecifierList apad;
};

// Builds the run's option table into ctx->options (its variables point at ctx).
void build_option_table(CToolContext* ctx);
// Parses the run's argument vector: global options, then opens every input
// and every output file. 0, or a negative error (already logged).
int ffmpeg_parse_options(int argc, CToolContext* ctx, char** argv);

int open_input_file(OptionsContext* o, const char* filename, CToolContext* ctx);
int open_output_file(OptionsContext* o, const char* filename, CToolContext* ctx);

// The last value of a per-stream option whose specifier matches the stream,
// or null. An invalid specifier ends the run (with a context) or is skipped.
const SpecifierOpt* match_per_stream_opt(const SpecifierList& list, AVFormatContext* s, AVStream* st,
                                         CToolContext* ctx);

// Starts a transcoder run on the context: frees what an earlier run left,
// resets every option variable and rebuilds the option table.
void begin_transcoder_run(CToolContext* ctx);
