// The tools' command-line layer over the FFmpeg libraries' public API.
#include "cmdutils.h"
#include "ffmpeg_opt.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/eval.h>
#include <libswscale/swscale.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavutil/avstring.h>
#include <libavutil/bprint.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/display.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <SDL.h>

#include "platform/environment.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {

// The run's exit request. Thrown only by exit_program, caught only by run_tool_guarded.
struct CToolExit {
    int code;
};

std::atomic<ExitCallback> g_exitCallback{nullptr};

const AVOption* opt_find(const AVClass** cls, const char* name, int search_flags)
{
    const AVOption* o = av_opt_find(cls, name, nullptr, 0, search_flags);
    if (o && !o->flags) return nullptr;
    return o;
}

int dict_flags_for(const AVOption* o, const char* arg)
{
    return (o->type == AV_OPT_TYPE_FLAGS && (arg[0] == '-' || arg[0] == '+')) ? AV_DICT_APPEND : 0;
}

void move_dict(AVDictionary** from, AVDictionary** to)
{
    av_dict_free(to);
    *to = *from;
    *from = nullptr;
}

}  // namespace

// ---------------------------------------------------------------- groups

OptionGroup::OptionGroup(OptionGroup&& o) noexcept
    : group_def(o.group_def), arg(std::move(o.arg)), opts(std::move(o.opts)), codec_opts(o.codec_opts),
      format_opts(o.format_opts), resample_opts(o.resample_opts), sws_dict(o.sws_dict), swr_opts(o.swr_opts)
{
    o.codec_opts = o.format_opts = o.resample_opts = o.sws_dict = o.swr_opts = nullptr;
}

OptionGroup::~OptionGroup()
{
    av_dict_free(&codec_opts);
    av_dict_free(&format_opts);
    av_dict_free(&resample_opts);
    av_dict_free(&sws_dict);
    av_dict_free(&swr_opts);
}

// ---------------------------------------------------------------- exit

void register_exit(ExitCallback cb) { g_exitCallback.store(cb); }

void exit_program(CToolContext* ctx, int code)
{
    if (ctx && code != 0) throw CToolExit{code};
    ExitCallback cb = g_exitCallback.load();
    if (cb) cb(code, ctx);
    if (ctx) ctx->exit_code = code;
}

int run_tool_guarded(CToolContext* ctx, const std::function<int(CToolContext*)>& body)
{
    try {
        return body(ctx);
    } catch (const CToolExit& e) {
        // Every scoped lock and handle of the run has been released by now.
        ExitCallback cb = g_exitCallback.load();
        if (cb) cb(e.code, ctx);
        if (ctx) ctx->exit_code = e.code;
        return e.code;
    }
}

// ---------------------------------------------------------------- arguments

std::vector<std::string> split_command_line_utf8(const std::wstring& cmd)
{
    std::vector<std::wstring> out;
    size_t i = 0, n = cmd.size();
    auto isspace_w = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; };
    // The program name: quoted without escapes, or up to white space.
    while (i < n && isspace_w(cmd[i])) ++i;
    if (i < n) {
        std::wstring prog;
        if (cmd[i] == L'"') {
            ++i;
            while (i < n && cmd[i] != L'"') prog += cmd[i++];
            if (i < n) ++i;
        } else {
            while (i < n && !isspace_w(cmd[i])) prog += cmd[i++];
        }
        out.push_back(prog);
    }
    for (;;) {
        while (i < n && isspace_w(cmd[i])) ++i;
        if (i >= n) break;
        std::wstring arg;
        bool quoted = false;
        while (i < n && (quoted || !isspace_w(cmd[i]))) {
            if (cmd[i] == L'\\') {
                size_t bs = 0;
                while (i < n && cmd[i] == L'\\') { ++bs; ++i; }
                if (i < n && cmd[i] == L'"') {
                    arg.append(bs / 2, L'\\');
                    if (bs % 2) { arg += L'"'; ++i; }
                } else {
                    arg.append(bs, L'\\');
                }
            } else if (cmd[i] == L'"') {
                if (quoted && i + 1 < n && cmd[i + 1] == L'"') {
                    arg += L'"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                arg += cmd[i++];
            }
        }
        out.push_back(arg);
    }
    std::vector<std::string> res;
    res.reserve(out.size());
    for (auto& w : out) res.push_back(WideToUtf8(w));
    return res;
}

bool prepare_app_arguments(CToolContext* ctx)
{
    if (!ctx) {
        exit_program(nullptr, 0);
        return false;
    }
    ctx->argc = 0;
    std::vector<std::string> args = split_command_line_utf8(ctx->m_strCommandLine);
    if (args.empty()) return false;
    ctx->argv_storage = std::move(args);
    ctx->argv_ptrs.clear();
    for (auto& a : ctx->argv_storage) ctx->argv_ptrs.push_back(a.data());
    ctx->argv_ptrs.push_back(nullptr);
    ctx->argc = static_cast<int>(ctx->argv_storage.size());
    return true;
}

// ---------------------------------------------------------------- numbers and times

double parse_number_or_die(CToolContext* ctx, const char* context, const char* numstr, int type, double min,
                           double max)
{
    char* tail = nullptr;
    double d = av_strtod(numstr, &tail);
    const char* error;
    if (*tail)
        error = "Expected number for %s but found: %s\n";
    else if (d < min || d > max)
        error = "The value for %s was %s which is not within %f - %f\n";
    else if (type == OPT_INT64 && static_cast<double>(static_cast<int64_t>(d)) != d)
        error = "Expected int64 for %s but found %s\n";
    else if (type == OPT_INT && static_cast<double>(static_cast<int>(d)) != d)
        error = "Expected int for %s but found %s\n";
    else
        return d;
    av_log(nullptr, AV_LOG_FATAL, error, context, numstr, min, max);
    exit_program(ctx, 1);
    return 0;
}

int64_t parse_time_or_die(CToolContext* ctx, const char* context, const char* timestr, int is_duration)
{
    int64_t us = 0;
    if (av_parse_time(&us, timestr, is_duration) < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Invalid %s value for %s: %s\n", is_duration ? "duration" : "date",
               context, timestr);
        exit_program(ctx, 1);
        return INT64_MIN;
    }
    return us;
}

// ---------------------------------------------------------------- options

const OptionDef* find_option(const OptionDef* po, const char* name)
{
    const char* p = strchr(name, ':');
    size_t len = p ? static_cast<size_t>(p - name) : strlen(name);
    while (po->name) {
        if (!strncmp(name, po->name, len) && strlen(po->name) == len) break;
        po++;
    }
    return po;
}

int write_option(void* optctx, const OptionDef* po, const char* opt, const char* arg, CToolContext* ctx)
{
    auto* o = static_cast<OptionsContext*>(optctx);
    const int flags = po->flags;

    if (auto h = std::get_if<OptionHandler>(&po->u)) {
        int ret = (*h)(optctx, opt, arg, ctx);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Failed to set value '%s' for option '%s': %s\n", arg ? arg : "", opt,
                   err2str(ret).c_str());
            return ret;
        }
        return 0;
    }

    if (flags & OPT_SPEC) {
        auto member = std::get_if<SpecifierList OptionsContext::*>(&po->u);
        if (!member || !o) return AVERROR(EINVAL);
        SpecifierList& list = o->**member;
        const char* p = strchr(opt, ':');
        SpecifierOpt so;
        so.specifier = p ? p + 1 : "";
        if (flags & OPT_STRING)
            so.str = arg;
        else if (flags & (OPT_BOOL | OPT_INT))
            so.i = static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT64, INT_MIN, INT_MAX));
        else if (flags & OPT_INT64)
            so.i64 = static_cast<int64_t>(parse_number_or_die(ctx, opt, arg, OPT_INT64, INT64_MIN, INT64_MAX));
        else if (flags & OPT_TIME)
            so.i64 = parse_time_or_die(ctx, opt, arg, 1);
        else if (flags & OPT_FLOAT)
            so.f = static_cast<float>(parse_number_or_die(ctx, opt, arg, OPT_FLOAT, -INFINITY, INFINITY));
        else if (flags & OPT_DOUBLE)
            so.dbl = parse_number_or_die(ctx, opt, arg, OPT_DOUBLE, -INFINITY, INFINITY);
        so.str = so.str.empty() ? std::string(arg) : so.str;
        list.push_back(std::move(so));
        return 0;
    }

    // Plain values: in the run context or in the per-file record.
    auto as_int = [&]() { return static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT64, INT_MIN, INT_MAX)); };
    return std::visit(
        [&](auto target) -> int {
            using T = decltype(target);
            if constexpr (std::is_same_v<T, std::monostate> || std::is_same_v<T, OptionHandler> ||
                          std::is_same_v<T, SpecifierList OptionsContext::*>) {
                return AVERROR(EINVAL);
            } else if constexpr (std::is_pointer_v<T>) {
                using V = std::remove_pointer_t<T>;
                if constexpr (std::is_same_v<V, std::string>) *target = arg;
                else if constexpr (std::is_same_v<V, int>) *target = as_int();
                else if constexpr (std::is_same_v<V, int64_t>)
                    *target = (flags & OPT_TIME) ? parse_time_or_die(ctx, opt, arg, 1)
                                                 : static_cast<int64_t>(parse_number_or_die(
                                                       ctx, opt, arg, OPT_INT64, INT64_MIN, INT64_MAX));
                else if constexpr (std::is_same_v<V, float>)
                    *target = static_cast<float>(parse_number_or_die(ctx, opt, arg, OPT_FLOAT, -INFINITY, INFINITY));
                else if constexpr (std::is_same_v<V, double>)
                    *target = parse_number_or_die(ctx, opt, arg, OPT_DOUBLE, -INFINITY, INFINITY);
                return 0;
            } else {
                if (!o) return AVERROR(EINVAL);
                auto& field = o->*target;
                using V = std::remove_reference_t<decltype(field)>;
                if constexpr (std::is_same_v<V, std::string>) field = arg;
                else if constexpr (std::is_same_v<V, int>) field = as_int();
                else if constexpr (std::is_same_v<V, int64_t>)
                    field = (flags & OPT_TIME) ? parse_time_or_die(ctx, opt, arg, 1)
                                               : static_cast<int64_t>(parse_number_or_die(
                                                     ctx, opt, arg, OPT_INT64, INT64_MIN, INT64_MAX));
                else if constexpr (std::is_same_v<V, float>)
                    field = static_cast<float>(parse_number_or_die(ctx, opt, arg, OPT_FLOAT, -INFINITY, INFINITY));
                else if constexpr (std::is_same_v<V, double>)
                    field = parse_number_or_die(ctx, opt, arg, OPT_DOUBLE, -INFINITY, INFINITY);
                return 0;
            }
        },
        po->u);
}

int parse_option(void* optctx, const char* opt, const char* arg, const OptionDef* options, CToolContext* ctx)
{
    const OptionDef* po = find_option(options, opt);
    if (!po->name && opt[0] == 'n' && opt[1] == 'o') {
        po = find_option(options, opt + 2);
        if (po->name && (po->flags & OPT_BOOL))
            arg = "0";
        else
            po = find_option(options, opt);
    } else if (po->flags & OPT_BOOL) {
        arg = "1";
    }
    // A table's "default" row takes the options it does not name.
    if (!po->name) po = find_option(options, "default");
    if (!po->name) {
        av_log(nullptr, AV_LOG_ERROR, "Unrecognized option '%s'\n", opt);
        return AVERROR(EINVAL);
    }
    if ((po->flags & HAS_ARG) && !arg) {
        av_log(nullptr, AV_LOG_ERROR, "Missing argument for option '%s'\n", opt);
        return AVERROR(EINVAL);
    }
    int ret = write_option(optctx, po, opt, arg, ctx);
    if (ret < 0) return ret;
    return (po->flags & HAS_ARG) ? 1 : 0;
}

int opt_default(void*, const char* opt, const char* arg, CToolContext* ctx)
{
    if (!ctx) return AVERROR(EINVAL);
    if (!strcmp(opt, "debug") || !strcmp(opt, "fdebug")) av_log_set_level(AV_LOG_DEBUG);

    std::string name(opt);
    if (auto p = name.find(':'); p != std::string::npos) name.resize(p);

    const AVClass* cc = avcodec_get_class();
    const AVClass* fc = avformat_get_class();
    const AVClass* sc = sws_get_class();
    const AVClass* swr_class = swr_get_class();
    const int search = AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ;
    bool consumed = false;
    const AVOption* o;

    if ((o = opt_find(&cc, name.c_str(), search)) ||
        ((opt[0] == 'v' || opt[0] == 'a' || opt[0] == 's') && (o = opt_find(&cc, opt + 1, AV_OPT_SEARCH_FAKE_OBJ)))) {
        av_dict_set(&ctx->codec_opts, opt, arg, dict_flags_for(o, arg));
        consumed = true;
    }
    if ((o = opt_find(&fc, name.c_str(), search))) {
        av_dict_set(&ctx->format_opts, opt, arg, dict_flags_for(o, arg));
        if (consumed) av_log(nullptr, AV_LOG_VERBOSE, "Routing option %s to both codec and muxer layer\n", opt);
        consumed = true;
    }
    if (!consumed && (o = opt_find(&sc, name.c_str(), search))) {
        if (name == "srcw" || name == "srch" || name == "dstw" || name == "dsth" || name == "src_format" ||
            name == "dst_format") {
            av_log(nullptr, AV_LOG_ERROR,
                   "Directly using swscale dimensions/format options is not supported, please use the -s or -pix_fmt "
                   "options\n");
            return AVERROR(EINVAL);
        }
        SwsContext* sws = sws_alloc_context();
        int ret = sws ? av_opt_set(sws, name.c_str(), arg, 0) : AVERROR(ENOMEM);
        sws_freeContext(sws);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error setting option %s.\n", opt);
            return ret;
        }
        av_dict_set(&ctx->sws_dict, opt, arg, dict_flags_for(o, arg));
        consumed = true;
    }
    if (!consumed && (o = opt_find(&swr_class, name.c_str(), search))) {
        SwrContext* swr = swr_alloc();
        int ret = swr ? av_opt_set(swr, name.c_str(), arg, 0) : AVERROR(ENOMEM);
        swr_free(&swr);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error setting option %s.\n", opt);
            return ret;
        }
        av_dict_set(&ctx->swr_opts, opt, arg, dict_flags_for(o, arg));
        consumed = true;
    }
    return consumed ? 0 : AVERROR_OPTION_NOT_FOUND;
}

namespace {

void finish_group(OptionParseContext* octx, int group_idx, const char* arg, CToolContext* ctx)
{
    OptionGroupList& l = octx->groups[group_idx];
    OptionGroup g(std::move(octx->cur_group));
    g.group_def = l.group_def;
    g.arg = arg;
    move_dict(&ctx->codec_opts, &g.codec_opts);
    move_dict(&ctx->format_opts, &g.format_opts);
    move_dict(&ctx->resample_opts, &g.resample_opts);
    move_dict(&ctx->sws_dict, &g.sws_dict);
    move_dict(&ctx->swr_opts, &g.swr_opts);
    l.groups.push_back(std::move(g));
    octx->cur_group.opts.clear();
    octx->cur_group.arg.clear();
}

void add_opt(OptionParseContext* octx, const OptionDef* po, const char* key, const char* val)
{
    bool global = !(po->flags & (OPT_PERFILE | OPT_SPEC | OPT_OFFSET));
    OptionGroup& g = global ? octx->global_opts : octx->cur_group;
    g.opts.push_back(Option{po, key, val ? val : ""});
}

int match_group_separator(const OptionGroupDef* groups, int nb_groups, const char* opt)
{
    for (int i = 0; i < nb_groups; i++)
        if (groups[i].sep && !strcmp(groups[i].sep, opt)) return i;
    return -1;
}

}  // namespace

int split_commandline(OptionParseContext* octx, int argc, char** argv, const OptionDef* options,
                      const OptionGroupDef* groups, int nb_groups, CToolContext* ctx)
{
    static const OptionGroupDef global_group = {"global", nullptr, 0};
    octx->global_opts.group_def = &global_group;
    octx->groups.clear();
    for (int i = 0; i < nb_groups; i++) {
        OptionGroupList l;
        l.group_def = &groups[i];
        octx->groups.push_back(std::move(l));
    }
    // Options left by an earlier parse of this run must not leak into this one.
    av_dict_free(&ctx->codec_opts);
    av_dict_free(&ctx->format_opts);
    av_dict_free(&ctx->resample_opts);
    av_dict_free(&ctx->sws_dict);
    av_dict_free(&ctx->swr_opts);

    int optindex = 1;
    int dashdash = -2;
    av_log(nullptr, AV_LOG_DEBUG, "Splitting the commandline.\n");
    while (optindex < argc) {
        const char* opt = argv[optindex++];
        av_log(nullptr, AV_LOG_DEBUG, "Reading option '%s' ...", opt);
        if (opt[0] == '-' && opt[1] == '-' && !opt[2]) {
            dashdash = optindex;
            continue;
        }
        // A bare argument (or the one after "--") closes an output group.
        if (opt[0] != '-' || !opt[1] || dashdash + 1 == optindex) {
            finish_group(octx, 0, opt, ctx);
            av_log(nullptr, AV_LOG_DEBUG, " matched as %s.\n", groups[0].name);
            continue;
        }
        opt++;

        int gi = match_group_separator(groups, nb_groups, opt);
        if (gi >= 0) {
            const char* arg = optindex < argc ? argv[optindex++] : nullptr;
            if (!arg) {
                av_log(nullptr, AV_LOG_ERROR, "Missing argument for option '%s'.\n", opt);
                return AVERROR(EINVAL);
            }
            finish_group(octx, gi, arg, ctx);
            av_log(nullptr, AV_LOG_DEBUG, " matched as %s with argument '%s'.\n", groups[gi].name, arg);
            continue;
        }

        // Read ahead by parse_loglevel; accepted here without effect.
        if (!strcmp(opt, "hide_banner")) {
            av_log(nullptr, AV_LOG_DEBUG, " matched as option 'hide_banner'.\n");
            continue;
        }
        const OptionDef* po = find_option(options, opt);
        if (po->name) {
            const char* arg;
            if (po->flags & OPT_EXIT) {
                // Help options take an optional topic; the others take nothing.
                arg = (po->argname && optindex < argc) ? argv[optindex++] : nullptr;
            } else if (po->flags & HAS_ARG) {
                arg = optindex < argc ? argv[optindex++] : nullptr;
                if (!arg) {
                    av_log(nullptr, AV_LOG_ERROR, "Missing argument for option '%s'.\n", opt);
                    return AVERROR(EINVAL);
                }
            } else {
                arg = "1";
            }
            add_opt(octx, po, opt, arg);
            av_log(nullptr, AV_LOG_DEBUG, " matched as option '%s' (%s) with argument '%s'.\n", po->name,
                   po->help ? po->help : "", arg ? arg : "");
            continue;
        }

        if (optindex < argc) {
            int ret = opt_default(nullptr, opt, argv[optindex], ctx);
            if (ret >= 0) {
                av_log(nullptr, AV_LOG_DEBUG, " matched as AVOption '%s' with argument '%s'.\n", opt, argv[optindex]);
                optindex++;
                continue;
            } else if (ret != AVERROR_OPTION_NOT_FOUND) {
                av_log(nullptr, AV_LOG_ERROR, "Error parsing option '%s' with argument '%s'.\n", opt, argv[optindex]);
                return ret;
            }
        }

        if (opt[0] == 'n' && opt[1] == 'o') {
            po = find_option(options, opt + 2);
            if (po->name && (po->flags & OPT_BOOL)) {
                add_opt(octx, po, opt, "0");
                av_log(nullptr, AV_LOG_DEBUG, " matched as option '%s' (%s) with argument 0.\n", po->name,
                       po->help ? po->help : "");
                continue;
            }
        }

        av_log(nullptr, AV_LOG_ERROR, "Unrecognized option '%s'.\n", opt);
        return AVERROR_OPTION_NOT_FOUND;
    }

    if (!octx->cur_group.opts.empty() || ctx->codec_opts || ctx->format_opts || ctx->resample_opts ||
        ctx->sws_dict || ctx->swr_opts)
        av_log(nullptr, AV_LOG_WARNING, "Trailing options were found on the commandline.\n");
    av_log(nullptr, AV_LOG_DEBUG, "Finished splitting the commandline.\n");
    return 0;
}

int parse_optgroup(void* optctx, OptionGroup* g, CToolContext* ctx)
{
    av_log(nullptr, AV_LOG_DEBUG, "Parsing a group of options: %s %s.\n", g->group_def ? g->group_def->name : "",
           g->arg.c_str());
    for (const Option& o : g->opts) {
        if (g->group_def && g->group_def->flags && !(g->group_def->flags & o.opt->flags)) {
            av_log(nullptr, AV_LOG_ERROR,
                   "Option %s (%s) cannot be applied to %s %s -- you are trying to apply an input option to an "
                   "output file or vice versa. Move this option before the file it belongs to.\n",
                   o.key.c_str(), o.opt->help ? o.opt->help : "", g->group_def->name, g->arg.c_str());
            return AVERROR(EINVAL);
        }
        av_log(nullptr, AV_LOG_DEBUG, "Applying option %s (%s) with argument %s.\n", o.key.c_str(),
               o.opt->help ? o.opt->help : "", o.val.c_str());
        // Help and listing options run their handler; parsing goes on.
        int ret = write_option(optctx, o.opt, o.key.c_str(), o.val.c_str(), ctx);
        if (ret < 0) return ret;
    }
    av_log(nullptr, AV_LOG_DEBUG, "Successfully parsed a group of options.\n");
    return 0;
}

int walk_arguments(CToolContext* ctx, const std::function<int(const char* opt, const char* arg)>& on_option,
                   const std::function<void(const char* arg)>& on_argument)
{
    const int argc = ctx->argc;
    char** argv = ctx->argv_ptrs.data();
    bool handleoptions = true;
    for (int optindex = 1; optindex < argc;) {
        const char* opt = argv[optindex++];
        if (handleoptions && opt[0] == '-' && opt[1] != '\0') {
            if (opt[1] == '-' && opt[2] == '\0') {
                handleoptions = false;
                continue;
            }
            int ret = on_option(opt + 1, optindex < argc ? argv[optindex] : nullptr);
            if (ret < 0) return ret;
            optindex += ret;
        } else {
            on_argument(opt);
        }
    }
    return 0;
}

bool take_input_filename(std::string& input_filename, const char* arg)
{
    const char* name = !strcmp(arg, "-") ? "pipe:" : arg;
    const bool first = input_filename.empty();
    if (!first) {
        av_log(nullptr, AV_LOG_FATAL, "Argument '%s' provided as input filename, but '%s' was already specified.\n",
               name, input_filename.c_str());
    }
    input_filename = name;
    return first;
}

int parse_options(CToolContext* ctx, const OptionDef* options, std::string* input_filename)
{
    if (!ctx) return AVERROR(EINVAL);
    prepare_app_arguments(ctx);
    walk_arguments(
        ctx,
        [&](const char* opt, const char* arg) {
            int ret = parse_option(nullptr, opt, arg, options, ctx);
            if (ret < 0) exit_program(ctx, 1);
            return ret;
        },
        [&](const char* arg) {
            if (input_filename && !take_input_filename(*input_filename, arg)) exit_program(nullptr, 1);
        });
    return 0;
}

void append_common_options(std::vector<OptionDef>& t)
{
    const OptionHandler list = show_listing;
    const OptionHandler help = show_help_noop;
    t.push_back(option_row("L", OPT_EXIT, list, "show license"));
    t.push_back(option_row("h", OPT_EXIT, help, "show help", "topic"));
    t.push_back(option_row("?", OPT_EXIT, help, "show help", "topic"));
    t.push_back(option_row("help", OPT_EXIT, help, "show help", "topic"));
    t.push_back(option_row("-help", OPT_EXIT, help, "show help", "topic"));
    t.push_back(option_row("version", OPT_EXIT, OptionHandler(show_version), "show version"));
    t.push_back(option_row("formats", OPT_EXIT, list, "show available formats"));
    t.push_back(option_row("codecs", OPT_EXIT, list, "show available codecs"));
    t.push_back(option_row("decoders", OPT_EXIT, list, "show available decoders"));
    t.push_back(option_row("encoders", OPT_EXIT, list, "show available encoders"));
    t.push_back(option_row("bsfs", OPT_EXIT, list, "show available bit stream filters"));
    t.push_back(option_row("protocols", OPT_EXIT, list, "show available protocols"));
    t.push_back(option_row("filters", OPT_EXIT, list, "show available filters"));
    t.push_back(option_row("pix_fmts", OPT_EXIT, list, "show available pixel formats"));
    t.push_back(option_row("layouts", OPT_EXIT, list, "show standard channel layouts"));
    t.push_back(option_row("sample_fmts", OPT_EXIT, list, "show available audio sample formats"));
    t.push_back(option_row("colors", OPT_EXIT, list, "show available color names"));
    t.push_back(option_row("loglevel", HAS_ARG, OptionHandler(opt_loglevel), "set logging level", "loglevel"));
    t.push_back(option_row("v", HAS_ARG, OptionHandler(opt_loglevel), "set logging level", "loglevel"));
    t.push_back(option_row("report", 0, OptionHandler(opt_report), "generate a report"));
    t.push_back(option_row("max_alloc", HAS_ARG, OptionHandler(opt_max_alloc), "set maximum size of a single allocated block",
                           "bytes"));
    t.push_back(option_row("cpuflags", HAS_ARG | OPT_EXPERT, OptionHandler(opt_cpuflags), "force specific cpu flags", "flags"));
}

int locate_option(int argc, char** argv, const OptionDef* options, const char* optname)
{
    for (int i = 1; i < argc; i++) {
        const char* cur = argv[i];
        if (*cur++ != '-') continue;
        const OptionDef* po = find_option(options, cur);
        if (!po->name && cur[0] == 'n' && cur[1] == 'o') po = find_option(options, cur + 2);
        if ((!po->name && !strcmp(cur, optname)) || (po->name && !strcmp(optname, po->name))) return i;
        if (!po->name || (po->flags & HAS_ARG)) i++;
    }
    return 0;
}

// ---------------------------------------------------------------- stream options

int check_stream_specifier(AVFormatContext* s, AVStream* st, const char* spec)
{
    int ret = avformat_match_stream_specifier(s, st, spec);
    if (ret < 0) av_log(s, AV_LOG_ERROR, "Invalid stream specifier: %s.\n", spec);
    return ret;
}

AVDictionary* filter_codec_opts(AVDictionary* opts, AVCodecID codec_id, AVFormatContext* s, AVStream* st,
                                const AVCodec* codec)
{
    AVDictionary* ret = nullptr;
    const AVDictionaryEntry* t = nullptr;
    int flags = s->oformat ? AV_OPT_FLAG_ENCODING_PARAM : AV_OPT_FLAG_DECODING_PARAM;
    char prefix = 0;
    const AVClass* cc = avcodec_get_class();
    if (!codec) codec = s->oformat ? avcodec_find_encoder(codec_id) : avcodec_find_decoder(codec_id);
    switch (st->codecpar->codec_type) {
    case AVMEDIA_TYPE_VIDEO: prefix = 'v'; flags |= AV_OPT_FLAG_VIDEO_PARAM; break;
    case AVMEDIA_TYPE_AUDIO: prefix = 'a'; flags |= AV_OPT_FLAG_AUDIO_PARAM; break;
    case AVMEDIA_TYPE_SUBTITLE: prefix = 's'; flags |= AV_OPT_FLAG_SUBTITLE_PARAM; break;
    default: break;
    }
    while ((t = av_dict_get(opts, "", t, AV_DICT_IGNORE_SUFFIX))) {
        std::string key = t->key;
        if (auto p = key.find(':'); p != std::string::npos) {
            int m = check_stream_specifier(s, st, key.c_str() + p + 1);
            if (m <= 0) continue;
            key.resize(p);
        }
        if (av_opt_find(&cc, key.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ) || !codec ||
            (codec->priv_class &&
             av_opt_find((void*)&codec->priv_class, key.c_str(), nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ)))
            av_dict_set(&ret, key.c_str(), t->value, 0);
        else if (key[0] == prefix && av_opt_find(&cc, key.c_str() + 1, nullptr, flags, AV_OPT_SEARCH_FAKE_OBJ))
            av_dict_set(&ret, key.c_str() + 1, t->value, 0);
    }
    return ret;
}

std::vector<AVDictionary*> setup_find_stream_info_opts(AVFormatContext* s, AVDictionary* codec_opts)
{
    std::vector<AVDictionary*> opts(s->nb_streams, nullptr);
    for (unsigned i = 0; i < s->nb_streams; i++)
        opts[i] = filter_codec_opts(codec_opts, s->streams[i]->codecpar->codec_id, s, s->streams[i], nullptr);
    return opts;
}

double get_rotation(AVStream* st)
{
    const uint8_t* displaymatrix = av_stream_get_side_data(st, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    double theta = 0;
    if (displaymatrix) theta = -av_display_rotation_get(reinterpret_cast<const int32_t*>(displaymatrix));
    theta -= 360 * floor(theta / 360 + 0.9 / 360);
    return theta;
}

// ---------------------------------------------------------------- presets

std::vector<std::string> preset_search_folders(const char* env_name, const char* home_sub, const std::string& last)
{
    std::vector<std::string> bases;
    if (std::optional<std::string> d = GetEnvironmentValue(env_name)) bases.push_back(*d);
    std::string home = WideToUtf8(GetUserHomeFolder());
    if (!home.empty()) bases.push_back(home + "/" + home_sub);
    if (!last.empty()) bases.push_back(last);
    return bases;
}

namespace {

// Folders searched for ".ffpreset" files, read once per process.
const std::vector<std::string>& preset_base_folders()
{
    static const std::vector<std::string> bases = [] {
        std::string prog = WideToUtf8(GetProgramFolder());
        return preset_search_folders("FFMPEG_DATADIR", ".ffmpeg", prog.empty() ? prog : prog + "/ffpresets");
    }();
    return bases;
}

}  // namespace

std::string get_preset_file(const char* preset_name, int is_path, const char* codec_name)
{
    if (is_path) {
        FILE* f = fopen(preset_name, "r");
        if (!f) return {};
        fclose(f);
        return preset_name;
    }
    for (const std::string& base : preset_base_folders()) {
        std::string candidates[2];
        if (codec_name) candidates[0] = base + "/" + codec_name + "-" + preset_name + ".ffpreset";
        candidates[1] = base + "/" + preset_name + ".ffpreset";
        for (const std::string& c : candidates) {
            if (c.empty() || c.size() > 1000) continue;
            if (FILE* f = fopen(c.c_str(), "r")) {
                fclose(f);
                return c;
            }
        }
    }
    return {};
}

int opt_max_alloc(void*, const char*, const char* arg, CToolContext*)
{
    char* tail = nullptr;
    unsigned long long max = strtoull(arg, &tail, 10);
    if (*tail) av_log(nullptr, AV_LOG_FATAL, "Invalid max_alloc \"%s\".\n", arg);
    av_max_alloc(static_cast<size_t>(max));
    return 0;
}

int opt_cpuflags(void*, const char*, const char* arg, CToolContext*)
{
    unsigned flags = av_get_cpu_flags();
    int ret = av_parse_cpu_caps(&flags, arg);
    if (ret < 0) return ret;
    av_force_cpu_flags(static_cast<int>(flags));
    return 0;
}

void print_error(const char* filename, int err)
{
    char errbuf[128];
    const char* errbuf_ptr = errbuf;
    if (av_strerror(err, errbuf, sizeof(errbuf)) < 0) errbuf_ptr = strerror(AVUNERROR(err));
    av_log(nullptr, AV_LOG_ERROR, "%s: %s\n", filename, errbuf_ptr);
}

void uninit_media_library()
{
    // The option sets are per run and freed with their run; the report file
    // stays open for the life of the process.
    SDL_Quit();
}

std::string err2str(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(err, buf, sizeof buf);
    return buf;
}
