// Benchmark of the conversion list with many files (not a test): the real
// main window offscreen, a folder of N copies of a small clip dropped on it.
//   cmake --build <build> --target bench_list && <build>/tests/bench_list [N...]
// Prints the longest UI-thread stall, the time until every row is probed and
// has its thumbnail, the peak thread count and memory, the UI time of Remove
// All, Convert All and Join, and the files left in the temporary folder after
// Remove All and after exit.
#include "MainPaneMaker.h"
#include "MainPaneUI.h"
#include "MediaHandler.h"
#include "MediaListUI.h"
#include "VXMMainFrameWnd.h"
#include "VXMMediaExports.h"
#include "VXMSettings.h"
#include "platform/events.h"
#include "platform/folders.h"
#include "platform/text.h"
#include "support/test_media.h"
#include "ui/UILib.h"
#include "ui/UIMessagePump.h"
#include "FakeDesktop.h"

#include <QTimer>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

long StatusField(const char* key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, n, key) == 0) return std::atol(line.c_str() + n + 1);
    return 0;
}

// Samples the thread count and keeps the highest.
class CThreadSampler {
public:
    CThreadSampler()
        : m_thread([this] {
              while (!m_stop.load()) {
                  long threads = StatusField("Threads");
                  if (threads > m_peak.load()) m_peak.store(threads);
                  std::this_thread::sleep_for(std::chrono::milliseconds(5));
              }
          })
    {
    }
    ~CThreadSampler()
    {
        m_stop.store(true);
        m_thread.join();
    }
    long Peak() const { return m_peak.load(); }

private:
    std::atomic<bool> m_stop{false};
    std::atomic<long> m_peak{0};
    std::thread m_thread;
};

// The longest time the UI thread went without serving a 1 ms timer.
class CStallMeter {
public:
    CStallMeter()
    {
        m_last = Clock::now();
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Tick(); });
        m_timer.start(1);
    }
    void Tick()
    {
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double, std::milli>(now - m_last).count();
        if (gap > m_longest) m_longest = gap;
        m_last = now;
    }
    // A stall also counts while a call runs on the UI thread.
    double Longest() const { return m_longest; }
    void Reset()
    {
        m_longest = 0;
        m_last = Clock::now();
    }

private:
    QTimer m_timer;
    Clock::time_point m_last;
    double m_longest = 0;
};

bool PumpUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        CEvent tick(true, false);
        WaitWithMessageLoop(tick, 5);
    }
    return true;
}

// The files under the folder, with the names of the first few.
std::string CountFiles(const std::string& folder)
{
    size_t count = 0;
    std::string names;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (!it->is_regular_file(ec)) continue;
        if (++count <= 3) names += " " + it->path().filename().string();
    }
    return std::to_string(count) + (count ? " (" + names.substr(1) + (count > 3 ? " ..." : "") + ")" : "");
}

double MsSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

// Times one call on the UI thread.
double TimeCall(const std::function<void()>& call)
{
    const auto start = Clock::now();
    call();
    return MsSince(start);
}

void RunOnce(int count, const std::string& clip, const std::string& temp)
{
    vxmtest::CTempDir media;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof(name), "clip%05d.mp4", i);
        fs::copy_file(clip, media.File(name));
    }

    CThreadSampler threads;
    auto* window = new CVXMMainFrameWnd(L"");
    HWND hwnd = window->Create(nullptr, L"Vexmora Professional", WS_VISIBLE | WS_OVERLAPPEDWINDOW, 0, 0, 0, 1024, 655);
    window->ShowWindow(true);
    auto* pane = dynamic_cast<CMainPaneUI*>(window->GetMainPane());
    CMediaListUI* list = pane ? pane->GetMediaList() : nullptr;
    if (!hwnd || !list) {
        std::printf("the main window did not open\n");
        return;
    }
    PumpUntil([] { return false; }, 200);

    const long idleThreads = StatusField("Threads");
    const long idleMemory = StatusField("VmRSS") / 1024;
    CStallMeter stalls;
    const auto start = Clock::now();
    const double dropCall = TimeCall([&] { window->OnDropFiles({Utf8ToWide(media.Path())}); });
    const bool listed = PumpUntil([&] { return list->GetCount() == count; }, 600000);
    const double listedMs = MsSince(start);
    auto filled = [&] {
        for (int i = 0; i < list->GetCount(); ++i) {
            CMediaListItemUI* row = list->GetMediaItem(i);
            if (!row || row->IsThumbnailRunning() || row->GetShownImage().empty()) return false;
        }
        return true;
    };
    const bool done = listed && PumpUntil(filled, 600000);
    const double filledMs = MsSince(start);
    const double stall = std::max(stalls.Longest(), dropCall);

    const long filledMemory = StatusField("VmRSS") / 1024;
    const long fillThreads = threads.Peak();
    const long fillMemory = StatusField("VmHWM") / 1024;
    int shown = 0;
    for (int i = 0; i < list->GetCount(); ++i)
        if (CMediaListItemUI* row = list->GetMediaItem(i); row && !row->GetShownImage().empty()) ++shown;

    const double joinMs = TimeCall([&] {
        list->SetJoinMode(true);
        list->SetJoinMode(false);
    });
    stalls.Reset();
    const double convertMs = TimeCall([&] { pane->ConvertAll(); });
    const double stopMs = TimeCall([&] { pane->StopAll(); });
    PumpUntil([] { return false; }, 300);
    const double removeMs = TimeCall([&] { list->RemoveAllItems(); });
    PumpUntil([&] { return false; }, 500);
    const std::string leftAfterRemove = CountFiles(temp);

    window->DestroyWindow();
    PumpUntil([] { return false; }, 300);

    std::printf("%6d clips: rows listed %s in %.0f ms, all probed with thumbnails %s in %.0f ms (%d shown)\n", count,
                listed ? "" : "(NOT ALL)", listedMs, done ? "" : "(NOT ALL)", filledMs, shown);
    std::printf("        longest UI stall while adding %.1f ms (the drop call itself %.1f ms)\n", stall, dropCall);
    std::printf("        UI time: join mode on+off %.1f ms, convert all %.1f ms, stop all %.1f ms, remove all %.1f ms\n",
                joinMs, convertMs, stopMs, removeMs);
    std::printf("        while adding: peak threads %ld (%ld before), peak memory %ld MB (%ld MB before, %ld MB when filled)\n",
                fillThreads, idleThreads, fillMemory, idleMemory, filledMemory);
    std::printf("        with the conversion started: peak threads %ld, peak memory %ld MB\n", threads.Peak(),
                StatusField("VmHWM") / 1024);
    std::printf("        temporary files after remove all: %s\n", leftAfterRemove.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
    if (counts.empty()) counts = {1000};

    // A private home and temporary folder.
    vxmtest::CTempDir home;
    const std::string temp = home.File("tmp");
    fs::create_directories(home.File("data"));
    fs::create_directories(home.File("config"));
    fs::create_directories(temp);
    setenv("HOME", home.Path().c_str(), 1);
    setenv("XDG_DATA_HOME", home.File("data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", home.File("config").c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    const std::string clip = home.File("clip.mp4");
    if (!vxmtest::MakeVideoClip(clip, 1.0, 160, 120)) {
        std::printf("ffmpeg could not make the clip\n");
        return 1;
    }
    setenv("TMPDIR", temp.c_str(), 1);
    const std::string programTemp = WideToUtf8(GetTempFolder());

    EnsureUIApplication();
    RegisterMediaLibrary();
    SetProgramFolderForTesting(Utf8ToWide(VXM_SOURCE_DIR));
    CPaintManagerUI::SetResourcePath(Utf8ToWide(VXM_SOURCE_DIR) + L"/skin");
    {
        CFakeDesktop desktop;
        SetMainPaneMaker(nullptr);
        CVXMSettings* settings = CVXMSettings::GetInstance();
        settings->OutputFolder = Utf8ToWide(home.File("out"));
        settings->SimConversionTasks = 1;
        settings->ShutdownFlag = 0;
        for (int count : counts) RunOnce(count, clip, programTemp);
        CMediaHandler::DeleteInstance();
    }
    UnRegisterMediaLibrary();
    ShutdownUIApplication();
    std::printf("temporary files after exit: %s\n", CountFiles(programTemp).c_str());
    return 0;
}
