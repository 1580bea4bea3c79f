#include "player_support.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <cstdlib>

#include "VXMUtils.h"
#include "probe_media.h"

namespace playertest {

void CTestHost::Present(const void* pixels, int pitch, int width, int height, const RECT& changed)
{
    std::lock_guard<std::mutex> lock(m_lock);
    for (int y = changed.top; y < changed.bottom && y < height && y < m_h; y++) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(pixels) + y * pitch);
        for (int x = changed.left; x < changed.right && x < width && x < m_w; x++)
            m_pixels[static_cast<size_t>(y) * m_w + x] = row[x];
    }
    m_presents++;
}

bool CTestHost::WaitPresents(int count) const
{
    while (m_presents.load() < count) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

CPixel CTestHost::At(int x, int y) const
{
    std::lock_guard<std::mutex> lock(m_lock);
    uint32_t p = m_pixels[static_cast<size_t>(y) * m_w + x];
    return CPixel{static_cast<int>((p >> 16) & 0xff), static_cast<int>((p >> 8) & 0xff), static_cast<int>(p & 0xff)};
}

double CTestHost::MeanLevel(int x0, int y0, int w, int h) const
{
    double sum = 0;
    for (int y = y0; y < y0 + h; y++)
        for (int x = x0; x < x0 + w; x++) {
            CPixel p = At(x, y);
            sum += (p.r + p.g + p.b) / 3.0;
        }
    return sum / (static_cast<double>(w) * h);
}

CRecorder::CRecorder()
    : m_window([this](HWND, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
          m_messages.push_back({msg, w, l});
          return 0;
      })
{
}

bool CRecorder::PumpUntil(const std::function<bool()>& pred)
{
    for (Pump(); !pred(); Pump()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

void CRecorder::Pump()
{
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&msg);
}

int CRecorder::CountOf(UINT message) const
{
    int n = 0;
    for (const CPosted& p : m_messages) n += p.message == message;
    return n;
}

CPosted CRecorder::LastOf(UINT message) const
{
    for (auto it = m_messages.rbegin(); it != m_messages.rend(); ++it)
        if (it->message == message) return *it;
    ADD_FAILURE() << "no message " << message;
    return {};
}

CHostWindow::CHostWindow(int w, int h)
    : m_window([](HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }), m_host(std::make_shared<CTestHost>(w, h))
{
    RegisterPlayerHost(m_window.Get(), m_host);
    setenv("SDL_WINDOWID", std::to_string(reinterpret_cast<uintptr_t>(m_window.Get())).c_str(), 1);
}

CHostWindow::~CHostWindow()
{
    unsetenv("SDL_WINDOWID");
    UnregisterPlayerHost(m_window.Get());
}

CPlayerRun::CPlayerRun(const std::string& path, HWND notify, const std::wstring& extraOptions)
{
    const std::wstring source = AnsiToWide(path);
    m_media.SetSourcePath(source);
    {
        CCmdFFplay probe;
        probe_media_with_context(L"ffmpeg -i \"" + source + L"\"", &m_media, &probe);
    }
    m_runner = new CCmdFFplay();
    m_runner->m_nMode = 1;
    m_runner->m_pMedia = &m_media;
    m_runner->m_hNotifyWnd = notify;
    m_media.m_pPreviewRunner = m_runner;
    m_line = L"\"ffplay\" " + extraOptions + L" \"" + source + L"\"";
}

CPlayerRun::~CPlayerRun()
{
    Stop();
    Join();
    m_media.m_pPreviewRunner = nullptr;
    delete m_runner;
}

void CPlayerRun::Start()
{
    m_thread = std::thread([this] {
        m_result = ffplay_play(const_cast<wchar_t*>(m_line.c_str()), m_runner);
        m_done = true;
    });
}

void CPlayerRun::Stop()
{
    if (m_thread.joinable()) ffplay_request_quit(m_runner);
}

void CPlayerRun::Join()
{
    if (m_thread.joinable()) m_thread.join();
}

bool WaitPosition(double seconds)
{
    return WaitStatus([seconds](const FFplayStatus& s) { return s.running && s.position >= seconds; });
}

bool WaitRunning()
{
    return WaitStatus([](const FFplayStatus& s) { return s.running != 0; });
}

bool WaitStatus(const std::function<bool(const FFplayStatus&)>& done)
{
    return WaitUntil([&] { return done(ffplay_status()); });
}

bool WaitUntil(const std::function<bool()>& done)
{
    while (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
}

static int CountEntries(const char* dir)
{
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

int CountThreads() { return CountEntries("/proc/self/task"); }
int CountDescriptors() { return CountEntries("/proc/self/fd") - 1; }

}  // namespace playertest

namespace {
// No test needs a display or a sound card.
const bool g_dummyDrivers = [] {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    return true;
}();
}  // namespace
