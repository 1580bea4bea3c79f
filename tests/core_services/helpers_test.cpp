// Global helpers: time and date texts, paths, text splitting, addresses, disc folders.
#include "VXMGlobal.h"
#include "core_test_support.h"
#include "platform/paths.h"
#include "ui/UITimeEdit.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

namespace fs = std::filesystem;

// One form everywhere, rounded to the tenth: a 4.972 s clip is five seconds
// long, never "4.9", and whole seconds keep their tenth.
TEST(FormatTime, TenthsAreRoundedAndAlwaysShown)
{
    EXPECT_EQ(FormatTime(4972), L"00:00:05.0");
    EXPECT_EQ(FormatTime(1950), L"00:00:02.0");
    EXPECT_EQ(FormatTime(1949), L"00:00:01.9");
    EXPECT_EQ(FormatTime(59960), L"00:01:00.0");
    EXPECT_EQ(FormatTime(62000), L"00:01:02.0");
    EXPECT_EQ(FormatTime(300), L"00:00:00.3");
    EXPECT_EQ(FormatTime(-5), L"00:00:00.0");
    EXPECT_EQ(FormatTime(3723400), L"01:02:03.4");
    EXPECT_EQ(FormatTime(360000000LL), L"100:00:00.0");
}

namespace {

long long LocalTime(int year, int month, int day, int hour, int minute, int second)
{
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return static_cast<long long>(std::mktime(&t));
}

}  // namespace

TEST(FormatDate, ChoosesTheFormByDistanceFromNow)
{
    SetProgramLocale();
    const long long now = LocalTime(2026, 6, 15, 15, 30, 0);
    EXPECT_EQ(FormatDate(LocalTime(2026, 6, 15, 9, 5, 0), now), L"09:05 AM");
    EXPECT_EQ(FormatDate(LocalTime(2026, 6, 15, 13, 45, 0), now), L"01:45 PM");
    EXPECT_EQ(FormatDate(LocalTime(2026, 6, 15, 0, 0, 0), now), L"Jun 15") << "midnight today is not later than today";
    EXPECT_EQ(FormatDate(LocalTime(2026, 6, 20, 8, 0, 0), now), L"08:00 AM") << "a future date shows its time";
    EXPECT_EQ(FormatDate(LocalTime(2026, 3, 4, 12, 0, 0), now), L"Mar 04");
    EXPECT_EQ(FormatDate(LocalTime(2026, 1, 1, 0, 0, 0), now), L"01/01/2026");
    EXPECT_EQ(FormatDate(LocalTime(2025, 12, 31, 23, 59, 0), now), L"12/31/2025");
}

TEST(FormatDate, ATimeThatCannotBeMadeLocalIsInvalid)
{
    EXPECT_EQ(FormatDate(0x7FFFFFFFFFFFFFFFLL, 0), L"Invalid DateTime");
}

TEST(Paths, JoinPathPutsExactlyOneSlashBetween)
{
    EXPECT_EQ(JoinPath(L"/a/b", L"c.mp4"), L"/a/b/c.mp4");
    EXPECT_EQ(JoinPath(L"/a/b/", L"c.mp4"), L"/a/b/c.mp4");
    EXPECT_EQ(JoinPath(L"/a/b\\", L"c.mp4"), L"/a/b/c.mp4");
    EXPECT_EQ(JoinPath(L"/a/b//\\", L"c.mp4"), L"/a/b/c.mp4");
}

TEST(Paths, InvalidFileNameCharactersBecomeUnderscores)
{
    std::wstring name = L"a:b/c\\d*e?f\"g<h>i|j.k \u00e9\n\t\x7f\x1b";
    ReplaceInvalidFileNameChars(name);
    EXPECT_EQ(name, L"a_b_c_d_e_f_g_h_i_j.k \u00e9____");
}

TEST(Paths, DataFoldersExistAndLieUnderTheMakersFolder)
{
    std::wstring data = GetAppDataFolder();
    std::wstring common = GetCommonAppDataFolder();
    EXPECT_TRUE(fs::is_directory(PathFromWide(data)));
    EXPECT_TRUE(fs::is_directory(PathFromWide(common)));
    EXPECT_EQ(PathFromWide(data).filename(), "Vexmora Professional");
    EXPECT_EQ(PathFromWide(common).filename(), "Common");
    EXPECT_EQ(PathFromWide(data).parent_path().filename(), "Kestrane");
}

TEST(Paths, ThumbnailNamesAreFreshPngNames)
{
    std::wstring a = GetTempThumbnailPath();
    std::wstring b = GetTempThumbnailPath();
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_EQ(PathFromWide(a).extension(), ".png");
    EXPECT_EQ(PathFromWide(a).filename().string().rfind("vxmthm", 0), 0u);
    EXPECT_FALSE(fs::exists(PathFromWide(a)));
}

TEST(Paths, WritableVolumes)
{
    vxmtest::CTempDir dir;
    EXPECT_TRUE(IsWritableVolume(Utf8ToWide(dir.Path())));
    EXPECT_TRUE(IsWritableVolume(Utf8ToWide(dir.File("not/yet/there"))));
    EXPECT_FALSE(IsWritableVolume(L""));
}

TEST(Text, SplitStringStartsAPieceAtEachSeparator)
{
    std::vector<std::wstring> pieces;
    EXPECT_EQ(SplitString(L"  -i a.avi -vcodec  mpeg4 -b 800k  ", L" -", pieces), 3);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces[0], L"-i a.avi");
    EXPECT_EQ(pieces[1], L"-vcodec  mpeg4");
    EXPECT_EQ(pieces[2], L"-b 800k");
    EXPECT_EQ(SplitString(L"lead -x", L" -", pieces), 2);
    EXPECT_EQ(pieces[0], L"lead");
    EXPECT_EQ(SplitString(L"   ", L" -", pieces), 0);
    EXPECT_EQ(SplitString(L"one", L"", pieces), 1);
}

TEST(Text, ConversionsAndNumbers)
{
    EXPECT_EQ(ToUTF8(L"caf\u00e9"), "caf\xc3\xa9");
    EXPECT_TRUE(ToUTF8(L"").empty());
    EXPECT_EQ(IntToString(1234), L"1234");
    EXPECT_EQ(GetFirstDriveLetter(1u << 2), L'C');
    EXPECT_EQ(GetFirstDriveLetter((1u << 25) | (1u << 30)), L'Z');
    EXPECT_EQ(GetFirstDriveLetter(1u << 30), L'\0') << "no letter beyond Z";
    int major = -1, minor = -1, build = -1;
    EXPECT_EQ(GetFileVersion(major, minor, build), 0);
    EXPECT_GE(major, 1);
}

TEST(WebAddress, AddressesAndNonAddresses)
{
    EXPECT_TRUE(IsURL(L"http://www.example.com/watch?v=abc&list=1"));
    EXPECT_TRUE(IsURL(L"https://video.example.org/a/b_(c)"));
    EXPECT_TRUE(IsURL(L"example.com"));
    EXPECT_TRUE(IsURL(L"clip.avi")) << "an extension of 2 to 6 lower-case letters passes";
    EXPECT_FALSE(IsURL(L"clip.mp4"));
    EXPECT_FALSE(IsURL(L" http://www.example.com"));
    EXPECT_FALSE(IsURL(L"http://www.example.com "));
    EXPECT_FALSE(IsURL(L"http://www.exa mple.com"));
    EXPECT_FALSE(IsURL(L"HTTP://WWW.EXAMPLE.COM"));
    EXPECT_FALSE(IsURL(L"http://localhost"));
    EXPECT_FALSE(IsURL(L"http://192.168.0.1/"));
    EXPECT_FALSE(IsURL(L"C:\\Videos\\clip.avi"));
    EXPECT_FALSE(IsURL(L""));
}

TEST(WebAddress, AHugeTextIsNoAddressAndDoesNotCrash)
{
    std::wstring huge = L"http://www.example.com/" + std::wstring(100000, L'a');
    EXPECT_FALSE(IsURL(huge));
    std::wstring hugeHost = std::wstring(100000, L'a') + L".com";
    EXPECT_FALSE(IsURL(hugeHost));
}

TEST(WebAddress, MakerPagesFollowTheLanguage)
{
    std::wstring ja = GetOnlineHelpURL(L"ja");
    EXPECT_EQ(ja.substr(ja.size() - 20), L"/online_help_pro/ja/");
    EXPECT_NE(GetOnlineHelpURL(L"de").find(L"/online_help_pro/de/"), std::wstring::npos);
    EXPECT_NE(GetOnlineHelpURL(L"zh_tw").find(L"/online_help_pro/en/"), std::wstring::npos);
    EXPECT_NE(GetOnlineHelpURL(L"JA").find(L"/online_help_pro/en/"), std::wstring::npos) << "letter case counts";
    EXPECT_NE(GetProductPageURL(L"zh_tw").find(L"/tw"), std::wstring::npos);
    std::wstring de = GetProductPageURL(L"de");
    EXPECT_EQ(de.substr(de.size() - 3), L"/de");
    EXPECT_NE(GetProductPageURL(L"DE").find(L"/products/for_video/"), std::wstring::npos);
    EXPECT_NE(GetProductPageURL(L"ja"), GetProductPageURL(L"en"));
    EXPECT_FALSE(GetInstallerDownloadURL().empty());
    EXPECT_TRUE(IsURL(GetProductPageURL(L"en")));
}

namespace {

class DiscFolderTest : public ::testing::Test {
protected:
    fs::path Make(const std::string& relative, bool file = false)
    {
        fs::path p = fs::path(m_dir.Path()) / relative;
        if (file) {
            fs::create_directories(p.parent_path());
            std::ofstream(p) << "x";
        } else {
            fs::create_directories(p);
        }
        return p;
    }
    vxmtest::CTempDir m_dir;
};

}  // namespace

TEST_F(DiscFolderTest, ADvdFolderHoldsVideoTsWithItsIfo)
{
    Make("disc/VIDEO_TS/VIDEO_TS.IFO", true);
    fs::path disc = fs::path(m_dir.Path()) / "disc";
    EXPECT_TRUE(IsDVDFolder(WideFromPath(disc)));
    EXPECT_TRUE(IsDVDFolder(WideFromPath(disc) + L"/"));
    EXPECT_TRUE(IsDVDFolder(WideFromPath(disc / "VIDEO_TS"))) << "the VIDEO_TS folder itself";
}

TEST_F(DiscFolderTest, LetterCaseOfTheDiscNamesDoesNotMatter)
{
    Make("lower/video_ts/video_ts.ifo", true);
    fs::path lower = fs::path(m_dir.Path()) / "lower";
    EXPECT_TRUE(IsDVDFolder(WideFromPath(lower)));
    EXPECT_TRUE(IsDVDFolder(WideFromPath(lower / "video_ts")));
}

TEST_F(DiscFolderTest, NoIfoOrNoFolderIsNoDvd)
{
    Make("empty/VIDEO_TS");
    EXPECT_FALSE(IsDVDFolder(WideFromPath(fs::path(m_dir.Path()) / "empty")));
    EXPECT_FALSE(IsDVDFolder(WideFromPath(fs::path(m_dir.Path()) / "missing")));
    EXPECT_FALSE(IsDVDFolder(L""));
    Make("ifofolder/VIDEO_TS/VIDEO_TS.IFO");  // a folder, not a file
    EXPECT_FALSE(IsDVDFolder(WideFromPath(fs::path(m_dir.Path()) / "ifofolder")));
}

TEST_F(DiscFolderTest, BluRayFoldersAndEncryptedOnes)
{
    std::vector<std::wstring> boxes;
    SetGlobalUIHooks({nullptr, [](const std::wstring& id) { return L"[" + id + L"]"; },
                      [&](const std::wstring& text, const std::wstring&) { boxes.push_back(text); }});
    Make("bd/BDMV");
    Make("bdlower/bdmv");
    Make("crypted/BDMV");
    Make("crypted/aacs");
    EXPECT_TRUE(IsBDFolder(WideFromPath(fs::path(m_dir.Path()) / "bd")));
    EXPECT_TRUE(IsBDFolder(WideFromPath(fs::path(m_dir.Path()) / "bdlower")));
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(IsBDFolder(WideFromPath(fs::path(m_dir.Path()) / "crypted")));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], L"[ID_STRING_BD_CRYPTED]");
    EXPECT_FALSE(IsBDFolder(WideFromPath(fs::path(m_dir.Path()) / "nothing")));
    SetGlobalUIHooks({});
}

TEST(Gpu, AMissingDriverMeansNoGpuEveryTime)
{
    EXPECT_EQ(ProbeCUDALibrary("libvxm-no-such-cuda.so.1"), 0);
    EXPECT_EQ(ProbeCUDALibrary("libm.so.6"), 0) << "a library without the driver's functions";
    int first = IsCUDAAvailable();
    EXPECT_TRUE(first == 0 || first == 1);
    EXPECT_EQ(IsCUDAAvailable(), first);
}
