#include "dvd_fixture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>

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

std::string MakeDvd(const vxmtest::CTempDir& dir)
{
    const std::string disc = dir.File("MY_DISC");
    if (!MakeClip(dir.File("one.mpg"), kTitle1Seconds, 1) || !MakeClip(dir.File("two.mpg"), kTitle2Seconds, 2))
        return {};
    if (!Author(disc, dir.File("one.mpg"), "0,1", "ac3+en") ||
        !Author(disc, dir.File("two.mpg"), "0,1,2", "ac3+en,ac3+de"))
        return {};
    std::string output;
    if (vxmtest::RunProgram({"/usr/bin/env", "VIDEO_FORMAT=PAL", "dvdauthor", "-o", disc, "-T"}, &output) != 0)
        return {};
    return disc;
}

}  // namespace

const std::string& TestDvd()
{
    static const std::unique_ptr<vxmtest::CTempDir> dir = std::make_unique<vxmtest::CTempDir>();
    static const std::string disc = MakeDvd(*dir);
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

bool CNotifyWindow::WaitFor(UINT message, int timeoutMs)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Count(message) == 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        MSG msg;
        if (GetMessageTimeout(&msg, static_cast<DWORD>(std::min<long long>(left.count(), 50))))
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
