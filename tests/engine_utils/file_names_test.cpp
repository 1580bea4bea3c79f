// Unique output names, exclusive temporary files, folders and sizes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "VXMUtils.h"
#include "support/test_media.h"

namespace {

namespace fs = std::filesystem;

void Touch(const std::string& path)
{
    std::ofstream(path) << "x";
}

TEST(UniqueNames, FirstFreeNumberedName)
{
    vxmtest::CTempDir dir;
    Touch(dir.File("snapshot.png"));
    Touch(dir.File("snapshot_001.png"));
    std::wstring out;
    ASSERT_TRUE(MakeUniqueFilePath(Utf8ToWide(dir.Path()), L"png", out, L"snapshot"));
    EXPECT_EQ(out, Utf8ToWide(dir.File("snapshot_002.png")));
}

TEST(UniqueNames, BaseNameWhenFreeAndFolderMadeWhenMissing)
{
    vxmtest::CTempDir dir;
    const std::string folder = dir.File("new/deeper");
    std::wstring out;
    ASSERT_TRUE(MakeUniqueFilePath(Utf8ToWide(folder), L"bmp", out, L"snapshot"));
    EXPECT_EQ(out, Utf8ToWide(folder + "/snapshot.bmp"));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_FALSE(fs::exists(folder + "/snapshot.bmp"));
}

TEST(UniqueNames, FolderOrDanglingLinkCountsAsTaken)
{
    vxmtest::CTempDir dir;
    fs::create_directory(dir.File("out.mp4"));
    fs::create_symlink(dir.File("nowhere"), dir.File("out_001.mp4"));
    std::wstring out;
    ASSERT_TRUE(MakeUniqueFilePath(Utf8ToWide(dir.Path()), L"mp4", out, L"out"));
    EXPECT_EQ(out, Utf8ToWide(dir.File("out_002.mp4")));
}

TEST(UniqueNames, LastFreeNameAndThenFailureWhenAllAreTaken)
{
    vxmtest::CTempDir dir;
    Touch(dir.File("clip.mp4"));
    for (int i = 1; i <= 998; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "clip_%03d.mp4", i);
        Touch(dir.File(name));
    }
    std::wstring out;
    ASSERT_TRUE(MakeUniqueFilePath(Utf8ToWide(dir.Path()), L"mp4", out, L"clip"));
    EXPECT_EQ(out, Utf8ToWide(dir.File("clip_999.mp4")));

    Touch(dir.File("clip_999.mp4"));  // now all 1,000 names are taken
    out = L"stale";
    EXPECT_FALSE(MakeUniqueFilePath(Utf8ToWide(dir.Path()), L"mp4", out, L"clip"));
    EXPECT_TRUE(out.empty());
    // A name past the numbered range is never made up either.
    EXPECT_FALSE(fs::exists(dir.File("clip_1000.mp4")));
}

TEST(TempFiles, ParallelCallersGetDistinctNewFiles)
{
    vxmtest::CTempDir dir;
    const std::wstring folder = Utf8ToWide(dir.Path());
    constexpr int kThreads = 8;
    constexpr int kEach = 200;
    std::vector<std::vector<std::wstring>> made(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i)
                made[t].push_back(CreateUniqueTempFile(folder, L"merge-", L".txt"));
        });
    }
    for (auto& th : threads)
        th.join();
    std::set<std::wstring> all;
    for (const auto& list : made) {
        for (const auto& path : list) {
            ASSERT_FALSE(path.empty());
            EXPECT_EQ(path.rfind(folder + L"/merge-", 0), 0u);
            EXPECT_TRUE(FileExists(path));
            all.insert(path);
        }
    }
    EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
}

TEST(TempFiles, FailsInAFolderThatCannotHoldFiles)
{
    EXPECT_TRUE(CreateUniqueTempFile(L"/nonexistent/folder", L"x-", L".txt").empty());
}

TEST(Folders, CreateFolderTreeMakesEveryParent)
{
    vxmtest::CTempDir dir;
    const std::string deep = dir.File("a/b/c/");
    EXPECT_TRUE(CreateFolderTree(Utf8ToWide(deep)));
    EXPECT_TRUE(fs::is_directory(dir.File("a/b/c")));
    EXPECT_TRUE(CreateFolderTree(Utf8ToWide(deep)));
    Touch(dir.File("file"));
    EXPECT_FALSE(CreateFolderTree(Utf8ToWide(dir.File("file/sub"))));
}

TEST(Folders, FileExistsMeansReadable)
{
    vxmtest::CTempDir dir;
    Touch(dir.File("f"));
    EXPECT_TRUE(FileExists(Utf8ToWide(dir.File("f"))));
    EXPECT_FALSE(FileExists(Utf8ToWide(dir.File("missing"))));
}

TEST(Sizes, FileSizeInWholeKiBAndVolumeSizeForFolders)
{
    vxmtest::CTempDir dir;
    {
        std::ofstream f(dir.File("two_mib"), std::ios::binary);
        std::string block(1024 * 1024, 'x');
        f << block << block << "tail";  // the tail is less than a KiB
    }
    EXPECT_DOUBLE_EQ(GetDiskOrFileSizeGB(Utf8ToWide(dir.File("two_mib"))), 2.0 / 1024.0);
    const double volume = static_cast<double>(fs::space(dir.Path()).capacity / 1024) / (1024.0 * 1024.0);
    EXPECT_DOUBLE_EQ(GetDiskOrFileSizeGB(Utf8ToWide(dir.Path())), volume);
    EXPECT_GT(volume, 0.0);
}

TEST(Sizes, NoShortNames)
{
    std::wstring out = L"kept";
    EXPECT_FALSE(GetShortPath(L"/tmp", out));
    EXPECT_EQ(out, L"kept");
}

}  // namespace
