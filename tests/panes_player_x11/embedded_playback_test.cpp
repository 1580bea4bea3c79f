// On an X display: Debian's mplayer, started with the player's own start
// line, draws the test clip into the video window; the window's pixels show
// the picture. Destroying the window stops the player first.
#include "PlayerCommandLine.h"
#include "PlayerCommands.h"
#include "panes_player/player_host.h"
#include "platform/folders.h"
#include "support/main_window_environment.h"
#include "support/private_home.h"
#include "support/test_media.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <set>
#include <thread>

namespace {

// On the X display xvfb-run gives.
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

bool Pump(const std::function<bool()>& done) { return vxmtest::PumpUntil(done); }
using vxmtest::PumpPending;

// Distinct colours of the image, counted up to a bound.
size_t Colours(const QImage& image)
{
    std::set<QRgb> seen;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            seen.insert(image.pixel(x, y) & 0xF0F0F0);
            if (seen.size() > 64) return seen.size();
        }
    return seen.size();
}

}  // namespace

TEST(EmbeddedPlayback, TheClipPlaysInsideTheVideoWindow)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
    vxmtest::CTempDir dir;
    const std::string clip = dir.File("embedded clip.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 20.0, 320, 240));

    auto* host = new playertest::CPlayerHostWindow;
    ASSERT_NE(host->Create(nullptr, L"player", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 40, 40, 480, 360), nullptr);
    host->ShowWindow(true);
    CMediaPlayerUI* control = host->Player();
    ASSERT_TRUE(Pump([control] { return control->GetHeight() > 100; }));
    control->CreateVideoWindow();
    control->OnPlayerResize(nullptr);
    ASSERT_NE(control->VideoWindow, nullptr);
    const unsigned long id = control->VideoWindow->GetNativeId();
    ASSERT_NE(id, 0ul);

    CPlayerStartParams params;
    params.path = std::wstring(clip.begin(), clip.end());
    params.windowId = id;
    params.videoOutputMode = PLAYER_VO_X11;
    params.audioDriver = L"null";
    CMPlayerOpts opts;
    BuildPlayerCommandLine(params, opts);
    std::unique_ptr<CCmdMplayer> player = StartPlayer(opts.BuildCommandLine(), host->GetHWND(), 0);
    ASSERT_TRUE(player);
    const int pid = static_cast<int>(player->m_dwProcessId);
    control->SetBeforeWindowDestroyed([&player] { StopPlayer(player); });

    // The picture shows once the player draws: many colours, not black.
    QImage picture;
    const bool drawn = Pump(
        [&] {
            picture = QGuiApplication::primaryScreen()->grabWindow(id).toImage();
            return !picture.isNull() && Colours(picture) > 16;
        });
    if (!picture.isNull()) picture.save(QStringLiteral(VXM_SCREENSHOT_DIR "/player_video_window.png"));
    EXPECT_TRUE(drawn) << "colours in the window: " << (picture.isNull() ? 0 : Colours(picture));
    EXPECT_TRUE(player && player->IsChildRunning());

    // The window goes: the player is stopped before it.
    control->DestroyVideoWindow();
    EXPECT_FALSE(player);
    host->DestroyWindow();
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
    PumpPending();
}
