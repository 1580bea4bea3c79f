// A file changed through a copy beside it: edits that move megabytes land
// where they should, each byte written once, the file keeps its mode and times, and until the copy is
// committed (or when someone else changed the file meanwhile) the file is as
// it was and no copy is left behind.
#include "platform/filecontent.h"
#include "platform/text.h"

#include "support/test_media.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> Entries(const std::string& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    return names;
}

TEST(FileEditCopy, EditsMovingMegabytesReplaceTheFileOnlyWhenCommittedWithItsModeAndTimes)
{
    vxmtest::CTempDir dir;
    const std::string file = dir.File("Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu.mp4");
    std::string expected(5 * (1 << 19) + 17, '\0');  // two and a half chunks of the copy's buffer
    for (std::size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<char>(i * 7 % 251);
    WriteBytes(file, expected);
    ASSERT_EQ(chmod(file.c_str(), 0604), 0);
    const auto written = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time(file, written);
    const std::string original = ReadBytes(file);

    {
        CFileEditCopy copy;
        ASSERT_TRUE(copy.Open(Utf8ToWide(file))) << copy.Why();
        ASSERT_TRUE(copy.MakeCopy()) << copy.Why();
        const std::vector<std::string> names = Entries(dir.Path());
        ASSERT_EQ(names.size(), 2u);
        const std::string hidden = names[0][0] == '.' ? names[0] : names[1];
        EXPECT_EQ(hidden.rfind(".Caf\xc3\xa9 d\xc3\xa9j\xc3\xa0 vu.mp4.", 0), 0u) << hidden;

        // A tag grows at the start (everything after it moves towards the end),
        // a block is cut in the middle, a trailer goes at the end.
        copy.Insert(10, "a bigger header", 4);
        expected.replace(10, 4, "a bigger header");
        copy.Remove((1 << 20) + 5, (1 << 20) + 3);
        expected.erase((1 << 20) + 5, (1 << 20) + 3);
        copy.Insert(expected.size(), "trailer", 0);
        expected += "trailer";
        copy.Insert(3, "", 2);
        expected.erase(3, 2);
        ASSERT_FALSE(copy.Failed()) << copy.Why();
        EXPECT_EQ(copy.Size(), expected.size());
        std::string back(expected.size(), '\0');
        EXPECT_EQ(copy.Read(0, back.data(), back.size()), expected.size());
        EXPECT_EQ(back, expected);
        EXPECT_EQ(ReadBytes(file), original);
    }
    // Not committed: nothing changed, nothing left.
    EXPECT_EQ(ReadBytes(file), original);
    EXPECT_EQ(Entries(dir.Path()).size(), 1u);

    {
        CFileEditCopy copy;
        ASSERT_TRUE(copy.Open(Utf8ToWide(file)) && copy.MakeCopy()) << copy.Why();
        copy.Insert(10, "a bigger header", 4);
        copy.Remove((1 << 20) + 5, (1 << 20) + 3);
        copy.Insert(copy.Size(), "trailer", 0);
        copy.Insert(3, "", 2);
        ASSERT_TRUE(copy.Commit()) << copy.Why();
        // Each byte was written once, however far the edits moved it.
        EXPECT_LE(copy.Written(), expected.size());
    }
    EXPECT_EQ(ReadBytes(file), expected);
    struct stat st {};
    ASSERT_EQ(stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(fs::last_write_time(file), written);
    EXPECT_EQ(Entries(dir.Path()).size(), 1u);

    // Another program writes the file while its copy is edited: its content stays.
    {
        CFileEditCopy copy;
        ASSERT_TRUE(copy.Open(Utf8ToWide(file)) && copy.MakeCopy()) << copy.Why();
        copy.Write(0, "old content, edited");
        WriteBytes(file, "the other program's content");
        EXPECT_FALSE(copy.Commit());
        EXPECT_NE(copy.Why().find("changed by another program"), std::string::npos) << copy.Why();
    }
    EXPECT_EQ(ReadBytes(file), "the other program's content");
    EXPECT_EQ(Entries(dir.Path()).size(), 1u);
}

TEST(FileEditCopy, AFileWhoseNameIsAsLongAsAllowedGetsACopyBesideIt)
{
    vxmtest::CTempDir dir;
    std::string name;
    while (name.size() + 3 + 4 <= 255) name += "\xe6\x9d\xb1";  // 東
    name += ".mp3";
    const std::string file = dir.File(name);
    WriteBytes(file, "ID3 and some audio");
    CFileEditCopy copy;
    ASSERT_TRUE(copy.Open(Utf8ToWide(file)) && copy.MakeCopy()) << copy.Why();
    copy.Write(0, "id3");
    ASSERT_TRUE(copy.Commit()) << copy.Why();
    EXPECT_EQ(ReadBytes(file), "id3 and some audio");
}

}  // namespace
