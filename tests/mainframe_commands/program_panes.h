// The main window over the program's own panes, offscreen, with the fake
// desktop; it goes with the fixture.
#pragma once
#include "recording_panes.h"

#include "panes/MainPaneUI.h"
#include "panes/MediaListUI.h"

class CProgramPanesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetUIQuit();
        SetMainPaneMaker(nullptr);
        window = new CVXMMainFrameWnd(L"");
        hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        ASSERT_NE(hwnd, nullptr);
        pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        list = pane->GetMediaList();
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override
    {
        if (hwnd) window->DestroyWindow();
        PumpPending();
        ResetUIQuit();
    }
    CFakeDesktop desktop;
    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaListUI* list = nullptr;
};
