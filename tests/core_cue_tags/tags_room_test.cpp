// Tags go into files of any size with the memory of a small one, and a file
// whose copy or new tags find no room on its disk is left as it was, the
// user told why.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>

#include <taglib/wavfile.h>

#include "MediaTags.h"
#include "platform/text.h"
#include "support/test_media.h"

namespace fs = std::filesystem;
using vxmtest::CTempDir;
using vxmtest::RunFfmpeg;

namespace {

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int FilesIn(const std::string& folder)
{
    int count = 0;
    for (const auto& entry : fs::directory_iterator(folder)) count += entry.is_regular_file() ? 1 : 0;
    return count;
}

VXM_MEDIA_TAGS Tags(const std::string& cover)
{
    VXM_MEDIA_TAGS tags;
    tags.title = L"Stille \u2013 \u591c";
    tags.artist = L"Zo\u00eb";
    tags.year = L"2024";
    tags.cover = Utf8ToWide(cover);
    return tags;
}

// For the scope, the process may map no more than `extra` bytes beyond what
// it maps now (sanitizers reserve address space of their own: no limit then).
class CAddressSpaceLimit {
public:
    explicit CAddressSpaceLimit(std::uint64_t extra)
    {
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        std::ifstream status("/proc/self/status");
        std::string line;
        std::uint64_t mappedKb = 0;
        while (std::getline(status, line))
            if (line.rfind("VmSize:", 0) == 0) mappedKb = std::stoull(line.substr(7));
        getrlimit(RLIMIT_AS, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = mappedKb * 1024 + extra;
        m_set = mappedKb > 0 && setrlimit(RLIMIT_AS, &limit) == 0;
#else
        (void)extra;
#endif
    }
    ~CAddressSpaceLimit()
    {
        if (m_set) setrlimit(RLIMIT_AS, &m_old);
    }

private:
    rlimit m_old{};
    bool m_set = false;
};

TEST(TagRoom, ALongFileIsTaggedWithTheMemoryOfASmallOneAndStaysSparse)
{
    CTempDir dir;
    const std::string wav = dir.File("Stille \xe2\x80\x93 drei Stunden.wav");
    const std::uint32_t dataBytes = 3u << 30;
    ASSERT_TRUE(vxmtest::MakeSparseSilence(wav, dataBytes));  // three hours
    struct stat before {};
    ASSERT_EQ(stat(wav.c_str(), &before), 0);
    if (std::uint64_t(before.st_blocks) * 512 > (1u << 20)) GTEST_SKIP() << "this file system keeps no holes";
    ASSERT_EQ(chmod(wav.c_str(), 0640), 0);
    const fs::file_time_type written = fs::last_write_time(wav) - std::chrono::hours(30);
    fs::last_write_time(wav, written);
    const std::string cover = dir.File("pochette.jpg");
    std::ofstream(cover, std::ios::binary) << "\xFF\xD8\xFF\xE0" << std::string(20000, 'c');

    std::string why;
    int result = kTagsNotWritten;
    {
        // Far less than the file: nothing may hold it in memory.
        CAddressSpaceLimit limit(std::uint64_t{128} << 20);
        result = WriteMediaTagsToFile(Utf8ToWide(wav), Tags(cover), true, &why);
    }
    ASSERT_EQ(result, kTagsWritten) << why;

    VXM_MEDIA_TAGS read;
    ASSERT_EQ(ReadMediaTagsFromFile(Utf8ToWide(wav), read, L""), 1);
    EXPECT_EQ(read.title, Tags("").title);
    {
        TagLib::RIFF::WAV::File file(wav.c_str());
        ASSERT_TRUE(file.isValid());
        EXPECT_EQ(file.audioProperties()->lengthInSeconds(), int(dataBytes / (44100 * 4)));
    }
    struct stat after {};
    ASSERT_EQ(stat(wav.c_str(), &after), 0);
    EXPECT_GT(after.st_size, before.st_size);
    EXPECT_LT(after.st_size, before.st_size + (1 << 20));
    EXPECT_LT(std::uint64_t(after.st_blocks) * 512, std::uint64_t{2} << 20);  // the hole stayed a hole
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(fs::last_write_time(wav), written);
    EXPECT_EQ(FilesIn(dir.Path()), 2);  // the WAV and the cover: no copy left
}

// Runs `body` in a child process where `folder` is a file system of `bytes`
// (its own mount namespace). The body's text comes back in `text`.
enum class Ran { kYes, kNoFileSystem, kFailed };
Ran RunOnSmallFileSystem(const std::string& folder, std::size_t bytes, const std::function<std::string()>& body,
                          std::string& text)
{
    int channel[2];
    if (pipe(channel) != 0) return Ran::kFailed;
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const uid_t uid = getuid();
        const gid_t gid = getgid();
        auto put = [](const char* file, const std::string& line) {
            std::ofstream out(file);
            out << line;
            out.close();
            return bool(out);
        };
        bool ready = unshare(CLONE_NEWNS) == 0 ||
                     (unshare(CLONE_NEWUSER | CLONE_NEWNS) == 0 && put("/proc/self/setgroups", "deny") &&
                      put("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") &&
                      put("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"));
        ready = ready && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                mount("vxmtest", folder.c_str(), "tmpfs", 0, ("size=" + std::to_string(bytes)).c_str()) == 0;
        const std::string out = ready ? body() : std::string();
        const bool sent = write(channel[1], out.data(), out.size()) == ssize_t(out.size());
        _exit(!ready ? 77 : sent ? 0 : 1);
    }
    close(channel[1]);
    if (child < 0) {
        close(channel[0]);
        return Ran::kFailed;
    }
    char buffer[4096];
    ssize_t n;
    text.clear();
    while ((n = read(channel[0], buffer, sizeof buffer)) > 0) text.append(buffer, std::size_t(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) return Ran::kNoFileSystem;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? Ran::kYes : Ran::kFailed;
}

TEST(TagRoom, AFileWithoutRoomForItsCopyOrItsNewTagsIsLeftAsItWas)
{
    CTempDir dir;
    const std::string large = dir.File("\xe5\xa4\x9c\xe3\x81\xae\xe3\x83\x89\xe3\x83\xa9\xe3\x82\xa4\xe3\x83\x96.mp3");
    const std::string small = dir.File("Caf\xc3\xa9 del Mar.mp3");
    // About 600 and 400 KB, on a disk of 1 MB.
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=38", "-c:a", "libmp3lame", "-b:a",
                           "128k", large}));
    ASSERT_TRUE(RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=330:duration=25", "-c:a", "libmp3lame", "-b:a",
                           "128k", small}));
    const std::string cover = dir.File("grande pochette.jpg");
    std::ofstream(cover, std::ios::binary) << "\xFF\xD8\xFF\xE0" << std::string(300 << 10, 'c');
    const std::string disk = dir.File("disk");
    fs::create_directory(disk);

    // Each line: the writer's result, whether the file is unchanged, the files
    // on the disk, and why.
    auto tag = [&](const std::string& original, const std::string& coverFile) {
        const std::string file = disk + "/" + fs::path(original).filename().string();
        fs::copy_file(original, file);
        std::string why;
        const int result = WriteMediaTagsToFile(Utf8ToWide(file), Tags(coverFile), false, &why);
        std::ostringstream line;
        line << result << '\t' << (ReadBytes(file) == ReadBytes(original)) << '\t' << FilesIn(disk) << '\t' << why
             << '\n';
        fs::remove(file);
        return line.str();
    };
    std::string text;
    const Ran ran = RunOnSmallFileSystem(disk, 1 << 20, [&] {
        return tag(large, cover) + tag(small, cover) + tag(small, "");
    }, text);
    if (ran == Ran::kNoFileSystem) GTEST_SKIP() << "no file system of its own can be mounted here";
    ASSERT_EQ(ran, Ran::kYes) << text;

    std::istringstream lines(text);
    std::string noRoomForCopy, noRoomForTags, fits;
    std::getline(lines, noRoomForCopy);
    std::getline(lines, noRoomForTags);
    std::getline(lines, fits);
    // The copy would not fit: refused before anything is written.
    EXPECT_EQ(noRoomForCopy.rfind("-1\t1\t1\tNo space left on device (a copy of ", 0), 0u) << noRoomForCopy;
    // The copy fits, the new cover does not.
    EXPECT_EQ(noRoomForTags, "-1\t1\t1\tNo space left on device") << noRoomForTags;
    // Small tags fit: the disk itself is sound.
    EXPECT_EQ(fits, "1\t0\t1\t") << fits;
}

}  // namespace
