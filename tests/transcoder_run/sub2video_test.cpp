// A bitmap subtitle stream as an input of a filter graph: the overlay of a
// DVD subtitle stream on its video gives the frames Debian's ffmpeg gives.
#include <gtest/gtest.h>

#include "run_support.h"

using namespace runtest;

namespace {
constexpr int kW = 320, kH = 240;
}  // namespace

TEST(Sub2Video, OverlayOfADvdSubtitleStreamMatchesDebiansFfmpeg)
{
    vxmtest::CTempDir dir;
    // A white box, then a half-transparent grey one partly outside the
    // first, with a gap between them.
    const std::string source = MakeSubtitledVideo(dir, "Caf\xC3\xA9 sous-titr\xC3\xA9", kW, kH,
                                                  {{500, 1000, 100, 180, 120, 30, 0xFFFFFFFF},
                                                   {1800, 700, 40, 20, 90, 60, 0x80808080}});
    ASSERT_FALSE(source.empty());
    const std::string ours = dir.File("\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xA4\x9C ours.nut");
    const std::string theirs = dir.File("\xE6\x9D\xB1\xE4\xBA\xAC\xE3\x81\xAE\xE5\xA4\x9C theirs.nut");
    const std::string graph = "[0:v][0:s]overlay";
    ASSERT_EQ(RunTranscode("-y -i " + Q(source) + " -filter_complex \"" + graph + "\" -c:v rawvideo " + Q(ours)), 0);
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", source, "-filter_complex", graph, "-c:v", "rawvideo", theirs}));

    const std::vector<std::string> a = DecodeFrames(ours, kW, kH);
    const std::vector<std::string> b = DecodeFrames(theirs, kW, kH);
    ASSERT_EQ(a.size(), 30u);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); i++) EXPECT_TRUE(a[i] == b[i]) << "frame " << i;

    // Each box shows exactly while it is due: 0.5 s to 1.5 s, 1.8 s to 2.5 s.
    const std::vector<std::string> plain = DecodeFrames(source, kW, kH);
    ASSERT_EQ(plain.size(), a.size());
    for (size_t i = 0; i < a.size(); i++) {
        const bool shown = (i >= 5 && i < 15) || (i >= 18 && i < 25);
        EXPECT_EQ(a[i] != plain[i], shown) << "frame " << i;
    }
}
