// Splitting command lines, quoting arguments, and what a job line starts.
#include <gtest/gtest.h>

#include <random>

#include "CmdOpts.h"
#include "fake_tools.h"

namespace {

using Args = std::vector<std::string>;
using WArgs = std::vector<std::wstring>;

TEST(SplitCommandLine, QuotesGroupBlanks)
{
    EXPECT_EQ(SplitCommandLine("a \"b c\" d"), (Args{"a", "b c", "d"}));
    EXPECT_EQ(SplitCommandLine("  a\tb\n c  "), (Args{"a", "b", "c"}));
}

TEST(SplitCommandLine, EmptyQuotesGiveAnEmptyArgument)
{
    EXPECT_EQ(SplitCommandLine("x \"\" y"), (Args{"x", "", "y"}));
    EXPECT_EQ(SplitCommandLine("-i \"\""), (Args{"-i", ""}));
}

TEST(SplitCommandLine, BackslashBeforeQuote)
{
    EXPECT_EQ(SplitCommandLine("\"a\\\"b\""), (Args{"a\"b"}));
    // 2n backslashes and a quote: n backslashes, the quote ends the quoting.
    EXPECT_EQ(SplitCommandLine("\"a\\\\\" b"), (Args{"a\\", "b"}));
    // 2n+1: n backslashes and a literal quote.
    EXPECT_EQ(SplitCommandLine("a\\\\\\\"b"), (Args{"a\\\"b"}));
    // Backslashes elsewhere are plain characters.
    EXPECT_EQ(SplitCommandLine("a\\b\\\\c"), (Args{"a\\b\\\\c"}));
}

TEST(SplitCommandLine, DoubledQuoteInsideQuotesIsOneQuote)
{
    EXPECT_EQ(SplitCommandLine("\"a\"\"b\" c"), (Args{"a\"b", "c"}));
}

TEST(SplitCommandLine, QuotedAndPlainPartsJoin)
{
    EXPECT_EQ(SplitCommandLine("\"a\"b pre\"x y\"post"), (Args{"ab", "prex ypost"}));
}

TEST(SplitCommandLine, BlanksOnlyAndTrailingOpeningQuote)
{
    EXPECT_TRUE(SplitCommandLine("   \t ").empty());
    EXPECT_TRUE(SplitCommandLine("").empty());
    EXPECT_EQ(SplitCommandLine("a \""), (Args{"a"}));
    // An unclosed quote runs to the end.
    EXPECT_EQ(SplitCommandLine("a \"b c"), (Args{"a", "b c"}));
}

TEST(SplitCommandLine, WideAndNarrowAgree)
{
    const std::wstring line = L"\"/m/ä b\" -vf \"x='y'\" \"\" z\\\"";
    const WArgs wide = SplitCommandLine(std::wstring_view(line));
    const Args narrow = SplitCommandLine(std::string_view(WideToUtf8(line)));
    ASSERT_EQ(wide.size(), narrow.size());
    for (size_t i = 0; i < wide.size(); ++i)
        EXPECT_EQ(WideToUtf8(wide[i]), narrow[i]);
}

TEST(QuoteArgument, RoundTripsAnyText)
{
    const std::vector<std::wstring> samples = {
        L"", L"plain", L"with space", L"\"", L"\"\"", L"a\"b", L"trail\\", L"trail\\\\", L"\\\"", L"a\\\\\"b",
        L"\\", L" lead", L"tab\there", L"'single'", L"x\" -y \"z", L"ünï cødé"};
    for (const std::wstring& s : samples) {
        const WArgs back = SplitCommandLine(std::wstring_view(L"prog " + QuoteArgument(s) + L" next"));
        ASSERT_EQ(back.size(), 3u) << WideToUtf8(s);
        EXPECT_EQ(back[1], s) << WideToUtf8(s);
    }
}

TEST(QuoteArgument, RoundTripsRandomTexts)
{
    std::mt19937 rng(12345);
    const std::wstring alphabet = L"ab \\\"\t'";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(0, 12);
    for (int i = 0; i < 2000; ++i) {
        std::vector<std::wstring> args(3);
        std::wstring line;
        for (auto& a : args) {
            for (int n = length(rng); n > 0; --n)
                a += alphabet[pick(rng)];
            line += QuoteArgument(a) + L" ";
        }
        ASSERT_EQ(SplitCommandLine(std::wstring_view(line)), args) << WideToUtf8(line);
    }
}

TEST(QuoteArgument, RecognisesOneQuotedArgument)
{
    EXPECT_TRUE(IsQuotedArgument(L"\"\""));
    EXPECT_TRUE(IsQuotedArgument(L"\"a b\""));
    EXPECT_TRUE(IsQuotedArgument(L"\"a\\\"b\""));
    EXPECT_FALSE(IsQuotedArgument(L"\""));
    EXPECT_FALSE(IsQuotedArgument(L"\"a\" \"b\""));
    EXPECT_FALSE(IsQuotedArgument(L"\"a\\\""));
    EXPECT_FALSE(IsQuotedArgument(L"a"));
}

class JobLines : public ::testing::Test {
protected:
    CFakeToolFolder tools;
};

TEST_F(JobLines, InterpreterToolLineStartsTheToolWithItsArguments)
{
    CMP4BoxOpts box;
    box.SetOption(L"-add", L"%s", QuoteArgument(L"/v/my \"clip\".264").c_str());
    box.AddFlag(L"-new");
    box.SetInput(L"/v/out file.mp4");
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(box.BuildCommandLine());
    EXPECT_TRUE(run.bInterpreter);
    EXPECT_EQ(run.args, (WArgs{tools.Tool(L"mp4box"), L"-add", L"/v/my \"clip\".264", L"-new", L"/v/out file.mp4"}));
}

TEST_F(JobLines, InterpreterToolWithoutArguments)
{
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(CQTFastStartOpts().BuildCommandLine());
    EXPECT_TRUE(run.bInterpreter);
    EXPECT_EQ(run.args, (WArgs{tools.Tool(L"qt-faststart")}));
}

TEST_F(JobLines, ShellFileOperationLosesItsClosingQuote)
{
    CSysCmdOpts del;
    del.SetOption(L"del", L"%s", QuoteArgument(L"/tmp/merge 1.txt").c_str());
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(del.BuildCommandLine());
    EXPECT_TRUE(run.bInterpreter);
    EXPECT_EQ(run.args, (WArgs{L"del", L"/tmp/merge 1.txt"}));
}

TEST_F(JobLines, QuoteInAPathCannotInjectArguments)
{
    const std::wstring evil = L"/m/a\" -y -f null \"b.mp4";
    const std::wstring evilTail = L"/m/end\\";
    CFFMpegOpts ff;
    ff.SetInput(evil);
    ff.SetInput2(evilTail);
    ff.SetOption(L"-y", L"%s", QuoteArgument(L"/o/\"x\".mkv").c_str());
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(ff.BuildCommandLine());
    EXPECT_FALSE(run.bInterpreter);
    EXPECT_EQ(run.args, (WArgs{tools.Tool(L"ffmpeg"), L"-i", evil, L"-i", evilTail, L"-y", L"/o/\"x\".mkv"}));

    CTsMuxeROpts mux;
    mux.SetInput(evil);
    mux.SetInput2(evilTail);
    const VXM_COMMAND_ARGS muxRun = SplitJobCommandLine(mux.BuildCommandLine());
    EXPECT_EQ(muxRun.args, (WArgs{tools.Tool(L"tsmuxer"), evil, evilTail}));
}

TEST_F(JobLines, ToolFolderWithAQuoteStaysOneArgument)
{
    vxmtest::CTempDir dir;
    const std::string odd = dir.File("we\"ird tools");
    std::filesystem::create_directories(odd);
    std::ofstream(odd + "/mp4box") << "#!/bin/sh\n";
    std::filesystem::permissions(odd + "/mp4box", std::filesystem::perms::owner_all);
    SetToolSearchPathForTesting({Utf8ToWide(odd)});
    CMP4BoxOpts box;
    box.SetInput(L"/x.mp4");
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(box.BuildCommandLine());
    EXPECT_EQ(run.args, (WArgs{Utf8ToWide(odd + "/mp4box"), L"/x.mp4"}));
}

}  // namespace
