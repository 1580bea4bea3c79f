// Joining WMV files by stream copy: durations add up, the pictures follow
// each other in order, mismatched files are refused and a stop is obeyed.
#include "CmdFFplay.h"
#include "VXMMediaImpl.h"
#include "WmvJoin.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

using vxmtest::CTempDir;

namespace {

std::wstring W(const std::string& s) { return std::wstring(s.begin(), s.end()); }

// One WMV clip (wmv2 + wmav2 in ASF) whose test picture starts at `seed`.
std::string MakeWmv(const CTempDir& dir, const std::string& name, double seconds, int seed, int width = 160)
{
    const std::string path = dir.File(name);
    std::ostringstream size;
    size << width << "x120";
    const bool ok = vxmtest::RunFfmpeg({"-f", "lavfi", "-i",
                                        "testsrc=size=" + size.str() + ":rate=25:duration=" + std::to_string(seconds) +
                                            ",hue=h=" + std::to_string(seed * 40),
                                        "-f", "lavfi", "-i",
                                        "sine=frequency=" + std::to_string(300 + seed * 100) +
                                            ":sample_rate=44100:duration=" + std::to_string(seconds),
                                        "-c:v", "wmv2", "-b:v", "300k", "-c:a", "wmav2", "-b:a", "64k", "-ac", "2",
                                        "-f", "asf", path});
    return ok ? path : std::string();
}

// The hash of every decoded picture, in order.
std::vector<std::string> FrameHashes(const CTempDir& dir, const std::string& path)
{
    std::string out;
    const int code = vxmtest::RunProgram({"ffmpeg", "-hide_banner", "-loglevel", "error", "-i", path, "-map", "0:v",
                                          "-fps_mode", "passthrough", "-f", "framemd5", "-"},
                                         &out);
    std::vector<std::string> hashes;
    if (code != 0)
        return hashes;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        hashes.push_back(line.substr(line.rfind(',') + 1));
    }
    (void)dir;
    return hashes;
}

// Milliseconds of pictures in a file (its video stream's duration), -1 when unknown.
int VideoMs(const std::string& path)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries", "stream=duration",
                             "-of", "default=nw=1:nk=1", path},
                            &out) != 0)
        return -1;
    try {
        return static_cast<int>(std::stod(out) * 1000.0 + 0.5);
    } catch (...) {
        return -1;
    }
}

TEST(WmvJoin, ThreeClipsGiveTheSumOfDurationsAndTheirPicturesInOrder)
{
    CTempDir dir;
    std::vector<std::string> clips = {MakeWmv(dir, "a.wmv", 1.0, 1), MakeWmv(dir, "b.wmv", 2.0, 2),
                                      MakeWmv(dir, "c.wmv", 1.4, 3)};
    std::vector<std::wstring> inputs;
    int sumMs = 0;
    std::vector<std::string> expected;
    for (const std::string& clip : clips) {
        ASSERT_FALSE(clip.empty());
        inputs.push_back(W(clip));
        ASSERT_GT(GetWMVDuration(W(clip)), 0);
        const int ms = VideoMs(clip);
        ASSERT_GT(ms, 0);
        sumMs += ms;
        auto hashes = FrameHashes(dir, clip);
        ASSERT_FALSE(hashes.empty());
        expected.insert(expected.end(), hashes.begin(), hashes.end());
    }
    const std::string out = dir.File("joined.wmv");
    ASSERT_EQ(JoinWmvFiles(inputs, W(out), nullptr), 0);
    // No gap between the inputs: the pictures last as long as the inputs' together.
    EXPECT_NEAR(VideoMs(out), sumMs, 40);
    EXPECT_GE(GetWMVDuration(W(out)), 4400);
    EXPECT_EQ(FrameHashes(dir, out), expected);
}

TEST(WmvJoin, FiveInputsAreJoined)
{
    CTempDir dir;
    std::vector<std::wstring> inputs;
    std::vector<std::string> expected;
    int sumMs = 0;
    for (int i = 0; i < 5; ++i) {
        const std::string clip = MakeWmv(dir, "p" + std::to_string(i) + ".wmv", 0.6, i);
        ASSERT_FALSE(clip.empty());
        inputs.push_back(W(clip));
        sumMs += GetWMVDuration(W(clip));
        auto hashes = FrameHashes(dir, clip);
        expected.insert(expected.end(), hashes.begin(), hashes.end());
    }
    const std::string out = dir.File("five.wmv");
    ASSERT_EQ(JoinWmvFiles(inputs, W(out), nullptr), 0);
    EXPECT_EQ(FrameHashes(dir, out), expected);
    // Every input's pictures are there and nothing is longer than the inputs together.
    EXPECT_GE(VideoMs(out), 3000);
    EXPECT_LE(GetWMVDuration(W(out)), sumMs);
}

TEST(WmvJoin, MismatchedPictureSizesAreRefusedWithoutOutput)
{
    CTempDir dir;
    const std::string a = MakeWmv(dir, "a.wmv", 0.5, 1, 160);
    const std::string b = MakeWmv(dir, "b.wmv", 0.5, 2, 176);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    const std::string out = dir.File("joined.wmv");
    EXPECT_NE(JoinWmvFiles({W(a), W(b)}, W(out), nullptr), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(WmvJoin, AStopEndsTheJoinAndRemovesThePartialFile)
{
    CTempDir dir;
    const std::string a = MakeWmv(dir, "a.wmv", 0.5, 1);
    ASSERT_FALSE(a.empty());
    std::atomic<int> kill{1};
    const std::string out = dir.File("joined.wmv");
    EXPECT_NE(JoinWmvFiles({W(a), W(a)}, W(out), &kill), 0);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(WmvJoin, TheStepJoinsTheMediaOutputWithItsJoinListIntoTheTempOutput)
{
    CTempDir dir;
    const std::string a = MakeWmv(dir, "out.wmv", 0.8, 1);
    const std::string b = MakeWmv(dir, "second.wmv", 0.8, 2);
    ASSERT_FALSE(a.empty());
    ASSERT_FALSE(b.empty());
    CVXMMediaImpl media;
    CVXMMediaImpl other;
    media.m_strOutputFile = W(a);
    other.m_strOutputFile = W(b);
    media.m_lstJoin.push_back(&other);
    media.m_bHasJoinList = 1;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    EXPECT_EQ(WmvJoinThread(&runner), 0);
    EXPECT_EQ(media.m_strTempOutput, W(dir.File("out_temp.wmv")));
    EXPECT_NEAR(VideoMs(WideToUtf8(media.m_strTempOutput)), VideoMs(a) + VideoMs(b), 40);
    media.m_lstJoin.clear();
    media.m_bHasJoinList = 0;
}

TEST(WmvJoin, TheStepStopsWhenTheRunnerIsAskedTo)
{
    CTempDir dir;
    const std::string a = MakeWmv(dir, "out.wmv", 0.5, 1);
    ASSERT_FALSE(a.empty());
    CVXMMediaImpl media;
    CVXMMediaImpl other;
    media.m_strOutputFile = W(a);
    other.m_strOutputFile = W(a);
    media.m_lstJoin.push_back(&other);
    media.m_bHasJoinList = 1;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    runner.m_nKillFlag = 1;
    EXPECT_NE(WmvJoinThread(&runner), 0);
    EXPECT_FALSE(std::filesystem::exists(PathFromWide(media.m_strTempOutput)));
    media.m_lstJoin.clear();
    media.m_bHasJoinList = 0;
}

TEST(WmvDuration, AnUnreadableFileGivesNoDuration)
{
    CTempDir dir;
    EXPECT_EQ(GetWMVDuration(W(dir.File("missing.wmv"))), -1);
}

}  // namespace

namespace {

TEST(WmvJoin, MetadataAndMarkersAreCarriedToTheirPlace)
{
    CTempDir dir;
    const std::string meta = dir.File("meta.txt");
    {
        FILE* f = std::fopen(meta.c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs(";FFMETADATA1\ntitle=First\n[CHAPTER]\nTIMEBASE=1/1000\nSTART=200\nEND=400\ntitle=Mark\n", f);
        std::fclose(f);
    }
    const std::string clip = dir.File("m.wmv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-f", "lavfi",
                                    "-i", "sine=duration=1", "-i", meta, "-map", "0", "-map", "1", "-map_metadata",
                                    "2", "-map_chapters", "2", "-c:v", "wmv2", "-c:a", "wmav2", "-ac", "2", "-f",
                                    "asf", clip}));
    const std::string out = dir.File("joined.wmv");
    ASSERT_EQ(JoinWmvFiles({W(clip), W(clip)}, W(out), nullptr), 0);
    std::string probe;
    ASSERT_EQ(vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "chapter=start_time:format_tags=title",
                                   "-of", "default=nw=1", out},
                                  &probe),
              0);
    std::vector<double> starts;
    std::istringstream lines(probe);
    std::string line;
    bool titled = false;
    while (std::getline(lines, line)) {
        if (line.rfind("start_time=", 0) == 0)
            starts.push_back(std::stod(line.substr(11)));
        if (line == "TAG:title=First")
            titled = true;
    }
    EXPECT_TRUE(titled);
    ASSERT_EQ(starts.size(), 2u);
    EXPECT_NEAR(starts[0], 0.2, 0.01);
    // The second input's marker sits after the whole first input.
    const double first = VideoMs(clip) / 1000.0;
    EXPECT_NEAR(starts[1], 0.2 + first, 0.06);
}

}  // namespace
