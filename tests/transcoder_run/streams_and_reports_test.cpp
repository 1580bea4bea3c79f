// What a run makes of an input stream it cannot decode, and the statistics a
// run writes when asked: benchmark lines, the progress block and the video
// statistics file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "run_support.h"
#include "support/test_media.h"

using runtest::Q;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Video, stereo AAC and a six-channel stream whose codec name is damaged, so
// that no decoder is found for it (it has the most channels).
std::string MakeDamagedClip(const vxmtest::CTempDir& dir)
{
    const std::string whole = dir.File("whole.mkv");
    if (!vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=d=2:r=25:s=160x120", "-f", "lavfi", "-i", "sine=d=2",
                             "-f", "lavfi", "-i", "sine=d=2:f=300", "-map", "0", "-map", "1", "-map", "2", "-c:v",
                             "libx264", "-c:a:0", "aac", "-ac:a:0", "2", "-c:a:1", "libopus", "-ac:a:1", "6", whole}))
        return {};
    std::string bytes = ReadAll(whole);
    const std::size_t at = bytes.find("A_OPUS");
    if (at == std::string::npos)
        return {};
    bytes.replace(at, 6, "A_OPUX");
    const std::string damaged = dir.File("damaged.mkv");
    std::ofstream(damaged, std::ios::binary) << bytes;
    return damaged;
}

}  // namespace

TEST(UndecodableStreams, AreLeftOutOfTheAutomaticChoiceAndTheRestConverts)
{
    vxmtest::CTempDir dir;
    const std::string damaged = MakeDamagedClip(dir);
    ASSERT_FALSE(damaged.empty());
    const std::string out = dir.File("out.mp4");
    ASSERT_EQ(runtest::RunTranscode("-i " + Q(damaged) + " -vcodec libx264 -b:v 200k -acodec aac " + Q(out)), 0);
    const auto streams = runtest::Probe(out);
    ASSERT_EQ(streams.size(), 2u);
    EXPECT_EQ(streams[0].type, "video");
    EXPECT_EQ(streams[1].type, "audio");
    EXPECT_EQ(streams[1].channels, 2);
    EXPECT_NEAR(streams[1].duration, 2.0, 0.1);

    // Named on purpose, the stream is needed: the run fails on it.
    EXPECT_NE(runtest::RunTranscode("-i " + Q(damaged) + " -map 0:0 -map 0:2 -vcodec libx264 -acodec aac " +
                                    Q(dir.File("mapped.mp4"))),
              0);
}

TEST(RunStatistics, BenchmarkProgressAndVideoStatisticsAreWritten)
{
    vxmtest::CTempDir dir;
    const std::string progress = dir.File("progress.txt");
    const std::string vstats = dir.File("vstats.log");
    testing::internal::CaptureStdout();
    const int code = runtest::RunTranscode("-benchmark -progress " + Q(progress) + " -vstats_file " + Q(vstats) +
                                           " -i " + Q(vxmtest::GetTestMedia().mp4) +
                                           " -vcodec libx264 -b:v 200k -an " + Q(dir.File("out.mp4")));
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(code, 0);
    EXPECT_NE(printed.find("bench: utime="), std::string::npos) << printed;
    EXPECT_NE(printed.find("bench: maxrss="), std::string::npos) << printed;

    // The last block of the progress output ends the run at the clip's end.
    const std::string blocks = ReadAll(progress);
    const std::size_t last = blocks.rfind("frame=");
    ASSERT_NE(last, std::string::npos) << blocks;
    const std::string block = blocks.substr(last);
    EXPECT_NE(block.find("frame=50\n"), std::string::npos) << block;
    EXPECT_NE(block.find("out_time=00:00:02.000000\n"), std::string::npos) << block;
    EXPECT_EQ(block.size() - block.rfind("progress=end\n"), 13u) << block;

    // One line per encoded frame, the first a key frame.
    std::istringstream lines(ReadAll(vstats));
    std::string line;
    int frames = 0;
    while (std::getline(lines, line)) {
        ++frames;
        EXPECT_EQ(line.rfind("frame= ", 0), 0u) << line;
        if (frames == 1) {
            EXPECT_NE(line.find("type= I"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(frames, 50);
}
