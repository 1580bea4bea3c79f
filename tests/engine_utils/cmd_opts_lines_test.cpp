// The exact command lines the options classes write.
#include <gtest/gtest.h>

#include "CmdOpts.h"
#include "fake_tools.h"

namespace {

class CmdOptsLines : public ::testing::Test {
protected:
    CFakeToolFolder tools;
    std::wstring T(const std::wstring& name) const { return tools.Tool(name); }
};

TEST_F(CmdOptsLines, EachClassStartsWithItsToolAndInterpreterToolsOpenAnOuterQuote)
{
    EXPECT_EQ(CCmdOpts().BuildCommandLine(), L"\"");
    EXPECT_EQ(CSysCmdOpts().BuildCommandLine(), L"cmd.exe /c\"");
    EXPECT_EQ(CMP4CreatorOpts().BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"mp4creator") + L"\"\"");
    EXPECT_EQ(CMP4BoxOpts().BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"mp4box") + L"\"\"");
    EXPECT_EQ(CFLVOpts().BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"flvbind") + L"\"\"");
    EXPECT_EQ(CTsMuxeROpts().BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"tsmuxer") + L"\"\"");
    EXPECT_EQ(CQTFastStartOpts().BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"qt-faststart") + L"\"\"");
    EXPECT_EQ(CWMVOpts().BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\"\"");
    EXPECT_EQ(CAPEOpts().BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\"\"");
    EXPECT_EQ(CFFMpegOpts().BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\"");
}

TEST_F(CmdOptsLines, BaseLineIsPrefixOptionsInputsAndOneClosingQuote)
{
    CMP4BoxOpts box;
    box.SetOption(L"-add", L"\"%s\"", L"/v/a.264");
    box.AddFlag(L"-inter");
    box.SetOption(L"-fps", L"%0.3f", 25.0);
    box.SetInput(L"/v/out.mp4");
    box.SetInput3(L"/v/three");
    EXPECT_EQ(box.BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"mp4box") +
                                          L"\" -add \"/v/a.264\" -inter  -fps 25.000 \"/v/out.mp4\" \"/v/three\"\"");
}

TEST_F(CmdOptsLines, ShellLineEndsWithOneMoreQuote)
{
    CSysCmdOpts del;
    del.SetOption(L"del", L"\"%s\"", L"/tmp/list 1.txt");
    EXPECT_EQ(del.BuildCommandLine(), L"cmd.exe /c del \"/tmp/list 1.txt\"\"");
}

TEST_F(CmdOptsLines, EmptyInputIsWrittenAsAnEmptyQuotedArgument)
{
    CQTFastStartOpts qt;
    qt.SetInput(L"");
    EXPECT_EQ(qt.BuildCommandLine(), L"cmd.exe /c \"\"" + T(L"qt-faststart") + L"\" \"\"\"");
}

TEST_F(CmdOptsLines, QuotedInputIsKeptAndOthersAreQuotedWithEscapes)
{
    CCmdOpts opts;
    opts.SetInput(L"\"/already quoted\"");
    EXPECT_EQ(opts.GetInput1(), L"\"/already quoted\"");
    opts.SetInput(L"/a \"b\" c");
    EXPECT_EQ(opts.GetInput1(), L"\"/a \\\"b\\\" c\"");
    // A lone quote is not a quoted argument: it must not open one in the line.
    opts.SetInput(L"\"");
    EXPECT_EQ(opts.GetInput1(), L"\"\\\"\"");
    // Two quoted pieces are not one quoted argument.
    opts.SetInput2(L"\"a\" \"b\"");
    EXPECT_EQ(opts.GetInput2(), L"\"\\\"a\\\" \\\"b\\\"\"");
}

TEST_F(CmdOptsLines, SetOptionTwiceKeepsThePlaceAndTakesTheNewValue)
{
    CCmdOpts opts;
    opts.SetOption(L"-b", L"%d", 1);
    opts.SetOption(L"-c", L"x");
    opts.SetOption(L"-b", L"%d", 2);
    ASSERT_EQ(opts.GetOptions().size(), 2u);
    EXPECT_EQ(opts.BuildCommandLine(), L" -b 2 -c x\"");
}

TEST_F(CmdOptsLines, AppendToOptionGrowsFilterChains)
{
    CCmdOpts opts;
    opts.AppendToOption(L"-vf", FALSE, L",", L"scale=%d:%d", 320, 240);
    EXPECT_TRUE(opts.GetOptions().empty());
    opts.AppendToOption(L"-vf", TRUE, L",", L"scale=%d:%d", 320, 240);
    opts.AppendToOption(L"-vf", FALSE, L",", L"pad=%s", L"iw");
    opts.AddFlag(L"-an");
    opts.AppendToOption(L"-an", FALSE, L",", L"x");
    EXPECT_EQ(opts.BuildCommandLine(), L" -vf scale=320:240,pad=iw -an ,x\"");
}

TEST_F(CmdOptsLines, LongValuesAreNotCut)
{
    CCmdOpts opts;
    const std::wstring chain(5000, L'a');
    opts.AppendToOption(L"-vf", TRUE, L",", L"%s", chain.c_str());
    opts.AppendToOption(L"-vf", TRUE, L",", L"%s", chain.c_str());
    EXPECT_EQ(opts.GetOptions().front().strValue.size(), 10001u);
}

TEST_F(CmdOptsLines, RemoveAndClearOptions)
{
    CCmdOpts opts;
    opts.SetOption(L"-a", L"1");
    opts.SetOption(L"-b", L"2");
    opts.RemoveOption(L"-a");
    opts.RemoveOption(L"-A");  // names compare case-sensitively
    EXPECT_EQ(opts.BuildCommandLine(), L" -b 2\"");
    opts.ClearOptions();
    opts.ParseOptions(L"-x 1");
    EXPECT_EQ(opts.BuildCommandLine(), L"\"");
}

TEST_F(CmdOptsLines, FFmpegLineHasInputsFirstThenSeekThenTheRest)
{
    CFFMpegOpts ff;
    ff.AddFlag(L"-y");
    ff.SetOption(L"-ss", L"%d", 10);
    ff.SetOption(L"-vcodec", L"libx264");
    ff.SetOption(L"-ac", L"5.1");
    ff.SetInput(L"/m/in.mp4");
    ff.SetInput2(L"/m/sub.srt");
    EXPECT_EQ(ff.BuildCommandLine(), L"\"" + T(L"ffmpeg") +
                                         L"\" -i \"/m/in.mp4\" -i \"/m/sub.srt\" -ss 10 -y  -vcodec libx264 -ac 6");
    // The seek option was used up by the first line.
    EXPECT_EQ(ff.BuildCommandLine(), L"\"" + T(L"ffmpeg") +
                                         L"\" -i \"/m/in.mp4\" -i \"/m/sub.srt\" -y  -vcodec libx264 -ac 6");
}

TEST_F(CmdOptsLines, FFmpegOnlyChangesTheExactChannelValue)
{
    CFFMpegOpts ff;
    ff.SetOption(L"-ac", L"5.10");
    EXPECT_EQ(ff.BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\" -ac 5.10");
}

TEST_F(CmdOptsLines, FFmpegCdLineNamesTheDeviceFirstAndSeeksBeforeTheEmptyInput)
{
    CFFMpegOpts ff;
    ff.SetOption(L"-acodec", L"pcm_s16le");
    ff.SetOption(L"-f libcdio", L"\"%s\"", L"/dev/cdrom");
    ff.SetOption(L"-ss", L"3.5");
    ff.SetInput(L"/ignored");
    ff.SetInput2(L"/extra.wav");
    const std::wstring first = ff.BuildCommandLine();
    EXPECT_EQ(first, L"\"" + T(L"ffmpeg") +
                         L"\" -f libcdio \"/dev/cdrom\" -i \"/extra.wav\" -ss 3.5 -i \"\" -acodec pcm_s16le");
    // Second build: the device and seek options are gone, so argument 1 is written.
    EXPECT_EQ(ff.BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\" -i \"/ignored\" -i \"/extra.wav\" -acodec pcm_s16le");
}

TEST_F(CmdOptsLines, FFmpegDvdLineKeepsArgumentOne)
{
    CFFMpegOpts ff;
    ff.SetOption(L"-vcodec", L"copy");
    ff.SetOption(L"-f dvdnav", L"-title 2");
    ff.SetInput(L"/dev/dvd");
    EXPECT_EQ(ff.BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\" -f dvdnav -title 2 -i \"/dev/dvd\" -vcodec copy");
}

TEST_F(CmdOptsLines, CopyFromAppendsOptionsAndTakesPrefixAndInputs)
{
    CFFMpegOpts first;
    first.SetOption(L"-pass", L"1");
    first.SetInput(L"/in.mp4");
    CFFMpegOpts second;
    second.SetOption(L"-pass", L"2");
    second.CopyFrom(first);
    EXPECT_EQ(second.GetOptions().size(), 2u);
    EXPECT_EQ(second.GetInput1(), L"\"/in.mp4\"");
    EXPECT_EQ(second.BuildCommandLine(), L"\"" + T(L"ffmpeg") + L"\" -i \"/in.mp4\" -pass 2 -pass 1");
}

TEST_F(CmdOptsLines, FormatOptionWritesNameAndValueAfterBlanks)
{
    EXPECT_EQ(CCmdOpts::FormatOption({L"-f concat -i", L"\"x\""}), L" -f concat -i \"x\"");
    EXPECT_EQ(CCmdOpts::FormatOption({L"-y", L""}), L" -y ");
}

TEST(ToolLookup, GnuFolderFirstThenPathThenTheGnuName)
{
    vxmtest::CTempDir program;
    vxmtest::CTempDir onPath;
    const std::string gnu = program.File("gnu");
    std::filesystem::create_directories(gnu);
    for (const std::string& file : {gnu + "/both", onPath.File("both"), onPath.File("pathonly")}) {
        std::ofstream(file) << "#!/bin/sh\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
    }
    std::ofstream(onPath.File("notexec")) << "x";
    SetProgramFolderForTesting(Utf8ToWide(program.Path()));
    const char* oldPath = std::getenv("PATH");
    const std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", ("/nonexistent:" + onPath.Path()).c_str(), 1);

    const std::wstring gnuW = Utf8ToWide(gnu);
    EXPECT_EQ(FindToolPath(L"both"), gnuW + L"/both");
    EXPECT_EQ(FindToolPath(L"pathonly"), Utf8ToWide(onPath.File("pathonly")));
    EXPECT_EQ(FindToolPath(L"notexec"), gnuW + L"/notexec");
    EXPECT_EQ(FindToolPath(L"missing"), gnuW + L"/missing");

    setenv("PATH", savedPath.c_str(), 1);
    SetProgramFolderForTesting(L"");
}

}  // namespace
