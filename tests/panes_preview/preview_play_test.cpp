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

// A clip whose colours turn 60 degrees of hue per second: frames a second
// apart differ plainly, neighbouring frames hardly.
const std::string& HueClip()
{
    static const std::string path = [] {
        const std::string file = vxmtest::GetTestMedia().folder + "/preview_hue.mkv";
        if (!std::filesystem::exists(file)) {
            // Written under a name of this process and renamed whole: test
            // programs running side by side never read a half-written clip.
            const std::string part = file + "." + std::to_string(getpid()) + ".part";
            if (vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=6,hue=h=t*60", "-c:v",
                                    "mpeg4", "-q:v", "2", "-f", "matroska", part})) {
                std::error_code ec;
                std::filesystem::rename(part, file, ec);
            }
        }
        return file;
    }();
    return path;
}

// The frame Debian's ffmpeg decodes at `seconds` of the 25 fps hue clip. The
// clip is decoded whole once, into a folder of its own: the waits below
// compare the pane with its frames again and again, and must keep up with
// the playing clip.
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
            decoded.push_back(frame.convertToFormat(QImage::Format_RGB32));
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

// The painted picture against the frames around a position: the player's
// clock and its screen may be a frame or two apart.
double DifferenceAround(const QImage& painted, double seconds);

// How far the painted picture is from a decoded frame, scaled to the same place.
double DifferenceToFrame(const QImage& painted, const QImage& frame)
{
    QRect rect = PictureRect(painted);
    if (rect.width() < 40 || rect.height() < 30 || frame.isNull()) return 255.0;
    QImage shown = painted.copy(rect).convertToFormat(QImage::Format_RGB32);
    QImage expected = frame.scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return Difference(shown.scaled(40, 30), expected.scaled(40, 30));
}

double DifferenceAround(const QImage& painted, double seconds)
{
    double best = 255.0;
    // On the frame grid of the 25 fps clip, so that the decoded frames are met again.
    const double at = std::round(seconds * 25.0) / 25.0;
    for (double t = std::max(0.0, at - 0.24); t <= at + 0.24; t += 0.08)
        best = std::min(best, DifferenceToFrame(painted, DecodeAt(t)));
    return best;
}

// The index of the clip's frame a picture is most like, by `difference`.
int ClosestFrame(const std::function<double(const QImage&)>& difference, double* smallest = nullptr)
{
    int closest = -1;
    double least = 255.0;
    for (size_t n = 0; n < Frames().size(); ++n)
        if (const double d = difference(Frames()[n]); d < least) {
            least = d;
            closest = static_cast<int>(n);
        }
    if (smallest) *smallest = least;
    return closest;
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
    EXPECT_LT(DifferenceAround(paused, pausedAt), 15.0) << "at " << pausedAt;
    EXPECT_GT(DifferenceToFrame(paused, DecodeAt(pausedAt + 2.5)), 40.0);
    PumpPending();
    EXPECT_LT(Difference(Painted(), paused), 1.0);
    EXPECT_NEAR(media->GetPreviewPosition(), pausedAt, 0.05);

    // A seek to 60 % of the clip, playing again: the picture follows (the
    // position moves first; a busy decoder shows the new place a little later).
    // More than two seconds are left to play, for a busy machine to pause in.
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    preview->Seek(600);
    const auto shownFrame = [&] {
        const QImage painted = Painted();
        return ClosestFrame([&](const QImage& frame) { return DifferenceToFrame(painted, frame); });
    };
    ASSERT_TRUE(PumpUntil([&] { return shownFrame() >= std::lround(3.55 * 25); }));
    Press(L"ID_BUTTON_PREVIEW_PAUSE");
    WaitUntilPaused();
    const double seekedAt = media->GetPreviewPosition();
    EXPECT_GE(seekedAt, 3.55);
    const QImage seeked = Painted();
    EXPECT_LT(DifferenceAround(seeked, seekedAt), 15.0) << "at " << seekedAt;
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

    // The slider still moves while paused: dragged to 80 %.
    auto* slider = dynamic_cast<CSliderUI*>(window->GetPaintManager()->FindControl(L"ID_SLIDER_PREVIEW"));
    ASSERT_TRUE(slider && slider->IsEnabled());
    slider->SetValue(800);
    window->GetPaintManager()->SendNotify(slider, L"valuechanged");
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= 4.7; }));
    // Settled: the position and the picture hold, and the picture is the one there.
    WaitUntilPaused();
    const double at = media->GetPreviewPosition();
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PAUSED);
    EXPECT_LT(at, 5.6);
    EXPECT_LT(DifferenceAround(Painted(), at), 15.0) << "at " << at;
    EXPECT_GT(slider->GetValue(), 750);

    // Play goes on from there.
    Press(L"ID_BUTTON_PREVIEW_PLAY");
    EXPECT_EQ(preview->GetPlayState(), PREVIEW_PLAYING);
    ASSERT_TRUE(PumpUntil([&] { return media->GetPreviewPosition() >= at + 0.3; }));
    preview->Stop();
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
    const int shown = ClosestFrame([&](const QImage& frame) { return DifferenceToFrame(Painted(), frame); });
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
    snapshot = snapshot.convertToFormat(QImage::Format_RGB32).scaled(40, 30);
    // That frame, or one the player showed after it until the snapshot was
    // taken (its position now, and the decoder a little ahead of the screen).
    double difference = 255.0;
    const int taken = ClosestFrame([&](const QImage& frame) {
        return Difference(snapshot, frame.scaled(40, 30));
    }, &difference);
    EXPECT_LT(difference, 12.0);
    EXPECT_GE(taken, shown - 1);
    EXPECT_LE(taken, std::lround((media->GetPreviewPosition() + 0.5) * 25.0));
    preview->Stop();
}

}  // namespace
