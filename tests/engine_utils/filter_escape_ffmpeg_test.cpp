// Escaped file names reach FFmpeg's own filter parsers unchanged: a command
// line built by the options classes, split by the job rules and run with
// Debian's ffmpeg.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CmdOpts.h"
#include "VXMUtils.h"
#include "support/test_media.h"

namespace {

namespace fs = std::filesystem;

// Burns the subtitle file into one second of the test clip.
int BurnSubtitles(const std::string& subtitle, const std::string& output)
{
    SetToolSearchPathForTesting({});
    CFFMpegOpts ff;
    ff.SetInput(Utf8ToWide(vxmtest::GetTestMedia().mp4));
    ff.SetOption(L"-hide_banner -loglevel", L"error");
    ff.SetOption(L"-t", L"1");
    ff.SetOption(L"-vf", L"\"subtitles='%s'\"", EscapeFilterText(Utf8ToWide(subtitle)).c_str());
    ff.AddFlag(L"-an");
    ff.SetOption(L"-y", L"%s", QuoteArgument(Utf8ToWide(output)).c_str());
    const VXM_COMMAND_ARGS run = SplitJobCommandLine(ff.BuildCommandLine());
    std::vector<std::string> argv;
    for (const std::wstring& a : run.args)
        argv.push_back(WideToUtf8(a));
    std::string log;
    const int rc = vxmtest::RunProgram(argv, &log);
    if (rc != 0)
        std::fprintf(stderr, "ffmpeg (%d): %s\n", rc, log.c_str());
    return rc;
}

void WriteSubtitle(const std::string& path)
{
    std::ofstream(path) << "1\n00:00:00,000 --> 00:00:01,000\nHello\n";
}

TEST(FilterEscapeWithFFmpeg, SubtitleFileWithQuoteCommaBracketsAndColon)
{
    vxmtest::CTempDir dir;
    const std::string subtitle = dir.File("a'b,c[d]:e.srt");
    WriteSubtitle(subtitle);
    const std::string out = dir.File("burnt.mp4");
    ASSERT_EQ(BurnSubtitles(subtitle, out), 0);
    EXPECT_GT(fs::file_size(out), 0u);
}

TEST(FilterEscapeWithFFmpeg, EveryCharacterTheParsersTreatSpecially)
{
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("x=1; y\\z \"q\"");
    fs::create_directories(folder);
    const std::string subtitle = folder + "/'it''s'\\:,=;[x] \"sub\" .srt ";
    WriteSubtitle(subtitle);
    const std::string out = dir.File("out \"1\".mp4");
    ASSERT_EQ(BurnSubtitles(subtitle, out), 0);
    EXPECT_TRUE(fs::exists(out));
}

TEST(FilterEscapeWithFFmpeg, MissingSubtitleFileFails)
{
    // The run above proves the name arrived: a wrong name fails the filter.
    vxmtest::CTempDir dir;
    EXPECT_NE(BurnSubtitles(dir.File("a'b,c[d]:e.srt"), dir.File("none.mp4")), 0);
}

}  // namespace
