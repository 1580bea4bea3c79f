// Paths and wide text meet without the C++ locale: every name a user can
// have survives the way to the file system and back, and names are cut by
// their UTF-8 bytes between characters.
#include "platform/paths.h"
#include "platform/text.h"

#include "support/test_media.h"
#include "support/user_names.h"

#include <gtest/gtest.h>

#include <clocale>
#include <fstream>
#include <locale>
#include <set>

namespace {

namespace fs = std::filesystem;

TEST(PathsAndWideText, EveryUserNameMakesTheSameFileAndComesBackUnderTheCLocale)
{
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
    vxmtest::CTempDir dir;
    const std::wstring folder = Utf8ToWide(dir.Path());
    std::set<std::wstring> made;
    for (const auto& name : vxmtest::UserFileNames()) {
        const std::wstring wide = folder + L"/" + Utf8ToWide(name.bytes);
        const fs::path path = PathFromWide(wide);
        EXPECT_EQ(path.native(), dir.File(name.bytes)) << name.label;
        std::ofstream(path) << "x";
        EXPECT_TRUE(fs::exists(dir.File(name.bytes))) << name.label;
        EXPECT_EQ(WideFromPath(path), wide) << name.label;
        made.insert(Utf8ToWide(name.bytes));
    }
    std::set<std::wstring> listed;
    for (const auto& entry : fs::directory_iterator(PathFromWide(folder)))
        listed.insert(WideFromPath(entry.path().filename()));
    EXPECT_EQ(listed, made);
}

TEST(PathsAndWideText, NonUtf8BytesAreCarriedAsEscapes)
{
    const std::wstring wide = WideFromPath(fs::path("/tmp/\xFF\xFE.mp4"));
    EXPECT_EQ(wide, std::wstring(L"/tmp/") + wchar_t(0xDCFF) + wchar_t(0xDCFE) + L".mp4");
    EXPECT_EQ(PathFromWide(wide).native(), "/tmp/\xFF\xFE.mp4");
}

TEST(CutUtf8Bytes, CutsBetweenCharactersAtTheByteLimit)
{
    const std::wstring tokyo = Utf8ToWide("\xE6\x9D\xB1\xE4\xBA\xAC");  // two 3-byte characters
    EXPECT_EQ(CutUtf8Bytes(tokyo, 6), tokyo);
    EXPECT_EQ(CutUtf8Bytes(tokyo, 5), tokyo.substr(0, 1));
    EXPECT_EQ(CutUtf8Bytes(tokyo, 2), L"");
    const std::wstring clip = Utf8ToWide("a\xF0\x9F\x8E\xAC");  // 'a' and a 4-byte emoji
    EXPECT_EQ(CutUtf8Bytes(clip, 4), L"a");
    EXPECT_EQ(CutUtf8Bytes(clip, 5), clip);
    // A UTF-16 pair is one 4-byte character and never split.
    const std::wstring pair = {L'a', wchar_t(0xD83C), wchar_t(0xDFAC)};
    EXPECT_EQ(CutUtf8Bytes(pair, 4), L"a");
    EXPECT_EQ(WideToUtf8(CutUtf8Bytes(pair, 5)), WideToUtf8(pair));
    EXPECT_EQ(CutUtf8Bytes(L"abc", 0), L"");
}

TEST(CutUtf8Bytes, CarriedBytesCountAsOneAndTheResultFitsEveryLimit)
{
    const std::wstring bytes = Utf8ToWide("\xFF\xFE" "ab");
    EXPECT_EQ(CutUtf8Bytes(bytes, 2), bytes.substr(0, 2));
    for (const auto& name : vxmtest::UserFileNames()) {
        const std::wstring wide = Utf8ToWide(name.bytes);
        for (size_t limit = 0; limit <= name.bytes.size() + 1; ++limit) {
            const std::wstring kept = CutUtf8Bytes(wide, limit);
            const std::string cut = WideToUtf8(kept);
            ASSERT_LE(cut.size(), limit) << name.label;
            ASSERT_EQ(name.bytes.compare(0, cut.size(), cut), 0) << name.label;
            // The last boundary that fits: one character more would not.
            if (kept.size() < wide.size()) {
                ASSERT_GT(WideToUtf8(wide.substr(0, kept.size() + 1)).size(), limit) << name.label;
            }
        }
    }
}

}  // namespace
