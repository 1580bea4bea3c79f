// The log of the in-process tools: FFmpeg's own lines and the tools' error
// lines go to the engine's log, and the last error line of a run is kept in
// the run's context, so a failed step can tell why it failed.
#pragma once

#include "VXMTypes.h"
#include <cstdarg>
#include <string>

class CToolContext;

// FFmpeg's log callback of the engine: lines at warning level and above (as
// far as the current log level lets them through) go to the engine's log;
// error lines are also kept in the context of the run on this thread.
void tool_log_callback(void* ptr, int level, const char* fmt, va_list vl);

// Makes `ctx` the run of the calling thread while the object lives.
class CToolLogScope : private CNonCopyable {
public:
    explicit CToolLogScope(CToolContext* ctx);
    ~CToolLogScope();

private:
    CToolContext* m_previous;
};

// An error line of a tool: written to the engine's log under `category` and
// kept as the last error of the run on this thread.
void log_tool_error(const char* category, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Lines a child tool writes on its error stream, as they arrive in pieces:
// each whole line goes to the engine's log, and the last one is kept as the
// run's last error line. A line rewritten with "\r" (progress) counts as the
// text after its last "\r".
class CToolErrorStream {
public:
    explicit CToolErrorStream(CToolContext& run) : m_run(run) {}
    void Add(const char* data, size_t size);
    // Takes an unfinished last line as a whole one.
    void Finish();

private:
    void TakeLine();
    CToolContext& m_run;
    std::string m_line;
    bool m_afterReturn = false;
};
