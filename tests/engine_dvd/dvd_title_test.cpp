// The DVD operations of a title: chapter range and angle, the player's line
// they give, copies and the stream lists.
#include "ffmpeg_legacy.h"
#include <gtest/gtest.h>

#include "VXMDVDTitle.h"
#include "VXMMediaExports.h"
#include "dvd/DvdInfo.h"
#include "platform/text.h"

namespace {

// A title as the parse of a 5-chapter, 2-angle title with two audio tracks
// and one subtitle fills it.
std::unique_ptr<CVXMDVDTitleImpl> MakeTitle()
{
    dvd_title_record r;
    r.minutes = 1;
    r.seconds = 30;
    r.milliseconds = 500;
    r.title_number = 4;
    r.second_value = 2;
    r.frame_rate = 29.97f;
    r.video_standard = "NTSC";
    r.width = "720";
    r.height = "480";
    r.angle_count = 2;
    for (int i = 0; i < 5; ++i) {
        dvd_chapter_entry c;
        c.start_time = 18.0f * i;
        c.cell_index = i;
        r.chapters.push_back(c);
        r.cells.push_back(dvd_cell_entry{18.0f});
    }
    dvd_audio_entry a;
    a.language = "en";
    a.codec = "ac3";
    a.id = 0x80;
    a.channels = 6;
    r.audio.push_back(a);
    a.language = "fr";
    a.id = 0x81;
    r.audio.push_back(a);
    dvd_subtitle_entry s;
    s.language = "de";
    s.id = 0x20;
    r.subtitles.push_back(s);
    auto title = std::make_unique<CVXMDVDTitleImpl>();
    title->Fill(r, 4, L"/media/disc", L"DISC");
    return title;
}

std::string Line(const CVXMDVDTitleImpl& title)
{
    return WideToUtf8(title.BuildPreviewCommandLine());
}

TEST(DvdTitle, FilledFromItsRecord)
{
    auto title = MakeTitle();
    EXPECT_EQ(title->GetMediaKind(), 1);
    EXPECT_EQ(title->GetDuration(), 90500);
    EXPECT_EQ(title->GetTitleInfoA(), 4);
    EXPECT_EQ(title->GetTitleInfoB(), 2);
    EXPECT_EQ(WideToUtf8(title->GetSourceTitle()), "4");
    EXPECT_EQ(WideToUtf8(title->GetSourceFolder()), "/media/disc");
    EXPECT_EQ(WideToUtf8(title->GetDisplayFormat()), "LetterBox");  // the record has none
    EXPECT_EQ(title->GetAudioTrackId(), 0x80);
    ASSERT_NE(title->GetSubtitleAt(0), nullptr);
    EXPECT_EQ(WideToUtf8(title->GetSubtitleAt(0)->GetDisplayName()), "32 - de");
    EXPECT_EQ(title->GetSubtitle(), nullptr);  // none chosen
    EXPECT_EQ(title->GetVideoStreamAt(1), nullptr);
    EXPECT_EQ(title->GetVideoStreamAt(0)->GetWidth(), 720);
}

TEST(DvdTitle, ADriveRootLosesItsBackslash)
{
    auto title = std::make_unique<CVXMDVDTitleImpl>();
    title->Fill(dvd_title_record{}, 1, L"D:\\", L"");
    EXPECT_EQ(WideToUtf8(title->GetDiscPath()), "D:");
}

TEST(DvdTitle, ChapterRangesAreCheckedAgainstTheChapters)
{
    auto title = MakeTitle();
    EXPECT_EQ(title->SetChapterRange(2, 0), 0);
    EXPECT_EQ(title->GetFirstChapter(), 2);
    EXPECT_EQ(title->GetLastChapter(), -1);
    EXPECT_EQ(title->SetChapterRange(4, 2), -1);
    EXPECT_EQ(title->SetChapterRange(0, 0), -1);
    EXPECT_EQ(title->SetChapterRange(6, 0), -1);
    EXPECT_EQ(title->SetChapterRange(2, 6), -1);
    EXPECT_EQ(title->GetFirstChapter(), 2);  // refusals change nothing
    EXPECT_EQ(title->SetChapterRange(2, 5), 0);
    EXPECT_EQ(title->GetLastChapter(), 5);
}

TEST(DvdTitle, StoredChoicesAreCutToWhatTheTitleHas)
{
    auto title = MakeTitle();
    ASSERT_EQ(title->SetChapterRange(5, 0), 0);
    ASSERT_EQ(title->SetAngle(2), 0);
    title->m_lstDVDChapters.resize(3);
    title->m_nAngleCount = 1;
    EXPECT_EQ(title->GetFirstChapter(), 3);
    EXPECT_EQ(title->GetAngle(), 1);
    EXPECT_EQ(title->SetAngle(2), -1);
    EXPECT_EQ(title->SetAngle(0), -1);
}

TEST(DvdTitle, ThePreviewLineNamesTheDiscChaptersAndAngle)
{
    auto title = MakeTitle();
    EXPECT_NE(Line(*title).find("-f dvdnav -dvd-device \"/media/disc\" -i \"dvdnav://4\""), std::string::npos)
        << Line(*title);
    ASSERT_EQ(title->SetChapterRange(2, 0), 0);
    EXPECT_NE(Line(*title).find("-dvd-device \"/media/disc\" -chapter 2 -i"), std::string::npos) << Line(*title);
    ASSERT_EQ(title->SetChapterRange(2, 4), 0);
    ASSERT_EQ(title->SetAngle(2), 0);
    EXPECT_NE(Line(*title).find("-chapter 2-4 -angle 2 -i"), std::string::npos) << Line(*title);

    auto angleOnly = MakeTitle();
    ASSERT_EQ(angleOnly->SetAngle(2), 0);
    EXPECT_NE(Line(*angleOnly).find("-dvd-device \"/media/disc\" -angle 2 -i"), std::string::npos)
        << Line(*angleOnly);
}

TEST(DvdTitle, ThePreviewLineCarriesTheChosenStreamsTrimAndPicture)
{
    auto title = MakeTitle();
    ASSERT_EQ(title->SelectStreams(-1, 1, 0), 0);
    title->SetStartTime(12500);
    title->m_nBrightness = 20;
    const std::string line = Line(*title);
    EXPECT_NE(line.find("-ss 12.500"), std::string::npos) << line;
    EXPECT_NE(line.find("-ast 129"), std::string::npos) << line;
    EXPECT_NE(line.find("-sst 32"), std::string::npos) << line;
    // The player gets the library's own picture filter.
    // The player turns the older colour filter into the current one, as for files.
    EXPECT_NE(line.find("-vf mp=eq2=1.5:1.00:0.20:1.00"), std::string::npos) << line;
    EXPECT_EQ(translate_filter_text("mp=eq2=1.5:1.00:0.20:1.00").rfind("eq=", 0), 0u);
    EXPECT_EQ(title->SelectStreams(-1, 3, 0), -1);
    EXPECT_EQ(title->SelectStreams(-1, 0, 2), -1);
}

TEST(DvdTitle, ACopyHasItsOwnRecords)
{
    auto title = MakeTitle();
    ASSERT_EQ(title->SetChapterRange(2, 3), 0);
    title->SetMainTitle(1);
    IVXMMedia* copy = CreateVXMMediaObject(title.get());
    auto* dvd = dynamic_cast<CVXMDVDTitleImpl*>(copy);
    ASSERT_NE(dvd, nullptr);
    EXPECT_EQ(dvd->GetChapterCount(), 5);
    EXPECT_EQ(dvd->GetAudioTrackCount(), 2);
    EXPECT_NE(dvd->GetAudioTrackAt(0), title->GetAudioTrackAt(0));
    EXPECT_NE(dvd->GetChapterAt(0), title->GetChapterAt(0));
    EXPECT_EQ(dvd->GetFirstChapter(), 2);
    EXPECT_EQ(dvd->IsMainTitle(), 1);
    EXPECT_EQ(dvd->GetDiscPath(), title->GetDiscPath());
    title.reset();
    EXPECT_EQ(WideToUtf8(dvd->GetAudioTrackAt(1)->GetLanguage()), "fr");
    copy->Release();
}

TEST(DvdTitle, AddedFilesGoToTheTitlesListsAndOnlyThoseCanBeRemoved)
{
    auto title = MakeTitle();
    EXPECT_EQ(title->AddAudioFile(L"/x/extra.mp3"), 0);
    EXPECT_EQ(title->GetAudioTrackCount(), 3);
    EXPECT_EQ(title->RemoveAudioFile(0), -1);
    EXPECT_EQ(title->RemoveAudioFile(2), 0);
    EXPECT_EQ(title->AddSubtitleFile(L"/x/extra.txt"), -1);
    EXPECT_EQ(title->AddSubtitleFile(L"/x/extra.srt"), 0);
    EXPECT_EQ(title->GetSubtitleCount(), 2);
    EXPECT_EQ(title->RemoveSubtitleFile(1), 0);
    EXPECT_EQ(title->GetSubtitleCount(), 1);
}

}  // namespace
