#include "mediaops_support.h"

#include "support/test_media.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

namespace mediaopstest {

namespace {

std::mutex g_lock;
std::vector<std::wstring> g_lines;
int g_exitCode = 0;

void Record(void* line)
{
    std::lock_guard<std::mutex> lock(g_lock);
    g_lines.emplace_back(static_cast<const wchar_t*>(line));
}

int RecordTranscode(void* line, CCmdFFplay*)
{
    Record(line);
    return g_exitCode;
}

int RecordPlay(void* line, CCmdFFplay*)
{
    Record(line);
    return 0;
}

int RecordProbe(void* line, CVXMMediaBase*)
{
    Record(line);
    return g_exitCode;
}

int RecordThumbnail(const std::wstring& line, const VXM_THUMBNAIL_REQUEST&)
{
    Record(const_cast<wchar_t*>(line.c_str()));
    return g_exitCode;
}

void IgnoreQuit(CCmdFFplay*) {}

}  // namespace

CRecordingWindow::CRecordingWindow()
    : m_window([this](HWND, UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
          CPosted posted{message, static_cast<long long>(wParam), lParam, {}};
          if (message == WM_VXM_JOIN_FINISHED && lParam) {
              auto* text = reinterpret_cast<wchar_t*>(lParam);
              posted.text = text;
              delete[] text;
          }
          m_messages.push_back(posted);
          return 0;
      })
{
}

bool CRecordingWindow::WaitFor(UINT message)
{
    for (PumpThreadMessages(); CountOf(message) == 0; PumpThreadMessages())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    return true;
}

void CRecordingWindow::Pump()
{
    PumpThreadMessages();
}

int CRecordingWindow::CountOf(UINT message) const
{
    int count = 0;
    for (const CPosted& posted : m_messages)
        count += posted.message == message;
    return count;
}

CRecordingSeam::CRecordingSeam(int exitCode) : m_saved(g_RunnerHooks)
{
    {
        std::lock_guard<std::mutex> lock(g_lock);
        g_lines.clear();
        g_exitCode = exitCode;
    }
    g_RunnerHooks.pfnTranscode = &RecordTranscode;
    g_RunnerHooks.pfnPlay = &RecordPlay;
    g_RunnerHooks.pfnProbe = &RecordProbe;
    g_RunnerHooks.pfnRequestPlayerQuit = &IgnoreQuit;
    g_RunnerHooks.pfnThumbnail = &RecordThumbnail;
}

CRecordingSeam::~CRecordingSeam()
{
    g_RunnerHooks = m_saved;
}

std::vector<std::wstring> CRecordingSeam::Lines() const
{
    std::lock_guard<std::mutex> lock(g_lock);
    return g_lines;
}

std::wstring W(const std::string& text)
{
    return std::wstring(text.begin(), text.end());
}

std::string N(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

int ProbeDurationMs(const std::string& path)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-show_entries", "format=duration", "-of",
                             "default=nw=1:nk=1", path},
                            &out) != 0)
        return -1;
    return static_cast<int>(std::lround(std::atof(out.c_str()) * 1000.0));
}

int CountStreams(const std::string& path, const std::string& kind)
{
    std::string out;
    if (vxmtest::RunProgram({"ffprobe", "-v", "error", "-select_streams", kind, "-show_entries", "stream=index", "-of",
                             "csv=p=0", path},
                            &out) != 0)
        return -1;
    // A program lists its streams once more (MPEG-TS): each index counts once.
    std::set<std::string> indexes;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty())
            indexes.insert(line);
    return static_cast<int>(indexes.size());
}

}  // namespace mediaopstest
