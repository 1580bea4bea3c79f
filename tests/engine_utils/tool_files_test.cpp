// Files written for tools: the concat list and the 2D-to-3D script.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "VXMUtils.h"
#include "support/test_media.h"

namespace {

namespace fs = std::filesystem;

std::string ReadAll(const std::wstring& path)
{
    std::ifstream in(WideToUtf8(path), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Removes a file the code under test made in the shared temporary folder.
struct CRemoveAfter {
    std::wstring path;
    ~CRemoveAfter()
    {
        std::error_code ec;
        if (!path.empty())
            fs::remove(WideToUtf8(path), ec);
    }
};

TEST(ConcatList, OneLinePerInputWithQuotesEscaped)
{
    std::wstring list;
    ASSERT_EQ(WriteConcatListFile({L"/m/a.mp4", L"/m/it's here.mp4"}, list), 0);
    CRemoveAfter cleanup{list};
    EXPECT_EQ(list.rfind(GetTempFolder() + L"/merge-", 0), 0u);
    EXPECT_EQ(list.substr(list.size() - 4), L".txt");
    EXPECT_EQ(ReadAll(list), "file '/m/a.mp4'\nfile '/m/it'\\''s here.mp4'\n");
}

TEST(ConcatList, RefusesEmptyListsEmptyPathsAndLineBreaks)
{
    std::wstring out = L"kept";
    EXPECT_EQ(WriteConcatListFile({}, out), -1);
    EXPECT_EQ(WriteConcatListFile({L"/a.mp4", L""}, out), -1);
    EXPECT_EQ(WriteConcatListFile({L"/a\nfile '/etc/passwd'.mp4"}, out), -1);
    EXPECT_EQ(out, L"kept");
}

TEST(ConcatList, TwoListsNeverShareAName)
{
    std::wstring a, b;
    ASSERT_EQ(WriteConcatListFile({L"/a.mp4"}, a), 0);
    ASSERT_EQ(WriteConcatListFile({L"/b.mp4"}, b), 0);
    CRemoveAfter ca{a}, cb{b};
    EXPECT_NE(a, b);
    EXPECT_EQ(ReadAll(a), "file '/a.mp4'\n");
}

TEST(ConcatList, FFmpegJoinsFilesWhoseNamesHoldQuotes)
{
    const vxmtest::TestMedia& media = vxmtest::GetTestMedia();
    vxmtest::CTempDir dir;
    const std::string first = dir.File("it's one.mp4");
    const std::string second = dir.File("a\\b'' [2].mp4");
    fs::copy_file(media.mp4, first);
    fs::copy_file(media.mp4, second);
    std::wstring list;
    ASSERT_EQ(WriteConcatListFile({Utf8ToWide(first), Utf8ToWide(second)}, list), 0);
    CRemoveAfter cleanup{list};
    const std::string out = dir.File("joined.mp4");
    ASSERT_TRUE(vxmtest::RunFfmpeg({"-f", "concat", "-safe", "0", "-i", WideToUtf8(list), "-c", "copy", out}));
    std::string probe;
    ASSERT_EQ(vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                                   "default=nw=1:nk=1", out},
                                  &probe),
              0);
    EXPECT_NEAR(std::stod(probe), 4.0, 0.3);
}

VXM_3D_SCRIPT_SETTINGS Settings(int mode)
{
    VXM_3D_SCRIPT_SETTINGS s;
    s.n3DOutput = mode;
    s.n3DDepth = 30;
    s.n3DWidth = 640;
    s.n3DHeight = 360;
    s.d3DDisplayRatio = 1.777;
    return s;
}

TEST(TwoDToThreeDScript, SideBySideScriptLineByLine)
{
    const std::string plugins = WideToUtf8(GetProgramFolder()) + "/avisynth";
    const std::string expected =
        "# Setting the working dir.\n"
        "    SetWorkingDir(\"" + plugins + "\")\n"
        "import(\"StandardHeader.pat\")\n"
        "import(\"ffmpegsource.avsi\")\n"
        "    SetMemoryMax(16)\n"
        "## For this to work you need to have AviSynth with MT mod 0.7 installed!!!\n"
        "## Open the video file for conversion, change the video file name\n"
        "    video2d = ffmpegSource(\"/m/in.mp4\", threads=2,atrack=1,seekmode=3,cachefile=\"/t/in.ffindex\","
        "colorspace=\"rgb32\")\n"
        "## Get video width/height and set the frame stretch factor\n"
        "## Lower the value 100 to increase frame stretch, may introduce ghosting\n"
        "    videoW = width(video2d)\n    videoH = height(video2d)\n"
        "    ResW = videoW + (videoW * 30 / 200)\n\tCropW = (ResW - videoW) / 2\n"
        "    ResW = ResW - ResW % 4\n\tCropW = CropW - CropW % 4\n"
        "## Create variables for left and right frame with one frame difference\n"
        "## This is the Plufrich-like simulation that creates illusion of depth from movement\n"
        "## Stretch the frame to further the depth effect\n"
        "    f1 = video2d.swscale(width=ResW, height=videoH)\n\tf2 = f1\n\tf2 = DeleteFrame(f2, 0)\n"
        "\tf2 = Crop(f2, 0, 0, videoW, videoH)\n"
        "    f1 = Crop(f1, CropW, 0, videoW, videoH)\n"
        "\tOutputWidth = 640\n"
        "    OutputHeight = 360\n"
        "\tf1 = f1.DisplayRatio(1.78)\n"
        "\tf1 = f1.ResizeLetterBox(OutputWidth, OutputHeight)\n"
        "\tf2 = f2.DisplayRatio(1.78)\n"
        "\tf2 = f2.ResizeLetterBox(OutputWidth, OutputHeight)\n"
        "## Output the two video frames in a side-by-side / parallel format\n"
        "    video3d = StackHorizontal(f1, f2).swscale(colorspace=\"yv12\")\n \treturn video3d";
    EXPECT_EQ(FormatTwoDToThreeDScript("/m/in.mp4", "/t/in.ffindex", Settings(12)), expected);
}

TEST(TwoDToThreeDScript, PageFlipAndRedCyanModesDiffer)
{
    const std::string flip = FormatTwoDToThreeDScript("/s", "/c", Settings(22));
    EXPECT_NE(flip.find("\tvideo2d = ConvertFPS(video2d,15) \n## Get video"), std::string::npos);
    EXPECT_EQ(flip.find("ResW = ResW - ResW % 4"), std::string::npos);
    EXPECT_NE(flip.find("shutter glasses etc.\n    f1 = f1.ConvertToYV12.Tweak(Bright=30)\n\tf2 ="), std::string::npos);

    const std::string redCyan = FormatTwoDToThreeDScript("/s", "/c", Settings(24));
    EXPECT_NE(redCyan.find("\tf1 = DeleteFrame(video2d, 0)\n"), std::string::npos);
    EXPECT_NE(redCyan.find("final=MergeRGB(f1.ShowRed, f2.ShowGreen, f2.ShowBlue)"), std::string::npos);
    const std::string other = FormatTwoDToThreeDScript("/s", "/c", Settings(11));
    EXPECT_NE(other.find("final=MergeRGB(f2.ShowRed, f1.ShowGreen, f1.ShowBlue)"), std::string::npos);
    EXPECT_NE(other.find("## Output the two video frames in anaglyph red-cyan"), std::string::npos);
    EXPECT_EQ(other.back(), 'l');  // "return final" without a line feed
    const std::string stacked = FormatTwoDToThreeDScript("/s", "/c", Settings(19));
    EXPECT_NE(stacked.find("Above/Below format (like Sony?)\n    video3d = StackVertical(f2, f1)\n \tvw = width(f1)"),
              std::string::npos);
}

TEST(TwoDToThreeDScript, RefusedWithoutAnAviSynthReader)
{
    ASSERT_FALSE(IsAviSynthAvailable());  // Debian's FFmpeg has none
    std::wstring script, cache;
    EXPECT_EQ(BuildTwoDToThreeDScript(L"/m/in.mp4", script, Settings(12), L"in", cache), VXM_AVISYNTH_UNAVAILABLE);
    EXPECT_TRUE(script.empty());
    EXPECT_TRUE(cache.empty());
}

TEST(TwoDToThreeDScript, WriterMakesNewNamesInTheTemporaryFolder)
{
    std::wstring script, cache;
    ASSERT_EQ(WriteTwoDToThreeDScript(L"/m/in.mp4", script, Settings(12), L"title", cache), 0);
    CRemoveAfter cleanup{script};
    EXPECT_EQ(script.rfind(GetTempFolder() + L"/title-", 0), 0u);
    EXPECT_EQ(cache.rfind(GetTempFolder() + L"/title-", 0), 0u);
    EXPECT_EQ(cache.substr(cache.size() - 8), L".ffindex");
    EXPECT_FALSE(fs::exists(WideToUtf8(cache)));
    EXPECT_EQ(ReadAll(script), FormatTwoDToThreeDScript("/m/in.mp4", WideToUtf8(cache), Settings(12)));

    // Given paths are used as they are.
    vxmtest::CTempDir dir;
    std::wstring given = Utf8ToWide(dir.File("mine.avs"));
    std::wstring givenCache = L"/c/x.ffindex";
    ASSERT_EQ(WriteTwoDToThreeDScript(L"/s.mp4", given, Settings(9), L"t", givenCache), 0);
    EXPECT_EQ(given, Utf8ToWide(dir.File("mine.avs")));
    EXPECT_EQ(givenCache, L"/c/x.ffindex");
    std::wstring unwritable = L"/nonexistent/dir/x.avs";
    EXPECT_EQ(WriteTwoDToThreeDScript(L"/s.mp4", unwritable, Settings(9), L"t", givenCache), -1);
}

}  // namespace
