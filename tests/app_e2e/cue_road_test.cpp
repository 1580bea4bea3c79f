// A cue sheet through the program: each track becomes a row and converts to
// a file that carries the sheet's tags for that track, not the album file's;
// a sheet written in a Japanese code page gives its tracks too.
#include "program_window.h"

#include "IProfile.h"
#include "MediaHandler.h"
#include "MediaTags.h"
#include "ProfileChooserMessages.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

using vxmtest::PumpUntil;

TEST(CueRoad, ATrackOfACueSheetConvertsWithTheSheetsTagsForThatTrack)
{
    vxmtest::CTempDir dir;
    // The album file carries tags of its own.
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=4", "-ac", "2", "-metadata",
                                    "title=Whole File", "-metadata", "artist=File Artist", "-metadata",
                                    "album=File Album", dir.File("album.flac")}));
    const std::string cue = dir.File("album.cue");
    std::ofstream(cue) << "PERFORMER \"The Band\"\nTITLE \"Live Album\"\nFILE \"album.flac\" WAVE\n"
                       << "  TRACK 01 AUDIO\n    TITLE \"Opening\"\n    INDEX 01 00:00:00\n"
                       << "  TRACK 02 AUDIO\n    TITLE \"Closing\"\n    PERFORMER \"Guest\"\n    INDEX 01 00:02:00\n";
    CFakeDesktop desktop;
    CProgramWindow program(dir.File("out"));
    ASSERT_TRUE(program.IsUp());
    CMainPaneUI* pane = program.pane;
    CMediaListUI* list = program.list;

    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* mp3 = catalogue ? catalogue->FindGroupByName(L"mp3") : nullptr;
    ASSERT_TRUE(mp3 && mp3->GetProfile(0));
    PostMessageW(program.hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(mp3->GetProfile(0)->GetId()),
                 MakeProfileSelectionLParam(catalogue->FindCategoryIndexByName(L"audio"), mp3->GetId()));
    ASSERT_TRUE(PumpUntil([&] { return pane->GetCurrentProfile() == mp3->GetProfile(0); }));

    pane->ImportCue(Utf8ToWide(cue));
    ASSERT_TRUE(PumpUntil([&] { return list->GetCount() == 2; }));
    CMediaListItemUI* first = list->GetMediaItem(0);
    first->SetChecked(false);
    CMediaListItemUI* second = list->GetMediaItem(1);
    IVXMMedia* track = second->GetMedia();
    ASSERT_TRUE(pane->ConvertAll());
    ASSERT_TRUE(PumpUntil([&] { return second->GetStatus() == ITEM_STATUS_DONE || second->GetStatus() == ITEM_STATUS_FAILED; }));
    ASSERT_EQ(second->GetStatus(), ITEM_STATUS_DONE);

    VXM_MEDIA_TAGS tags;
    ASSERT_EQ(ReadMediaTagsFromFile(track->GetOutputPath(), tags, L""), 1) << WideToUtf8(track->GetOutputPath());
    EXPECT_EQ(tags.title, L"Closing");
    EXPECT_EQ(tags.artist, L"Guest");
    EXPECT_EQ(tags.album, L"Live Album");
    EXPECT_EQ(tags.track, L"2");
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
