// The DVD title input: a title (or a chapter range of it) read as one MPEG
// program stream by libavformat, and the DVD options of a player line.
#include <gtest/gtest.h>

#include <set>

#include "dvd/DvdArguments.h"
#include "dvd/DvdInput.h"
#include "dvd_fixture.h"

using dvdtest::TestDvd;

namespace {

struct Opened {
    int error = 0;
    double seconds = -1;
    int videoStreams = 0;
    std::set<int> audioIds;
};

Opened OpenTitle(int title, int first = -1, int last = -1, int angle = -1)
{
    LegacyInputRequest req;
    req.dvd = true;
    req.dvd_device = TestDvd();
    req.title = title;
    req.first_chapter = first;
    req.last_chapter = last;
    req.angle = angle;
    Opened result;
    AVFormatContext* ic = nullptr;
    result.error = open_dvd_title_input(req, AVIOInterruptCB{}, &ic);
    if (result.error < 0)
        return result;
    if (avformat_find_stream_info(ic, nullptr) >= 0 && ic->duration > 0)
        result.seconds = ic->duration / static_cast<double>(AV_TIME_BASE);
    for (unsigned i = 0; i < ic->nb_streams; ++i) {
        const AVStream* st = ic->streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO)
            ++result.videoStreams;
        else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO)
            result.audioIds.insert(st->id);
    }
    close_input_format(&ic);
    EXPECT_EQ(ic, nullptr);
    return result;
}

TEST(DvdInput, EachTitleReadsWithItsLengthAndTracks)
{
    ASSERT_FALSE(TestDvd().empty());
    const Opened one = OpenTitle(1);
    ASSERT_EQ(one.error, 0);
    EXPECT_NEAR(one.seconds, dvdtest::kTitle1Seconds, 0.5);
    EXPECT_EQ(one.videoStreams, 1);
    EXPECT_EQ(one.audioIds, (std::set<int>{0x80}));

    const Opened two = OpenTitle(2);
    ASSERT_EQ(two.error, 0);
    EXPECT_NEAR(two.seconds, dvdtest::kTitle2Seconds, 0.5);
    EXPECT_EQ(two.audioIds, (std::set<int>{0x80, 0x81}));
}

TEST(DvdInput, AChapterRangeReadsOnlyThoseChapters)
{
    ASSERT_FALSE(TestDvd().empty());
    // Chapter 2 of title 2 alone lasts about 1 s; chapters 2-3 about 2.5 s.
    const Opened second = OpenTitle(2, 2, -1);
    ASSERT_EQ(second.error, 0);
    EXPECT_NEAR(second.seconds, 1.0, 0.5);
    const Opened tail = OpenTitle(2, 2, 3);
    ASSERT_EQ(tail.error, 0);
    EXPECT_NEAR(tail.seconds, dvdtest::kTitle2Seconds - 1.0, 0.5);
}

TEST(DvdInput, TitlesChaptersAndAnglesThatDoNotExistAreRefused)
{
    ASSERT_FALSE(TestDvd().empty());
    EXPECT_LT(OpenTitle(3).error, 0);
    EXPECT_LT(OpenTitle(0).error, 0);
    EXPECT_LT(OpenTitle(1, 3, -1).error, 0);
    EXPECT_LT(OpenTitle(2, 3, 2).error, 0);
    EXPECT_LT(OpenTitle(1, -1, -1, 2).error, 0);

    LegacyInputRequest req;
    req.dvd = true;
    req.dvd_device = TestDvd() + "/missing";
    req.title = 1;
    AVFormatContext* ic = nullptr;
    EXPECT_LT(open_dvd_title_input(req, AVIOInterruptCB{}, &ic), 0);
    EXPECT_EQ(ic, nullptr);
}

TEST(DvdArguments, DvdOptionsBecomeARequestAndLeaveTheLine)
{
    std::vector<std::string> args = {"ffplay", "-f", "dvdnav", "-dvd-device", "/media/My Disc", "-chapter", "2-4",
                                     "-angle", "2", "-i", "dvdnav://3", "-ss", "1.500"};
    const LegacyInputRequest req = take_dvd_input_arguments(args);
    EXPECT_TRUE(req.dvd);
    EXPECT_EQ(req.dvd_device, "/media/My Disc");
    EXPECT_EQ(req.title, 3);
    EXPECT_EQ(req.first_chapter, 2);
    EXPECT_EQ(req.last_chapter, 4);
    EXPECT_EQ(req.angle, 2);
    EXPECT_EQ(args, (std::vector<std::string>{"ffplay", "-i", "dvdnav://3", "-ss", "1.500"}));

    // A probe line names the input first; a single chapter has no end.
    args = {"ffmpeg", "-i", "dvdnav://1", "-f", "dvdnav", "-dvd-device", "/d", "-chapter", "5"};
    const LegacyInputRequest probe = take_dvd_input_arguments(args);
    EXPECT_EQ(probe.title, 1);
    EXPECT_EQ(probe.first_chapter, 5);
    EXPECT_EQ(probe.last_chapter, -1);
    EXPECT_EQ(args, (std::vector<std::string>{"ffmpeg", "-i", "dvdnav://1"}));
}

TEST(DvdArguments, ALineWithoutDvdInputIsLeftAlone)
{
    std::vector<std::string> args = {"ffplay", "-chapter", "2", "-i", "clip.mp4"};
    const std::vector<std::string> before = args;
    EXPECT_FALSE(take_dvd_input_arguments(args).dvd);
    EXPECT_EQ(args, before);
}

}  // namespace
