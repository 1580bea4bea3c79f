// The player's video window: where it sits in its control, and the
// notifications its clicks, keys and mouse moves send.
#include "panes_player/player_host.h"
#include "platform/messages.h"
#include "support/main_window_environment.h"
#include "ui/UINativeSurface.h"

#include <gtest/gtest.h>

#include <QWidget>

using playertest::CPlayerHostWindow;

namespace {

class CVideoWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        host = new CPlayerHostWindow;
        ASSERT_NE(host->Create(nullptr, L"host", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 480, 360), nullptr);
        host->ShowWindow(true);
        player = host->Player();
        ASSERT_NE(player, nullptr);
        ASSERT_TRUE(vxmtest::PumpUntil([this] { return player->GetHeight() > 100; }));
        player->CreateVideoWindow();
        ASSERT_NE(player->VideoWindow, nullptr);
        video = player->VideoWindow->GetHWND();
    }
    void TearDown() override
    {
        // The window deletes itself with its last message.
        if (host && host->GetHWND()) host->DestroyWindow();
        else delete host;
    }
    RECT VideoRect() const
    {
        RECT rc{};
        QWidget* w = player->VideoWindow->GetWidget();
        rc = {w->x(), w->y(), w->x() + w->width(), w->y() + w->height()};
        return rc;
    }

    CPlayerHostWindow* host = nullptr;
    CMediaPlayerUI* player = nullptr;
    HWND video = nullptr;
};

}  // namespace

TEST_F(CVideoWindowTest, TheWindowIsInsetByOnePixelExceptInFullScreen)
{
    const RECT rc = player->GetPos();
    RECT v = VideoRect();
    EXPECT_EQ(v.left, rc.left + 1);
    EXPECT_EQ(v.right, rc.right - 1);
    EXPECT_EQ(v.top, rc.top);
    player->OnPlayerResize(nullptr);
    v = VideoRect();
    EXPECT_EQ(v.top, rc.top + 1);
    EXPECT_EQ(v.bottom, rc.bottom - 1);
    player->FullScreen = true;
    player->OnPlayerResize(nullptr);
    v = VideoRect();
    EXPECT_EQ(v.left, rc.left);
    EXPECT_EQ(v.top, rc.top);
    EXPECT_EQ(v.right, rc.right);
    EXPECT_EQ(v.bottom, rc.bottom);
}

TEST_F(CVideoWindowTest, ASingleClickIsReportedAfterTheDoubleClickTime)
{
    ::SendMessage(video, WM_LBUTTONDOWN, 0x0001, MAKELPARAM(10, 10));
    EXPECT_EQ(host->Count(L"mouseclick"), 0u);
    ASSERT_TRUE(vxmtest::PumpUntil([this] { return host->Count(L"mouseclick") == 1; }));
    EXPECT_EQ(host->Count(L"fullscreen"), 0u);
}

TEST_F(CVideoWindowTest, ADoubleClickTogglesFullScreenAndIsNoClick)
{
    ::SendMessage(video, WM_LBUTTONDOWN, 0x0001, MAKELPARAM(10, 10));
    ::SendMessage(video, WM_LBUTTONDBLCLK, 0x0001, MAKELPARAM(10, 10));
    EXPECT_EQ(host->Count(L"fullscreen"), 1u);
    // Past the double-click time the pending click has been dropped: a timer
    // of the same time, set after the click's, has fired.
    bool witnessed = false;
    CMessageWindow witness([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
        witnessed = witnessed || msg == WM_TIMER;
        return 0;
    });
    ::SetTimer(witness.Get(), 1, GetDoubleClickTime());
    vxmtest::PumpUntil([&] { return witnessed; });
    ::KillTimer(witness.Get(), 1);
    vxmtest::PumpPending();  // a click the player's timer posted
    EXPECT_EQ(host->Count(L"mouseclick"), 0u);
}

TEST_F(CVideoWindowTest, EscapeLeavesFullScreenOnlyInFullScreen)
{
    ::SendMessage(video, WM_CHAR, 27, 0);
    EXPECT_EQ(host->Count(L"fullscreen"), 0u);
    player->FullScreen = true;
    ::SendMessage(video, WM_CHAR, 27, 0);
    EXPECT_EQ(host->Count(L"fullscreen"), 1u);
    ::SendMessage(video, WM_RBUTTONDOWN, 0x0002, 0);
    EXPECT_EQ(host->Count(L"showmainrightkeymenu"), 1u);
}

TEST_F(CVideoWindowTest, TheBottomStripShowsTheBottomBar)
{
    const int height = player->GetHeight();
    ::SendMessage(video, WM_MOUSEMOVE, 0, MAKELPARAM(20, height - 30));
    EXPECT_EQ(host->Count(L"showbottombar"), 1u);
    EXPECT_EQ(host->Count(L"showaddtoconvertedbutton"), 1u);
    EXPECT_EQ(host->Count(L"dvdnavmousemove"), 1u);
    ::SendMessage(video, WM_MOUSEMOVE, 0, MAKELPARAM(20, height - 31));
    EXPECT_EQ(host->Count(L"hidebottombar"), 1u);
    // The window is at the top of its window: the top strip counts.
    ::SendMessage(video, WM_MOUSEMOVE, 0, MAKELPARAM(20, 19));
    EXPECT_EQ(host->Count(L"showtopbar"), 1u);
    ::SendMessage(video, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    EXPECT_EQ(host->Count(L"hidetopbar"), 3u);
    ::SendMessage(video, WM_MOUSEMOVE, 0, MAKELPARAM(20, height));
    EXPECT_EQ(host->Count(L"hideaddtoconvertedbutton"), 1u);
}

TEST_F(CVideoWindowTest, WhatDrawsIntoTheWindowIsStoppedBeforeItGoes)
{
    int stops = 0;
    player->SetBeforeWindowDestroyed([&stops] { ++stops; });
    player->CreateVideoWindow();  // the old window goes first
    EXPECT_EQ(stops, 1);
    ASSERT_NE(player->VideoWindow, nullptr);
    auto* parent = static_cast<CContainerUI*>(player->GetParent());
    ASSERT_TRUE(parent->Remove(player));  // the control goes, and its window with it
    EXPECT_EQ(stops, 2);
}
