// A cue sheet through the program: each track becomes a row and converts to
// a file of its own window that carries the sheet's tags for that track, not
// the album file's; a sheet written in a Japanese code page gives its tracks too.
#include "program_window.h"

#include "IProfile.h"
#include "MediaHandler.h"
#include "MediaTags.h"
#include "ProfileChooserMessages.h"
#include "support/tag_files.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace {

using vxmtest::PumpUntil;

TEST(CueRoad, EveryTrackOfAnEacSheetConvertsToItsOwnWindowWithTheSheetsTags)
{
    vxmtest::CTempDir dir;
    // One WAV of the whole album, as EAC rips it, with tags of its own.
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=12", "-ac", "2", "-metadata",
                                    "title=Whole File", "-metadata", "artist=File Artist", "-metadata",
                                    "album=File Album", dir.File("Caf\xc3\xa9 album.wav")}));
    // Frame-precise starts (75 frames a second); the numbers of a side B.
    const std::string cue = dir.File("Caf\xc3\xa9 album.cue");
    std::ofstream(cue, std::ios::binary)
        << "REM GENRE \"Hard Rock\"\r\nREM DATE 1997\r\nREM DISCID 860B640B\r\nREM COMMENT \"ExactAudioCopy v1.6\"\r\n"
        << "PERFORMER \"The Band\"\r\nTITLE \"Live Album\"\r\nFILE \"Caf\xc3\xa9 album.wav\" WAVE\r\n"
        << "  TRACK 06 AUDIO\r\n    TITLE \"Opening\"\r\n    INDEX 01 00:00:00\r\n"
        << "  TRACK 07 AUDIO\r\n    TITLE \"Second\"\r\n    INDEX 00 00:02:50\r\n    INDEX 01 00:02:67\r\n"
        << "  TRACK 08 AUDIO\r\n    TITLE \"Third\"\r\n    INDEX 01 00:05:21\r\n"
        << "  TRACK 09 AUDIO\r\n    TITLE \"Fourth\"\r\n    INDEX 01 00:08:41\r\n"
        << "  TRACK 10 AUDIO\r\n    TITLE \"Closing\"\r\n    PERFORMER \"Guest\"\r\n    INDEX 01 00:10:33\r\n";
    CFakeDesktop desktop;
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    CMainPaneUI* pane = program.pane;
    CMediaListUI* list = program.list;

    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* lossless = catalogue ? catalogue->FindGroupByName(L"lossless") : nullptr;
    IProfile* flac = catalogue ? catalogue->FindProfileById(30) : nullptr;
    ASSERT_TRUE(lossless && flac);
    PostMessageW(program.hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(flac->GetId()),
                 MakeProfileSelectionLParam(catalogue->FindCategoryIndexByName(L"audio"), lossless->GetId()));
    ASSERT_TRUE(PumpUntil([&] { return pane->GetCurrentProfile() == flac; }));

    pane->ImportCue(Utf8ToWide(cue));
    ASSERT_TRUE(PumpUntil([&] { return list->GetCount() == 5; }));
    ASSERT_TRUE(pane->ConvertAll());
    auto ended = [&](int i) {
        const int status = list->GetMediaItem(i)->GetStatus();
        return status == ITEM_STATUS_DONE || status == ITEM_STATUS_FAILED;
    };
    ASSERT_TRUE(PumpUntil([&] { return ended(0) && ended(1) && ended(2) && ended(3) && ended(4); }));

    // Each track is its window (whole milliseconds of the frames), the last
    // one up to the end of the file; the sheet's tags as mutagen reads them.
    const int starts[] = {0, 2893, 5280, 8546, 10440, 12000};
    const char* const titles[] = {"Opening", "Second", "Third", "Fourth", "Closing"};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(titles[i]);
        CMediaListItemUI* row = list->GetMediaItem(i);
        ASSERT_EQ(row->GetStatus(), ITEM_STATUS_DONE);
        const std::string output = WideToUtf8(row->GetMedia()->GetOutputPath());
        std::string seconds;
        ASSERT_EQ(vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0",
                                       output}, &seconds), 0);
        EXPECT_NEAR(std::atof(seconds.c_str()) * 1000.0, starts[i + 1] - starts[i], 1000.0 / 75);
        EXPECT_EQ(vxmtest::MutagenTags(output),
                  vxmtest::MutagenLines({"xiph"}, {{"title", titles[i]}, {"artist", i == 4 ? "Guest" : "The Band"},
                                                   {"album", "Live Album"}, {"year", "1997"}, {"genre", "Hard Rock"},
                                                   {"track", std::to_string(6 + i)}}));
    }
}

TEST(CueRoad, ASheetInAJapaneseCodePageGivesItsTracksWithTheirTitles)
{
    vxmtest::CTempDir dir;
    // The album's file is named in UTF-8 here, its sheet in Shift-JIS.
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=4", "-ac", "2",
                                    dir.File("\xE5\xA4\x8F\xE3\x81\xAE\xE6\xAD\x8C.flac")}));
    const std::string cue = dir.File("\xE5\xA4\x8F\xE3\x81\xAE\xE6\xAD\x8C.cue");
    std::ofstream(cue, std::ios::binary)
        << "PERFORMER \"\x97\xE9\x96\xD8\"\r\nTITLE \"\x89\xC4\x82\xCC\x89\xCC\"\r\n"
        << "FILE \"\x89\xC4\x82\xCC\x89\xCC.flac\" WAVE\r\n"
        << "  TRACK 01 AUDIO\r\n    TITLE \"\x92\xA9\x82\xCC\x8C\xF5\"\r\n    INDEX 01 00:00:00\r\n"
        << "  TRACK 02 AUDIO\r\n    TITLE \"\x96\xE9\x82\xCC\x8A\x43\"\r\n    INDEX 01 00:02:00\r\n";
    CFakeDesktop desktop;
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());

    program.pane->ImportCue(Utf8ToWide(cue));
    ASSERT_TRUE(PumpUntil([&] { return program.list->GetCount() == 2; }));
    EXPECT_EQ(program.list->GetMediaItem(0)->GetTags().title, L"\u671d\u306e\u5149");
    EXPECT_EQ(program.list->GetMediaItem(1)->GetTags().title, L"\u591c\u306e\u6d77");
    EXPECT_EQ(program.list->GetMediaItem(1)->GetTags().artist, L"\u9234\u6728");
}

}  // namespace
