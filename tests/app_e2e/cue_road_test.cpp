// A cue sheet through the program: each track becomes a row and converts to
// a file that carries the sheet's tags for that track, not the album file's.
#include "IProfile.h"
#include "MainPaneUI.h"
#include "MainPaneMaker.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "MediaTags.h"
#include "ProfileChooserMessages.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/desktop/FakeDesktop.h"

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
    SetMainPaneMaker(nullptr);
    CVXMSettings* settings = CVXMSettings::GetInstance();
    settings->OutputFolder = Utf8ToWide(dir.File("out"));
    settings->SimConversionTasks = 1;
    settings->ShutdownFlag = 0;
    auto* window = new CVXMMainFrameWnd(L"");
    HWND hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
    ASSERT_NE(hwnd, nullptr);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    CMediaListUI* list = pane->GetMediaList();

    IProfileManager* catalogue = CMediaHandler::GetInstance()->GetProfileManager();
    IProfileGroup* mp3 = catalogue ? catalogue->FindGroupByName(L"mp3") : nullptr;
    ASSERT_TRUE(mp3 && mp3->GetProfile(0));
    PostMessageW(hwnd, WM_VXM_PROFILE_SELECTED, MakeProfileSelectionWParam(mp3->GetProfile(0)->GetId()),
                 MakeProfileSelectionLParam(catalogue->FindCategoryIndexByName(L"audio"), mp3->GetId()));
    ASSERT_TRUE(PumpUntil([&] { return pane->GetCurrentProfile() == mp3->GetProfile(0); }, 20000));

    pane->ImportCue(Utf8ToWide(cue));
    ASSERT_TRUE(PumpUntil([&] { return list->GetCount() == 2; }, 20000));
    CMediaListItemUI* first = list->GetMediaItem(0);
    first->SetChecked(false);
    CMediaListItemUI* second = list->GetMediaItem(1);
    IVXMMedia* track = second->GetMedia();
    ASSERT_TRUE(pane->ConvertAll());
    ASSERT_TRUE(PumpUntil([&] { return second->GetStatus() == ITEM_STATUS_DONE || second->GetStatus() == ITEM_STATUS_FAILED; },
                          60000));
    ASSERT_EQ(second->GetStatus(), ITEM_STATUS_DONE);

    VXM_MEDIA_TAGS tags;
    ASSERT_EQ(ReadMediaTagsFromFile(track->GetOutputPath(), tags, L""), 1) << WideToUtf8(track->GetOutputPath());
    EXPECT_EQ(tags.title, L"Closing");
    EXPECT_EQ(tags.artist, L"Guest");
    EXPECT_EQ(tags.album, L"Live Album");
    EXPECT_EQ(tags.track, L"2");

    window->DestroyWindow();
    PumpUntil([] { return false; }, 100);
}

}  // namespace
