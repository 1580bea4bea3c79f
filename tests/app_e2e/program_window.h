// The program's main window with its real panes, offscreen, converting into
// a given output folder one row at a time.
#pragma once
#include "MainPaneUI.h"
#include "MainPaneMaker.h"
#include "MediaListUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"

#include <string>

class CProgramWindow {
public:
    explicit CProgramWindow(const std::string& outputFolder)
    {
        SetMainPaneMaker(nullptr);
        CVXMSettings* settings = CVXMSettings::GetInstance();
        settings->OutputFolder = Utf8ToWide(outputFolder);
        settings->SimConversionTasks = 1;
        settings->UseNVidiaCUDA = 0;
        settings->ShutdownFlag = 0;
        window = new CVXMMainFrameWnd(L"");
        hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
        pane = hwnd ? dynamic_cast<CMainPaneUI*>(window->GetMainPane()) : nullptr;
        list = pane ? pane->GetMediaList() : nullptr;
    }
    ~CProgramWindow()
    {
        if (hwnd) window->DestroyWindow();
        vxmtest::PumpPending();
    }
    CProgramWindow(const CProgramWindow&) = delete;
    CProgramWindow& operator=(const CProgramWindow&) = delete;
    bool IsUp() const { return list != nullptr; }

    CVXMMainFrameWnd* window = nullptr;
    HWND hwnd = nullptr;
    CMainPaneUI* pane = nullptr;
    CMediaListUI* list = nullptr;
};
