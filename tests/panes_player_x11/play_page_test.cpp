// On an X display: the Play page of the main window playing the test clip
// into its video window, with its controls; the screenshot is kept.
#include "PlayerPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "support/main_window_environment.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <set>

TEST(PlayPage, TheClipPlaysOnThePageWithItsControls)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    SetProgramFolderForTesting(vxmtest::SourceDirW());
    CPaintManagerUI::SetResourcePath(vxmtest::SourceDirW() + L"/skin");
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("page clip.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 20.0, 320, 240));

    auto* window = new CVXMMainFrameWnd(L"");
    ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
              nullptr);
    window->ShowWindow(true);
    window->SelectPage(2);
    auto* pane = dynamic_cast<CPlayerPaneUI*>(window->GetPlayerPane());
    ASSERT_NE(pane, nullptr);
    pane->SetOutputDriversForTesting(L"", L"null");
    pane->VideoOutputMode = PLAYER_VO_X11;
    pane->TogglePlaylist();
    pane->OpenAndPlay(Utf8ToWide(clip), 0.0);
    ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);

    // The picture is drawn once the page shows many colours.
    QImage page;
    const bool drawn = vxmtest::PumpUntil(
        [&] {
            page = QGuiApplication::primaryScreen()->grabWindow(window->GetWidget()->winId()).toImage();
            std::set<QRgb> colours;
            for (int y = 100; y < 400 && colours.size() < 40; y += 3)
                for (int x = 100; x < 700; x += 3) colours.insert(page.pixel(x, y) & 0xF0F0F0);
            return colours.size() >= 40 && pane->PositionSeconds > 1.0;
        });
    page.save(QStringLiteral(VXM_SCREENSHOT_DIR "/player_page.png"));
    EXPECT_TRUE(drawn);
    pane->Stop();
    EXPECT_EQ(pane->GetPlayer(), nullptr);
    window->DestroyWindow();
}
