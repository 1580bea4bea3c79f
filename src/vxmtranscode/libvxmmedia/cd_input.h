// Audio-CD input through the "libcdio" input device. "-track N" picks one
// track (a chapter of the disc); "-ss" and "-t" given with it are positions
// on the disc, kept inside the track. The device never reports the end of
// the disc (a read past the last sector loops in the paranoia reader), so a
// reader stops by itself at the end of the range it was given.
#pragma once
#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
}

class CToolContext;

// True for an input opened through the "libcdio" device.
bool is_cd_input(const AVFormatContext* ic);

// The part of a CD input to read, in AV_TIME_BASE units on the disc.
// track: 1-based, <= 0 for the whole disc. start_time (AV_NOPTS_VALUE: none)
// and recording_time (INT64_MAX: none) come in as asked and leave as the
// range to read; a bound within a millisecond of a track bound is that track
// bound (the engine keeps its times in milliseconds). read_end is where
// reading stops. AVERROR(EINVAL) when the disc has no such track.
int cd_input_range(const AVFormatContext* ic, int track, int64_t& start_time, int64_t& recording_time,
                   int64_t& read_end);

// The same for the player's input: the track recorded by
// take_cd_input_arguments, start_time and duration in AV_TIME_BASE units
// (AV_NOPTS_VALUE: none).
int cd_player_range(const CToolContext* ctx, const AVFormatContext* ic, int64_t& start_time, int64_t& duration,
                    int64_t& read_end);

// True when the packet reaches read_end: nothing after it is read.
bool cd_packet_reaches(const AVFormatContext* ic, const AVPacket* pkt, int64_t read_end);

// The player's arguments: "-track N" after "-f libcdio" is taken out and
// recorded in ctx->legacy_inputs (input 0), and an empty input name becomes
// the run's drive (CToolContext::CdDrivePath). Nothing changes without
// "-f libcdio".
void take_cd_input_arguments(CToolContext* ctx);
