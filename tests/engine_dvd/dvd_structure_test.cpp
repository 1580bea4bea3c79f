// Reading the structure of a DVD authored here: titles, chapters, audio
// tracks and lengths, and which title is the main movie.
#include <gtest/gtest.h>

#include <fstream>

#include <atomic>

#include "dvd/DvdInfo.h"
#include "dvd/MainMovie.h"
#include "dvd_fixture.h"
#include "support/test_media.h"

using dvdtest::TestDvd;

namespace {

TEST(DvdStructure, BothTitlesWithTheirChaptersTracksAndLengths)
{
    ASSERT_FALSE(TestDvd().empty());
    dvd_info info;
    ASSERT_EQ(parse_dvd(info, TestDvd().c_str(), 0), 0);
    ASSERT_EQ(info.titles.size(), 2u);

    const dvd_title_record& one = info.titles[0];
    const dvd_title_record& two = info.titles[1];
    EXPECT_EQ(one.title_number, 1);
    EXPECT_EQ(two.title_number, 2);
    EXPECT_NEAR(one.LengthMs() / 1000.0, dvdtest::kTitle1Seconds, 0.5);
    EXPECT_NEAR(two.LengthMs() / 1000.0, dvdtest::kTitle2Seconds, 0.5);
    ASSERT_EQ(one.chapters.size(), 2u);
    ASSERT_EQ(two.chapters.size(), 3u);
    EXPECT_FLOAT_EQ(two.chapters[0].start_time, 0.0f);
    EXPECT_NEAR(two.chapters[1].start_time, 1.0, 0.5);
    EXPECT_NEAR(two.chapters[2].start_time, 2.0, 0.5);
    EXPECT_LT(two.chapters[1].start_time, two.chapters[2].start_time);

    ASSERT_EQ(one.audio.size(), 1u);
    ASSERT_EQ(two.audio.size(), 2u);
    EXPECT_EQ(two.audio[0].language, "en");
    EXPECT_EQ(two.audio[1].language, "de");
    EXPECT_EQ(two.audio[0].codec, "ac3");
    // The ids the MPEG-PS demuxer gives the first two AC-3 tracks.
    EXPECT_EQ(two.audio[0].id, 0x80);
    EXPECT_EQ(two.audio[1].id, 0x81);
    EXPECT_EQ(one.video_standard, "PAL");
    EXPECT_EQ(one.width, "352");
    EXPECT_EQ(one.angle_count, 1);
}

TEST(DvdStructure, TheLongerTitleIsTheMainMovie)
{
    ASSERT_FALSE(TestDvd().empty());
    dvd_info info;
    ASSERT_EQ(parse_dvd(info, TestDvd().c_str(), 0), 0);
    EXPECT_EQ(info.main_title, 2);

    CDravel dravel;
    dravel.InitDravel();
    std::atomic<int> main{-1}, chapters{-1}, titleSet{1};
    const char* path = TestDvd().c_str();
    EXPECT_EQ(dravel.FindTitleNrOfMainmovie(&path, 1024, &main, &chapters, &titleSet), 0);
    EXPECT_EQ(main.load(), 2);
    EXPECT_EQ(chapters.load(), 3);
    EXPECT_NE(dravel.GetFindEnd(), 0);
}

TEST(DvdStructure, AStoppedDetectionAnswersNoTitle)
{
    ASSERT_FALSE(TestDvd().empty());
    CDravel dravel;
    dravel.InitDravel();
    dravel.SetFindEnd();
    std::atomic<int> main{-1}, chapters{-1}, titleSet{1};
    const char* path = TestDvd().c_str();
    EXPECT_EQ(dravel.FindTitleNrOfMainmovie(&path, 1024, &main, &chapters, &titleSet), -1);
    EXPECT_EQ(main.load(), -1);
    EXPECT_NE(dravel.GetFindEnd(), 0);
}

TEST(DvdStructure, AFolderThatIsNotADvdIsRefused)
{
    vxmtest::CTempDir dir;
    std::ofstream(dir.File("notes.txt")) << "not a disc\n";
    dvd_info info;
    EXPECT_NE(parse_dvd(info, dir.Path().c_str(), 0), 0);
    EXPECT_TRUE(info.titles.empty());
    EXPECT_NE(parse_dvd(info, (dir.Path() + "/missing").c_str(), 0), 0);

    CDravel dravel;
    dravel.InitDravel();
    std::atomic<int> main{-1}, chapters{-1}, titleSet{1};
    const char* path = dir.Path().c_str();
    EXPECT_EQ(dravel.FindTitleNrOfMainmovie(&path, 1024, &main, &chapters, &titleSet), -1);
    EXPECT_EQ(main.load(), -1);
}

}  // namespace
