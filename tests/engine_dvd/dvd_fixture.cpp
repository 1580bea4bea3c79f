#include "dvd_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "VXMMessages.h"
#include "support/test_media.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace dvdtest {

namespace {

bool MakeClip(const std::string& path, double seconds, int audioTracks)
{
    const std::string t = std::to_string(seconds);
    std::vector<std::string> args = {"-f", "lavfi", "-i", "testsrc=size=352x288:rate=25",
                                     "-f", "lavfi", "-i", "sine=f=440:sample_rate=48000",
                                     "-f", "lavfi", "-i", "sine=f=660:sample_rate=48000",
                                     "-map", "0:v"};
    for (int i = 0; i < audioTracks; ++i) {
        args.push_back("-map");
        args.push_back(std::to_string(1 + i) + ":a");
    }
    for (const char* a : {"-t", "", "-target", "pal-dvd", "-s", "352x288", "-b:v", "1000k", "-b:a", "128k"})
        args.push_back(a);
    args[args.size() - 9] = t;
    args.push_back(path);
    return vxmtest::RunFfmpeg(args);
}

bool Author(const std::string& disc, const std::string& clip, const std::string& chapters, const std::string& audio)
{
    std::string output;
    return vxmtest::RunProgram({"/usr/bin/env", "VIDEO_FORMAT=PAL", "dvdauthor", "-o", disc, "-t", "-a", audio, "-c",
                                chapters, clip},
                               &output) == 0;
}

// Made once per build folder under a file lock, like the standard clips,
// and shared by every test process (no test changes it).
std::string MakeDvd()
{
    const std::string folder = std::string(VXM_BINARY_DIR) + "/tests/media/dvd-v1";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const int lock = ::open((folder + "/.lock").c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644);
    if (lock >= 0)
        ::flock(lock, LOCK_EX);
    struct Unlock {
        int fd;
        ~Unlock()
        {
            if (fd >= 0)
                ::close(fd);
        }
    } unlock{lock};
    const std::string disc = folder + "/MY_DISC";
    const std::string stamp = folder + "/.complete";
    if (std::filesystem::exists(stamp))
        return disc;
    std::filesystem::remove_all(disc, ec);
    const std::string one = folder + "/one.mpg", two = folder + "/two.mpg";
    if (!MakeClip(one, kTitle1Seconds, 1) || !MakeClip(two, kTitle2Seconds, 2))
        return {};
    if (!Author(disc, one, "0,1", "ac3+en") || !Author(disc, two, "0,1,2", "ac3+en,ac3+de"))
        return {};
    std::string output;
    if (vxmtest::RunProgram({"/usr/bin/env", "VIDEO_FORMAT=PAL", "dvdauthor", "-o", disc, "-T"}, &output) != 0)
        return {};
    std::filesystem::remove(one, ec);
    std::filesystem::remove(two, ec);
    std::ofstream(stamp) << "ok\n";
    return disc;
}

}  // namespace

const std::string& TestDvd()
{
    static const std::string disc = MakeDvd();
    return disc;
}

CNotifyWindow::CNotifyWindow()
    : m_window([this](HWND, UINT msg, WPARAM wParam, LPARAM lParam) -> LRESULT {
          long long value = static_cast<long long>(wParam);
          if (msg == WM_VXM_DVD_PARSED && wParam)
              value = *reinterpret_cast<const int*>(wParam);
          m_messages.emplace_back(msg, value);
          if (m_onMessage)
              m_onMessage(msg, wParam, lParam);
          return 0;
      })
{
}

bool CNotifyWindow::WaitFor(UINT message)
{
    while (Count(message) == 0) {
        MSG msg;
        if (GetMessageTimeout(&msg, 50))
            DispatchMessage(&msg);
    }
    return true;
}

int CNotifyWindow::Count(UINT message) const
{
    int n = 0;
    for (const auto& m : m_messages)
        n += m.first == message;
    return n;
}

long long CNotifyWindow::Last(UINT message) const
{
    for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
        if (it->first == message)
            return it->second;
    return -1;
}

double FileSeconds(const std::string& path)
{
    AVFormatContext* ctx = nullptr;
    if (avformat_open_input(&ctx, path.c_str(), nullptr, nullptr) < 0)
        return -1;
    double seconds = -1;
    if (avformat_find_stream_info(ctx, nullptr) >= 0 && ctx->duration > 0)
        seconds = ctx->duration / static_cast<double>(AV_TIME_BASE);
    avformat_close_input(&ctx);
    return seconds;
}

}  // namespace dvdtest
