// A small audio-CD image (BIN/CUE) made at test time: three tracks of raw CD
// audio, each a sine of its own pitch, so a piece of one track is told
// apart from the next.
#pragma once
#include <string>

#include "support/test_media.h"

namespace cdtest {

constexpr int kTrackCount = 3;
constexpr int kSectors[kTrackCount] = {188, 263, 338};  // 2.5067 s, 3.5067 s, 4.5067 s
constexpr int kFrequency[kTrackCount] = {441, 1102, 2205};

inline double TrackSeconds(int index) { return kSectors[index] / 75.0; }
inline double TrackStartSeconds(int index)
{
    int sectors = 0;
    for (int i = 0; i < index; ++i)
        sectors += kSectors[i];
    return sectors / 75.0;
}

// Writes disc.bin and disc.cue into `dir`; the path of the sheet.
std::string MakeDiscImage(const vxmtest::CTempDir& dir);

// The pitch of 16-bit stereo samples from their zero crossings (Hz).
double PitchOf(const short* samples, int frames, int rate = 44100);

}  // namespace cdtest
