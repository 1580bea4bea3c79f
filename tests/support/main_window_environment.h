// Program tests that open windows run offscreen, in a private home (see
// private_home.h), with the skin and catalogue of the source tree and, when
// asked, the engine registered. Header only: it needs the program's UI and
// engine, which only the program's test programs link; include it from one
// file of such a program and call RegisterMainWindowEnvironment() at load.
#pragma once
#include "MediaStopper.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "platform/folders.h"
#include "support/private_home.h"
#include "support/pump.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>

namespace vxmtest {

inline std::wstring SourceDirW() { return std::wstring(VXM_SOURCE_DIR, VXM_SOURCE_DIR + sizeof(VXM_SOURCE_DIR) - 1); }

class CMainWindowEnvironment : public ::testing::Environment {
public:
    // `offscreen` false keeps the platform the test runs on (xcb under xvfb-run).
    explicit CMainWindowEnvironment(bool withEngine, bool offscreen = true)
        : m_withEngine(withEngine), m_offscreen(offscreen)
    {
    }
    void SetUp() override
    {
        if (m_offscreen) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        EnsureUIApplication();
        if (m_withEngine) RegisterMediaLibrary();
        SetProgramFolderForTesting(SourceDirW());
        CPaintManagerUI::SetResourcePath(SourceDirW() + L"/skin");
    }
    void TearDown() override
    {
        StopMediaStopper();
        if (m_withEngine) UnRegisterMediaLibrary();
        ShutdownUIApplication();
    }

private:
    bool m_withEngine;
    bool m_offscreen;
};

// The private home first, so that it is there before the window environment
// starts and goes only after it ended.
inline bool RegisterMainWindowEnvironment(bool withEngine = true, bool offscreen = true)
{
    RegisterPrivateHome();
    ::testing::AddGlobalTestEnvironment(new CMainWindowEnvironment(withEngine, offscreen));
    return true;
}

// The program's main window at its skin's size, shown, started with the file
// a command line names (if any); null when it could not be made. It deletes
// itself when destroyed.
inline CVXMMainFrameWnd* OpenMainWindow(int x = 0, int y = 0, const std::wstring& commandLineFile = L"")
{
    auto* window = new CVXMMainFrameWnd(commandLineFile);
    if (!window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, x, y, 1024, 655))
        return nullptr;
    window->ShowWindow(true);
    return window;
}

// A double click of the left button at the centre of a rectangle of the
// window, as the mouse gives it: press, release, double click, release.
inline void DoubleClickAt(QWidget* widget, const RECT& rc)
{
    const QPointF at((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const bool down = type != QEvent::MouseButtonRelease;
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

}  // namespace vxmtest
