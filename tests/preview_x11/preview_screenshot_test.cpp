// The Convert page under a real X server with a clip previewing: the window
// as the screen shows it, kept in the build's screenshot folder. SDL picks its
// video driver as in a user's session, and no window of its own appears.
#include "IVXMMedia.h"
#include "MainPaneUI.h"
#include "MediaListItemUI.h"
#include "MediaListUI.h"
#include "MediaPreviewUI.h"
#include "PreviewPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QWidget>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

namespace {

const bool g_drivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

// The viewable windows straight under the root window.
std::set<std::string> VisibleTopLevelWindows()
{
    std::string output;
    vxmtest::RunProgram({"xdotool", "search", "--onlyvisible", "--maxdepth", "1", ""}, &output);
    std::set<std::string> ids;
    std::istringstream lines(output);
    for (std::string id; lines >> id;) ids.insert(id);
    return ids;
}

// SDL_VIDEODRIVER unset, as in a user's session, for one test.
class CNoVideoDriverSet {
public:
    CNoVideoDriverSet()
    {
        if (const char* v = getenv("SDL_VIDEODRIVER")) m_saved = v;
        unsetenv("SDL_VIDEODRIVER");
    }
    ~CNoVideoDriverSet()
    {
        if (!m_saved.empty()) setenv("SDL_VIDEODRIVER", m_saved.c_str(), 1);
    }

private:
    std::string m_saved;
};

// The main window, shown; destroyed at the end of the test, also after a
// failed assertion.
struct CShownMainWindow {
    CShownMainWindow()
    {
        if (window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655)) {
            window->ShowWindow(true);
            pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        }
    }
    ~CShownMainWindow()
    {
        window->DestroyWindow();
        vxmtest::PumpPending();
    }
    CVXMMainFrameWnd* window = new CVXMMainFrameWnd(L"");
    CMainPaneUI* pane = nullptr;
};

double MeanLevel(const QImage& image, const QRect& rect)
{
    double sum = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x) {
            QRgb p = image.pixel(x, y);
            sum += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
        }
    return sum / std::max(1, rect.width() * rect.height());
}

TEST(PreviewScreenshot, TheConvertPageWithAClipPreviewing)
{
    CNoVideoDriverSet driver;
    vxmtest::CTempDir temp;
    const std::string clip = temp.File("aperçu 預覽 🎬.mkv");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 5.0, 320, 180));
    CFakeDesktop desktop;
    CShownMainWindow shown;
    ASSERT_NE(shown.pane, nullptr);
    CVXMMainFrameWnd* window = shown.window;
    CMainPaneUI* pane = shown.pane;
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    ASSERT_NE(preview, nullptr);
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(clip));
    ASSERT_EQ(media->Probe(), 0);
    pane->AddMedia(media, -1, 0);
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return preview->GetMedia() == media; }));
    vxmtest::PumpPending();
    const std::set<std::string> before = VisibleTopLevelWindows();
    ASSERT_FALSE(before.empty()) << "xdotool sees no window of the program";

    preview->Play(nullptr);
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return media->GetPreviewPosition() >= 1.5; }));
    preview->PauseIfPlaying();
    vxmtest::PumpPending();

    QWidget* widget = window->GetWidget();
    ASSERT_NE(widget, nullptr);
    const QImage shot = widget->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/convert_preview.png")));
    // The picture on the screen is the clip, not the black of an empty preview.
    const RECT& rc = preview->GetPreviewControl()->GetPos();
    EXPECT_GT(MeanLevel(shot, QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top)), 50.0);
    // The screen holds the program's windows alone.
    EXPECT_TRUE(QGuiApplication::primaryScreen()->grabWindow(0).save(
        QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/convert_preview_screen.png")));
    std::set<std::string> added;
    for (const std::string& id : VisibleTopLevelWindows())
        if (!before.count(id)) added.insert(id);
    EXPECT_TRUE(added.empty()) << added.size() << " window(s) appeared with the preview, first " << *added.begin();

    preview->Stop();
}

// Rows of a phone's clip stored on its side and of a clip one second long:
// each shows its thumbnail, the portrait one upright in its shape between
// black bars, the short one its first picture.
TEST(PreviewScreenshot, RowsOfAPortraitAndAOneSecondClipShowTheirThumbnails)
{
    vxmtest::CTempDir temp;
    const std::string stored = temp.File("stored.mp4"), portrait = temp.File("Café portrait 東京.mp4"),
                      second = temp.File("Café one second.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(stored, 3.0, 320, 180));
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-i", stored, "-c", "copy", "-metadata:s:v:0", "rotate=90", portrait}));
    ASSERT_TRUE(vxmtest::MakeVideoClip(second, 1.0, 320, 180));
    CFakeDesktop desktop;
    CShownMainWindow shown;
    ASSERT_NE(shown.pane, nullptr);
    CVXMMainFrameWnd* window = shown.window;
    CMainPaneUI* pane = shown.pane;
    for (const std::string& clip : {portrait, second}) {
        IVXMMedia* media = CreateVXMMediaObject(nullptr);
        media->SetSourcePath(Utf8ToWide(clip));
        ASSERT_EQ(media->Probe(), 0);
        pane->AddMedia(media, -1, 0);
    }
    CMediaListUI* list = pane->GetMediaList();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(vxmtest::PumpUntil([&] {
        return list->GetMediaItem(0) && list->GetMediaItem(1) && !list->GetMediaItem(0)->GetShownImage().empty() &&
               !list->GetMediaItem(1)->GetShownImage().empty();
    }));
    vxmtest::PumpPending();
    const QImage upright(QString::fromStdWString(list->GetMediaItem(0)->GetShownImage()));
    const QImage first(QString::fromStdWString(list->GetMediaItem(1)->GetShownImage()));
    ASSERT_EQ(upright.size(), QSize(58, 38));
    ASSERT_EQ(first.size(), QSize(58, 38));
    // 180x320 shown in 38 rows is 21 columns wide: bars of 18 on each side.
    EXPECT_LT(MeanLevel(upright, QRect(0, 0, 16, 38)), 2.0);
    EXPECT_LT(MeanLevel(upright, QRect(42, 0, 16, 38)), 2.0);
    EXPECT_GT(MeanLevel(upright, QRect(20, 0, 18, 38)), 50.0);
    EXPECT_GT(MeanLevel(first, QRect(0, 0, 58, 38)), 50.0);
    const RECT& rc = list->GetPos();
    const QPixmap rows = window->GetWidget()->grab(QRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top));
    EXPECT_TRUE(rows.save(QString::fromStdString(std::string(VXM_SCREENSHOT_DIR) + "/thumbs_portrait.png")));
    list->RemoveAll();
}

}  // namespace
