// A cue sheet through the program: each track becomes a row and converts to
// a file that carries the sheet's tags for that track, not the album file's.
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

}  // namespace
