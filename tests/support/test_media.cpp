#include "support/test_media.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vxmtest {
namespace fs = std::filesystem;

CTempDir::CTempDir()
{
    std::string pattern = (fs::temp_directory_path() / "vxmtest-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()))
        m_path = buf.data();
}

CTempDir::~CTempDir()
{
    std::error_code ec;
    if (!m_path.empty())
        fs::remove_all(m_path, ec);
}

int RunProgram(const std::vector<std::string>& argv, std::string* output)
{
    if (argv.empty())
        return -1;
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    int pipefd[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (output) {
        if (::pipe(pipefd) != 0)
            return -1;
        posix_spawn_file_actions_adddup2(&actions, pipefd[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipefd[1], 2);
        posix_spawn_file_actions_addclose(&actions, pipefd[0]);
        posix_spawn_file_actions_addclose(&actions, pipefd[1]);
    }
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (output) {
        ::close(pipefd[1]);
        if (rc == 0) {
            char chunk[4096];
            ssize_t n;
            while ((n = ::read(pipefd[0], chunk, sizeof chunk)) > 0)
                output->append(chunk, static_cast<size_t>(n));
        }
        ::close(pipefd[0]);
    }
    if (rc != 0)
        return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool RunFfmpeg(const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {"ffmpeg", "-nostdin", "-hide_banner", "-loglevel", "error", "-y"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string out;
    int rc = RunProgram(argv, &out);
    if (rc != 0)
        std::fprintf(stderr, "ffmpeg failed (%d): %s\n", rc, out.c_str());
    return rc == 0;
}

bool MakeVideoClip(const std::string& path, double seconds, int width, int height,
                   const std::vector<std::string>& extraOutputArgs)
{
    std::string d = std::to_string(seconds);
    std::vector<std::string> args = {
        "-f", "lavfi", "-i", "testsrc=size=" + std::to_string(width) + "x" + std::to_string(height) + ":rate=25:duration=" + d,
        "-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=" + d,
        "-shortest"};
    args.insert(args.end(), extraOutputArgs.begin(), extraOutputArgs.end());
    args.push_back(path);
    return RunFfmpeg(args);
}

namespace {

// The clips are shared by every test process of a build: made once under a
// file lock in the build's tests folder, marked complete by a stamp file.
struct MediaFolder {
    std::string path;
    std::string File(const std::string& name) const { return path + "/" + name; }
};

TestMedia MakeAll()
{
    TestMedia m;
    MediaFolder dir{std::string(VXM_BINARY_DIR) + "/tests/media"};
    std::error_code ec;
    fs::create_directories(dir.path, ec);
    m.folder = dir.path;
    int lock = ::open(dir.File(".lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock >= 0)
        ::flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock() { if (fd >= 0) ::close(fd); }
    } unlock{lock};
    m.mp4 = dir.File("clip.mp4");
    m.mkv = dir.File("clip.mkv");
    m.mp3 = dir.File("tone.mp3");
    m.wav = dir.File("tone.wav");
    m.srt = dir.File("subs.srt");
    m.subtitled = dir.File("subtitled.mkv");
    m.corrupt = dir.File("corrupt.mp4");
    const std::string stamp = dir.File(".complete-v1");
    if (fs::exists(stamp))
        return m;

    MakeVideoClip(m.mp4, 2.0, 160, 120, {"-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac"});
    MakeVideoClip(m.mkv, 2.0, 160, 120, {"-c:v", "mpeg4", "-c:a", "libmp3lame"});
    RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:a", "libmp3lame", m.mp3});
    RunFfmpeg({"-f", "lavfi", "-i", "sine=frequency=440:sample_rate=44100:duration=2", "-ac", "2", "-c:a", "pcm_s16le", m.wav});
    {
        std::ofstream srt(m.srt);
        srt << "1\n00:00:00,000 --> 00:00:01,000\nFirst line\n\n2\n00:00:01,000 --> 00:00:02,000\nSecond line\n";
    }
    RunFfmpeg({"-i", m.mkv, "-i", m.srt, "-map", "0", "-map", "1", "-c", "copy", "-c:s", "srt", m.subtitled});
    {
        std::ifstream in(m.mp4, std::ios::binary);
        std::vector<char> head(3000);
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream out(m.corrupt, std::ios::binary);
        out.write(head.data(), in.gcount());
    }
    std::ofstream(stamp) << "ok\n";
    return m;
}

}  // namespace

const TestMedia& GetTestMedia()
{
    static std::once_flag once;
    static TestMedia media;
    std::call_once(once, [] { media = MakeAll(); });
    return media;
}

bool MakeSparseSilence(const std::string& path, std::uint32_t dataBytes)
{
    auto u32 = [](std::uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](std::uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::ofstream out(path, std::ios::binary);
    out << "RIFF" << u32(36 + dataBytes) << "WAVE" << "fmt " << u32(16) << u16(1) << u16(2) << u32(44100)
        << u32(44100 * 4) << u16(4) << u16(16) << "data" << u32(dataBytes);
    out.close();
    std::error_code ec;
    std::filesystem::resize_file(path, 44 + std::uint64_t{dataBytes}, ec);
    return out && !ec;
}

std::string FileFingerprint(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return "missing";
    std::string print = std::to_string(st.st_ino) + " " + std::to_string(st.st_size) + " " +
                        std::to_string(st.st_mode) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
                        std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_ctim.tv_sec) + "." +
                        std::to_string(st.st_ctim.tv_nsec) + "\n";
    const std::streamoff part = std::min<std::streamoff>(65536, st.st_size);
    std::ifstream in(path, std::ios::binary);
    std::string head(static_cast<size_t>(part), '\0'), tail(static_cast<size_t>(part), '\0');
    in.read(head.data(), part);
    in.seekg(-part, std::ios::end);
    in.read(tail.data(), part);
    return print + head + tail;
}

}  // namespace vxmtest
