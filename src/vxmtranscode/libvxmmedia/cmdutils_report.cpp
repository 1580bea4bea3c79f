// The report file and the log level: read ahead of parsing, shared by the process.
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

#include "cmdutils.h"
#include "tool_log.h"

namespace {

std::atomic<int> g_hideBanner{0};

// The report file of the process: opened once, kept open, shared by every run.
std::mutex g_reportMutex;
FILE* g_reportFile = nullptr;
int g_reportFileLevel = AV_LOG_DEBUG;
int g_reportPrintPrefix = 1;

void log_callback_report(void* ptr, int level, const char* fmt, va_list vl)
{
    va_list vl2;
    va_copy(vl2, vl);
    tool_log_callback(ptr, level, fmt, vl);
    std::lock_guard<std::mutex> lock(g_reportMutex);
    char line[1024];
    av_log_format_line(ptr, level, fmt, vl2, line, sizeof(line), &g_reportPrintPrefix);
    va_end(vl2);
    if (g_reportFile && level <= g_reportFileLevel) {
        fputs(line, g_reportFile);
        fflush(g_reportFile);
    }
}

}  // namespace

// ---------------------------------------------------------------- log level and report

void install_tool_log_callback()
{
    std::lock_guard<std::mutex> lock(g_reportMutex);
    av_log_set_callback(g_reportFile ? log_callback_report : tool_log_callback);
}

int opt_loglevel(void*, const char*, const char* arg, CToolContext*)
{
    static const struct {
        const char* name;
        int level;
    } log_levels[] = {
        {"quiet", AV_LOG_QUIET}, {"panic", AV_LOG_PANIC}, {"fatal", AV_LOG_FATAL}, {"error", AV_LOG_ERROR},
        {"warning", AV_LOG_WARNING}, {"info", AV_LOG_INFO}, {"verbose", AV_LOG_VERBOSE}, {"debug", AV_LOG_DEBUG},
        {"trace", AV_LOG_TRACE},
    };
    if (!arg) return AVERROR(EINVAL);
    int flags = av_log_get_flags();
    const char* tail = strstr(arg, "repeat");
    if (tail)
        flags &= ~AV_LOG_SKIP_REPEATED;
    else
        flags |= AV_LOG_SKIP_REPEATED;
    av_log_set_flags(flags);
    if (tail == arg) arg += 6 + (arg[6] == '+');
    if (tail && !*arg) return 0;

    for (const auto& l : log_levels) {
        if (!strcmp(l.name, arg)) {
            av_log_set_level(l.level);
            return 0;
        }
    }
    char* end = nullptr;
    long level = strtol(arg, &end, 10);
    if (*end) {
        av_log(nullptr, AV_LOG_FATAL, "Invalid loglevel \"%s\". Possible levels are numbers or:\n", arg);
        for (const auto& l : log_levels) av_log(nullptr, AV_LOG_FATAL, "\"%s\"\n", l.name);
        // No context: the run goes on with the leading digits.
    }
    av_log_set_level(static_cast<int>(level));
    return 0;
}

std::string expand_report_name(const std::string& folder, const struct tm& tm)
{
    std::string templ = (folder.empty() ? std::string() : folder + "/") + "%p-%t.log";
    std::string out;
    for (size_t i = 0; i < templ.size(); i++) {
        char c = templ[i];
        if (c != '%') {
            out += c;
            continue;
        }
        if (i + 1 >= templ.size()) break;
        char n = templ[++i];
        if (n == 'p') out += "ffmpeg";
        else if (n == 't') {
            char buf[32];
            snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour, tm.tm_min, tm.tm_sec);
            out += buf;
        } else if (n == '%') out += '%';
    }
    return out;
}

int init_report(const char* folder, const char* env)
{
    std::lock_guard<std::mutex> lock(g_reportMutex);
    if (g_reportFile) return 0;
    time_t now = time(nullptr);
    struct tm tm{};
    localtime_r(&now, &tm);

    std::string dir = folder ? folder : "";
    if (!folder && env) {
        // key=value entries; a value runs to the end of the text.
        std::string s = env;
        size_t pos = 0;
        while (pos < s.size()) {
            size_t eq = s.find('=', pos);
            if (eq == std::string::npos) break;
            std::string key = s.substr(pos, eq - pos);
            std::string val = s.substr(eq + 1);
            if (key == "file") {
                dir = val;
            } else if (key == "level") {
                char* tail = nullptr;
                g_reportFileLevel = static_cast<int>(strtol(val.c_str(), &tail, 10));
                if (*tail) av_log(nullptr, AV_LOG_FATAL, "Invalid report file level\n");
            } else {
                av_log(nullptr, AV_LOG_ERROR, "Unknown key '%s' in FFREPORT\n", key.c_str());
            }
            break;
        }
    }
    std::string name = expand_report_name(dir, tm);
    g_reportFile = fopen(name.c_str(), "w");
    if (!g_reportFile) {
        int err = errno;
        av_log(nullptr, AV_LOG_ERROR, "Failed to open report \"%s\": %s\n", name.c_str(), strerror(err));
        return AVERROR(err);
    }
    av_log_set_callback(log_callback_report);
    char header[1024];
    snprintf(header, sizeof header, "%s started on %04d-%02d-%02d at %02d:%02d:%02d\nReport written to \"%s\"\n",
             "ffmpeg", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, name.c_str());
    fputs(header, g_reportFile);
    fflush(g_reportFile);
    return 0;
}

int opt_report(void*, const char*, const char*, CToolContext*)
{
    init_report(nullptr, nullptr);
    return 0;
}

std::string dump_argument(const std::string& a)
{
    bool bare = !a.empty();
    for (unsigned char c : a) {
        if (!((c >= '+' && c <= ':') || (c >= '@' && c <= 'Z') || c == '_' || (c >= 'a' && c <= 'z'))) {
            bare = false;
            break;
        }
    }
    if (bare) return a;
    std::string out = "\"";
    for (unsigned char c : a) {
        if (c < 32 || c >= 127) {
            char buf[8];
            snprintf(buf, sizeof buf, "\\x%02x", c);
            out += buf;
        } else {
            if (c == '"' || c == '$' || c == '\\' || c == '`') out += '\\';
            out += static_cast<char>(c);
        }
    }
    out += '"';
    return out;
}

void parse_loglevel(int argc, char** argv, const OptionDef* options, const char* report_folder)
{
    parse_loglevel_with_report(argc, argv, options, report_folder, nullptr);
}

void parse_loglevel_with_report(int argc, char** argv, const OptionDef* options, const char* report_folder,
                                const char* ffreport)
{
    int idx = locate_option(argc, argv, options, "loglevel");
    if (!idx) idx = locate_option(argc, argv, options, "v");
    if (idx && idx + 1 < argc && argv[idx + 1]) opt_loglevel(nullptr, "loglevel", argv[idx + 1], nullptr);
    if (ffreport || locate_option(argc, argv, options, "report")) {
        init_report(report_folder, ffreport);
        std::lock_guard<std::mutex> lock(g_reportMutex);
        if (g_reportFile) {
            std::string line = "Command line:\n";
            for (int i = 0; i < argc; i++) {
                line += dump_argument(argv[i]);
                line += (i < argc - 1) ? " " : "";
            }
            line += "\n";
            fputs(line.c_str(), g_reportFile);
            fflush(g_reportFile);
        }
    }
    if (locate_option(argc, argv, options, "hide_banner")) g_hideBanner.store(1);
}

bool hide_banner_requested() { return g_hideBanner.load() != 0; }

