// On an X display: the Play page of the main window playing the test clip
// into its video window, with its controls, and a phone's clip stored on its
// side playing upright; the screenshots are kept.
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

#include <algorithm>
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

    // A phone's clip stored on its side (a white band down its stored left
    // edge, a -90 display matrix) plays upright: taller than wide, the band on top.
    const std::string stored = dir.File("stored.mp4"), portrait = dir.File("Café portrait 東京.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i",
                                    "color=gray:size=320x180:rate=25:duration=20,"
                                    "drawbox=x=0:y=0:w=60:h=180:color=white:t=fill",
                                    "-c:v", "libx264", "-pix_fmt", "yuv420p", stored}));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=270", portrait}));
    pane->OpenAndPlay(Utf8ToWide(portrait), 0.0);
    ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
    QRect shown;  // what the player drew in its window
    QImage picture;
    vxmtest::PumpUntil([&] {
        const CMediaPlayerUI* control = pane->GetPlayerControl();
        if (!control || !control->VideoWindow || pane->PositionSeconds <= 1.0) return false;
        picture = QGuiApplication::primaryScreen()->grabWindow(control->VideoWindow->GetNativeId()).toImage();
        shown = QRect();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (qGray(picture.pixel(x, y)) > 60) shown |= QRect(x, y, 1, 1);
        return shown.width() > 20;
    });
    page = QGuiApplication::primaryScreen()->grabWindow(window->GetWidget()->winId()).toImage();
    page.save(QStringLiteral(VXM_SCREENSHOT_DIR "/player_portrait.png"));
    EXPECT_GT(shown.height(), shown.width() * 3 / 2) << shown.width() << "x" << shown.height();
    const auto grey = [&](int from, int to) {
        double sum = 0;
        for (int y = shown.top() + shown.height() * from / 100; y < shown.top() + shown.height() * to / 100; ++y)
            sum += qGray(picture.pixel(shown.center().x(), y));
        return sum / std::max(1, shown.height() * (to - from) / 100);
    };
    EXPECT_GT(grey(2, 15), 220.0);
    EXPECT_LT(grey(30, 95), 170.0);
    pane->Stop();
    window->DestroyWindow();
}
