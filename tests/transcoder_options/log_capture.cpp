#include "log_capture.h"

#include <cstdio>

namespace {
std::mutex g_mutex;
std::vector<std::string> g_lines;

void collect(void*, int level, const char* fmt, va_list vl)
{
    if (level > av_log_get_level()) return;
    char buf[2048];
    vsnprintf(buf, sizeof buf, fmt, vl);
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.push_back(buf);
}
}  // namespace

CLogCapture::CLogCapture()
{
    Clear();
    av_log_set_level(AV_LOG_VERBOSE);
    av_log_set_callback(collect);
}

CLogCapture::~CLogCapture()
{
    av_log_set_callback(av_log_default_callback);
    av_log_set_level(AV_LOG_ERROR);
}

namespace {
// Tests print only errors of the libraries.
const int g_quiet = [] {
    av_log_set_level(AV_LOG_ERROR);
    return 0;
}();
}  // namespace

bool CLogCapture::Contains(const std::string& text) const { return Count(text) > 0; }

int CLogCapture::Count(const std::string& text) const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    int n = 0;
    for (const auto& l : g_lines)
        if (l.find(text) != std::string::npos) n++;
    return n;
}

std::string CLogCapture::All() const
{
    std::lock_guard<std::mutex> lock(g_mutex);
    std::string all;
    for (const auto& l : g_lines) all += l;
    return all;
}

void CLogCapture::Clear()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    g_lines.clear();
}
