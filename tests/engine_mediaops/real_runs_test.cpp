// Probe, thumbnail and preview of the test clips with the real tools.
#include "VXMMediaImpl.h"
#include "ffplay.h"
#include "mediaops_support.h"
#include "support/test_media.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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
