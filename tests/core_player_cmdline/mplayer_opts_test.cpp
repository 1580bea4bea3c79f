// The media player's command line: options in order, the quoted input, and a
// line the child-process runner starts as the player with those arguments.
#include "MPlayerOpts.h"
#include "vxmtranscode/libvxmmedia/media/Redirector.h"
#include "platform/folders.h"
#include "support/test_media.h"
#include "vxmtranscode/libvxmmedia/media/JobCommand.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <mutex>

namespace {

std::vector<std::pair<std::wstring, std::wstring>> Options(const CCmdOpts& opts)
{
    std::vector<std::pair<std::wstring, std::wstring>> out;
    for (const auto& o : opts.GetOptions())
        out.push_back({o.strName, o.strValue});
    return out;
}

TEST(MPlayerOpts, ParseOptionsGivesOptionsAndFlags)
{
    CMPlayerOpts opts;
    opts.ParseOptions(L"-vo direct3d -nosound");
    std::vector<std::pair<std::wstring, std::wstring>> expected = {{L"-vo", L"direct3d"}, {L"-nosound", L""}};
    EXPECT_EQ(Options(opts), expected);
}

TEST(MPlayerOpts, APieceOfThreeWordsIsIgnoredAndALaterValueReplaces)
{
    CMPlayerOpts opts;
    opts.ParseOptions(L"-vo xv -af volume 10 -vo null");
    std::vector<std::pair<std::wstring, std::wstring>> expected = {{L"-vo", L"null"}};
    EXPECT_EQ(Options(opts), expected);
}

TEST(MPlayerOpts, TheInputIsQuotedOnceAndTheLineIsClosed)
{
    CMPlayerOpts opts;
    opts.SetOption(L"-slave", L"");
    opts.SetInput(L"/media/clip one.avi");
    std::wstring line = opts.BuildCommandLine();
    EXPECT_EQ(line.rfind(L"cmd.exe /c \"\"", 0), 0u);
    EXPECT_NE(line.find(L" \"/media/clip one.avi\"\""), std::wstring::npos);
    CMPlayerOpts quoted;
    quoted.SetInput(L"\"/media/a.avi\"");
    EXPECT_EQ(quoted.GetInput1(), L"\"/media/a.avi\"");
}

TEST(MPlayerOpts, TheLineStartsThePlayerWithEachArgumentIntact)
{
    CMPlayerOpts opts;
    opts.ParseOptions(L"-slave -quiet -vo null");
    opts.SetInput(L"/media/it's \"odd\".avi");
    VXM_COMMAND_ARGS args = SplitJobCommandLine(opts.BuildCommandLine());
    ASSERT_EQ(args.args.size(), 6u);
    EXPECT_EQ(args.args[0], FindMPlayerProgram());
    EXPECT_EQ(args.args[1], L"-slave");
    EXPECT_EQ(args.args[4], L"null");
    EXPECT_EQ(args.args[5], L"/media/it's \"odd\".avi");
}

TEST(MPlayerOpts, APlayerInTheToolsFolderComesFirst)
{
    vxmtest::CTempDir dir;
    std::filesystem::create_directories(dir.File("gnu"));
    const std::string tool = dir.File("gnu/mplayer");
    std::ofstream(tool) << "#!/bin/sh\necho \"$@\"\n";
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    SetProgramFolderForTesting(std::wstring(dir.Path().begin(), dir.Path().end()));
    const std::wstring found = FindMPlayerProgram();
    SetProgramFolderForTesting(L"");
    EXPECT_EQ(found, std::wstring(tool.begin(), tool.end()));
}

class CCollect : public CRedirector {
public:
    ~CCollect() override { Close(); }
    void WriteStdOut(const char* text) override
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_out += text;
    }
    void WriteStdError(const char*) override {}
    std::string Out()
    {
        std::lock_guard<std::mutex> lock(m_lock);
        return m_out;
    }
    std::mutex m_lock;
    std::string m_out;
};

TEST(MPlayerOpts, TheRunnerStartsTheLineAndReadsItsAnswers)
{
    vxmtest::CTempDir dir;
    std::filesystem::create_directories(dir.File("gnu"));
    const std::string tool = dir.File("gnu/mplayer");
    std::ofstream(tool) << "#!/bin/sh\nfor a in \"$@\"; do echo \"ARG=$a\"; done\nread cmd\necho \"GOT=$cmd\"\n";
    std::filesystem::permissions(tool, std::filesystem::perms::owner_all);
    SetProgramFolderForTesting(std::wstring(dir.Path().begin(), dir.Path().end()));
    CMPlayerOpts opts;
    SetProgramFolderForTesting(L"");
    opts.AddFlag(L"-slave");
    opts.SetInput(L"/media/a b.mkv");

    CCollect runner;
    ASSERT_TRUE(runner.Open(opts.BuildCommandLine()));
    EXPECT_TRUE(runner.Printf(L"get_time_pos\n"));
    while (runner.Out().find("GOT=") == std::string::npos)
        Sleep(10);
    EXPECT_EQ(runner.Out(), "ARG=-slave\nARG=/media/a b.mkv\nGOT=get_time_pos\n");
}

}  // namespace
