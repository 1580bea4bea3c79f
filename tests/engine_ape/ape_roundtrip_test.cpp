// Files made by our APE compressor decode, with FFmpeg's APE decoder, to the
// very samples that went in.
#include "ape_test_util.h"

#include <chrono>

using namespace apetest;

namespace {

constexpr size_t kBlocksPerFrame = 73728 * 4;

// A WAV of sine plus noise made by ffmpeg's own expression source.
std::string FfmpegWav(const CTempDir& dir, const std::string& name, const std::string& expression, int rate,
                      const std::string& codec)
{
    const std::string path = dir.File(name);
    const std::string source = "aevalsrc=" + expression + ":s=" + std::to_string(rate) + ":d=10";
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", source, "-c:a", codec, path}))
        return {};
    return path;
}

TEST(ApeRoundTrip, TenSecondsOfStereo16BitMadeByFfmpeg)
{
    CTempDir dir;
    const std::string wav = FfmpegWav(
        dir, "stereo16.wav", "0.5*sin(2*PI*440*t)+0.3*(random(0)*2-1)|0.4*sin(2*PI*660*t)+0.3*(random(1)*2-1)",
        44100, "pcm_s16le");
    ASSERT_FALSE(wav.empty());
    const std::string ape = dir.File("stereo16.ape");
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(ape), 2000, nullptr, nullptr, nullptr), 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // 10 s of audio (two frames); real time would be 10 s. Printed only: a
    // busy machine makes any bound fail (the speed is the benchmark's).
    std::printf("10 s of 44.1 kHz stereo compressed in %.3f s (%.0fx real time)\n", seconds, 10.0 / seconds);
    EXPECT_LT(std::filesystem::file_size(ape), std::filesystem::file_size(wav));
    ExpectFfmpegDecodesTo(ape, wav, 16);
}

TEST(ApeRoundTrip, TenSecondsOfMono24BitMadeByFfmpeg)
{
    CTempDir dir;
    const std::string wav =
        FfmpegWav(dir, "mono24.wav", "0.6*sin(2*PI*440*t)+0.35*(random(0)*2-1)", 48000, "pcm_s24le");
    ASSERT_FALSE(wav.empty());
    const std::string ape = dir.File("mono24.ape");
    ASSERT_EQ(GetNativeApeCompressor().CompressFile(W(wav), W(ape), 2000, nullptr, nullptr, nullptr), 0);
    ExpectFfmpegDecodesTo(ape, wav, 24);
}

TEST(ApeRoundTrip, EveryDepthMonoAndStereo)
{
    CTempDir dir;
    for (int channels : {1, 2}) {
        for (int bits : {8, 16, 24}) {
            SCOPED_TRACE(std::to_string(channels) + " channels, " + std::to_string(bits) + " bits");
            const std::string name = "c" + std::to_string(channels) + "b" + std::to_string(bits) + ".wav";
            ExpectRoundTrip(WriteWav(dir, name, {channels, bits, 20000}), bits);
        }
    }
}

TEST(ApeRoundTrip, EveryCompressionLevel)
{
    // Longer than the largest filter's history (1280 samples).
    CTempDir dir;
    const std::string stereo = WriteWav(dir, "stereo.wav", {2, 16, 6000});
    const std::string mono = WriteWav(dir, "mono.wav", {1, 24, 6000});
    const std::string stereo24 = WriteWav(dir, "stereo24.wav", {2, 24, 6000});
    for (int level : {1000, 2000, 3000, 4000, 5000}) {
        SCOPED_TRACE(level);
        ExpectRoundTrip(stereo, 16, level);
        ExpectRoundTrip(mono, 24, level);
        ExpectRoundTrip(stereo24, 24, level);
    }
}

TEST(ApeRoundTrip, JumpsBetweenTheExtremesOfTheRange)
{
    // The largest side values and residuals the coder can meet.
    CTempDir dir;
    for (int bits : {8, 16, 24}) {
        SCOPED_TRACE(bits);
        SWavShape shape{2, bits, 6000};
        shape.extreme = true;
        const std::string stereo = WriteWav(dir, "stereo" + std::to_string(bits) + ".wav", shape);
        shape.channels = 1;
        const std::string mono = WriteWav(dir, "mono" + std::to_string(bits) + ".wav", shape);
        for (int level : {1000, 2000, 3000, 4000, 5000}) {
            SCOPED_TRACE(level);
            ExpectRoundTrip(stereo, bits, level);
            ExpectRoundTrip(mono, bits, level);
        }
    }
}

TEST(ApeRoundTrip, SilenceStaysSilentAndSmall)
{
    CTempDir dir;
    const std::string wav = WriteWav(dir, "silence.wav", {2, 16, 3 * 44100, 3 * 44100, 44100});
    ExpectRoundTrip(wav, 16);
    EXPECT_LT(std::filesystem::file_size(wav + ".2000.ape"), std::filesystem::file_size(wav) / 100);
    ExpectRoundTrip(WriteWav(dir, "mono8.wav", {1, 8, 5000, 5000}), 8);
}

TEST(ApeRoundTrip, SoundAfterASilentFrame)
{
    CTempDir dir;
    ExpectRoundTrip(WriteWav(dir, "stereo.wav", {2, 24, kBlocksPerFrame + 5000, kBlocksPerFrame}), 24);
    ExpectRoundTrip(WriteWav(dir, "mono.wav", {1, 16, kBlocksPerFrame + 5000, kBlocksPerFrame + 10}), 16);
}

TEST(ApeRoundTrip, OneSample)
{
    CTempDir dir;
    ExpectRoundTrip(WriteWav(dir, "one16.wav", {1, 16, 1}), 16);
    ExpectRoundTrip(WriteWav(dir, "one24.wav", {2, 24, 1}), 24);
}

TEST(ApeRoundTrip, LengthsAroundTheFrameSize)
{
    CTempDir dir;
    for (size_t blocks : {kBlocksPerFrame - 1, kBlocksPerFrame, kBlocksPerFrame + 1, 2 * kBlocksPerFrame + 7}) {
        SCOPED_TRACE(blocks);
        ExpectRoundTrip(WriteWav(dir, "len" + std::to_string(blocks) + ".wav", {1, 8, blocks}), 8);
    }
    // Odd frame lengths move the next frame off a 4-byte boundary.
    ExpectRoundTrip(WriteWav(dir, "stereo.wav", {2, 16, kBlocksPerFrame + 3333}), 16);
}

}  // namespace
