// The DVD title input: a title (or a chapter range of it) read as one MPEG
// program stream by libavformat, and the DVD options of a player line.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "dvd/DvdArguments.h"
#include "dvd/DvdInfo.h"
#include "dvd/DvdInput.h"
#include "dvd_fixture.h"

using dvdtest::TestDvd;

namespace {

struct Opened {
    int error = 0;
    double seconds = -1;
    int videoStreams = 0;
    std::set<int> audioIds;
    double videoSeconds = -1;   // first to last picture
    double audioStart = -1;     // seconds of the first audio packet after the first picture
    double audioSeconds = -1;   // first to last audio packet
};

// Spans of the video and the first audio stream, read packet by packet.
void ReadSpans(AVFormatContext* ic, Opened& out)
{
    const int video = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    const int audio = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    double v0 = 1e9, v1 = -1e9, a0 = 1e9, a1 = -1e9;
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(ic, pkt) >= 0) {
        const AVStream* st = ic->streams[pkt->stream_index];
        if (pkt->pts != AV_NOPTS_VALUE) {
            const double t = pkt->pts * av_q2d(st->time_base);
            const double end = t + pkt->duration * av_q2d(st->time_base);
            if (pkt->stream_index == video) {
                v0 = std::min(v0, t);
                v1 = std::max(v1, end);
            } else if (pkt->stream_index == audio) {
                a0 = std::min(a0, t);
                a1 = std::max(a1, end);
            }
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    out.videoSeconds = v1 - v0;
    out.audioStart = a0 - v0;
    out.audioSeconds = a1 - a0;
}

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
    ReadSpans(ic, result);
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

TEST(DvdInput, AChapterRangeReadsOnlyThoseChaptersWithTheirOwnSound)
{
    ASSERT_FALSE(TestDvd().empty());
    dvd_info info;
    ASSERT_EQ(parse_dvd(info, TestDvd().c_str(), 0), 0);
    const auto& chapters = info.titles[1].chapters;
    const double length = info.titles[1].LengthMs() / 1000.0;

    // Chapter 2 alone, and chapters 2 to 3 (to the end).
    const Opened second = OpenTitle(2, 2, -1);
    ASSERT_EQ(second.error, 0);
    EXPECT_NEAR(second.videoSeconds, chapters[2].start_time - chapters[1].start_time, 0.1);
    const Opened tail = OpenTitle(2, 2, 3);
    ASSERT_EQ(tail.error, 0);
    EXPECT_NEAR(tail.videoSeconds, length - chapters[1].start_time, 0.1);

    // The multiplexer sends sound ahead of the pictures: the range's sound
    // neither starts before its first picture nor stops short of its end.
    for (const Opened* range : {&second, &tail}) {
        EXPECT_GE(range->audioStart, -0.01);
        EXPECT_LT(range->audioStart, 0.1);
        EXPECT_NEAR(range->audioSeconds, range->videoSeconds, 0.1);
    }
    const Opened whole = OpenTitle(2);
    EXPECT_NEAR(whole.audioSeconds, whole.videoSeconds, 0.1);
}

TEST(DvdInput, ATitleSeeksToATime)
{
    ASSERT_FALSE(TestDvd().empty());
    LegacyInputRequest req;
    req.dvd = true;
    req.dvd_device = TestDvd();
    req.title = 2;
    AVFormatContext* ic = nullptr;
    ASSERT_EQ(open_dvd_title_input(req, AVIOInterruptCB{}, &ic), 0);
    ASSERT_GE(avformat_find_stream_info(ic, nullptr), 0);
    const int video = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    ASSERT_GE(video, 0);
    const int64_t target = ic->start_time + 2 * AV_TIME_BASE;
    ASSERT_GE(avformat_seek_file(ic, -1, INT64_MIN, target, INT64_MAX, 0), 0);
    double first = -1;
    AVPacket* pkt = av_packet_alloc();
    while (first < 0 && av_read_frame(ic, pkt) >= 0) {
        if (pkt->stream_index == video && pkt->pts != AV_NOPTS_VALUE)
            first = (pkt->pts - ic->streams[video]->start_time) * av_q2d(ic->streams[video]->time_base);
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    close_input_format(&ic);
    EXPECT_NEAR(first, 2.0, 0.7);
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
