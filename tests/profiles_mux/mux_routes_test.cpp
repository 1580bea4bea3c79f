// Mux and join routes end to end: the queued steps run through Debian's
// ffmpeg and the stand-in muxing tool, and the results open with FFmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "../profiles_jobs/job_fixture.h"
#include "CmdFFplay.h"
#include "support/test_media.h"

extern "C" {
#include <libavformat/avformat.h>
}

using namespace jobtest;
namespace fs = std::filesystem;

namespace {

// The stand-in tools live in the bin folder's "gnu" folder.
std::string ToolFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    for (fs::path dir = exe.parent_path(); !dir.empty() && dir != dir.root_path(); dir = dir.parent_path())
        if (fs::exists(dir / "bin/gnu/vxmmux"))
            return (dir / "bin/gnu").string();
    return {};
}

double Duration(const std::string& path, bool* opened = nullptr)
{
    AVFormatContext* ctx = nullptr;
    if (opened)
        *opened = false;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    double seconds = -1;
    if (avformat_find_stream_info(ctx, nullptr) >= 0) {
        if (opened)
            *opened = ctx->nb_streams > 0;
        seconds = ctx->duration > 0 ? ctx->duration / double(AV_TIME_BASE) : 0;
    }
    avformat_close_input(&ctx);
    return seconds;
}

// Runs every step; the first failing one ends the run. Empty when all ran.
std::string RunQueue(const VXM_JOB_QUEUE& queue, const std::string& tools)
{
    for (const auto& step : queue) {
        std::vector<std::string> argv;
        for (const std::wstring& a : JobProcessArguments(step->strCmdLine))
            argv.push_back(N(a));
        if (argv.empty())
            return "empty step";
        const std::string name = fs::path(argv[0]).filename().string();
        if (name.find("ffmpeg") != std::string::npos) {
            argv[0] = "ffmpeg";
            argv.insert(argv.begin() + 1, {"-nostdin", "-y", "-loglevel", "error"});
        } else if (name == "mp4creator" || name == "mp4box" || name == "tsmuxer" || name == "flvbind" ||
                   name == "qt-faststart") {
            argv[0] = tools + "/" + name;
        }
        std::string log;
        if (vxmtest::RunProgram(argv, &log) != 0)
            return "step failed: " + N(step->strCmdLine) + "\n" + log;
    }
    return {};
}

bool UsesEngine(COutputProfile* profile, int engine)
{
    for (const auto& command : profile->m_lstCommands)
        if (command->m_nEngine == engine)
            return true;
    return false;
}

class MuxRoutes : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_tools = ToolFolder();
        ASSERT_FALSE(m_tools.empty()) << "build the vxmmux target first";
        ASSERT_FALSE(vxmtest::GetTestMedia().mp4.empty());
    }
    std::string m_tools;
};

TEST_F(MuxRoutes, EveryProfileUsingAnOutsideMuxerGivesAFileFfmpegOpens)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    int routes = 0;
    for (int i = 0; i < scope.Manager().GetProfileCount(); ++i) {
        COutputProfile* profile = scope.Profile(i);
        if (!UsesEngine(profile, PROFILE_ENGINE_TSMUXER) && !UsesEngine(profile, PROFILE_ENGINE_MP4CREATOR))
            continue;
        const std::string folder = dir.Path() + "/" + std::to_string(i);
        fs::create_directories(folder);
        auto media = MakeMedia(vxmtest::GetTestMedia().mp4, folder);
        VXM_JOB_QUEUE queue;
        ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0) << N(profile->GetName());
        const std::string failure = RunQueue(queue, m_tools);
        EXPECT_TRUE(failure.empty()) << N(profile->GetName()) << ": " << failure;
        bool opened = false;
        const double seconds = Duration(N(media->m_strOutputFile), &opened);
        EXPECT_TRUE(opened) << N(media->m_strOutputFile);
        EXPECT_NEAR(seconds, 2.0, 0.3) << N(media->m_strOutputFile);
        // Only the output is left in the folder: streams, meta and intermediates are gone.
        int files = 0;
        for (const auto& entry : fs::directory_iterator(folder))
            files += entry.path().extension() != ".thm" ? 1 : 0;
        EXPECT_EQ(files, 1) << N(profile->GetName());
        ++routes;
    }
    EXPECT_GT(routes, 0);
}

TEST_F(MuxRoutes, QuotesAndApostrophesInTheFolderSurviveTheMetaFileAndTheTools)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    const std::string folder = dir.Path() + "/it's \"q\"";
    fs::create_directories(folder);
    for (int i = 0; i < scope.Manager().GetProfileCount(); ++i) {
        COutputProfile* profile = scope.Profile(i);
        if (!UsesEngine(profile, PROFILE_ENGINE_TSMUXER))
            continue;
        auto media = MakeMedia(vxmtest::GetTestMedia().mp4, folder);
        VXM_JOB_QUEUE queue;
        ASSERT_EQ(BuildMediaCommands(media.get(), profile, queue), 0);
        const std::string failure = RunQueue(queue, m_tools);
        EXPECT_TRUE(failure.empty()) << failure;
        bool opened = false;
        Duration(N(media->m_strOutputFile), &opened);
        EXPECT_TRUE(opened) << N(media->m_strOutputFile);
        return;
    }
    FAIL() << "no tsMuxeR profile in the catalogue";
}

std::string ListPathOf(const VXM_JOB_QUEUE& queue)
{
    for (const auto& step : queue) {
        auto args = JobProcessArguments(step->strCmdLine);
        for (size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == L"concat" && i + 4 < args.size() && args[i + 3] == L"-i")
                return N(args[i + 4]);
    }
    return {};
}

TEST_F(MuxRoutes, JoiningThreeClipsGivesTheSummedDurationAndLeavesNoListOrTempFiles)
{
    vxmtest::CTempDir dir;
    CManagerScope scope(dir.Path());
    ASSERT_TRUE(scope.Loaded());
    const std::string second = dir.Path() + "/second.mkv";
    ASSERT_EQ(vxmtest::RunProgram({"ffmpeg", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                                   "testsrc=d=3:r=25:s=160x120", "-f", "lavfi", "-i", "sine=d=3", "-shortest",
                                   second}),
              0);
    COutputProfile* mp4 = nullptr;
    for (int i = 0; i < scope.Manager().GetProfileCount() && !mp4; ++i) {
        COutputProfile* p = scope.Profile(i);
        if (p->GetFileExt() == L"mp4" && !UsesEngine(p, PROFILE_ENGINE_MP4CREATOR) &&
            !UsesEngine(p, PROFILE_ENGINE_TSMUXER))
            mp4 = p;
    }
    ASSERT_NE(mp4, nullptr);
    const std::string out = dir.Path() + "/out";
    fs::create_directories(out);
    auto first = MakeMedia(vxmtest::GetTestMedia().mp4, out);
    ClipShape three;
    three.durationMs = 3000;
    auto middle = MakeMedia(second, out, three);
    auto last = MakeMedia(vxmtest::GetTestMedia().mp4, out);
    first->m_lstJoin = {middle.get(), last.get()};
    first->m_bHasJoinList = 1;
    VXM_JOB_QUEUE queue;
    ASSERT_EQ(BuildMediaCommands(first.get(), mp4, queue), 0);
    const std::string list = ListPathOf(queue);
    ASSERT_FALSE(list.empty()) << "the join goes through the concat list";
    EXPECT_TRUE(fs::exists(list));
    // A failed or stopped conversion deletes its media's temporary files: the list is one of them.
    EXPECT_EQ(N(first->m_strTempFile), list);
    const std::string failure = RunQueue(queue, m_tools);
    ASSERT_TRUE(failure.empty()) << failure;
    bool opened = false;
    EXPECT_NEAR(Duration(N(first->m_strOutputFile), &opened), 7.0, 0.2);
    EXPECT_TRUE(opened);
    EXPECT_FALSE(fs::exists(list));
    int files = 0;
    for (const auto& entry : fs::directory_iterator(out)) {
        EXPECT_EQ(entry.path().string().find("_temp"), std::string::npos) << entry.path();
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(MuxRoutes, StandInToolFailsWithAnErrorOnAMissingInput)
{
    vxmtest::CTempDir dir;
    std::string log;
    EXPECT_NE(vxmtest::RunProgram({m_tools + "/mp4box", "-force-cat", "-cat", dir.Path() + "/none.mp4", "-new",
                                   dir.Path() + "/j.mp4"},
                                  &log),
              0);
    EXPECT_NE(log.find("Error"), std::string::npos) << log;
    EXPECT_FALSE(fs::exists(dir.Path() + "/j.mp4"));
    const std::string meta = dir.Path() + "/empty.meta";
    std::ofstream(meta) << "MUXOPT --vbr\n";
    EXPECT_NE(vxmtest::RunProgram({m_tools + "/tsmuxer", meta, dir.Path() + "/o.m2ts"}, &log), 0);
    EXPECT_FALSE(fs::exists(dir.Path() + "/o.m2ts"));
}

}  // namespace
