// Helpers of the APE tests: exact-length WAV files and FFmpeg's decoding.
#pragma once
#include "ape/ApeCompressor.h"
#include "ape_decode.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace apetest {

using vxmtest::CTempDir;

inline std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

inline std::vector<uint8_t> ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

struct SWavSpec {
    int channels = 2;
    int bits = 16;
    size_t blocks = 8000;
    bool silent = false;
    int rate = 8000;
    // Random jumps between the extremes of the sample range instead.
    bool extreme = false;
};

// A PCM WAV of a sine plus noise per channel (or silence), made here so that
// lengths are exact to the sample.
inline std::string WriteWav(const CTempDir& dir, const std::string& name, const SWavSpec& spec)
{
    std::vector<uint8_t> pcm;
    pcm.reserve(spec.blocks * spec.channels * spec.bits / 8);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    std::uniform_int_distribution<int> pick(0, 3);
    const double full = std::ldexp(1.0, spec.bits - 1) - 1.0;
    const int32_t extremes[4] = {static_cast<int32_t>(-full - 1), static_cast<int32_t>(full), 0,
                                 static_cast<int32_t>(-full - 1)};
    for (size_t i = 0; i < spec.blocks; ++i) {
        for (int ch = 0; ch < spec.channels; ++ch) {
            const double value = spec.silent ? 0.0 : 0.6 * std::sin(i * (0.05 + 0.02 * ch)) + noise(random);
            const auto sample = spec.extreme ? extremes[pick(random)] : static_cast<int32_t>(std::lround(value * full));
            if (spec.bits == 8)
                pcm.push_back(static_cast<uint8_t>(sample + 128));
            else
                PutLe(pcm, static_cast<uint32_t>(sample), spec.bits / 8);
        }
    }
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F'};
    PutLe(wav, static_cast<uint32_t>(36 + pcm.size()), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);
    PutLe(wav, spec.channels, 2);
    PutLe(wav, spec.rate, 4);
    PutLe(wav, spec.rate * spec.channels * spec.bits / 8, 4);
    PutLe(wav, spec.channels * spec.bits / 8, 2);
    PutLe(wav, spec.bits, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    PutLe(wav, static_cast<uint32_t>(pcm.size()), 4);
    wav.insert(wav.end(), pcm.begin(), pcm.end());
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    return path;
}

// The PCM that FFmpeg decodes from `path` as raw samples of `bits`; with the
// decoder's CRC check on, a frame whose CRC does not match fails the run.
inline std::vector<uint8_t> Decode(const std::string& path, int bits)
{
    const std::string raw = path + ".raw";
    const std::string format = bits == 8 ? "u8" : bits == 16 ? "s16le" : "s24le";
    const std::string codec = bits == 8 ? "pcm_u8" : bits == 16 ? "pcm_s16le" : "pcm_s24le";
    if (!vxmtest::RunFfmpeg({"-err_detect", "crccheck+explode", "-i", path, "-c:a", codec, "-f", format, raw}))
        return {};
    std::vector<uint8_t> bytes = ReadAll(raw);
    std::filesystem::remove(raw);
    return bytes;
}

// Expects FFmpeg to decode `ape` to the same PCM as `wav`.
inline void ExpectSamePcm(const std::string& wav, const std::string& ape, int bits)
{
    const std::vector<uint8_t> expected = Decode(wav, bits);
    const std::vector<uint8_t> decoded = Decode(ape, bits);
    ASSERT_FALSE(expected.empty()) << wav;
    ASSERT_EQ(decoded.size(), expected.size()) << ape;
    size_t first = 0;
    while (first < decoded.size() && decoded[first] == expected[first])
        ++first;
    EXPECT_EQ(first, decoded.size()) << ape << ": first difference at byte " << first;
}

// Expects FFmpeg's decoder (in process) to give back the PCM and layout of
// a WAV written by WriteWav (44-byte header).
inline void ExpectDecodesTo(const std::string& ape, const std::string& wav, int bits)
{
    const std::vector<uint8_t> file = ReadAll(wav);
    ASSERT_GT(file.size(), 44u);
    const std::vector<uint8_t> expected(file.begin() + 44, file.end());
    std::vector<uint8_t> decoded;
    int decodedBits = 0;
    int channels = 0;
    ASSERT_TRUE(DecodeApe(ape, decoded, decodedBits, channels)) << ape;
    EXPECT_EQ(decodedBits, bits);
    EXPECT_EQ(channels, file[22]);
    ASSERT_EQ(decoded.size(), expected.size()) << ape;
    size_t first = 0;
    while (first < decoded.size() && decoded[first] == expected[first])
        ++first;
    EXPECT_EQ(first, decoded.size()) << ape << ": first difference at byte " << first;
}

// Compresses a WAV written by WriteWav at `level` and expects it back.
inline void ExpectRoundTrip(const std::string& wav, int bits, int level = 2000)
{
    const std::string ape = wav + "." + std::to_string(level) + ".ape";
    int percent = -1;
    ASSERT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(ape), level, &percent, nullptr, nullptr), 0) << wav;
    EXPECT_EQ(percent, 100);
    ExpectDecodesTo(ape, wav, bits);
}

}  // namespace apetest
