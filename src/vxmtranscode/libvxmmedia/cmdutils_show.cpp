// The help, version and listing options. The host has no console: help
// prints nothing, version writes to a silenced log.
#include <cstdio>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include "cmdutils.h"

namespace {
void log_callback_silent(void*, int, const char*, va_list) {}

}  // namespace

int show_help_noop(void*, const char*, const char*, CToolContext*) { return 0; }

int show_version(void*, const char*, const char*, CToolContext*)
{
    // The engine's host has no console: version text goes to a silent log.
    av_log_set_callback(log_callback_silent);
    av_log(nullptr, AV_LOG_INFO, "%s version %s\n", "ffmpeg", av_version_info());
    return 0;
}

int show_listing(void*, const char* opt, const char*, CToolContext*)
{
    std::string what = opt;
    void* it = nullptr;
    if (what == "formats") {
        const AVInputFormat* ifmt;
        while ((ifmt = av_demuxer_iterate(&it))) printf(" D  %-15s %s\n", ifmt->name, ifmt->long_name ? ifmt->long_name : "");
        it = nullptr;
        const AVOutputFormat* ofmt;
        while ((ofmt = av_muxer_iterate(&it))) printf("  E %-15s %s\n", ofmt->name, ofmt->long_name ? ofmt->long_name : "");
    } else if (what == "codecs" || what == "decoders" || what == "encoders") {
        const AVCodec* c;
        while ((c = av_codec_iterate(&it))) {
            bool enc = av_codec_is_encoder(c);
            if ((what == "decoders" && enc) || (what == "encoders" && !enc)) continue;
            printf(" %c%c %-20s %s\n", enc ? '.' : 'D', enc ? 'E' : '.', c->name, c->long_name ? c->long_name : "");
        }
    } else if (what == "bsfs") {
        const AVBitStreamFilter* b;
        while ((b = av_bsf_iterate(&it))) printf("%s\n", b->name);
    } else if (what == "protocols") {
        const char* name;
        while ((name = avio_enum_protocols(&it, 0))) printf("  %s\n", name);
    } else if (what == "filters") {
        const AVFilter* f;
        while ((f = av_filter_iterate(&it))) printf(" %-16s %s\n", f->name, f->description ? f->description : "");
    } else if (what == "pix_fmts") {
        const AVPixFmtDescriptor* d = nullptr;
        while ((d = av_pix_fmt_desc_next(d))) printf("%-16s %d\n", d->name, d->nb_components);
    } else if (what == "sample_fmts") {
        for (int i = 0; i < AV_SAMPLE_FMT_NB; i++)
            printf("%-8s %d\n", av_get_sample_fmt_name(static_cast<AVSampleFormat>(i)),
                   av_get_bytes_per_sample(static_cast<AVSampleFormat>(i)) * 8);
    } else if (what == "layouts") {
        const AVChannelLayout* l;
        while ((l = av_channel_layout_standard(&it))) {
            char buf[128];
            av_channel_layout_describe(l, buf, sizeof buf);
            printf("%s\n", buf);
        }
    } else if (what == "colors") {
        const char* name;
        const uint8_t* rgb;
        for (int i = 0; (name = av_get_known_color_name(i, &rgb)); i++)
            printf("%-32s #%02x%02x%02x\n", name, rgb[0], rgb[1], rgb[2]);
    } else if (what == "L") {
        printf("%s\n", avformat_license());
    }
    fflush(stdout);
    return 0;
}

