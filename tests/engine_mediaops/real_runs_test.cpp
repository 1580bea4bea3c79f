// Probe, thumbnail and preview of the test clips with the real tools.
#include "VXMMediaImpl.h"
#include "ffplay.h"
#include "mediaops_support.h"
#include "platform/text.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <thread>

using namespace mediaopstest;

namespace {

TEST(RealRuns, ProbeFillsDurationAndStreams)
{
    CVXMMediaImpl media;
    media.SetSourcePath(W(vxmtest::GetTestMedia().mp4));
    ASSERT_EQ(media.Probe(), 0);
    EXPECT_NEAR(media.m_nDuration, 2000, 100);
    EXPECT_EQ(media.GetVideoStreamCount(), 1);
    EXPECT_EQ(media.GetAudioTrackCount(), 1);
    EXPECT_EQ(media.m_pProbeRunner, nullptr);
}

TEST(RealRuns, ProbeOfACorruptFileFails)
{
    CVXMMediaImpl media;
    media.SetSourcePath(W(vxmtest::GetTestMedia().folder + "/nothing-here.mp4"));
    EXPECT_NE(media.Probe(), 0);
}

TEST(RealRuns, APipeIsRefusedAtOnceInsteadOfWaitingForAWriter)
{
    vxmtest::CTempDir dir;
    const std::string fifo = dir.File("clip.mp4");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CVXMMediaImpl media;
    media.SetSourcePath(W(fifo));
    // A probe that waits for a writer never returns: the test's time-out fails it.
    EXPECT_NE(media.Probe(), 0);
}

TEST(RealRuns, ThumbnailIsWrittenAndDecodable)
{
    vxmtest::CTempDir dir;
    CVXMMediaImpl media;
    media.SetSourcePath(W(vxmtest::GetTestMedia().mp4));
    ASSERT_EQ(media.Probe(), 0);
    const std::string thumb = dir.File("thumb.jpg");
    media.SetThumbnailPath(W(thumb));
    // Asked past the end of the 2-second clip: taken inside it all the same.
    ASSERT_EQ(media.MakeThumbnail(30, 80, 60), 0);
    ASSERT_TRUE(std::filesystem::exists(thumb));
    std::string out;
    ASSERT_EQ(vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of",
                                   "csv=p=0", thumb},
                                  &out),
              0);
    EXPECT_EQ(out.substr(0, 5), "80,60");
    // A second thumbnail replaces the program's own file.
    ASSERT_EQ(media.MakeThumbnail(1, 0, 0), 0);
    out.clear();
    vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "stream=width,height", "-of", "csv=p=0", thumb},
                        &out);
    EXPECT_EQ(out.substr(0, 5), "60,40");
}

// The red, green and blue of the picture's centre, read back by Debian's ffmpeg.
std::vector<int> CentrePixel(const vxmtest::CTempDir& dir, const std::string& picture)
{
    const std::string raw = dir.File("centre.rgb");
    if (!vxmtest::RunFfmpeg({"-i", picture, "-vf", "crop=2:2", "-f", "rawvideo", "-pix_fmt", "rgb24", raw})) return {};
    std::ifstream in(raw, std::ios::binary);
    unsigned char rgb[3] = {};
    if (!in.read(reinterpret_cast<char*>(rgb), 3)) return {};
    return {rgb[0], rgb[1], rgb[2]};
}

TEST(RealRuns, AThumbnailShowsTheFrameAtTheSeekPoint)
{
    vxmtest::CTempDir dir;
    // Red for two seconds, then blue: one key frame at the start, so the
    // blue frame is decoded past the frames before it.
    const std::string clip = dir.File("東京の夜 2.mkv");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i",
                                    "color=c=red:s=160x120:r=25:d=4,drawbox=c=blue:t=fill:enable='gte(t,2)'",
                                    "-c:v", "libx264", "-x264-params", "keyint=250:scenecut=0", "-pix_fmt", "yuv420p", clip}));
    CVXMMediaImpl media;
    media.SetSourcePath(Utf8ToWide(clip));
    ASSERT_EQ(media.Probe(), 0);
    const std::string thumb = dir.File("東京の夜 2.png");
    media.SetThumbnailPath(Utf8ToWide(thumb));
    for (const auto& [seconds, colour] : {std::pair{2, std::vector<int>{0, 0, 255}}, std::pair{0, std::vector<int>{255, 0, 0}}}) {
        ASSERT_EQ(media.MakeThumbnail(seconds, 58, 38), 0) << seconds;
        const std::vector<int> pixel = CentrePixel(dir, thumb);
        ASSERT_EQ(pixel.size(), 3u);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(pixel[i], colour[i], 24) << "at " << seconds << " s, channel " << i;
    }
}

TEST(RealRuns, ASourceWithoutPictureGivesNoThumbnail)
{
    vxmtest::CTempDir dir;
    const std::string song = dir.File("Café déjà vu.m4a");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "lavfi", "-i", "sine=d=2", "-c:a", "aac", song}));
    CVXMMediaImpl media;
    media.SetSourcePath(Utf8ToWide(song));
    ASSERT_EQ(media.Probe(), 0);
    const std::string thumb = dir.File("Café.png");
    media.SetThumbnailPath(Utf8ToWide(thumb));
    EXPECT_NE(media.MakeThumbnail(1, 58, 38), 0);
    EXPECT_FALSE(std::filesystem::exists(thumb));
}

TEST(RealRuns, PreviewStartsReportsAndStops)
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    CRecordingWindow window;
    CVXMMediaImpl media;
    media.SetSourcePath(W(vxmtest::GetTestMedia().mp4));
    ASSERT_EQ(media.Probe(), 0);
    ASSERT_EQ(media.StartPreview(window.Get()), 0);
    EXPECT_NE(media.GetPreviewState(), 0);
    // The player takes events once it has opened the clip.
    while (!ffplay_status().running)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(ffplay_status().running);
    media.SetPreviewVolume(50);
    media.TogglePreviewPause();
    bool paused = false;
    while (!paused) {
        paused = ffplay_status().paused != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(paused);
    media.TogglePreviewPause();
    media.SeekPreview(1.0f);
    media.StopPreview();
    EXPECT_EQ(media.GetPreviewState(), 0);
    EXPECT_EQ(media.m_pPreviewRunner, nullptr);
    EXPECT_TRUE(window.WaitFor(WM_VXM_PLAY_FINISHED));
}

TEST(RealRuns, ANameThatLooksLikeAProtocolIsAFile)
{
    // As a protocol, "concat:a.mp4|b.mp4" would read a.mp4 (audio only) and
    // b.mp4 (missing); as the file it is, it holds the video clip.
    vxmtest::CTempDir dir;
    std::filesystem::copy_file(vxmtest::GetTestMedia().mp3, dir.File("a.mp4"));
    std::filesystem::copy_file(vxmtest::GetTestMedia().mp4, dir.File("concat:a.mp4|b.mp4"));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    CVXMMediaImpl media;
    media.SetSourcePath(W("concat:a.mp4|b.mp4"));
    const int probed = media.Probe();
    const int videos = media.GetVideoStreamCount();
    media.SetThumbnailPath(W(dir.File("thumb.jpg")));
    const int thumbnail = media.MakeThumbnail(1, 80, 60);
    std::filesystem::current_path(before);
    EXPECT_EQ(probed, 0);
    EXPECT_EQ(videos, 1);
    EXPECT_EQ(thumbnail, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.File("thumb.jpg")));
}

}  // namespace
