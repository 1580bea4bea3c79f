// Every way a transcoder run can end, under AddressSanitizer: whatever the
// run allocated is freed once, on the normal path and on every error path.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "CmdFFplay.h"
#include "cmdutils.h"
#include "ffmpeg_transcode.h"
#include "platform/text.h"
#include "support/test_media.h"

using namespace std::chrono_literals;

namespace {

int RunLine(CCmdFFplay& runner, const std::string& line)
{
    std::wstring wide = Utf8ToWide("ffmpeg -nostdin -loglevel quiet " + line);
    runner.exit_code = 0;
    int result = run_tool_guarded(&runner, [&wide](CToolContext* c) {
        return ffmpeg_transcode(const_cast<wchar_t*>(wide.c_str()), static_cast<CCmdFFplay*>(c));
    });
    return runner.exit_code ? runner.exit_code : result;
}

int RunLine(const std::string& line)
{
    CCmdFFplay runner;
    return RunLine(runner, line);
}

std::string Q(const std::string& p) { return "\"" + p + "\""; }

}  // namespace

TEST(RunPathsAsan, NormalRunsOfEveryKind)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -vcodec libx264 -acodec aac " + Q(dir.File("a.mp4"))), 0);
    EXPECT_EQ(RunLine("-y -i " + Q(m.subtitled) + " -scodec copy -vcodec mpeg4 -acodec copy " + Q(dir.File("b.mkv"))), 0);
    EXPECT_EQ(RunLine("-y -i " + Q(m.subtitled) + " -map 0:2 -scodec ass " + Q(dir.File("c.ass"))), 0);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -vn -acodec libmp3lame -absf mp3decomp " + Q(dir.File("d.mp3"))) >= 0, true);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -an -vcodec mpeg4 -pass 1 -passlogfile " + Q(dir.File("log")) + " " +
                  Q(dir.File("e.mp4"))),
              0);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -an -vcodec mpeg4 -pass 2 -passlogfile " + Q(dir.File("log")) + " " +
                  Q(dir.File("e.mp4"))),
              0);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -vframes 1 -f image2 " + Q(dir.File("f.jpg"))), 0);
}

TEST(RunPathsAsan, FailuresFreeTheRun)
{
    const auto& m = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    EXPECT_EQ(RunLine("-y"), 1);
    EXPECT_EQ(RunLine("-i " + Q(m.mp4)), 1);
    EXPECT_EQ(RunLine("-y -i " + Q(m.corrupt) + " " + Q(dir.File("a.mp4"))), 1);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -vn -acodec ac3 -ar 1000 " + Q(dir.File("b.ac3"))), 1);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -vf nosuchfilter " + Q(dir.File("c.mp4"))), 1);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " -an -vcodec mpeg4 -pass 2 -passlogfile " + Q(dir.File("nolog")) + " " +
                  Q(dir.File("d.mp4"))),
              1);
    EXPECT_EQ(RunLine("-y -i " + Q(m.mp4) + " " + Q(dir.File("no/such/folder/e.mp4"))), 1);
}

TEST(RunPathsAsan, AStoppedRunFreesTheRun)
{
    vxmtest::CTempDir dir;
    const std::string src = dir.File("long.mp4");
    ASSERT_TRUE(vxmtest::MakeVideoClip(src, 6.0, 320, 240));
    CCmdFFplay runner;
    const std::string out = dir.File("o.mp4");
    std::atomic<int> code{-100};
    std::thread worker([&] { code = RunLine(runner, "-y -i " + Q(src) + " -vcodec libx264 -acodec aac " + Q(out)); });
    while (!std::filesystem::exists(out)) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(200ms);
    runner.RequestStop();
    worker.join();
    EXPECT_NE(code.load(), 0);
}
