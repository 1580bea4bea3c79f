#include "ffplay_options.h"

#include <cstring>
#include <optional>

#include "cd_input.h"
#include "dvd/DvdArguments.h"
#include "ffmpeg_legacy.h"

extern "C" {
#include <libavutil/pixdesc.h>
}

namespace {

FFplayOptions* Target(void* optctx)
{
    return static_cast<FFplayOptions*>(optctx);
}

int opt_width(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    Target(optctx)->screen_width = static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT64, 1, INT_MAX));
    return 0;
}

int opt_height(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    Target(optctx)->screen_height = static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT64, 1, INT_MAX));
    return 0;
}

int opt_frame_size(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    av_log(nullptr, AV_LOG_WARNING, "Option -s is deprecated, use -video_size.\n");
    return opt_default(optctx, "video_size", arg, ctx);
}

int opt_format(void* optctx, const char*, const char* arg, CToolContext*)
{
    const AVInputFormat* f = av_find_input_format(arg);
    if (!f) {
        av_log(nullptr, AV_LOG_FATAL, "Unknown input format: %s\n", arg);
        return AVERROR(EINVAL);
    }
    Target(optctx)->file_iformat = f;
    return 0;
}

int opt_frame_pix_fmt(void* optctx, const char*, const char* arg, CToolContext*)
{
    AVPixelFormat f = av_get_pix_fmt(arg);
    if (f == AV_PIX_FMT_NONE) {
        av_log(nullptr, AV_LOG_FATAL, "Unknown pixel format requested: %s\n", arg);
        return AVERROR(EINVAL);
    }
    Target(optctx)->frame_pix_fmt = f;
    return 0;
}

struct NamedMode {
    const char* name;
    int value;
};

// The value `arg` names in `modes`; empty when it names none.
template <std::size_t N>
std::optional<int> named_mode(const NamedMode (&modes)[N], const char* arg)
{
    for (const NamedMode& m : modes)
        if (!strcmp(arg, m.name)) return m.value;
    return std::nullopt;
}

constexpr NamedMode kSyncModes[] = {
    {"audio", AV_SYNC_AUDIO_MASTER}, {"video", AV_SYNC_VIDEO_MASTER}, {"ext", AV_SYNC_EXTERNAL_CLOCK}};
constexpr NamedMode kShowModes[] = {{"video", SHOW_MODE_VIDEO}, {"waves", SHOW_MODE_WAVES}, {"rdft", SHOW_MODE_RDFT}};

int opt_sync(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    const std::optional<int> mode = named_mode(kSyncModes, arg);
    if (!mode) {
        av_log(nullptr, AV_LOG_ERROR, "Unknown value for %s: %s\n", opt, arg);
        return AVERROR(EINVAL);
    }
    Target(optctx)->av_sync_type = *mode;
    return 0;
}

int opt_seek(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    Target(optctx)->start_time = parse_time_or_die(ctx, opt, arg, 1);
    return 0;
}

int opt_duration(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    Target(optctx)->duration = parse_time_or_die(ctx, opt, arg, 1);
    return 0;
}

int opt_show_mode(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    const std::optional<int> mode = named_mode(kShowModes, arg);
    Target(optctx)->show_mode =
        mode ? *mode : static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT, 0, SHOW_MODE_RDFT));
    return 0;
}

int opt_add_vfilter(void* optctx, const char*, const char* arg, CToolContext*)
{
    // The older filter texts become the current ones, as for conversions.
    Target(optctx)->vfilters_list.emplace_back(translate_filter_text(arg));
    return 0;
}

int opt_codec(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    FFplayOptions* o = Target(optctx);
    const char* spec = strchr(opt, ':');
    if (!spec) {
        av_log(nullptr, AV_LOG_ERROR, "No media specifier was specified in '%s' in option '%s'\n", arg, opt);
        return AVERROR(EINVAL);
    }
    switch (spec[1]) {
    case 'a': o->audio_codec_name = arg; break;
    case 's': o->subtitle_codec_name = arg; break;
    case 'v': o->video_codec_name = arg; break;
    default:
        av_log(nullptr, AV_LOG_ERROR, "Invalid media specifier '%s' in option '%s'\n", spec, opt);
        return AVERROR(EINVAL);
    }
    return 0;
}

int opt_default_row(void*, const char* opt, const char* arg, CToolContext* ctx)
{
    return opt_default(nullptr, opt, arg, ctx);
}

OptionDef Row(const char* name, int flags, OptionTarget target, const char* help, const char* argname = nullptr)
{
    return option_row(name, flags, std::move(target), help, argname);
}

}  // namespace

void ffplay_reset_options(FFplayOptions& o)
{
    o = FFplayOptions();
}

std::vector<OptionDef> ffplay_option_table(FFplayOptions& o)
{
    const int E = OPT_EXPERT;
    std::vector<OptionDef> t;
    t.reserve(64);
    append_common_options(t);
    t.push_back(Row("x", HAS_ARG, OptionHandler(opt_width), "force displayed width", "width"));
    t.push_back(Row("y", HAS_ARG, OptionHandler(opt_height), "force displayed height", "height"));
    t.push_back(Row("s", HAS_ARG | OPT_VIDEO, OptionHandler(opt_frame_size), "set frame size (WxH or abbreviation)", "size"));
    t.push_back(Row("fs", OPT_BOOL, &o.is_full_screen, "force full screen"));
    t.push_back(Row("an", OPT_BOOL, &o.audio_disable, "disable audio"));
    t.push_back(Row("vn", OPT_BOOL, &o.video_disable, "disable video"));
    t.push_back(Row("sn", OPT_BOOL, &o.subtitle_disable, "disable subtitling"));
    t.push_back(Row("extaudio", HAS_ARG | OPT_STRING, &o.extaudio, "entend audio"));
    t.push_back(Row("ast", OPT_INT | HAS_ARG | E, &o.wanted_stream[AVMEDIA_TYPE_AUDIO], "select desired audio stream", "stream_number"));
    t.push_back(Row("vst", OPT_INT | HAS_ARG | E, &o.wanted_stream[AVMEDIA_TYPE_VIDEO], "select desired video stream", "stream_number"));
    t.push_back(Row("sst", OPT_INT | HAS_ARG | E, &o.wanted_stream[AVMEDIA_TYPE_SUBTITLE], "select desired subtitle stream", "stream_number"));
    t.push_back(Row("ss", HAS_ARG, OptionHandler(opt_seek), "seek to a given position in seconds", "pos"));
    t.push_back(Row("t", HAS_ARG, OptionHandler(opt_duration), "play  \"duration\" seconds of audio/video", "duration"));
    t.push_back(Row("bytes", OPT_INT | HAS_ARG, &o.seek_by_bytes, "seek by bytes 0=off 1=on -1=auto", "val"));
    t.push_back(Row("nodisp", OPT_BOOL, &o.display_disable, "disable graphical display"));
    t.push_back(Row("f", HAS_ARG, OptionHandler(opt_format), "force format", "fmt"));
    t.push_back(Row("pix_fmt", HAS_ARG | E | OPT_VIDEO, OptionHandler(opt_frame_pix_fmt), "set pixel format", "format"));
    t.push_back(Row("stats", OPT_BOOL | E, &o.show_status, "show status", ""));
    t.push_back(Row("fast", OPT_BOOL | E, &o.fast, "non spec compliant optimizations", ""));
    t.push_back(Row("genpts", OPT_BOOL | E, &o.genpts, "generate pts", ""));
    t.push_back(Row("drp", OPT_INT | HAS_ARG | E, &o.decoder_reorder_pts, "let decoder reorder pts 0=off 1=on -1=auto", ""));
    t.push_back(Row("lowres", OPT_INT | HAS_ARG | E, &o.lowres, "", ""));
    t.push_back(Row("sync", HAS_ARG | E, OptionHandler(opt_sync), "set audio-video sync. type (type=audio/video/ext)", "type"));
    t.push_back(Row("autoexit", OPT_BOOL | E, &o.autoexit, "exit at the end", ""));
    t.push_back(Row("exitonkeydown", OPT_BOOL | E, &o.exit_on_keydown, "exit on key down", ""));
    t.push_back(Row("exitonmousedown", OPT_BOOL | E, &o.exit_on_mousedown, "exit on mouse down", ""));
    t.push_back(Row("loop", OPT_INT | HAS_ARG | E, &o.loop, "set number of times the playback shall be looped", "loop count"));
    t.push_back(Row("framedrop", OPT_BOOL | E, &o.framedrop, "drop frames when cpu is too slow", ""));
    t.push_back(Row("infbuf", OPT_BOOL | E, &o.infinite_buffer, "don't limit the input buffer size (useful with realtime streams)", ""));
    t.push_back(Row("window_title", OPT_STRING | HAS_ARG, &o.window_title, "set window title", "window title"));
    t.push_back(Row("vf", HAS_ARG | E, OptionHandler(opt_add_vfilter), "set video filters", "filter_graph"));
    t.push_back(Row("af", OPT_STRING | HAS_ARG, &o.afilters, "set audio filters", "filter_graph"));
    t.push_back(Row("rdftspeed", OPT_DOUBLE | HAS_ARG | OPT_AUDIO | E, &o.rdftspeed, "rdft speed", "msecs"));
    t.push_back(Row("showmode", HAS_ARG, OptionHandler(opt_show_mode), "select show mode (0 = video, 1 = waves, 2 = RDFT)", "mode"));
    t.push_back(Row("default", HAS_ARG | OPT_AUDIO | OPT_VIDEO | E, OptionHandler(opt_default_row), "generic catch all option", ""));
    t.push_back(Row("i", OPT_BOOL, &o.dummy, "read specified file", "input_file"));
    t.push_back(Row("codec", HAS_ARG, OptionHandler(opt_codec), "force decoder", "decoder_name"));
    t.push_back(Row("acodec", HAS_ARG | OPT_STRING | E, &o.audio_codec_name, "force audio decoder", "decoder_name"));
    t.push_back(Row("scodec", HAS_ARG | OPT_STRING | E, &o.subtitle_codec_name, "force subtitle decoder", "decoder_name"));
    t.push_back(Row("vcodec", HAS_ARG | OPT_STRING | E, &o.video_codec_name, "force video decoder", "decoder_name"));
    t.push_back(Row("autorotate", OPT_BOOL, &o.autorotate, "automatically rotate video", ""));
    t.push_back(OptionDef());
    return t;
}

int ffplay_parse_options(CToolContext* ctx, FFplayOptions& o, const std::vector<OptionDef>& table)
{
    if (!ctx) return AVERROR(EINVAL);
    prepare_app_arguments(ctx);
    take_dvd_input_arguments(ctx);  // a DVD title's options go to the DVD input
    take_cd_input_arguments(ctx);   // a CD track's option and drive
    return walk_arguments(
        ctx,
        [&](const char* opt, const char* arg) {
            const OptionDef* po = find_option(table.data(), opt);
            bool known = po->name != nullptr;
            if (!known && opt[0] == 'n' && opt[1] == 'o') {
                const OptionDef* neg = find_option(table.data(), opt + 2);
                known = neg->name && (neg->flags & OPT_BOOL);
            }
            if (known) return parse_option(&o, opt, arg, table.data(), ctx);
            // Not one of the table's: the library option sets of the run.
            int ret = arg ? opt_default(nullptr, opt, arg, ctx) : AVERROR_OPTION_NOT_FOUND;
            if (ret >= 0) return 1;
            if (ret == AVERROR_OPTION_NOT_FOUND) {
                av_log(nullptr, AV_LOG_ERROR, "Unrecognized option '%s'\n", opt);
                return AVERROR(EINVAL);
            }
            av_log(nullptr, AV_LOG_ERROR, "Error parsing option '%s' with argument '%s'.\n", opt, arg);
            return ret;
        },
        [&](const char* arg) { take_input_filename(o.input_filename, arg); });
}
