// The player's option table and option values. The probe parses its command
// line against the same table. Every run owns its own FFplayOptions, so a
// probe never resets the options of a player that is playing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cmdutils.h"

// One picture-adjustment lookup table (luma, U or V).
struct FFplayAdjustTable {
    double contrast = 1.0;
    double brightness = 0.0;
    double gamma = 1.0;
    int built = 0;        // lut holds the current parameters
    int identity = 1;     // the table changes nothing
    uint8_t lut[256] = {};
};

enum { AV_SYNC_AUDIO_MASTER, AV_SYNC_VIDEO_MASTER, AV_SYNC_EXTERNAL_CLOCK };
enum { SHOW_MODE_NONE = -1, SHOW_MODE_VIDEO = 0, SHOW_MODE_WAVES, SHOW_MODE_RDFT };

struct FFplayOptions {
    std::string input_filename;           // empty: none given
    std::string extaudio;                 // second, audio-only input
    const AVInputFormat* file_iformat = nullptr;
    std::string window_title;
    int default_width = 640;
    int default_height = 480;
    int screen_width = 0;
    int screen_height = 0;
    int audio_disable = 0;
    int video_disable = 0;
    int subtitle_disable = 0;
    int wanted_stream[AVMEDIA_TYPE_NB] = {-1, -1, 0, -1, 0};
    int seek_by_bytes = -1;
    int display_disable = 0;
    int show_status = 1;
    int av_sync_type = AV_SYNC_AUDIO_MASTER;
    int64_t start_time = AV_NOPTS_VALUE;
    int64_t duration = AV_NOPTS_VALUE;
    int fast = 0;
    int genpts = 0;
    int lowres = 0;
    int decoder_reorder_pts = -1;
    int autoexit = 0;
    int exit_on_keydown = 0;
    int exit_on_mousedown = 0;
    int loop = 1;
    int framedrop = -1;
    int infinite_buffer = -1;
    int show_mode = SHOW_MODE_NONE;
    std::string audio_codec_name;
    std::string subtitle_codec_name;
    std::string video_codec_name;
    double rdftspeed = 0.02;
    int is_full_screen = 0;
    std::vector<std::string> vfilters_list;
    std::string afilters;
    int autorotate = 1;
    int frame_pix_fmt = -1;
    int dummy = 0;
    int volume = 64;                      // SDL mixing volume, 0..128
    FFplayAdjustTable adjust[3];          // luma, U, V
};

// Puts every option value back to its start value.
void ffplay_reset_options(FFplayOptions& o);
// The player's table (63 rows and the terminating empty row), writing into `o`.
std::vector<OptionDef> ffplay_option_table(FFplayOptions& o);
// Parses the run's command line (rebuilt from ctx->m_strCommandLine) against
// the table. Bare arguments name the input file. 0, or a negative error code
// with its log line. A value that does not parse ends the run through
// exit_program: call it under run_tool_guarded.
int ffplay_parse_options(CToolContext* ctx, FFplayOptions& o, const std::vector<OptionDef>& table);
