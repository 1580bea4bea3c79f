// A real clip previewed in the main window's preview pane through the
// engine's player: the painted pane against what Debian's ffmpeg decodes at
// the same time, pause, seek, stop and a snapshot.
#include "IVXMMedia.h"
#include "MainPaneUI.h"
#include "MediaListUI.h"
#include "MediaPreviewUI.h"
#include "PreviewPaneUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/text.h"
#include "support/main_window_environment.h"
#include "support/test_media.h"
#include "FakeDesktop.h"
#include "MediaListItemUI.h"
#include "ui/UIProgress.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <QElapsedTimer>
#include <QImage>

#include <cmath>
#include <vector>
#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

using vxmtest::PumpPending;
using vxmtest::PumpUntil;

// A twelve-second clip whose colours turn once round the hue circle in its
// length (30 degrees a second): frames seconds apart differ plainly,
// neighbouring frames hardly, and no two places of the clip look alike. Long
// enough that a busy machine still pauses it seconds before its end.
constexpr double kClipSeconds = 12.0;

const std::string& HueClip()
{
    static const std::string path = [] {
        const std::string file = vxmtest::GetTestMedia().folder + "/Crépuscule d'été 12 s.mkv";
        if (!std::filesystem::exists(file)) {
            // Written under a name of this process and renamed whole: test
            // programs running side by side never read a half-written clip.
            const std::string part = file + "." + std::to_string(getpid()) + ".part";
            if (vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=12,hue=h=t*30", "-c:v",
                                    "mpeg4", "-q:v", "2", "-f", "matroska", part})) {
                std::error_code ec;
                std::filesystem::rename(part, file, ec);
            }
        }
        return file;
    }();
    return path;
}

// The pictures compared: small, so that a wait can compare the pane with
// every frame of the clip at each turn, however busy the machine.
constexpr int kCompareWidth = 40, kCompareHeight = 30;

// The frames Debian's ffmpeg decodes from the 25 fps clip, at the size they
// are compared. The clip is decoded whole once, into a folder of its own.
const std::vector<QImage>& Frames()
{
    static const std::vector<QImage> frames = [] {
        static vxmtest::CTempDir folder;
        std::vector<QImage> decoded;
        if (!vxmtest::RunFfmpeg({"-i", HueClip(), folder.File("frame_%03d.png")})) return decoded;
        for (int n = 1;; ++n) {
            char name[32];
            std::snprintf(name, sizeof name, "frame_%03d.png", n);
            const QImage frame(QString::fromStdString(folder.File(name)));
            if (frame.isNull()) break;
            decoded.push_back(frame.convertToFormat(QImage::Format_RGB32)
                                  .scaled(kCompareWidth, kCompareHeight, Qt::IgnoreAspectRatio,
                                          Qt::SmoothTransformation));
        }
        return decoded;
    }();
    return frames;
}

QImage DecodeAt(double seconds)
{
    const long index = std::lround(seconds * 25.0);
    return index < 0 || index >= static_cast<long>(Frames().size()) ? QImage() : Frames()[index];
}

// The part of the painted picture that is not border.
QRect PictureRect(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            if (qRed(p) + qGreen(p) + qBlue(p) > 90) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Mean absolute difference per channel of two pictures of the same size.
double Difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull()) return 255.0;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The painted picture without its border, at the size frames are compared;
// null when the pane shows no picture.
QImage Shown(const QImage& painted)
{
    const QRect rect = PictureRect(painted);
    if (rect.width() < 40 || rect.height() < 30) return QImage();
    return painted.copy(rect).convertToFormat(QImage::Format_RGB32)
        .scaled(kCompareWidth, kCompareHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// How far the painted picture is from a decoded frame.
double DifferenceToFrame(const QImage& painted, const QImage& frame)
{
    const QImage shown = Shown(painted);
    return shown.isNull() || frame.isNull() ? 255.0 : Difference(shown, frame);
}

// The index of the clip's frame a picture (at the compared size) is most
// like; -1 for none.
int ClosestFrame(const QImage& picture, double* smallest = nullptr)
{
    int closest = -1;
    double least = 255.0;
    for (size_t n = 0; n < Frames().size() && !picture.isNull(); ++n)
        if (const double d = Difference(picture, Frames()[n]); d < least) {
            least = d;
            closest = static_cast<int>(n);
        }
    if (smallest) *smallest = least;
    return closest;
}

// How many frames the clip's frame that the painted picture is most like
// lies from a position; 1000 when no picture is painted. The player's clock
// and its screen may be a frame or two apart, and its colours are not
// ffmpeg's to the digit: the picture is judged by the frame it is closest to.
long FramesOff(const QImage& painted, double seconds)
{
    const int closest = ClosestFrame(Shown(painted));
    return closest < 0 ? 1000 : std::abs(closest - std::lround(seconds * 25.0));
}

double MeanLevel(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            sum += (qRed(p) + qGreen(p) + qBlue(p)) / 3.0;
        }
    return image.isNull() ? 255.0 : sum / (image.width() * image.height());
}

class CPreviewPlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Decoded before anything plays: the clip would run on meanwhile.
        ASSERT_FALSE(Frames().empty());
        settings = CVXMSettings::GetInstance();
        settings->SnapshotFolder = Utf8ToWide(temp.Path());
        window = new CVXMMainFrameWnd(L"");
        ASSERT_NE(window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655),
                  nullptr);
        window->ShowWindow(true);
        auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
        ASSERT_NE(pane, nullptr);
        preview = pane->GetPreviewPane();
        ASSERT_NE(preview, nullptr);
        ASSERT_NE(preview->GetPreviewControl(), nullptr);
        media = CreateVXMMediaObject(nullptr);
        media->SetSourcePath(Utf8ToWide(HueClip()));
        ASSERT_EQ(media->Probe(), 0);
        pane->AddMedia(media, -1, 0);
        // The list selects its first row, and the preview takes its media.
        ASSERT_TRUE(PumpUntil([&] { return preview->GetMedia() == media; }));
    }
    void TearDown() override
    {
        if (window) window->DestroyWindow();
        PumpPending();
    }
    QImage Painted() { return window->GetPaintManager()->RenderToImage(preview->GetPreviewControl()); }
    // Waits until the player took the pause: its position and the pane's
    // picture hold for a fifth of a second (five frames of the clip).
    void WaitUntilPaused()
    {
        double last = -1.0;
        QImage shown;
        QElapsedTimer still;
        PumpUntil([&] {
            const double now = media->GetPreviewPosition();
            QImage picture = Painted();
            if (now != last || picture != shown) {
                last = now;
                shown = std::move(picture);
                still.restart();
                return false;
            }
            return still.elapsed() >= 200;
        });
    }
    // Waits for the player to reach a position and the pane to show a picture.
    bool PlayingPast(double seconds)
    {
        return PumpUntil([&] { return preview->GetPreviewControl()->Pixels()->HasPicture() &&
                                      media->GetPreviewPosition() >= seconds; });
    }
    void Press(const wchar_t* name)
    {
        CControlUI* button = window->GetPaintManager()->FindControl(name);
        ASSERT_NE(button, nullptr);
        TEventUI event;
        event.Type = UIEVENT_BUTTONDOWN;
        event.pSender = button;
        event.ptMouse = POINT{(button->GetPos().left + button->GetPos().right) / 2,
                              (button->GetPos().top + button->GetPos().bottom) / 2};
        button->Event(event);
    }

    vxmtest::CTempDir temp;
    CFakeDesktop desktop;
    CVXMSettings* settings = nullptr;
    CVXMMainFrameWnd* window = nullptr;
    CPreviewPaneUI* preview = nullptr;
    IVXMMedia* media = nullptr;
};

TEST_F(CPreviewPlayTest, TheClipPlaysInThePaneAsFfmpegDecodesItAndPausesSeeksAndStops)
{
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_TRUE(PlayingPast(1.0));

    // Paused: the picture is the frame of the position and stays.
    Press(L"ID_BUTTON_PREVIEW_PAUSE");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PAUSED);
    WaitUntilPaused();
    const double pausedAt = media->GetPreviewPosition();
    const QImage paused = Painted();
    EXPECT_LE(FramesOff(paused, pausedAt), 6) << "at " << pausedAt;
    EXPECT_GT(DifferenceToFrame(paused, DecodeAt(pausedAt + 5.0)), 40.0);
    PumpPending();
    EXPECT_LT(Difference(Painted(), paused), 1.0);
    EXPECT_NEAR(media->GetPreviewPosition(), pausedAt, 0.05);

    // A seek to 60 % of the clip, playing again: the picture follows (the
    // position moves first; a busy decoder shows the new place a little later).
    // Nearly five seconds are left to play, for a busy machine to pause in.
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    preview->Seek(600);
    const long target = std::lround(0.6 * kClipSeconds * 25.0);
    ASSERT_TRUE(PumpUntil([&] { return ClosestFrame(Shown(Painted())) >= target - 1; }));
    Press(L"ID_BUTTON_PREVIEW_PAUSE");
    WaitUntilPaused();
    const double seekedAt = media->GetPreviewPosition();
    EXPECT_GE(seekedAt, (target - 1) / 25.0);
    const QImage seeked = Painted();
    EXPECT_LE(FramesOff(seeked, seekedAt), 6) << "at " << seekedAt;
    EXPECT_GT(DifferenceToFrame(seeked, DecodeAt(pausedAt)), 40.0);

    // Stopped: black again, and the window the player drew into is gone.
    Press(L"ID_BUTTON_PREVIEW_STOP");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED);
    EXPECT_LT(MeanLevel(Painted()), 30.0);
    ASSERT_TRUE(PumpUntil([&] { return preview->GetPreviewControl()->GetPreviewWindow() == nullptr; }));
    EXPECT_LT(MeanLevel(Painted()), 30.0);
    EXPECT_EQ(media->GetPreviewState(), 0);
}

TEST_F(CPreviewPlayTest, APausedSeekShowsThePictureOfTheNewPlaceAndStaysPaused)
{
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    ASSERT_TRUE(PlayingPast(1.0));
    Press(L"ID_BUTTON_PREVIEW_PAUSE");
    ASSERT_EQ(preview->GetPlayState(), PREVIEW_PAUSED);
    WaitUntilPaused();
    const double pausedAt = media->GetPreviewPosition();

    // The slider still moves while paused: dragged to the middle. The pane
    // shows the frame there, the clock stands at it, and nothing plays on.
    auto* slider = dynamic_cast<CSliderUI*>(window->GetPaintManager()->FindControl(L"ID_SLIDER_PREVIEW"));
    ASSERT_TRUE(slider && slider->IsEnabled());
    slider->SetValue(500);
    window->GetPaintManager()->SendNotify(slider, L"valuechanged");
    const double middle = kClipSeconds / 2;
    ASSERT_TRUE(PumpUntil([&] { return FramesOff(Painted(), middle) <= 6; }));
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= middle - 0.05; }));
    // The slider follows the position the player reports.
    ASSERT_TRUE(PumpUntil([&] { return std::abs(slider->GetValue() - 500) <= 5; }));
    const double at = media->GetPreviewPosition();
    const QImage seeked = Painted();
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PAUSED);
    EXPECT_NEAR(at, middle, 0.05);
    EXPECT_LE(FramesOff(seeked, at), 6) << "at " << at;
    EXPECT_GT(DifferenceToFrame(seeked, DecodeAt(pausedAt)), 40.0);
    const QImage screen = window->GetPaintManager()->RenderToImage(window->GetPaintManager()->GetRoot());
    EXPECT_TRUE(screen.save(QStringLiteral(VXM_SCREENSHOT_DIR "/preview_paused_seek.png")));
    // A fifth of a second, five frames of the clip, would move a playing clip on.
    QElapsedTimer held;
    held.start();
    PumpUntil([&] { return held.elapsed() >= 200; });
    EXPECT_EQ(media->GetPreviewPosition(), at);
    EXPECT_LT(Difference(Shown(Painted()), Shown(seeked)), 1.0);

    // Play goes on from there.
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= at + 0.3; }));
    ASSERT_TRUE(PumpUntil([&] { return ClosestFrame(Shown(Painted())) > std::lround(at * 25.0) + 2; }));
    preview->Stop();
}

TEST_F(CPreviewPlayTest, AClipPlayedToItsEndLeavesThePaneStoppedAfterAPauseToo)
{
    // Each time the end of the run is heard the pane stops, however soon
    // after the player's last picture the UI thread hears it.
    for (int round = 0; round < 3; ++round) {
        Press(L"ID_BUTTON_PREVIEW_PLAY");
        ASSERT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
        ASSERT_TRUE(PlayingPast(0.2));
        Press(L"ID_BUTTON_PREVIEW_PAUSE");
        WaitUntilPaused();
        preview->Seek(950);
        Press(L"ID_BUTTON_PREVIEW_PLAY");
        ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewState() == 0; }));
        PumpPending();
        EXPECT_EQ(preview->GetPlayState(), PREVIEW_STOPPED) << "round " << round;
        if (preview->GetPlayState() != PREVIEW_STOPPED) break;
        EXPECT_EQ(preview->GetPreviewControl()->GetPreviewWindow(), nullptr);
    }
}

TEST_F(CPreviewPlayTest, ADoubleClickOnARowsNamePlaysItInThePreview)
{
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    CMediaListItemUI* row = pane->GetMediaList()->GetMediaItem(0);
    ASSERT_NE(row, nullptr);
    CControlUI* name = row->FindSubControl(L"ID_LABEL_ITEM_SHORT_NAME");
    ASSERT_TRUE(name && name->IsVisible());
    ASSERT_TRUE(PumpUntil([&] { return name->GetPos().right > name->GetPos().left; }));
    vxmtest::DoubleClickAt(window->GetWidget(), name->GetPos());
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_TRUE(PlayingPast(0.5));
    preview->Stop();
}

TEST_F(CPreviewPlayTest, ASnapshotIsAPngOfTheFrameBeingShown)
{
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    ASSERT_TRUE(PlayingPast(1.0));
    // The frame the pane shows when the snapshot is asked for (a busy
    // machine shows it a little after the player's clock).
    const int shown = ClosestFrame(Shown(Painted()));
    Press(L"ID_BUTTON_PREVIEW_SNAPSHOT");
    EXPECT_EQ(preview->GetSnapshotCount(), 1);
    EXPECT_EQ(window->GetPaintManager()->FindControl(L"ID_BUTTON_PREVIEW_SNAPSHOT")->GetText(), L"1");
    // Once written whole, the snapshot reads as a picture.
    QImage snapshot;
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& entry : std::filesystem::directory_iterator(temp.Path()))
            if (entry.path().extension() == ".png") snapshot = QImage(QString::fromStdString(entry.path().string()));
        return !snapshot.isNull();
    }));
    EXPECT_EQ(snapshot.size(), QSize(160, 120));
    snapshot = snapshot.convertToFormat(QImage::Format_RGB32)
                   .scaled(kCompareWidth, kCompareHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // That frame, or one the player showed after it until the snapshot was
    // taken (its position now, and the decoder a little ahead of the screen).
    double difference = 255.0;
    const int taken = ClosestFrame(snapshot, &difference);
    EXPECT_LT(difference, 12.0);
    EXPECT_GE(taken, shown - 1);
    EXPECT_LE(taken, std::lround((media->GetPreviewPosition() + 0.5) * 25.0));
    preview->Stop();
}

}  // namespace
