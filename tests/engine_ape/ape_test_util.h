// Helpers of the APE tests: exact-length WAV files and FFmpeg's decoding.
#pragma once
#include "ape/ApeCompressor.h"
#include "VXMApeCompress.h"
#include "VXMMediaExports.h"
#include "ape_decode.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
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

struct SWavShape {
    int channels = 2;
    int bits = 16;
    size_t blocks = 8000;
    // Blocks of silence at the start.
    size_t silentBlocks = 0;
    int rate = 8000;
    // Random jumps between the extremes of the sample range instead.
    bool extreme = false;
};

// A PCM WAV of a sine plus noise per channel (or silence), made here so that
// lengths are exact to the sample.
inline std::string WriteWav(const CTempDir& dir, const std::string& name, const SWavShape& shape)
{
    std::vector<uint8_t> pcm;
    pcm.reserve(shape.blocks * shape.channels * shape.bits / 8);
    std::mt19937 random(12345);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    std::uniform_int_distribution<int> pick(0, 3);
    const double full = std::ldexp(1.0, shape.bits - 1) - 1.0;
    const int32_t extremes[4] = {static_cast<int32_t>(-full - 1), static_cast<int32_t>(full), 0,
                                 static_cast<int32_t>(-full - 1)};
    for (size_t i = 0; i < shape.blocks; ++i) {
        for (int ch = 0; ch < shape.channels; ++ch) {
            const double value = i < shape.silentBlocks ? 0.0 : 0.6 * std::sin(i * (0.05 + 0.02 * ch)) + noise(random);
            const auto sample = shape.extreme && i >= shape.silentBlocks ? extremes[pick(random)] : static_cast<int32_t>(std::lround(value * full));
            if (shape.bits == 8)
                pcm.push_back(static_cast<uint8_t>(sample + 128));
            else
                PutLe(pcm, static_cast<uint32_t>(sample), shape.bits / 8);
        }
    }
    std::vector<uint8_t> wav = {'R', 'I', 'F', 'F'};
    PutLe(wav, static_cast<uint32_t>(36 + pcm.size()), 4);
    wav.insert(wav.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    PutLe(wav, 16, 4);
    PutLe(wav, 1, 2);
    PutLe(wav, shape.channels, 2);
    PutLe(wav, shape.rate, 4);
    PutLe(wav, shape.rate * shape.channels * shape.bits / 8, 4);
    PutLe(wav, shape.channels * shape.bits / 8, 2);
    PutLe(wav, shape.bits, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    PutLe(wav, static_cast<uint32_t>(pcm.size()), 4);
    wav.insert(wav.end(), pcm.begin(), pcm.end());
    const std::string path = dir.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    return path;
}

// The engine's log lines while it lives, one text each.
inline std::mutex g_logLock;
inline std::string g_log;
inline void KeepLog(const char* category, const char* format, ...)
{
    char text[1200];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    std::lock_guard<std::mutex> lock(g_logLock);
    g_log += std::string(category) + ": " + text + "\n";
}
inline void DropLogW(const char*, const wchar_t*, ...) {}

struct CLogCapture {
    CLogCapture()
    {
        g_log.clear();
        VXMMediaSetLogFunc(&KeepLog, &DropLogW);
    }
    ~CLogCapture() { VXMMediaSetLogFunc(nullptr, nullptr); }
    std::string Text() const
    {
        std::lock_guard<std::mutex> lock(g_logLock);
        return g_log;
    }
};

inline bool NoOutputLeft(const std::string& output)
{
    return !std::filesystem::exists(output) && !std::filesystem::exists(output + ".part");
}

// Asks to stop once the work has reported progress twice.
class CKillAfterProgress : public IAPEProgressCallback {
public:
    int calls = 0;
    void Progress(int) override { ++calls; }
    int GetKillFlag() override { return calls > 1; }
};

// The data chunk and channel count of a PCM WAV file's bytes.
inline std::vector<uint8_t> WavData(const std::vector<uint8_t>& file, int& channels)
{
    size_t at = 12;
    while (at + 8 <= file.size()) {
        const uint32_t size = file[at + 4] | (file[at + 5] << 8) | (file[at + 6] << 16) | (file[at + 7] << 24);
        if (std::equal(file.begin() + at, file.begin() + at + 4, "fmt "))
            channels = file[at + 10];
        if (std::equal(file.begin() + at, file.begin() + at + 4, "data"))
            return {file.begin() + at + 8, file.begin() + std::min<size_t>(file.size(), at + 8 + size)};
        at += 8 + size + (size & 1);
    }
    return {};
}

// Expects FFmpeg's decoder (in process) to give back the PCM and layout of a WAV.
inline void ExpectDecodesTo(const std::string& ape, const std::string& wav, int bits)
{
    int wavChannels = 0;
    const std::vector<uint8_t> expected = WavData(ReadAll(wav), wavChannels);
    ASSERT_FALSE(expected.empty()) << wav;
    std::vector<uint8_t> decoded;
    int decodedBits = 0;
    int channels = 0;
    ASSERT_TRUE(DecodeApe(ape, decoded, decodedBits, channels)) << ape;
    EXPECT_EQ(decodedBits, bits);
    EXPECT_EQ(channels, wavChannels);
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

namespace apetest {

// Expects Debian's ffmpeg, with the decoder's CRC check on, to decode `ape`
// to the PCM of `wav`.
inline void ExpectFfmpegDecodesTo(const std::string& ape, const std::string& wav, int bits)
{
    const std::string raw = ape + ".raw";
    const std::string format = bits == 8 ? "u8" : bits == 16 ? "s16le" : "s24le";
    const std::string codec = bits == 8 ? "pcm_u8" : bits == 16 ? "pcm_s16le" : "pcm_s24le";
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-err_detect", "crccheck+explode", "-i", ape, "-c:a", codec, "-f", format, raw}));
    int channels = 0;
    const std::vector<uint8_t> expected = WavData(ReadAll(wav), channels);
    const std::vector<uint8_t> decoded = ReadAll(raw);
    ASSERT_FALSE(expected.empty()) << wav;
    ASSERT_EQ(decoded.size(), expected.size()) << ape;
    EXPECT_TRUE(decoded == expected) << ape;
}

// The audio MD5 of Debian's ffmpeg (ffmpeg -i x -f md5, as 32-bit PCM:
// exact at every depth).
inline std::string FfmpegAudioMd5(const std::string& path)
{
    EXPECT_TRUE(vxmtest::RunFfmpeg({"-i", path, "-map", "0:a", "-c:a", "pcm_s32le", "-f", "md5", path + ".md5"}));
    const std::vector<uint8_t> md5 = ReadAll(path + ".md5");
    return {md5.begin(), md5.end()};
}

}  // namespace apetest
