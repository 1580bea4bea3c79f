// The console texts of the tools: banner, version, help and the listings.
// They go to the run context's output (WriteOutput), the standard output
// unless a host takes it. Help prints nothing; version writes to a silenced
// log.
#include <cstdarg>
#include <cstdio>
#include <map>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include "cmdutils.h"
#include "ffmpeg_state.h"

namespace {

void log_callback_silent(void*, int, const char*, va_list) {}

// A format or device by name: whether it reads (D) and writes (E).
struct SFormatRow {
    bool demux = false, mux = false;
    std::string long_name;
};
using FormatRows = std::map<std::string, SFormatRow>;

void add_row(FormatRows& rows, const char* name, const char* long_name, bool mux)
{
    SFormatRow& row = rows[name];
    (mux ? row.mux : row.demux) = true;
    if (row.long_name.empty() && long_name) row.long_name = long_name;
}

void print_format_rows(CToolContext* ctx, const char* title, const FormatRows& rows)
{
    print_console(ctx, "%s:\n D. = Demuxing supported\n .E = Muxing supported\n --\n", title);
    for (const auto& [name, row] : rows)
        print_console(ctx, " %s%s %-15s %s\n", row.demux ? "D" : " ", row.mux ? "E" : " ", name.c_str(),
                      row.long_name.c_str());
}

FormatRows file_formats()
{
    FormatRows rows;
    // A muxer's long name goes before its demuxer's.
    void* it = nullptr;
    while (const AVOutputFormat* f = av_muxer_iterate(&it)) add_row(rows, f->name, f->long_name, true);
    it = nullptr;
    while (const AVInputFormat* f = av_demuxer_iterate(&it)) add_row(rows, f->name, f->long_name, false);
    return rows;
}

FormatRows device_formats()
{
    FormatRows rows;
    for (const AVOutputFormat* f = nullptr; (f = av_output_audio_device_next(f));) add_row(rows, f->name, f->long_name, true);
    for (const AVOutputFormat* f = nullptr; (f = av_output_video_device_next(f));) add_row(rows, f->name, f->long_name, true);
    for (const AVInputFormat* f = nullptr; (f = av_input_audio_device_next(f));) add_row(rows, f->name, f->long_name, false);
    for (const AVInputFormat* f = nullptr; (f = av_input_video_device_next(f));) add_row(rows, f->name, f->long_name, false);
    return rows;
}

// "device[,option=value...]": the device name to match (empty: all) and its options.
int parse_device_argument(const char* arg, std::string& device, AVDictionary** options)
{
    if (!arg || !*arg) return 0;
    const std::string text = arg;
    const size_t comma = text.find(',');
    device = text.substr(0, comma);
    if (comma == std::string::npos) return 0;
    const int ret = av_dict_parse_string(options, text.c_str() + comma + 1, "=", ",", 0);
    if (ret < 0) av_log(nullptr, AV_LOG_ERROR, "Invalid device name: %s.\n", arg);
    return ret;
}

void print_device_list(CToolContext* ctx, const char* what, const char* name, int ret, AVDeviceInfoList* list)
{
    print_console(ctx, "Auto-detected %s for %s:\n", what, name);
    if (ret == AVERROR(ENOSYS)) {
        print_console(ctx, "Cannot list %s. Not implemented.\n", what);
    } else if (ret < 0) {
        print_console(ctx, "Cannot list %s.\n", what);
    } else {
        for (int i = 0; i < list->nb_devices; i++)
            print_console(ctx, "%s %s [%s]\n", list->default_device == i ? "*" : " ", list->devices[i]->device_name,
                          list->devices[i]->device_description);
    }
    avdevice_free_list_devices(&list);
}

// The devices of one direction whose name matches the argument. Probing
// devices is noisy: only errors are logged meanwhile.
template <typename Format, typename Next, typename List>
int show_devices_of(CToolContext* ctx, const char* arg, const char* what, Next next_audio, Next next_video, List list_of)
{
    const int level = av_log_get_level();
    av_log_set_level(AV_LOG_ERROR);
    std::string device;
    AVDictionary* options = nullptr;
    int ret = parse_device_argument(arg, device, &options);
    for (Next next : {next_audio, next_video}) {
        for (Format* f = nullptr; ret >= 0 && (f = next(f));) {
            // Probing the filter device would run a graph for nothing.
            if (!strcmp(f->name, "lavfi")) continue;
            if (!device.empty() && !av_match_name(device.c_str(), f->name)) continue;
            AVDeviceInfoList* devices = nullptr;
            print_device_list(ctx, what, f->name, list_of(f, options, &devices), devices);
        }
    }
    av_dict_free(&options);
    av_log_set_level(level);
    return ret < 0 ? ret : 0;
}

void print_library(CToolContext* ctx, const char* name, unsigned built, unsigned running)
{
    print_console(ctx, "  lib%-11s %2u.%3u.%3u / %2u.%3u.%3u\n", name, built >> 16, built >> 8 & 0xFF, built & 0xFF,
                  running >> 16, running >> 8 & 0xFF, running & 0xFF);
}

}  // namespace

void print_console(CToolContext* ctx, const char* format, ...)
{
    char stack[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int size = vsnprintf(stack, sizeof stack, format, args);
    va_end(args);
    std::string text;
    if (size >= static_cast<int>(sizeof stack)) {
        text.resize(static_cast<size_t>(size));
        vsnprintf(text.data(), text.size() + 1, format, again);
    } else if (size > 0) {
        text.assign(stack, static_cast<size_t>(size));
    }
    va_end(again);
    if (ctx) {
        ctx->WriteOutput(text);
    } else {
        fputs(text.c_str(), stdout);
        fflush(stdout);
    }
}

void show_banner(CToolContext* ctx, int argc, char** argv, const OptionDef* options)
{
    if (hide_banner_requested() || locate_option(argc, argv, options, "version")) return;
    print_console(ctx, "%s version 2.7.2 Copyright (c) 2000-2015 the FFmpeg developers\n", "ffmpeg");
    print_console(ctx, "  built with gcc %s\n", __VERSION__);
    print_console(ctx, "  configuration: %s\n", avformat_configuration());
    print_library(ctx, "avutil", LIBAVUTIL_VERSION_INT, avutil_version());
    print_library(ctx, "avcodec", LIBAVCODEC_VERSION_INT, avcodec_version());
    print_library(ctx, "avformat", LIBAVFORMAT_VERSION_INT, avformat_version());
    print_library(ctx, "avdevice", LIBAVDEVICE_VERSION_INT, avdevice_version());
    print_library(ctx, "avfilter", LIBAVFILTER_VERSION_INT, avfilter_version());
    print_library(ctx, "swscale", LIBSWSCALE_VERSION_INT, swscale_version());
    print_library(ctx, "swresample", LIBSWRESAMPLE_VERSION_INT, swresample_version());
}

int show_help_noop(void*, const char*, const char*, CToolContext*) { return 0; }

int show_version(void*, const char*, const char*, CToolContext*)
{
    // The engine's host has no console: version text goes to a silent log.
    av_log_set_callback(log_callback_silent);
    av_log(nullptr, AV_LOG_INFO, "%s version %s\n", "ffmpeg", av_version_info());
    return 0;
}

int show_sources(void*, const char*, const char* arg, CToolContext* ctx)
{
    return show_devices_of<const AVInputFormat>(ctx, arg, "sources", av_input_audio_device_next,
                                                av_input_video_device_next,
                                                [](const AVInputFormat* f, AVDictionary* o, AVDeviceInfoList** l) {
                                                    return avdevice_list_input_sources(f, nullptr, o, l);
                                                });
}

int show_sinks(void*, const char*, const char* arg, CToolContext* ctx)
{
    return show_devices_of<const AVOutputFormat>(ctx, arg, "sinks", av_output_audio_device_next,
                                                 av_output_video_device_next,
                                                 [](const AVOutputFormat* f, AVDictionary* o, AVDeviceInfoList** l) {
                                                     return avdevice_list_output_sinks(f, nullptr, o, l);
                                                 });
}

int show_listing(void*, const char* opt, const char*, CToolContext* ctx)
{
    std::string what = opt;
    void* it = nullptr;
    if (what == "formats") {
        print_format_rows(ctx, "File formats", file_formats());
    } else if (what == "devices") {
        print_format_rows(ctx, "Devices", device_formats());
    } else if (what == "codecs" || what == "decoders" || what == "encoders") {
        const AVCodec* c;
        while ((c = av_codec_iterate(&it))) {
            bool enc = av_codec_is_encoder(c);
            if ((what == "decoders" && enc) || (what == "encoders" && !enc)) continue;
            print_console(ctx, " %c%c %-20s %s\n", enc ? '.' : 'D', enc ? 'E' : '.', c->name,
                          c->long_name ? c->long_name : "");
        }
    } else if (what == "bsfs") {
        const AVBitStreamFilter* b;
        while ((b = av_bsf_iterate(&it))) print_console(ctx, "%s\n", b->name);
    } else if (what == "protocols") {
        const char* name;
        while ((name = avio_enum_protocols(&it, 0))) print_console(ctx, "  %s\n", name);
    } else if (what == "filters") {
        const AVFilter* f;
        while ((f = av_filter_iterate(&it)))
            print_console(ctx, " %-16s %s\n", f->name, f->description ? f->description : "");
    } else if (what == "pix_fmts") {
        const AVPixFmtDescriptor* d = nullptr;
        while ((d = av_pix_fmt_desc_next(d))) print_console(ctx, "%-16s %d\n", d->name, d->nb_components);
    } else if (what == "sample_fmts") {
        for (int i = 0; i < AV_SAMPLE_FMT_NB; i++)
            print_console(ctx, "%-8s %d\n", av_get_sample_fmt_name(static_cast<AVSampleFormat>(i)),
                          av_get_bytes_per_sample(static_cast<AVSampleFormat>(i)) * 8);
    } else if (what == "layouts") {
        const AVChannelLayout* l;
        while ((l = av_channel_layout_standard(&it))) {
            char buf[128];
            av_channel_layout_describe(l, buf, sizeof buf);
            print_console(ctx, "%s\n", buf);
        }
    } else if (what == "colors") {
        const char* name;
        const uint8_t* rgb;
        for (int i = 0; (name = av_get_known_color_name(i, &rgb)); i++)
            print_console(ctx, "%-32s #%02x%02x%02x\n", name, rgb[0], rgb[1], rgb[2]);
    } else if (what == "L") {
        print_console(ctx, "%s\n", avformat_license());
    }
    return 0;
}
