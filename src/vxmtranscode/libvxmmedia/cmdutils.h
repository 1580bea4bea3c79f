// The in-process tools' command-line layer: option tables, option groups,
// routing of library options, stream specifiers, number and time parsing,
// the report file and the run's exit path. Every routine works on a run
// context; nothing of one run is kept in process globals.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "ffmpeg_state.h"

// Option flags (the tools' documented values).
#define HAS_ARG 0x0001
#define OPT_BOOL 0x0002
#define OPT_EXPERT 0x0004
#define OPT_STRING 0x0008
#define OPT_VIDEO 0x0010
#define OPT_AUDIO 0x0020
#define OPT_INT 0x0080
#define OPT_FLOAT 0x0100
#define OPT_SUBTITLE 0x0200
#define OPT_INT64 0x0400
#define OPT_EXIT 0x0800
#define OPT_DATA 0x1000
#define OPT_PERFILE 0x2000
#define OPT_OFFSET 0x4000
#define OPT_SPEC 0x8000
#define OPT_TIME 0x10000
#define OPT_DOUBLE 0x20000
#define OPT_INPUT 0x40000
#define OPT_OUTPUT 0x80000

struct OptionsContext;

// One value of a per-stream option ("-c:a aac"): the specifier and the value.
struct SpecifierOpt {
    std::string specifier;
    std::string str;
    int i = 0;
    int64_t i64 = 0;
    float f = 0;
    double dbl = 0;
};
using SpecifierList = std::vector<SpecifierOpt>;

using OptionHandler = int (*)(void* optctx, const char* opt, const char* arg, CToolContext* ctx);

// Where an option writes: a variable of the run context, a field of the
// per-file options record, or a handler.
using OptionTarget = std::variant<std::monostate, int*, int64_t*, float*, double*, std::string*,
                                  int OptionsContext::*, int64_t OptionsContext::*, float OptionsContext::*,
                                  double OptionsContext::*, std::string OptionsContext::*,
                                  SpecifierList OptionsContext::*, OptionHandler>;

struct OptionDef {
    const char* name = nullptr;
    int flags = 0;
    OptionTarget u;
    const char* help = nullptr;
    const char* argname = nullptr;
};

// One row of a tool's option table.
template <class T>
OptionDef option_row(const char* name, int flags, T target, const char* help, const char* argname = nullptr)
{
    OptionDef d;
    d.name = name;
    d.flags = flags;
    d.u = target;
    d.help = help;
    d.argname = argname;
    return d;
}

// One option found on the command line, with its definition.
struct Option {
    const OptionDef* opt = nullptr;
    std::string key;
    std::string val;
};

struct OptionGroupDef {
    const char* name;
    const char* sep;   // option that opens a group ("i"), or null: a bare argument closes it
    int flags;         // OPT_INPUT / OPT_OUTPUT: options of the group must carry it
};

// Options of one file (or the global ones) with the library options routed to it.
struct OptionGroup {
    const OptionGroupDef* group_def = nullptr;
    std::string arg;   // the file name
    std::vector<Option> opts;
    AVDictionary* codec_opts = nullptr;
    AVDictionary* format_opts = nullptr;
    AVDictionary* resample_opts = nullptr;
    AVDictionary* sws_dict = nullptr;
    AVDictionary* swr_opts = nullptr;

    OptionGroup() = default;
    OptionGroup(OptionGroup&& other) noexcept;
    OptionGroup& operator=(OptionGroup&&) = delete;
    OptionGroup(const OptionGroup&) = delete;
    ~OptionGroup();
};

struct OptionGroupList {
    const OptionGroupDef* group_def = nullptr;
    std::vector<OptionGroup> groups;
};

struct OptionParseContext {
    OptionGroup global_opts;
    std::vector<OptionGroupList> groups;
    OptionGroup cur_group;   // options not yet closed by a file
};

// ---- run lifecycle ----

using ExitCallback = void (*)(int code, CToolContext* ctx);
// Stores the process-wide exit callback (the transcoder registers its cleanup).
void register_exit(ExitCallback cb);
// Ends the run with `code`. With a context and a non-zero code the run
// unwinds to run_tool_guarded, which calls the exit callback; with code 0 the
// callback runs here and the caller goes on. Without a context: logs nothing
// more and returns, the caller goes on.
void exit_program(CToolContext* ctx, int code);
// The worker's entry wrapper: runs `body`, catches a run's exit request,
// runs the exit callback for it and returns the run's exit code.
int run_tool_guarded(CToolContext* ctx, const std::function<int(CToolContext*)>& body);

// Splits a command line the way Windows programs split theirs (backslashes
// before double quotes are escapes). The first element is the program name.
std::vector<std::string> split_command_line_utf8(const std::wstring& cmdline);
// Rebuilds the run's UTF-8 argument vector from its command line.
// Returns false (vector untouched) for an empty command line.
bool prepare_app_arguments(CToolContext* ctx);

// ---- parsing ----

int split_commandline(OptionParseContext* octx, int argc, char** argv, const OptionDef* options,
                      const OptionGroupDef* groups, int nb_groups, CToolContext* ctx);
int parse_optgroup(void* optctx, OptionGroup* g, CToolContext* ctx);
int parse_option(void* optctx, const char* opt, const char* arg, const OptionDef* options, CToolContext* ctx);
int write_option(void* optctx, const OptionDef* po, const char* opt, const char* arg, CToolContext* ctx);
// The player's and probe's parser over the run's command line. A bare
// argument is the input name ("-" is "pipe:"; a second one is logged and
// replaces the first). Options a table does not name go to its "default"
// row (opt_default). A failing option ends the run with code 1.
int parse_options(CToolContext* ctx, const OptionDef* options, std::string* input_filename);
// The one walk over a run's prepared arguments: each "-name" goes to
// `on_option` (the name without its dash, and the next argument or null),
// which returns how many arguments after the name it took, or a negative
// error that ends the walk with that error; "--" ends the options. Every
// other argument goes to `on_argument`.
int walk_arguments(CToolContext* ctx, const std::function<int(const char* opt, const char* arg)>& on_option,
                   const std::function<void(const char* arg)>& on_argument);
// Takes a bare argument as the input name ("-" is "pipe:"). False, with a
// log line, when a name was already given: the new one replaces it.
bool take_input_filename(std::string& input_filename, const char* arg);
// The rows every tool's table starts with: help, listings, logging, limits.
void append_common_options(std::vector<OptionDef>& table);
const OptionDef* find_option(const OptionDef* po, const char* name);
int locate_option(int argc, char** argv, const OptionDef* options, const char* optname);
// Routes an option no table defines to the codec, format, scaler or
// resampler option sets of the run. AVERROR_OPTION_NOT_FOUND when none knows it.
int opt_default(void* optctx, const char* opt, const char* arg, CToolContext* ctx);

// ---- values ----

enum { OPT_NUM_INT = OPT_INT, OPT_NUM_INT64 = OPT_INT64, OPT_NUM_FLOAT = OPT_FLOAT, OPT_NUM_DOUBLE = OPT_DOUBLE };
// Parses a number in [min, max]; on failure logs and ends the run (with a
// context), or returns 0 (without one).
double parse_number_or_die(CToolContext* ctx, const char* context, const char* numstr, int type, double min,
                           double max);
// Parses a time ("[-][HH:]MM:SS[.m...]", "[-]S+[.m...]" with optional s/ms/us,
// or a date); on failure logs and ends the run (with a context).
int64_t parse_time_or_die(CToolContext* ctx, const char* context, const char* timestr, int is_duration);

// ---- stream options ----

// 1 when the stream matches, 0 when not, negative for an invalid specifier (logged).
int check_stream_specifier(AVFormatContext* s, AVStream* st, const char* spec);
// The options of `opts` that apply to this stream and codec.
AVDictionary* filter_codec_opts(AVDictionary* opts, AVCodecID codec_id, AVFormatContext* s, AVStream* st,
                                const AVCodec* codec);
std::vector<AVDictionary*> setup_find_stream_info_opts(AVFormatContext* s, AVDictionary* codec_opts);
double get_rotation(AVStream* st);

// ---- presets, logging, report ----

// Finds "<name>.ffpreset" / "<codec>-<name>.ffpreset"; empty when none opens.
std::string get_preset_file(const char* preset_name, int is_path, const char* codec_name);
// Folders searched for preset files: the one named by the variable `env_name`
// (when set), `home_sub` in the user's home folder, then `last`.
std::vector<std::string> preset_search_folders(const char* env_name, const char* home_sub, const std::string& last);
int opt_loglevel(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
int opt_report(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
int opt_max_alloc(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
int opt_cpuflags(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
// Writes text to the run's console (CToolContext::WriteOutput; the standard
// output without a context).
void print_console(CToolContext* ctx, const char* format, ...) __attribute__((format(printf, 2, 3)));
// FFmpeg's banner lines, unless "hide_banner" was asked by any run or the
// command line asks for "version".
void show_banner(CToolContext* ctx, int argc, char** argv, const OptionDef* options);
int show_help_noop(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
int show_version(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
// The listing the option names: "formats", "devices", "codecs", "decoders",
// "encoders", "bsfs", "protocols", "filters", "pix_fmts", "sample_fmts",
// "layouts", "colors" or "L" (the license).
int show_listing(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
// The sources (sinks) that the input (output) devices find; `arg` is
// "[device][,option=value...]" to ask one device only.
int show_sources(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
int show_sinks(void* optctx, const char* opt, const char* arg, CToolContext* ctx);
void print_error(const char* filename, int err);
// FFmpeg's text for an error code.
std::string err2str(int err);

// Reads "loglevel"/"v", "report" and "hide_banner" ahead of parsing and
// opens the report file (in `report_folder`) when asked.
void parse_loglevel(int argc, char** argv, const OptionDef* options, const char* report_folder);
// As parse_loglevel, with the report switch of the engine's settings given as
// the FFREPORT value ("file=<folder>") instead of read from the environment.
void parse_loglevel_with_report(int argc, char** argv, const OptionDef* options, const char* report_folder,
                                const char* ffreport);
int init_report(const char* folder, const char* env);
// FFmpeg's log goes to the engine's log (and to the report file when one is open).
void install_tool_log_callback();
// Name of the report file for a folder and a local time ("<folder>/ffmpeg-YYYYMMDD-HHMMSS.log").
std::string expand_report_name(const std::string& folder, const struct tm& tm);
// Quoting of one argument in the report's "Command line:" block.
std::string dump_argument(const std::string& a);
bool hide_banner_requested();

// Frees the process-wide state of this layer at engine shut-down.
void uninit_media_library();
