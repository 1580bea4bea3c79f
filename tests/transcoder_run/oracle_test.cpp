// The in-process run against Debian's ffmpeg on the same command lines: the
// outputs hold the same streams, codecs, sizes, frame counts and durations.
#include <gtest/gtest.h>

#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;

namespace {

struct OracleLine {
    const char* what;
    std::string args;   // before the output name
    std::string ext;
};

}  // namespace

TEST(Oracle, SimpleLinesMatchDebiansFfmpeg)
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
    };
    for (size_t i = 0; i < lines.size(); i++) {
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
    }
}
