// On an X display with a window manager, the Play page as a person uses it:
// real mouse and keys (xdotool) on the main window while Debian's mplayer
// draws a clip with subtitles into it. Full screen and back (also from a
// maximised window), the play list beside the picture, and an embedded
// subtitle chosen from the menu. The screenshots are kept.
#include "MainFrameCommands.h"
#include "PlayerPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "support/window_manager.h"
#include "UIMenuScript.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <fstream>
#include <set>

namespace {

[[maybe_unused]] const bool g_wm = vxmtest::RegisterWindowManager();

using vxmtest::PumpUntil;

// 30 s of a 4:3 test picture whose lowest fifth is black, with a subtitle
// stream ("Bonjour N" each second) that the player does not show unasked.
std::string MakeSubtitledClip(const vxmtest::CTempDir& dir)
{
    const std::string srt = dir.File("sous-titres.srt");
    std::ofstream out(srt);
    for (int i = 0; i < 30; ++i) {
        const std::string s = (i < 10 ? "0" : "") + std::to_string(i);
        out << i + 1 << "\n00:00:" << s << ",000 --> 00:00:" << s << ",950\nBonjour " << i << "\n\n";
    }
    out.close();
    const std::string clip = dir.File("Ciné – 字幕 été.mkv");
    const bool made = vxmtest::RunFfmpeg(
        {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=30,drawbox=x=0:y=192:w=320:h=48:color=black:t=fill",
         "-i", srt, "-map", "0", "-map", "1", "-c:v", "libx264", "-preset", "ultrafast", "-g", "5", "-c:s", "srt", clip});
    return made ? clip : std::string();
}

void Xdo(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(vxmtest::RunProgram(argv), 0) << "xdotool failed";
}

QImage Screen() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32); }

void Save(const QImage& image, const char* name)
{
    EXPECT_TRUE(image.save(QStringLiteral(VXM_SCREENSHOT_DIR "/") + QString::fromLatin1(name))) << name;
}

// Mean brightness (0-255) of a part of the image.
double Level(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    double sum = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            sum += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
        }
    return r.isEmpty() ? 0.0 : sum / (r.width() * r.height());
}

// Light pixels of a part of the image (white or yellow, as subtitles are).
int Bright(const QImage& image, const QRect& rect)
{
    const QRect r = rect.intersected(image.rect());
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            n += qRed(p) > 160 && qGreen(p) > 160;
        }
    return n;
}

// Distinct colours in a part of the image, up to 64.
size_t Colours(const QImage& image, const QRect& rect)
{
    std::set<QRgb> seen;
    const QRect r = rect.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom() && seen.size() < 64; y += 3)
        for (int x = r.left(); x <= r.right() && seen.size() < 64; x += 3) seen.insert(image.pixel(x, y) & 0xF0F0F0);
    return seen.size();
}

// Answers the player's context menu as a person would: opens "Play",
// "Subtitle", "Subtitle Tracks" and takes the first track when it can.
class CSubtitleMenu : public IMenuRunner {
public:
    UINT Run(CMenu& menu, POINT, const std::function<void(CMenu&)>& onOpen) override
    {
        ++runs;
        if (onOpen) onOpen(menu);
        CMenu* play = menu.GetSubMenu(1);
        CMenu* subtitle = play ? play->GetSubMenu(12) : nullptr;
        if (!subtitle || subtitle->GetItemText(0, EMenuBy::Position) != L"Subtitle Tracks") return 0;
        if (onOpen) onOpen(*play);
        if (onOpen) onOpen(*subtitle);
        tracksEnabled = subtitle->IsEnabled(0, EMenuBy::Position);
        CMenu* tracks = subtitle->GetSubMenu(0);
        if (!tracksEnabled || !tracks) return 0;
        if (onOpen) onOpen(*tracks);
        firstTrack = tracks->GetItemText(ID_SUBTITLE_TRACK_FIRST, EMenuBy::Command);
        return ID_SUBTITLE_TRACK_FIRST;
    }
    int runs = 0;
    bool tracksEnabled = false;
    std::wstring firstTrack;
};

class CPlayerPersonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        ASSERT_FALSE(FindProgramInPath(L"mplayer").empty()) << "Debian's mplayer is not installed";
        clip = MakeSubtitledClip(dir);
        ASSERT_FALSE(clip.empty());
        window = vxmtest::OpenMainWindow(160, 120);
        ASSERT_NE(window, nullptr);
        widget = window->GetWidget();
        ASSERT_TRUE(PumpUntil([&] { return widget->isVisible() && widget->windowHandle()->isExposed(); }));
        window->SelectPage(2);
        pane = dynamic_cast<CPlayerPaneUI*>(window->GetPlayerPane());
        ASSERT_NE(pane, nullptr);
        pane->SetOutputDriversForTesting(L"", L"null");
        pane->VideoOutputMode = PLAYER_VO_X11;
        pane->OpenFile(Utf8ToWide(clip));
        ASSERT_EQ(pane->PlayState, PLAY_STATE_PLAYING);
        ASSERT_TRUE(PumpUntil([&] { return Colours(Screen(), Video()) >= 40 && pane->PositionSeconds > 1.0; }));
    }
    void TearDown() override
    {
        if (pane) pane->Stop();
        if (window && window->GetHWND()) window->DestroyWindow();
        vxmtest::PumpPending();
    }
    // Where the picture's window is on the screen.
    QRect Video() const
    {
        CMediaPlayerWnd* video = pane->GetPlayerControl()->GetVideoWindow();
        if (!video || !video->GetWidget()) return QRect();
        QWidget* w = video->GetWidget();
        return QRect(w->mapToGlobal(QPoint(0, 0)), w->size());
    }
    // Where a control of the main window is on the screen.
    QRect Global(const wchar_t* name) const
    {
        CControlUI* c = window->GetPaintManager()->FindControl(name);
        const RECT& r = c->GetPos();
        return QRect(widget->mapToGlobal(QPoint(r.left, r.top)), QSize(r.right - r.left, r.bottom - r.top));
    }
    void DoubleClickVideo()
    {
        const QPoint at = Video().center();
        Xdo({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "--repeat", "2", "--delay", "60", "1"});
    }
    void Click(const QRect& rect)
    {
        const QPoint at = rect.center();
        Xdo({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "1"});
    }
    // The picture's window holds the 4:3 picture whole inside `area`, centred.
    static bool Fitted(const QRect& video, const QRect& area)
    {
        if (video.isEmpty() || !area.contains(video)) return false;
        const bool fullHeight = std::abs(video.height() - area.height()) <= 3;
        const bool fullWidth = std::abs(video.width() - area.width()) <= 3;
        return (fullHeight || fullWidth) && std::abs(video.width() * 3 - video.height() * 4) <= 12 &&
               std::abs(video.center().x() - area.center().x()) <= 2 && std::abs(video.center().y() - area.center().y()) <= 2;
    }
    // The player's area inside the window: the control, one pixel in.
    QRect PlayerArea() const { return Global(L"ID_MEDIA_PLAYER").adjusted(1, 1, -1, -1); }
    // The picture fitted to the player's area as the window is laid out now;
    // before the layout that follows a change, the places are the old ones.
    bool FittedToPlayer() const { return window->GetPaintManager()->IsLayoutCurrent() && Fitted(Video(), PlayerArea()); }
    // Waits until the screen shows the picture in the player's area and the
    // area dark beside it: nothing of a larger picture left there. A window
    // that keeps a stale strip keeps the test waiting until its time-out.
    void WaitForThePictureAloneInThePlayer(const char* shotName)
    {
        QImage shot;
        PumpUntil([&] {
            const QRect area = PlayerArea(), fitted = Video();
            shot = Screen();
            return FittedToPlayer() && Colours(shot, fitted) >= 40 &&
                   Level(shot, QRect(area.left(), area.top(), fitted.left() - area.left() - 1, area.height())) < 30.0 &&
                   Level(shot, QRect(fitted.right() + 2, area.top(), area.right() - fitted.right() - 2, area.height())) < 30.0;
        });
        Save(shot, shotName);
    }
    // The screen once it shows the picture: a repaint of the window may blank
    // the picture's place until the player draws its next one.
    QImage ScreenWithThePicture() const
    {
        QImage shot;
        PumpUntil([&] { return Colours(shot = Screen(), Video()) >= 40; });
        return shot;
    }
    // Waits until the player has drawn a few new pictures.
    bool PlaysOn()
    {
        const double from = pane->PositionSeconds;
        return PumpUntil([&] { return pane->PositionSeconds > from + 0.6; });
    }

    vxmtest::CTempDir dir;
    std::string clip;
    CVXMMainFrameWnd* window = nullptr;
    QWidget* widget = nullptr;
    CPlayerPaneUI* pane = nullptr;
};

}  // namespace

TEST_F(CPlayerPersonTest, FullScreenIsThePictureAloneAndTheWindowComesBackAsItWas)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QRect before = widget->geometry();
    ASSERT_FALSE(widget->isMaximized());
    PumpUntil([&] { return window->GetPaintManager()->IsLayoutCurrent(); });
    EXPECT_TRUE(Fitted(Video(), PlayerArea()));

    // A double click on the picture: the picture alone fills the screen.
    DoubleClickVideo();
    ASSERT_TRUE(PumpUntil([&] { return widget->isFullScreen() && Fitted(Video(), screen); }))
        << "picture at " << Video().x() << "," << Video().y() << " " << Video().width() << "x" << Video().height();
    ASSERT_TRUE(PlaysOn());
    QImage shot = ScreenWithThePicture();
    Save(shot, "player_fullscreen.png");
    const QRect video = Video();
    // Where the title bar was, the picture; beside it, black bars only.
    EXPECT_GE(Colours(shot, QRect(video.left(), 0, video.width(), 48)), 8);
    EXPECT_LT(Level(shot, QRect(0, 0, video.left() - 2, screen.height())), 8.0);
    EXPECT_LT(Level(shot, QRect(video.right() + 2, 0, screen.width() - video.right() - 2, screen.height())), 8.0);
    for (const wchar_t* gone : {L"ID_LAYOUT_PLAYER_TOOLBAR", L"ID_LAYOUT_PLAYER_SLIDER", L"ID_BTN_CLOSE_WINDOW"})
        EXPECT_FALSE(window->GetPaintManager()->FindControl(gone)->IsVisible()) << WideToUtf8(gone);

    // Escape: the window is back where it was, the picture fitted to it.
    Xdo({"key", "Escape"});
    ASSERT_TRUE(PumpUntil([&] { return !widget->isFullScreen() && widget->geometry() == before && FittedToPlayer(); }));
    ASSERT_TRUE(PlaysOn());
    // Nothing of the full-screen picture is left beside the fitted one.
    WaitForThePictureAloneInThePlayer("player_after_fullscreen.png");
    EXPECT_TRUE(window->GetPaintManager()->FindControl(L"ID_LAYOUT_PLAYER_TOOLBAR")->IsVisible());

    // From a maximised window and back: maximised again, time running.
    Click(Global(L"ID_BTN_MAXIMIZE_WINDOW"));
    ASSERT_TRUE(PumpUntil([&] { return widget->isMaximized() && FittedToPlayer(); }));
    DoubleClickVideo();
    ASSERT_TRUE(PumpUntil([&] { return widget->isFullScreen() && Fitted(Video(), screen); }));
    ASSERT_TRUE(PlaysOn());
    shot = ScreenWithThePicture();
    Save(shot, "player_fullscreen_from_maximised.png");
    EXPECT_LT(Level(shot, QRect(0, 0, Video().left() - 2, screen.height())), 8.0);
    DoubleClickVideo();
    ASSERT_TRUE(PumpUntil([&] { return !widget->isFullScreen() && widget->isMaximized() && FittedToPlayer(); }));
    // The time goes on.
    CControlUI* label = window->GetPaintManager()->FindControl(L"ID_LABEL_PLAYER_TIME");
    const std::wstring time = label->GetText();
    EXPECT_TRUE(PumpUntil([&] { return label->GetText() != time; }));
}

TEST_F(CPlayerPersonTest, ThePlayListTakesItsRoomBesideThePictureAndClosesAgain)
{
    Click(Global(L"ID_BTN_PLAYER_SHOW_LISTS"));
    ASSERT_TRUE(PumpUntil([&] { return pane->PlaylistShown && FittedToPlayer(); }));
    const QRect list = Global(L"ID_LAYOUT_PLAYER_PLAYLIST");
    EXPECT_LE(Video().right(), list.left());
    // The toolbar keeps its buttons, the play list's own among them.
    const QRect client(widget->mapToGlobal(QPoint(0, 0)), widget->size());
    for (const wchar_t* name : {L"ID_BTN_ADD_CONVERTER", L"ID_BTN_PLAYER_FULLSCREEN", L"ID_BTN_PLAYER_SHOW_LISTS"}) {
        EXPECT_TRUE(window->GetPaintManager()->FindControl(name)->IsVisible()) << WideToUtf8(name);
        EXPECT_TRUE(client.contains(Global(name))) << WideToUtf8(name);
        EXPECT_FALSE(Global(name).intersects(list)) << WideToUtf8(name);
    }
    ASSERT_TRUE(PlaysOn());
    Save(ScreenWithThePicture(), "player_playlist_open.png");

    Click(Global(L"ID_BTN_PLAYER_SHOW_LISTS"));
    ASSERT_TRUE(PumpUntil([&] { return !pane->PlaylistShown && FittedToPlayer(); }));
    EXPECT_FALSE(window->GetPaintManager()->FindControl(L"ID_LAYOUT_PLAYER_PLAYLIST")->IsVisible());
}

TEST_F(CPlayerPersonTest, AnEmbeddedSubtitleIsListedInTheMenuAndShowsWhenChosen)
{
    // The lowest fifth of the picture is black while no subtitle shows.
    auto band = [&] {
        const QRect v = Video();
        return QRect(v.left(), v.top() + v.height() * 82 / 100, v.width(), v.height() * 17 / 100);
    };
    EXPECT_LT(Bright(Screen(), band()), 20);

    CSubtitleMenu menu;
    CMenuRunnerScope scope(&menu);
    const QPoint at = Video().center();
    Xdo({"mousemove", std::to_string(at.x()), std::to_string(at.y()), "click", "3"});
    ASSERT_TRUE(PumpUntil([&] { return menu.runs > 0; }));
    EXPECT_TRUE(menu.tracksEnabled);
    EXPECT_FALSE(menu.firstTrack.empty());

    QImage shot;
    ASSERT_TRUE(PumpUntil([&] {
        shot = Screen();
        return Bright(shot, band()) >= 40;
    }));
    Save(shot, "player_subtitle_shown.png");
    EXPECT_EQ(pane->SubtitleId, 0);
}
