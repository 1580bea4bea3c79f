#include "disc_image.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

namespace cdtest {

namespace {

constexpr int kSectorBytes = 2352;
constexpr int kFramesPerSector = kSectorBytes / 4;

std::string Msf(int sector)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", sector / 4500, (sector / 75) % 60, sector % 75);
    return text;
}

}  // namespace

std::string MakeDiscImage(const vxmtest::CTempDir& dir)
{
    std::ofstream bin(dir.File("disc.bin"), std::ios::binary);
    std::ofstream cue(dir.File("disc.cue"));
    cue << "FILE \"disc.bin\" BINARY\n";
    int sector = 0;
    for (int i = 0; i < kTrackCount; ++i) {
        const int frames = kSectors[i] * kFramesPerSector;
        std::vector<short> samples(static_cast<size_t>(frames) * 2);
        for (int n = 0; n < frames; ++n) {
            const double phase = 2 * M_PI * kFrequency[i] * n / 44100.0;
            samples[2 * n] = samples[2 * n + 1] = static_cast<short>(std::lround(12000 * std::sin(phase)));
        }
        bin.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(short)));
        cue << "  TRACK 0" << i + 1 << " AUDIO\n    INDEX 01 " << Msf(sector) << "\n";
        sector += kSectors[i];
    }
    return dir.File("disc.cue");
}

double PitchOf(const short* samples, int frames, int rate)
{
    int crossings = 0;
    for (int n = 1; n < frames; ++n)
        if ((samples[2 * (n - 1)] < 0) != (samples[2 * n] < 0))
            ++crossings;
    return frames > 1 ? crossings / 2.0 * rate / (frames - 1) : 0.0;
}

}  // namespace cdtest
