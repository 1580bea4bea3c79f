#include "tool_log.h"

#include <cstdio>

#include "EngineLog.h"
#include "ffmpeg_state.h"

extern "C" {
#include <libavutil/log.h>
}

namespace {

thread_local CToolContext* t_run = nullptr;
// Whether the next piece of a line starts a new line (FFmpeg logs lines in pieces).
thread_local int t_printPrefix = 1;

// The text without its line end; empty when nothing is left.
std::string TrimLine(const char* text)
{
    std::string line = text;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) line.pop_back();
    return line;
}

void KeepError(const std::string& line)
{
    if (t_run && !line.empty()) t_run->SetLastErrorLine(line);
}

}  // namespace

void tool_log_callback(void* ptr, int level, const char* fmt, va_list vl)
{
    if (level > av_log_get_level() || level > AV_LOG_WARNING) return;
    char text[1024];
    av_log_format_line(ptr, level, fmt, vl, text, sizeof(text), &t_printPrefix);
    const std::string line = TrimLine(text);
    if (line.empty()) return;
    LogMessageA("ffmpeg", "%s", line.c_str());
    if (level <= AV_LOG_ERROR) KeepError(line);
}

CToolLogScope::CToolLogScope(CToolContext* ctx) : m_previous(t_run)
{
    t_run = ctx;
}

CToolLogScope::~CToolLogScope()
{
    t_run = m_previous;
}

void log_tool_error(const char* category, const char* format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    const std::string line = TrimLine(text);
    LogMessageA(category, "%s", line.c_str());
    KeepError(line);
}

void CToolErrorStream::Add(const char* data, size_t size)
{
    for (size_t i = 0; i < size; ++i) {
        const char c = data[i];
        if (c == '\n') {
            TakeLine();
            m_afterReturn = false;
            continue;
        }
        if (c == '\r') {
            m_afterReturn = true;
            continue;
        }
        if (m_afterReturn)
            m_line.clear();  // progress written over itself
        m_afterReturn = false;
        if (m_line.size() < 4096)
            m_line += c;
    }
}

void CToolErrorStream::Finish()
{
    TakeLine();
}

void CToolErrorStream::TakeLine()
{
    const std::string line = TrimLine(m_line.c_str());
    m_line.clear();
    if (line.empty()) return;
    LogMessageA("tool", "%s", line.c_str());
    m_run.SetLastErrorLine(line);
}
