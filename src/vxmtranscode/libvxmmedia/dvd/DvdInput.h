// The DVD title input: a title's program stream (its chapter range and angle
// as asked) read with libdvdread and handed to libavformat's MPEG-PS
// demuxer through a custom I/O context. The transcoder reaches it through
// its DVD opener hook; the player and the probe through open_input_format.
#pragma once
#include "ffmpeg_state.h"

// Opens the title the request names on its device. 0 and a format context
// (streams not yet probed), or a negative error code. Close it with
// close_input_format.
int open_dvd_title_input(const LegacyInputRequest& req, AVIOInterruptCB int_cb, AVFormatContext** out);

// Opens the single input of a player or probe run: the DVD title its
// "-f dvdnav" arguments named (ctx->legacy_inputs), else `filename` with
// avformat_open_input. `*ic` may hold a context made beforehand (its
// interrupt callback is kept). Same results as avformat_open_input.
int open_input_format(AVFormatContext** ic, const char* filename, const AVInputFormat* fmt, AVDictionary** options,
                      CToolContext* ctx);

// Closes an input of either kind; a DVD title's reader goes with it.
void close_input_format(AVFormatContext** ic);
