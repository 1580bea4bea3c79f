// Under a window manager (Debian's openbox), as a person uses the program:
// every modal window (ours and Qt's message box) opens over the main window,
// stays above it when the main window is clicked, and takes the keyboard
// then (Escape closes it).
// The main window's caption shows it is waiting meanwhile.
#include "AboutDlgUI.h"
#include "BurnWindow.h"
#include "DVDOpenDlgUI.h"
#include "DlgBatchAdd.h"
#include "DlgModuleUpdate.h"
#include "DlgSelectDVD.h"
#include "DlgSoftwareUpdate.h"
#include "EditMusicDlg.h"
#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "OptionDlgUI.h"
#include "SelectFormatDlgUI.h"
#include "URLDlgUI.h"
#include "VXMDownloader.h"
#include "VXMMainFrameWnd.h"
#include "VXMSettings.h"
#include "platform/events.h"
#include "platform/text.h"
#include "support/fake_media.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "ui/desktop/QtDesktop.h"
#include "wm_screen.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdio>
#include <functional>
#include <string>

namespace {

using namespace vxmtest;

class CSong : public CStubMedia {
public:
    std::wstring GetSourcePath() const override { return L"/home/someone/Music/Café déjà vu.mp3"; }
    std::wstring GetSourceTitle() const override { return L"Café déjà vu"; }
};

class CModalWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The main window of the test before ended the loops it ran in.
        ResetUIQuit();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        window->ShowWindow(true);
        main = window->GetWidget();
        main->windowHandle()->installEventFilter(&clicks);
        WaitFor("the main window on the screen", [this] { return main->isActiveWindow() && ShownOnScreen(main); });
    }
    void TearDown() override
    {
        if (auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane())) pane->GetMediaList()->RemoveAll();
        window->DestroyWindow();
        vxmtest::PumpPending();
    }

    // The visible window of that class (or Qt class) other than the main window.
    static QWidget* FindWindow(const std::wstring& cls)
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && (w->objectName() == QString::fromStdWString(cls) ||
                                   QString::fromStdWString(cls) == QLatin1String(w->metaObject()->className())))
                return w;
        return nullptr;
    }

    // Opens a modal window with `open` (which returns when it has gone); once
    // it shows, the main window is clicked beside it, and then Escape is
    // typed, which must reach the modal window and close it. Qt's own modal
    // dialogs block the main window without disabling it, and hold the click
    // on it back.
    void ClickBesideAndEscape(const std::wstring& cls, const std::function<void()>& open, bool qtDialog = false)
    {
        SCOPED_TRACE(WideToUtf8(cls));
        std::fprintf(stderr, "%s\n", WideToUtf8(cls).c_str());
        const QPoint caption = main->mapToGlobal(QPoint(8, 8));
        const QRgb activeCaption = ScreenPixel(caption);
        bool driven = false;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = nullptr;
            WaitFor("the modal window on top", [&] {
                dialog = FindWindow(cls);
                return dialog && dialog->isActiveWindow() && ShownOnScreen(dialog);
            });
            EXPECT_NE(main->isEnabled(), !qtDialog);
            const QRect over = dialog->frameGeometry();
            const QPoint beside = main->mapToGlobal(QPoint(30, main->height() - 20));
            ASSERT_FALSE(over.contains(beside));
            const int before = clicks.presses;
            Xdotool({"mousemove", std::to_string(beside.x()), std::to_string(beside.y()), "click", "1"});
            if (!qtDialog) WaitFor("the click on the main window", [&] { return clicks.presses > before; });
            WaitFor("the modal window on top again, with the keyboard", [&] {
                return dialog->isActiveWindow() && ShownOnScreen(dialog);
            });
            // The main window's caption shows that it waits (its repaint may
            // reach the screen after the modal window took the keyboard).
            WaitFor("the main window's caption faded", [&] { return ScreenPixel(caption) != activeCaption; });
            Xdotool({"key", "Escape"});
            driven = true;
        });
        open();
        EXPECT_TRUE(driven);
        EXPECT_TRUE(main->isEnabled());
        WaitFor("the main window back", [&] { return main->isActiveWindow() && ScreenPixel(caption) == activeCaption; });
    }

    CVXMMainFrameWnd* window = nullptr;
    QWidget* main = nullptr;
    CPressCounter clicks;
};

TEST_F(CModalWindows, EachStaysAboveTheMainWindowWhenItIsClickedAndTakesTheKeyboard)
{
    const HWND owner = window->GetHWND();
    CVXMSettings* settings = CVXMSettings::GetInstance();
    ClickBesideAndEscape(L"VXMOptionDlg", [&] { EXPECT_EQ(RunOptionsDialog(settings, owner, {}), 1); });
    ClickBesideAndEscape(L"VXMAboutDlg", [&] { RunAboutDialog(owner); });
    ClickBesideAndEscape(L"VXMBatchAddDlg", [&] { RunBatchAddDialog(owner); });
    ClickBesideAndEscape(L"VXMURLDlg", [&] { EXPECT_TRUE(RunURLDialog(owner, false).empty()); });
    ClickBesideAndEscape(L"VXMSelectDVDDlg", [&] { EXPECT_EQ(RunSelectDVDDialog(owner), L""); });
    ClickBesideAndEscape(L"VXMModuleUpdateDlg", [&] { EXPECT_EQ(RunModuleUpdateDialog(owner, {}), 2u); });
    ClickBesideAndEscape(L"VXMSoftwareUpdateDlg", [&] {
        EXPECT_EQ(RunSoftwareUpdateDialog(owner, CProgramVersion{9, 1, 0}, L"<b>Night café</b> release"), 2u);
    });
    ClickBesideAndEscape(L"VXMSelectFormatDlg", [&] {
        VXM_FORMAT_REQUEST request;
        request.title = L"東京の夜 2";
        VXM_FORMAT_RECORD format;
        format.quality = "720p";
        format.description = "1280x720";
        format.mediaType = L"video/mp4";
        request.formats.push_back(format);
        EXPECT_NE(RunSelectFormatDialog(owner, request), 0);
    });
    ClickBesideAndEscape(L"VXMDVDOpenDlg", [&] {
        CSlowDVDFile dvd;
        CDVDOpenDlgUI dialog(L"/dev/sr0", &dvd, nullptr);
        ASSERT_NE(dialog.Create(owner, L"VXMDVDOpenDlg", WS_POPUP | WS_VISIBLE, 0), nullptr);
        dialog.CenterWindow();
        dialog.ShowModal();
        dialog.JoinWorker();
        EXPECT_TRUE(dialog.WasCancelled());
    });
    ClickBesideAndEscape(L"VXMEditMusicDlg", [&] {
        auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        CSong song;
        CMediaListItemUI* row = pane->AddFileRow(-1, &song);
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(RunEditMusicDialog(row), 1);
        pane->GetMediaList()->RemoveAll();
    });
    ClickBesideAndEscape(L"VXMBurnWnd", [&] {
        vxmtest::CTempDir temp;
        SBurnJob job;
        job.tempFolder = Utf8ToWide(temp.File("work"));
        job.imagePath = Utf8ToWide(temp.File("disc.iso"));
        CBurnWindowUI burn(job, {}, nullptr);
        ASSERT_NE(burn.Create(owner, L"VXMBurnWnd", WS_POPUP | WS_VISIBLE, 0), nullptr);
        burn.CenterWindow();
        burn.ShowModal();
    });
}

// Qt's own message box: the main window's caption fades all the same.
TEST_F(CModalWindows, AMessageBoxStaysAboveTheMainWindowWhichShowsItWaits)
{
    CQtMessageBox boxes;
    ClickBesideAndEscape(L"QMessageBox", [&] {
        boxes.Show(window->GetHWND(), L"Café déjà vu.mp4 cannot be read.", L"Vexmora Professional", MB_OK | MB_ICONERROR);
    }, true);
}

}  // namespace
