// The player page in the program's main window: the player menu's entries
// without a player, and a real session of Debian's mplayer driven through
// the page (no picture: the video and audio go to "null").
#include "MainFrameCommands.h"
#include "PlayerPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "platform/text.h"
#include "ui/UIMenu.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fstream>

namespace {

class CPlayerPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        window->ShowWindow(true);
        window->SelectPage(2);
        pane = dynamic_cast<CPlayerPaneUI*>(window->GetPlayerPane());
        ASSERT_NE(pane, nullptr);
        pane->SetOutputDriversForTesting(L"null", L"null");
        menus = CMenu::LoadFile(vxmtest::SourceDirW() + L"/skin/menus.xml");
        ASSERT_TRUE(menus);
        menu = menus->GetSubMenu(2);
        ASSERT_NE(menu, nullptr);
    }
    void TearDown() override
    {
        if (window && window->GetHWND()) window->DestroyWindow();
    }
    bool Pump(const std::function<bool()>& done) { return vxmtest::PumpUntil(done); }

    CVXMMainFrameWnd* window = nullptr;
    CPlayerPaneUI* pane = nullptr;
    std::unique_ptr<CMenu> menus;
    CMenu* menu = nullptr;
};

bool Gone(int pid) { return ::kill(pid, 0) == -1 && errno == ESRCH; }

// A clip with two audio tracks and two subtitle tracks.
std::string MakeTwoTrackClip(const vxmtest::CTempDir& dir, const std::string& name)
{
    const std::string srt1 = dir.File("one.srt"), srt2 = dir.File("two.srt");
    std::ofstream(srt1) << "1\n00:00:00,000 --> 00:00:05,000\nOne\n";
    std::ofstream(srt2) << "1\n00:00:00,000 --> 00:00:05,000\nTwo\n";
    const std::string clip = dir.File(name);
    const bool made = vxmtest::RunFfmpeg(
        {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=6", "-f", "lavfi", "-i", "sine=f=440:d=6", "-f",
         "lavfi", "-i", "sine=f=880:d=6", "-i", srt1, "-i", srt2, "-map", "0", "-map", "1", "-map", "2", "-map", "3",
         "-map", "4", "-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-c:a", "aac", "-c:s", "srt",
         "-metadata:s:a:0", "language=eng", "-metadata:s:a:1", "language=fra", "-metadata:s:s:0", "language=eng",
         "-metadata:s:s:1", "language=deu", clip});
    return made ? clip : std::string();
}

}  // namespace

TEST_F(CPlayerPaneTest, TheMenuHasItsStructureAndFollowsThePage)
{
    ASSERT_EQ(menu->GetItemCount(), 7);
    EXPECT_EQ(menu->GetItemText(0, EMenuBy::Position), L"&Open");
    EXPECT_EQ(menu->GetItemText(1, EMenuBy::Position), L"&Play");
    EXPECT_EQ(menu->GetItemText(2, EMenuBy::Position), L"DVD Navigation");
    CMenu* play = menu->GetSubMenu(1);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->GetItemText(7, EMenuBy::Position), L"Fast Forward");
    EXPECT_EQ(play->GetItemText(8, EMenuBy::Position), L"Fast Backward");

    // Nothing plays yet.
    pane->UpdatePlayerMenu(menu);
    EXPECT_FALSE(menu->IsEnabled(ID_PLAYER_PLAY));
    EXPECT_FALSE(menu->IsEnabled(ID_PLAYER_PAUSE));
    EXPECT_FALSE(menu->IsEnabled(ID_PLAYER_STOP));
    EXPECT_FALSE(menu->IsEnabled(ID_PLAYER_ADD_TO_CONVERTER));
    EXPECT_FALSE(play->IsEnabled(7, EMenuBy::Position));
    EXPECT_FALSE(menu->IsEnabled(ID_PLAYER_NEXT));
    EXPECT_TRUE(menu->IsChecked(ID_PLAYER_AUDIO_DEFAULT));
    EXPECT_TRUE(menu->IsChecked(ID_PLAYER_SUBTITLE_DEFAULT));
    EXPECT_FALSE(menu->IsChecked(ID_PLAYER_SUBTITLE_HIDE));
    EXPECT_TRUE(menu->IsChecked(ID_PLAYER_ZOOM_FIT));

    // Menu positions become modes: every entry checks itself.
    for (UINT i = 0; i < 7; ++i) {
        SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_DEINTERLACE_FIRST + i, 0);
        pane->UpdatePlayerMenu(menu);
        for (UINT j = 0; j < 7; ++j) EXPECT_EQ(menu->IsChecked(ID_PLAYER_DEINTERLACE_FIRST + j), i == j) << i << " " << j;
    }
    EXPECT_EQ(pane->DeinterlaceMode, 11);
    SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_DEINTERLACE_FIRST + 1, 0);
    EXPECT_EQ(pane->DeinterlaceMode, 1);  // "Blend"
    SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_ROTATE_FIRST + 3, 0);
    EXPECT_EQ(pane->RotateMode, 4);  // "Horizontal Flip" mirrors
    pane->UpdatePlayerMenu(menu);
    EXPECT_TRUE(menu->IsChecked(ID_PLAYER_ROTATE_FIRST + 3));
    SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_ZOOM_FIRST + 2, 0);
    SendMessageW(window->GetHWND(), WM_COMMAND, ID_PLAYER_SUBTITLE_HIDE, 0);
    pane->UpdatePlayerMenu(menu);
    EXPECT_TRUE(menu->IsChecked(32917));  // 150%
    EXPECT_TRUE(menu->IsChecked(ID_PLAYER_SUBTITLE_HIDE));
    EXPECT_FALSE(menu->IsChecked(ID_PLAYER_SUBTITLE_DEFAULT));
}

TEST_F(CPlayerPaneTest, AMediaHandedOverPlaysFromItsPositionAndDiscSourcesShareOneEntry)
{
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("handed over.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 6.0));
    struct CClip : CStubMedia {
        std::wstring path;
        std::wstring GetSourcePath() const override { return path; }
    } media;
    media.path = Utf8ToWide(clip);
    window->GetPaintManager()->SendNotify(pane, L"add_to_player", reinterpret_cast<WPARAM>(&media), 3000);
    ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
    EXPECT_EQ(pane->CurrentPath, media.path);
    ASSERT_TRUE(Pump([this] { return pane->PositionSeconds >= 3.0; }));

    // Every DVD source plays as the one "dvdnav://" entry; the source moves.
    struct CTitle : CStubDVDTitle {
        std::wstring GetDiscPath() const override { return L"/media/MY_DVD/"; }
    } title;
    window->GetPaintManager()->SendNotify(pane, L"add_to_player", reinterpret_cast<WPARAM>(&title), 0);
    EXPECT_EQ(pane->DiscDevice, L"/media/MY_DVD");
    EXPECT_EQ(pane->CurrentPath, L"dvdnav://");
    pane->PlayDisc(L"/images/film.iso");
    EXPECT_EQ(pane->DiscDevice, L"/images/film.iso");
    EXPECT_EQ(pane->GetPlaylist().Size(), 2u);
    EXPECT_EQ(pane->GetPlaylist().Find(L"dvdnav://"), 1);
    pane->Stop();
    EXPECT_EQ(pane->GetPlayer(), nullptr);
}

TEST_F(CPlayerPaneTest, ARealSessionPlaysPausesSeeksSwitchesTracksAndMovesOn)
{
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    vxmtest::CTempDir dir;
    const std::string first = MakeTwoTrackClip(dir, "first clip.mkv");
    ASSERT_FALSE(first.empty());
    const std::string second = dir.File("second.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(second, 4.0));

    pane->OpenAndPlay(Utf8ToWide(first), 0.0);
    ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
    ASSERT_NE(pane->GetPlayer(), nullptr);
    const int firstPid = static_cast<int>(pane->GetPlayer()->m_dwProcessId);
    // The position timer asks, the main window hands the answers over.
    ASSERT_TRUE(Pump([this] { return pane->LengthSeconds > 5.0; }));
    ASSERT_TRUE(Pump([this] {
        return pane->GetPlayer() && pane->GetPlayer()->Output().GetAudioTracks().size() == 2 &&
               pane->GetPlayer()->Output().GetSubtitleTracks().size() == 2;
    }));

    ASSERT_TRUE(pane->TogglePause());
    EXPECT_EQ(pane->PlayState, PLAY_STATE_PAUSED);
    ASSERT_TRUE(pane->Seek(60, 1));
    ASSERT_TRUE(pane->TogglePause());
    EXPECT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
    ASSERT_TRUE(Pump([this] { return pane->PositionSeconds >= 3.0; }));

    const CMplayerTable audio = pane->GetPlayer()->Output().GetAudioTracks();
    const CMplayerTable subtitles = pane->GetPlayer()->Output().GetSubtitleTracks();
    pane->SelectAudioByIndex(1);
    EXPECT_EQ(pane->AudioId, std::next(audio.begin())->first);
    pane->SelectSubtitleByIndex(1);
    EXPECT_EQ(pane->SubtitleId, std::next(subtitles.begin())->first);
    pane->UpdatePlayerMenu(menu);
    EXPECT_TRUE(menu->IsChecked(ID_AUDIO_TRACK_FIRST + 1));
    EXPECT_FALSE(menu->IsChecked(ID_PLAYER_AUDIO_DEFAULT));
    EXPECT_EQ(menu->GetItemText(ID_SUBTITLE_TRACK_FIRST + 1, EMenuBy::Command),
              std::to_wstring(std::next(subtitles.begin())->first) + L" - deu");

    // A dropped file joins the list; at the end of the first file the next
    // entry plays (in order is the default play mode).
    pane->AddDroppedFile(Utf8ToWide(second));
    EXPECT_EQ(pane->GetPlaylist().Size(), 2u);
    EXPECT_EQ(pane->GetPlaylist().CurrentIndex(), 0);
    ASSERT_TRUE(Pump([&] {
        return pane->GetPlaylist().CurrentIndex() == 1 && pane->GetPlayer() &&
               static_cast<int>(pane->GetPlayer()->m_dwProcessId) != firstPid;
    }));
    EXPECT_EQ(pane->CurrentPath, Utf8ToWide(second));
    ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
    const int secondPid = static_cast<int>(pane->GetPlayer()->m_dwProcessId);
    EXPECT_TRUE(Gone(firstPid));
    ASSERT_TRUE(Pump([this] { return pane->LengthSeconds > 3.0; }));

    pane->Stop();
    EXPECT_EQ(pane->PlayState, PLAY_STATE_STOPPED);
    EXPECT_EQ(pane->GetPlayer(), nullptr);
    EXPECT_TRUE(Gone(secondPid));
}
