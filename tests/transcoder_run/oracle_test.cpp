// The in-process run against Debian's ffmpeg on the same command lines: the
// outputs hold the same streams, codecs, sizes, frame counts and durations.
#include <gtest/gtest.h>

#include <fstream>

#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;

namespace {

struct OracleLine {
    const char* what;
    std::string args;   // before the output name
    std::string ext;
    bool same_pictures = false;  // a lossless output: every decoded picture alike
};

// Two streams of another format one after the other in one file, as a
// recording across a programme change has them.
std::string Joined(const vxmtest::CTempDir& dir, const std::string& name, const std::vector<std::string>& parts)
{
    std::ofstream out(dir.File(name), std::ios::binary);
    for (const std::string& part : parts) out << std::ifstream(dir.File(part), std::ios::binary).rdbuf();
    return dir.File(name);
}

// The lines are run in shards, side by side.
constexpr size_t kOracleShards = 4;
class Oracle : public ::testing::TestWithParam<size_t> {};

}  // namespace

TEST_P(Oracle, SimpleLinesMatchDebiansFfmpeg)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    // Musepack packets hold many frames, a time-base tick each (1.67 s).
    const std::string tone = dir.File("tone.wav"), musepack = dir.File("Café.mpc");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=4", "-ac", "2", tone}));
    ASSERT_EQ(vxmtest::RunProgram({"mpcenc", "--silent", tone, musepack}), 0);
    // A phone's portrait clip: stored on its side with a display matrix.
    const std::string portrait = dir.File("東京 portrait.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", m.mp4, "-c", "copy", "-metadata:s:v:0", "rotate=90", portrait}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=3", "-ac", "1", dir.File("mono.mp3")}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=f=660:d=4", "-ac", "2", dir.File("stereo.mp3")}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=d=2:s=160x120", "-f", "h264", dir.File("s.264")}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=d=2:s=320x240", "-f", "h264", dir.File("l.264")}));
    // Phone and HDR clips, each tagged with its colours: bt709, full-range
    // bt470bg, bt2020 with PQ (10 bits) and with HLG.
    struct Colours {
        const char* name;
        std::vector<std::string> args;
    };
    const Colours colours[] = {
        {"Café bt709.mp4", {"-pix_fmt", "yuv420p", "-color_primaries", "bt709", "-color_trc", "bt709", "-colorspace", "bt709"}},
        {"Café full range.mp4", {"-pix_fmt", "yuvj420p", "-color_range", "pc", "-color_primaries", "bt470bg",
                                 "-color_trc", "smpte170m", "-colorspace", "bt470bg"}},
        {"東京 PQ.mkv", {"-pix_fmt", "yuv420p10le", "-color_primaries", "bt2020", "-color_trc", "smpte2084",
                          "-colorspace", "bt2020nc"}},
        {"東京 HLG.mkv", {"-pix_fmt", "yuv420p10le", "-color_primaries", "bt2020", "-color_trc", "arib-std-b67",
                           "-colorspace", "bt2020nc"}}};
    for (const Colours& c : colours) {
        std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc2=size=160x120:rate=10:duration=0.5",
                                         "-c:v", "libx264", "-preset", "ultrafast"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        args.push_back(dir.File(c.name));
        ASSERT_TRUE(vxmtest::RunFfmpeg(args)) << c.name;
    }
    const std::string mixed = Joined(dir, "Café mono then stereo.mp3", {"mono.mp3", "stereo.mp3"});
    const std::string resized = Joined(dir, "東京 small then large.h264", {"s.264", "l.264"});
    const std::vector<OracleLine> lines = {
        {"x264 aac mp4", "-i " + Q(m.mp4) + " -vcodec libx264 -b:v 300k -acodec aac -b:a 96k", "mp4"},
        {"mpeg4 mp3 avi", "-i " + Q(m.mp4) + " -r 30000/1001 -vcodec mpeg4 -b:v 800k -acodec libmp3lame -ar 44100", "avi"},
        {"scaled mkv", "-i " + Q(m.mkv) + " -s 320x240 -vcodec libx264 -acodec aac", "mkv"},
        {"wav", "-i " + Q(m.mp4) + " -vn -acodec pcm_s16le -ar 44100 -ac 2", "wav"},
        {"mp3", "-i " + Q(m.mp4) + " -vn -acodec libmp3lame -b:a 128k -af volume=0.5", "mp3"},
        {"stream copy", "-i " + Q(m.mp4) + " -vcodec copy -acodec copy", "mkv"},
        {"mpeg1 system", "-i " + Q(m.mp4) + " -vcodec mpeg1video -b:v 1150k -acodec mp2 -ar 44100 -f mpeg", "mpg"},
        {"one frame", "-i " + Q(m.mp4) + " -ss 1 -vframes 1 -s 80x60 -an -f image2", "jpg"},
        {"musepack cut", "-i " + Q(musepack) + " -t 3 -acodec pcm_s16le", "wav"},
        {"portrait turned upright", "-i " + Q(portrait) + " -vcodec libx264 -acodec aac", "mp4"},
        {"portrait copy", "-i " + Q(portrait) + " -c copy", "mov"},
        {"mono then stereo", "-i " + Q(mixed) + " -acodec aac", "m4a"},
        {"picture size change", "-i " + Q(resized) + " -vcodec ffv1", "mkv", true},
        {"bt709 kept", "-i " + Q(dir.File(colours[0].name)) + " -vcodec libx264", "mp4"},
        {"full range fitted", "-i " + Q(dir.File(colours[1].name)) +
                                  " -pix_fmt yuv420p -vf \"scale=160:120,pad=160:120:0:0\" -vcodec libx264", "mp4"},
        {"full range kept", "-i " + Q(dir.File(colours[1].name)) + " -vcodec mjpeg", "mkv"},
        {"PQ to 8 bits", "-i " + Q(dir.File(colours[2].name)) + " -pix_fmt yuv420p -vcodec libx264", "mkv"},
        {"PQ kept", "-i " + Q(dir.File(colours[2].name)) + " -vcodec libx265 -x265-params log-level=error", "mp4"},
        {"HLG scaled", "-i " + Q(dir.File(colours[3].name)) + " -vf scale=80:60 -vcodec libvpx", "webm"},
        {"HLG kept", "-i " + Q(dir.File(colours[3].name)) + " -vcodec libx264", "mkv"},
    };
    for (size_t i = GetParam(); i < lines.size(); i += kOracleShards) {
        const auto& l = lines[i];
        SCOPED_TRACE(l.what);
        std::string ours = dir.File("ours" + std::to_string(i) + "." + l.ext);
        std::string theirs = dir.File("theirs" + std::to_string(i) + "." + l.ext);
        ASSERT_EQ(RunTranscode("-y " + l.args + " " + Q(ours)), 0);
        std::string out;
        ASSERT_EQ(vxmtest::RunProgram({"sh", "-c", "ffmpeg -nostdin -loglevel error -y " + l.args + " " + Q(theirs)},
                                      &out),
                  0)
            << out;
        ExpectSameOutput(ours, theirs);
        if (!l.same_pictures) continue;
        const auto pictures = DecodeFrames(ours, 160, 120);
        EXPECT_EQ(pictures.size(), 100u);
        EXPECT_TRUE(pictures == DecodeFrames(theirs, 160, 120));
    }
}

INSTANTIATE_TEST_SUITE_P(Shards, Oracle, ::testing::Range<size_t>(0, kOracleShards));
