// Runs the in-process transcoder as the job runner does, and reads back
// what an output file holds with Debian's ffprobe.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "CmdFFplay.h"
#include "support/test_media.h"

namespace runtest {

// Runs one command line (UTF-8, without the program name) on `runner`.
// Returns the run's exit code.
int RunTranscode(CCmdFFplay& runner, const std::string& line);
int RunTranscode(const std::string& line);
// Runs a job step's whole command line (the program first) in process as the
// job runner does, quietly. Returns the run's exit code.
int RunJobLine(std::wstring line);

struct StreamInfo {
    std::string type;     // video, audio, subtitle
    std::string codec;
    int width = 0, height = 0;
    int rotation = 0;     // of the display matrix, degrees
    int sample_rate = 0, channels = 0;
    long frames = 0;      // decoded frames (video) or packets (others)
    double duration = 0;  // seconds
    std::string encoder;  // the stream's "encoder" tag
    std::string colour;   // range, matrix, transfer and primaries ("tv,bt709,bt709,bt709")
};
// The streams of a file in order; empty when ffprobe cannot read it.
std::vector<StreamInfo> Probe(const std::string& path);
// Our output and Debian ffmpeg's have the same streams: types, codecs, sizes,
// display turns, audio layout, encoder and colour tags, video frames within 1 and durations within 0.05 s.
void ExpectSameOutput(const std::string& ours, const std::string& theirs);
// Decoded video frames as raw gray+chroma yuv420p bytes, one string per frame.
std::vector<std::string> DecodeFrames(const std::string& path, int width, int height);

// One picture of a DVD subtitle stream: a box of one colour (ARGB) shown
// from `start_ms` for `duration_ms`.
struct DvdSubtitleBox {
    int start_ms, duration_ms;
    int x, y, w, h;
    uint32_t argb;
};
// A Matroska file `name`.mkv in `dir`: 3 s of 10 fps test video (FFV1) of
// width x height and a DVD subtitle stream of the boxes. Empty on failure.
std::string MakeSubtitledVideo(const vxmtest::CTempDir& dir, const std::string& name, int width, int height,
                               const std::vector<DvdSubtitleBox>& boxes);

inline std::string Q(const std::string& p) { return "\"" + p + "\""; }

}  // namespace runtest
