// A running conversion under the job runner's control: progress, pause and
// resume through the media object's event, stop through the stop word.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "VXMJobType.h"
#include "VXMMediaImpl.h"
#include "platform/text.h"
#include "run_support.h"
#include "support/test_media.h"

using namespace runtest;
using namespace std::chrono_literals;

namespace {

// Records the runner's position at every progress report.
class CRecordingMedia : public CVXMMediaImpl {
public:
    void ReportProgress(int who) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_who.push_back(who);
        m_positions.push_back(m_runner ? m_runner->m_dCurrentTime.load() : -1);
    }
    CCmdFFplay* m_runner = nullptr;
    std::mutex m_lock;
    std::vector<double> m_positions;
    std::vector<int> m_who;
};

const std::string& LongClip()
{
    static std::string path = [] {
        static vxmtest::CTempDir dir;
        std::string p = dir.File("long.mp4");
        vxmtest::MakeVideoClip(p, 8.0, 320, 240);
        return p;
    }();
    return path;
}

uintmax_t FileSize(const std::string& p)
{
    std::error_code ec;
    auto s = std::filesystem::file_size(p, ec);
    return ec ? 0 : s;
}

// A slow encode so that the run is still going when the test acts.
std::string SlowLine(const std::string& out)
{
    return "-y -i " + Q(LongClip()) + " -vcodec libx264 -preset veryslow -acodec aac " + Q(out);
}

}  // namespace

TEST(RunControl, ProgressRisesToTheEndOfTheOutput)
{
    vxmtest::CTempDir dir;
    CRecordingMedia media;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    media.m_runner = &runner;
    ASSERT_EQ(RunTranscode(runner, "-y -i " + Q(LongClip()) + " -vcodec libx264 -acodec aac " + Q(dir.File("p.mp4"))),
              0);
    ASSERT_FALSE(media.m_positions.empty());
    for (size_t i = 1; i < media.m_positions.size(); i++)
        EXPECT_GE(media.m_positions[i], media.m_positions[i - 1]) << "report " << i;
    for (int who : media.m_who) EXPECT_EQ(who, 2);
    auto streams = Probe(dir.File("p.mp4"));
    ASSERT_FALSE(streams.empty());
    // The last report stands at the end of the output: 1000 per mille.
    double length = 0;
    for (auto& s : streams) length = std::max(length, s.duration);
    EXPECT_EQ(static_cast<int>(media.m_positions.back() / length * 1000 + 0.5), 1000);
}

TEST(RunControl, ThumbnailAndSubtitlePassesReportNoProgress)
{
    vxmtest::CTempDir dir;
    CRecordingMedia media;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    runner.m_bTrackPosition = 0;
    media.m_runner = &runner;
    ASSERT_EQ(RunTranscode(runner, "-y -i " + Q(vxmtest::GetTestMedia().mp4) + " -vframes 1 -f image2 " +
                                       Q(dir.File("t.jpg"))),
              0);
    EXPECT_TRUE(media.m_positions.empty());
    EXPECT_DOUBLE_EQ(runner.m_dCurrentTime.load(), 0.2);
}

TEST(RunControl, PauseHoldsTheOutputStillAndResumeFinishesIt)
{
    vxmtest::CTempDir dir;
    CRecordingMedia media;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    const std::string out = dir.File("paused.mp4");
    std::atomic<int> code{-100};
    std::thread worker([&] { code = RunTranscode(runner, SlowLine(out)); });
    while (FileSize(out) == 0) std::this_thread::sleep_for(10ms);
    media.m_hPauseEvent->Reset();
    // The step under way ends, then the run waits at the pause.
    while (!runner.m_bPauseHeld.load()) std::this_thread::sleep_for(10ms);
    const auto held = FileSize(out);
    const double position = runner.m_dCurrentTime.load();
    // A second of the encode would add to the output: nothing does.
    std::this_thread::sleep_for(1000ms);
    EXPECT_EQ(FileSize(out), held);
    EXPECT_EQ(runner.m_dCurrentTime.load(), position);
    EXPECT_EQ(code.load(), -100) << "the run ended while paused";
    media.m_hPauseEvent->Set();
    worker.join();
    EXPECT_EQ(code.load(), 0);
    auto ours = Probe(out);
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_NEAR(ours[0].frames, 200, 1);  // 8 s at 25 fps: nothing lost
}

TEST(RunControl, StopEndsTheRunAndIsNeverASuccess)
{
    vxmtest::CTempDir dir;
    CCmdFFplay runner;
    const std::string out = dir.File("stopped.mp4");
    std::atomic<int> code{-100};
    std::atomic<bool> done{false};
    std::thread worker([&] {
        code = RunTranscode(runner, SlowLine(out));
        done = true;
    });
    while (FileSize(out) == 0) std::this_thread::sleep_for(10ms);
    ASSERT_FALSE(done.load());
    runner.RequestStop();
    worker.join();
    // The slow encode is far from its end: only the stop can have ended it.
    EXPECT_NE(code.load(), 0);
    EXPECT_NE(code.load(), 1);
    EXPECT_EQ(runner.received_sigterm.load(), -1);
}

TEST(RunControl, AStopDuringAPauseEndsTheRun)
{
    vxmtest::CTempDir dir;
    CRecordingMedia media;
    CCmdFFplay runner;
    runner.m_pMedia = &media;
    const std::string out = dir.File("paused_stop.mp4");
    std::atomic<int> code{-100};
    std::thread worker([&] { code = RunTranscode(runner, SlowLine(out)); });
    while (FileSize(out) == 0) std::this_thread::sleep_for(10ms);
    media.m_hPauseEvent->Reset();
    runner.RequestStop();
    worker.join();
    EXPECT_NE(code.load(), 0);
}

TEST(RunControl, ARunAfterAFailedRunStartsClean)
{
    vxmtest::CTempDir dir;
    CCmdFFplay runner;
    EXPECT_EQ(RunTranscode(runner, "-y -i " + Q(dir.File("missing.mp4")) + " " + Q(dir.File("x.mp4"))), 1);
    EXPECT_EQ(RunTranscode(runner, "-y -i " + Q(vxmtest::GetTestMedia().mp4) + " -vcodec mpeg4 -acodec aac " +
                                       Q(dir.File("y.mp4"))),
              0);
    EXPECT_EQ(runner.main_return_code, 0);
    EXPECT_TRUE(runner.output_files.empty());  // the cleanup freed the run
}

TEST(RunControl, TheJobRunnerRunsATranscoderStepInProcess)
{
    vxmtest::CTempDir dir;
    CCmdFFplay runner;
    runner.m_nMode = 2;  // transcode, as the conversion driver sets it
    const std::string out = dir.File("runner.mp4");
    ASSERT_EQ(runner.Open(Utf8ToWide("ffmpeg -nostdin -loglevel quiet -y -i " + Q(vxmtest::GetTestMedia().mp4) +
                                     " -vcodec mpeg4 -acodec aac " + Q(out)),
                          JOB_TYPE_FFMPEG),
              1);
    ASSERT_TRUE(runner.WaitWorker(INFINITE));
    EXPECT_EQ(runner.GetExitCode(), 0);
    auto s = Probe(out);
    ASSERT_EQ(s.size(), 2u);
    EXPECT_NEAR(s[0].frames, 50, 1);
    runner.Close();
}

TEST(RunControl, ARunLeavesTheProcessSignalHandlingAsItWas)
{
    struct sigaction before[2] = {}, after[2] = {};
    const int signals[2] = {SIGTERM, SIGINT};
    for (int i = 0; i < 2; ++i)
        sigaction(signals[i], nullptr, &before[i]);
    vxmtest::CTempDir dir;
    CCmdFFplay runner;
    EXPECT_EQ(RunTranscode(runner, "-y -i " + Q(vxmtest::GetTestMedia().mp4) + " -t 0.2 " + Q(dir.File("a.mp4"))), 0);
    for (int i = 0; i < 2; ++i) {
        sigaction(signals[i], nullptr, &after[i]);
        EXPECT_EQ(after[i].sa_handler, before[i].sa_handler) << "signal " << signals[i];
    }
}
