// The Convert page under a real X server with a clip previewing: the window
// as the screen shows it, kept in the build's screenshot folder.
#include "IVXMMedia.h"
#include "MainPaneUI.h"
#include "MediaPreviewUI.h"
#include "PreviewPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "FakeDesktop.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <cstdlib>
#include <filesystem>

namespace {

const bool g_drivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
[[maybe_unused]] const bool g_env = vxmtest::RegisterMainWindowEnvironment(true, false);

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
    vxmtest::CTempDir temp;
    const std::string clip = temp.File("preview.mkv");
    ASSERT_TRUE(vxmtest::MakeVideoClip(clip, 5.0, 320, 180));
    CFakeDesktop desktop;
    auto* window = new CVXMMainFrameWnd(L"");
    ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
              nullptr);
    window->ShowWindow(true);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    ASSERT_NE(pane, nullptr);
    CPreviewPaneUI* preview = pane->GetPreviewPane();
    ASSERT_NE(preview, nullptr);
    IVXMMedia* media = CreateVXMMediaObject(nullptr);
    media->SetSourcePath(Utf8ToWide(clip));
    ASSERT_EQ(media->Probe(), 0);
    pane->AddMedia(media, -1, 0);
    ASSERT_TRUE(vxmtest::PumpUntil([&] { return preview->GetMedia() == media; }));

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

    preview->Stop();
    window->DestroyWindow();
    vxmtest::PumpPending();
}

}  // namespace
