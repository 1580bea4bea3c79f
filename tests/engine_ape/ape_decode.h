// FFmpeg's APE decoder run in process, with its CRC check on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace apetest {

// The decoded samples interleaved as a WAV file holds them (8-bit unsigned,
// else little-endian); false when the file does not decode cleanly.
bool DecodeApe(const std::string& path, std::vector<uint8_t>& pcm, int& bits, int& channels);

}  // namespace apetest
