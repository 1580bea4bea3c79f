// On an X display, real clicks (xdotool) on the player's video window while
// the UI thread is too busy to read its input in time.
#include "panes_player/player_host.h"
#include "platform/messages.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QStyleHints>
#include <QWidget>
#include <QWindow>

#include <chrono>
#include <string>
#include <thread>

namespace {

using vxmtest::PumpUntil;

// Counts the presses Qt delivers to a widget (the second of a double click
// comes as a double click only).
class CPressCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        presses += event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
        return false;
    }
};

void Xdo(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_EQ(vxmtest::RunProgram(argv), 0) << "xdotool failed";
}

class CPlayerClickTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        host = new playertest::CPlayerHostWindow;
        ASSERT_NE(host->Create(nullptr, L"Lecteur – 播放器", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 40, 40, 480, 360), nullptr);
        host->ShowWindow(true);
        CMediaPlayerUI* control = host->Player();
        ASSERT_TRUE(PumpUntil([control] { return control->GetHeight() > 100; }));
        control->CreateVideoWindow();
        control->OnPlayerResize(nullptr);
        video = control->VideoWindow;
        ASSERT_NE(video, nullptr);
        QWidget* widget = video->GetWidget();
        ASSERT_TRUE(PumpUntil([widget] { return widget->isVisible() && widget->windowHandle()->isExposed(); }));
        widget->installEventFilter(&counter);
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        Xdo({"mousemove", std::to_string(at.x()), std::to_string(at.y())});
    }
    void TearDown() override
    {
        QGuiApplication::styleHints()->setMouseDoubleClickInterval(interval);
        if (host && host->GetHWND()) host->DestroyWindow();
        vxmtest::PumpPending();
    }

    const int interval = QGuiApplication::styleHints()->mouseDoubleClickInterval();
    playertest::CPlayerHostWindow* host = nullptr;
    CMediaPlayerWnd* video = nullptr;
    CPressCounter counter;
};

}  // namespace

TEST_F(CPlayerClickTest, ADoubleClickReadAfterTheClickTimerIsNoClick)
{
    // A double-click time the second press is sure to fall in, busy as the machine may be.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(3000);
    Xdo({"click", "1"});
    ASSERT_TRUE(PumpUntil([&] { return counter.presses == 1; }));
    // The second press reaches the X server while the UI thread reads no input,
    // and the click's timer comes due before the UI thread reads it.
    Xdo({"click", "1"});
    MSG due;
    while (!PeekMessage(&due, video->GetHWND(), WM_TIMER, WM_TIMER, PM_NOREMOVE))
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    PumpThreadMessages();
    ASSERT_TRUE(PumpUntil([&] { return host->Count(L"fullscreen") == 1; }));
    ASSERT_EQ(host->Count(L"mouseclick"), 0u);

    // A single click later is one click: what was decided on the double
    // click's first press, behind it, did nothing.
    QGuiApplication::styleHints()->setMouseDoubleClickInterval(interval);
    Xdo({"click", "1"});
    ASSERT_TRUE(PumpUntil([&] { return counter.presses == 3; }));
    ASSERT_TRUE(PumpUntil([&] { return !video->ClickPending; }));
    EXPECT_EQ(host->Count(L"mouseclick"), 1u);
    EXPECT_EQ(host->Count(L"fullscreen"), 1u);
}
