// Filter graphs of the transcoder over libavfilter's public API.
#include "ffmpeg_filter.h"

#include <cinttypes>
#include <cstring>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/avstring.h>
#include <libavutil/bprint.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "cmdutils.h"
#include "display_turn.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace {

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...)
{
    char buf[1024];
    va_list ap;
    va_start(ap, f);
    vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

AVMediaType pad_type(const AVFilterContext* f, int idx, bool input)
{
    return avfilter_pad_get_type(input ? f->input_pads : f->output_pads, idx);
}

// Adds `filter_name` after *last_filter and makes it the new end of the chain.
int insert_filter(FilterGraph* fg, AVFilterContext** last_filter, int* pad_idx, const char* filter_name,
                  const char* args, const std::string& name)
{
    AVFilterContext* f = nullptr;
    int ret = avfilter_graph_create_filter(&f, avfilter_get_by_name(filter_name), name.c_str(), args, nullptr,
                                           fg->graph);
    if (ret < 0) return ret;
    if ((ret = avfilter_link(*last_filter, *pad_idx, f, 0)) < 0) return ret;
    *last_filter = f;
    *pad_idx = 0;
    return 0;
}

// Keeps [start_time, start_time + duration) of the chain, or what lies
// before end_time (a rebuilt graph's trim sees its first frame mid-stream).
int insert_trim(FilterGraph* fg, int64_t start_time, int64_t duration, int64_t end_time, AVFilterContext** last_filter,
                int* pad_idx, const std::string& name)
{
    if (duration == INT64_MAX && end_time == INT64_MAX && start_time == AV_NOPTS_VALUE) return 0;
    AVMediaType type = pad_type(*last_filter, *pad_idx, false);
    const char* name_f = type == AVMEDIA_TYPE_VIDEO ? "trim" : "atrim";
    const AVFilter* trim = avfilter_get_by_name(name_f);
    if (!trim) {
        av_log(nullptr, AV_LOG_ERROR, "%s filter not present, cannot limit recording time.\n", name_f);
        return AVERROR_FILTER_NOT_FOUND;
    }
    AVFilterContext* ctx = avfilter_graph_alloc_filter(fg->graph, trim, name.c_str());
    if (!ctx) return AVERROR(ENOMEM);
    int ret = 0;
    if (duration != INT64_MAX) ret = av_opt_set_int(ctx, "durationi", duration, AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0 && end_time != INT64_MAX) ret = av_opt_set_int(ctx, "endi", end_time, AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0 && start_time != AV_NOPTS_VALUE)
        ret = av_opt_set_int(ctx, "starti", start_time, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0) {
        av_log(ctx, AV_LOG_ERROR, "Error configuring the %s filter", name_f);
        return ret;
    }
    if ((ret = avfilter_init_str(ctx, nullptr)) < 0) return ret;
    if ((ret = avfilter_link(*last_filter, *pad_idx, ctx, 0)) < 0) return ret;
    *last_filter = ctx;
    *pad_idx = 0;
    return 0;
}

// The output file's window; the encoders hold a rebuilt graph's end to the
// file's length.
int insert_output_trim(FilterGraph* fg, const OutputFile* of, AVFilterContext** last_filter, int* pad_idx,
                       const std::string& name)
{
    return insert_trim(fg, of->start_time, fg->reconfiguration ? INT64_MAX : of->recording_time, INT64_MAX,
                       last_filter, pad_idx, name);
}

// The JPEG encoders take limited-range YUV only below normal compliance.
bool strict_below_normal(const OutputStream* ost)
{
    const AVDictionaryEntry* e = av_dict_get(ost->encoder_opts, "strict", nullptr, 0);
    if (!e) return ost->enc_ctx->strict_std_compliance <= FF_COMPLIANCE_UNOFFICIAL;
    std::string v = e->value;
    return v == "unofficial" || v == "experimental" || v == "-1" || v == "-2";
}

const AVPixelFormat* supported_pix_fmts(const OutputStream* ost)
{
    static const AVPixelFormat mjpeg_formats[] = {AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ422P, AV_PIX_FMT_YUVJ444P,
                                                  AV_PIX_FMT_NONE};
    static const AVPixelFormat ljpeg_formats[] = {AV_PIX_FMT_BGR24,    AV_PIX_FMT_BGRA,     AV_PIX_FMT_BGR0,
                                                  AV_PIX_FMT_YUVJ420P, AV_PIX_FMT_YUVJ444P, AV_PIX_FMT_YUVJ422P,
                                                  AV_PIX_FMT_YUV420P,  AV_PIX_FMT_YUV444P,  AV_PIX_FMT_YUV422P,
                                                  AV_PIX_FMT_NONE};
    if (!ost->enc) return nullptr;
    if (!strict_below_normal(ost)) {
        if (ost->enc->id == AV_CODEC_ID_MJPEG) return mjpeg_formats;
        if (ost->enc->id == AV_CODEC_ID_LJPEG) return ljpeg_formats;
    }
    return ost->enc->pix_fmts;
}

AVPixelFormat choose_pixel_fmt(const OutputStream* ost, AVPixelFormat target)
{
    const AVCodec* codec = ost->enc;
    const AVPixelFormat* formats = supported_pix_fmts(ost);
    if (codec && formats) {
        const AVPixelFormat* p = formats;
        const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(target);
        int has_alpha = desc ? desc->nb_components % 2 == 0 : 0;
        for (; *p != AV_PIX_FMT_NONE; p++)
            if (*p == target) break;
        if (*p == AV_PIX_FMT_NONE) {
            AVPixelFormat best = avcodec_find_best_pix_fmt_of_list(formats, target, has_alpha, nullptr);
            if (target != AV_PIX_FMT_NONE)
                av_log(nullptr, AV_LOG_WARNING,
                       "Incompatible pixel format '%s' for codec '%s', auto-selecting format '%s'\n",
                       av_get_pix_fmt_name(target), codec->name, av_get_pix_fmt_name(best));
            return best;
        }
    }
    return target;
}

std::string choose_pix_fmts(FilterGraph* fg, OutputStream* ost)
{
    AVCodecContext* enc = ost->enc_ctx;
    if (ost->keep_pix_fmt) {
        avfilter_graph_set_auto_convert(fg->graph, AVFILTER_AUTO_CONVERT_NONE);
        if (enc->pix_fmt == AV_PIX_FMT_NONE) return {};
        return av_get_pix_fmt_name(enc->pix_fmt);
    }
    if (enc->pix_fmt != AV_PIX_FMT_NONE) return av_get_pix_fmt_name(choose_pixel_fmt(ost, enc->pix_fmt));
    std::string list;
    if (const AVPixelFormat* formats = supported_pix_fmts(ost)) {
        for (const AVPixelFormat* p = formats; *p != AV_PIX_FMT_NONE; p++) {
            if (!list.empty()) list += "|";
            list += av_get_pix_fmt_name(*p);
        }
    }
    return list;
}

AVSampleFormat choose_sample_fmt(const AVCodec* codec, AVSampleFormat target)
{
    if (codec && codec->sample_fmts) {
        const AVSampleFormat* p = codec->sample_fmts;
        for (; *p != AV_SAMPLE_FMT_NONE; p++)
            if (*p == target) break;
        if (*p == AV_SAMPLE_FMT_NONE) {
            const AVCodecDescriptor* desc = avcodec_descriptor_get(codec->id);
            if (desc && (desc->props & AV_CODEC_PROP_LOSSLESS) &&
                av_get_sample_fmt_name(target) &&
                av_get_bytes_per_sample(target) > av_get_bytes_per_sample(codec->sample_fmts[0]))
                av_log(nullptr, AV_LOG_ERROR, "Conversion will not be lossless.\n");
            if (av_get_sample_fmt_name(target))
                av_log(nullptr, AV_LOG_WARNING,
                       "Incompatible sample format '%s' for codec '%s', auto-selecting format '%s'\n",
                       av_get_sample_fmt_name(target), codec->name, av_get_sample_fmt_name(codec->sample_fmts[0]));
            return codec->sample_fmts[0];
        }
    }
    return target;
}

int configure_output_video_filter(FilterGraph* fg, OutputFilter* ofilter, AVFilterInOut* out, CToolContext* ctx)
{
    OutputStream* ost = ofilter->ost;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    AVFilterContext* last_filter = out->filter_ctx;
    int pad_idx = out->pad_idx;
    std::string name = fmt("output stream %d:%d", ost->file_index, ost->index);

    int ret = avfilter_graph_create_filter(&ofilter->filter, avfilter_get_by_name("buffersink"), name.c_str(), nullptr,
                                           nullptr, fg->graph);
    if (ret < 0) return ret;

    if (ost->enc_ctx->width || ost->enc_ctx->height) {
        std::string args = fmt("%d:%d", ost->enc_ctx->width, ost->enc_ctx->height);
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(ost->sws_dict, "", e, AV_DICT_IGNORE_SUFFIX)))
            args += fmt(":%s=%s", strcmp(e->key, "sws_flags") ? e->key : "flags", e->value);
        if (!av_dict_get(ost->sws_dict, "sws_flags", nullptr, 0))
            args += fmt(":flags=0x%X", static_cast<unsigned>(ost->sws_flags));
        std::string fname = fmt("scaler for output stream %d:%d", ost->file_index, ost->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "scale", args.c_str(), fname)) < 0) return ret;
    }

    std::string pix_fmts = choose_pix_fmts(fg, ost);
    if (!pix_fmts.empty()) {
        std::string fname = fmt("pixel format for output stream %d:%d", ost->file_index, ost->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "format", pix_fmts.c_str(), fname)) < 0) return ret;
    }

    std::string tname = fmt("trim for output stream %d:%d", ost->file_index, ost->index);
    if ((ret = insert_output_trim(fg, of, &last_filter, &pad_idx, tname)) < 0) return ret;

    return avfilter_link(last_filter, pad_idx, ofilter->filter, 0);
}

int configure_output_audio_filter(FilterGraph* fg, OutputFilter* ofilter, AVFilterInOut* out, CToolContext* ctx)
{
    OutputStream* ost = ofilter->ost;
    OutputFile* of = ctx->output_files[ost->file_index].get();
    AVCodecContext* codec = ost->enc_ctx;
    AVFilterContext* last_filter = out->filter_ctx;
    int pad_idx = out->pad_idx;
    std::string name = fmt("output stream %d:%d", ost->file_index, ost->index);

    int ret = avfilter_graph_create_filter(&ofilter->filter, avfilter_get_by_name("abuffersink"), name.c_str(),
                                           nullptr, nullptr, fg->graph);
    if (ret < 0) return ret;
    if ((ret = av_opt_set_int(ofilter->filter, "all_channel_counts", 1, AV_OPT_SEARCH_CHILDREN)) < 0) return ret;

    if (!ost->audio_channels_map.empty()) {
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, static_cast<int>(ost->audio_channels_map.size()));
        char lbuf[64];
        av_channel_layout_describe(&layout, lbuf, sizeof lbuf);
        std::string args = lbuf;
        for (size_t i = 0; i < ost->audio_channels_map.size(); i++)
            if (ost->audio_channels_map[i] != -1) args += fmt("|c%d=c%d", static_cast<int>(i), ost->audio_channels_map[i]);
        std::string fname = fmt("pan for output stream %d:%d", ost->file_index, ost->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "pan", args.c_str(), fname)) < 0) return ret;
    }

    if (codec->ch_layout.nb_channels && codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
        int n = codec->ch_layout.nb_channels;
        av_channel_layout_uninit(&codec->ch_layout);
        av_channel_layout_default(&codec->ch_layout, n);
    }

    std::string sample_fmts, sample_rates, channel_layouts;
    if (codec->sample_fmt != AV_SAMPLE_FMT_NONE) {
        sample_fmts = av_get_sample_fmt_name(choose_sample_fmt(ost->enc, codec->sample_fmt));
    } else if (ost->enc && ost->enc->sample_fmts) {
        for (const AVSampleFormat* p = ost->enc->sample_fmts; *p != AV_SAMPLE_FMT_NONE; p++)
            sample_fmts += (sample_fmts.empty() ? "" : "|") + std::string(av_get_sample_fmt_name(*p));
    }
    if (codec->sample_rate) {
        sample_rates = std::to_string(codec->sample_rate);
    } else if (ost->enc && ost->enc->supported_samplerates) {
        for (const int* p = ost->enc->supported_samplerates; *p; p++)
            sample_rates += (sample_rates.empty() ? "" : "|") + std::to_string(*p);
    }
    char lbuf[128];
    if (codec->ch_layout.nb_channels) {
        av_channel_layout_describe(&codec->ch_layout, lbuf, sizeof lbuf);
        channel_layouts = lbuf;
    } else if (ost->enc && ost->enc->ch_layouts) {
        for (const AVChannelLayout* l = ost->enc->ch_layouts; l->nb_channels; l++) {
            av_channel_layout_describe(l, lbuf, sizeof lbuf);
            channel_layouts += (channel_layouts.empty() ? "" : "|") + std::string(lbuf);
        }
    }
    if (!sample_fmts.empty() || !sample_rates.empty() || !channel_layouts.empty()) {
        std::string args;
        if (!sample_fmts.empty()) args += "sample_fmts=" + sample_fmts + ":";
        if (!sample_rates.empty()) args += "sample_rates=" + sample_rates + ":";
        if (!channel_layouts.empty()) args += "channel_layouts=" + channel_layouts + ":";
        args.pop_back();
        std::string fname = fmt("audio format for output stream %d:%d", ost->file_index, ost->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "aformat", args.c_str(), fname)) < 0) return ret;
    }

    if (!ost->apad.empty() && of->shortest) {
        bool has_video = false;
        for (unsigned i = 0; i < of->ctx->nb_streams; i++)
            if (of->ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) has_video = true;
        if (has_video) {
            std::string fname = fmt("apad for output stream %d:%d", ost->file_index, ost->index);
            if ((ret = insert_filter(fg, &last_filter, &pad_idx, "apad", ost->apad.c_str(), fname)) < 0) return ret;
        }
    }

    std::string tname = fmt("trim for output stream %d:%d", ost->file_index, ost->index);
    if ((ret = insert_output_trim(fg, of, &last_filter, &pad_idx, tname)) < 0) return ret;

    return avfilter_link(last_filter, pad_idx, ofilter->filter, 0);
}

int configure_output_filter(FilterGraph* fg, OutputFilter* ofilter, AVFilterInOut* out, CToolContext* ctx)
{
    if (!ofilter->ost) {
        av_log(nullptr, AV_LOG_FATAL, "Filter %s has an unconnected output\n", ofilter->name.c_str());
        return AVERROR(EINVAL);
    }
    switch (pad_type(out->filter_ctx, out->pad_idx, false)) {
    case AVMEDIA_TYPE_VIDEO: return configure_output_video_filter(fg, ofilter, out, ctx);
    case AVMEDIA_TYPE_AUDIO: return configure_output_audio_filter(fg, ofilter, out, ctx);
    default: return AVERROR(EINVAL);
    }
}

// Canvas of a subtitle stream that feeds a video pad. 0 or a negative error.
int sub2video_prepare(InputStream* ist, CToolContext* ctx)
{
    int w = ist->dec_ctx->width, h = ist->dec_ctx->height;
    if (!(w && h)) {
        for (auto& other : ctx->input_streams) {
            if (other->file_index != ist->file_index) continue;
            if (other->st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
            int sw = 0, sh = 0;
            ShownSize(other->st, sw, sh);  // the canvas goes over the picture as shown
            w = FFMAX(w, sw);
            h = FFMAX(h, sh);
        }
        if (!(w && h)) {
            w = FFMAX(w, 720);
            h = FFMAX(h, 576);
        }
        av_log(nullptr, AV_LOG_INFO, "sub2video: using %dx%d canvas\n", w, h);
    }
    ist->sub2video.w = ist->dec_ctx->width = w;
    ist->sub2video.h = ist->dec_ctx->height = h;
    ist->dec_ctx->pix_fmt = AV_PIX_FMT_RGB32;
    if (!ist->sub2video.frame && !(ist->sub2video.frame = av_frame_alloc())) return AVERROR(ENOMEM);
    ist->sub2video.last_pts = INT64_MIN;
    ist->sub2video.end_pts = INT64_MIN;
    ist->sub2video.initialize = 1;
    return 0;
}

// The end of every input chain: the input file's trim, then the link to the graph's input pad.
int finish_input_chain(FilterGraph* fg, InputStream* ist, AVFilterContext* last_filter, int pad_idx, AVFilterInOut* in,
                       CToolContext* ctx)
{
    InputFile* f = ctx->input_files[ist->file_index].get();
    int64_t tsoffset = 0;
    if (ctx->copy_ts) {
        tsoffset = f->start_time == AV_NOPTS_VALUE ? 0 : f->start_time;
        if (f->ctx->start_time != AV_NOPTS_VALUE) tsoffset += f->ctx->start_time;
    }
    std::string tname = fmt("trim for input stream %d:%d", ist->file_index, ist->st->index);
    const int64_t start = (f->start_time == AV_NOPTS_VALUE || !f->accurate_seek) ? AV_NOPTS_VALUE : tsoffset;
    const bool rebuilt = fg->reconfiguration && f->recording_time != INT64_MAX;
    int ret = insert_trim(fg, start, rebuilt ? INT64_MAX : f->recording_time,
                          rebuilt ? tsoffset + f->recording_time : INT64_MAX, &last_filter, &pad_idx, tname);
    if (ret < 0) return ret;
    return avfilter_link(last_filter, 0, in->filter_ctx, in->pad_idx);
}

// The source filter ("buffer" or "abuffer") that feeds an input stream into the graph.
int create_input_source(FilterGraph* fg, InputFilter* ifilter, const char* filter, const std::string& args)
{
    const InputStream* ist = ifilter->ist;
    std::string name = fmt("graph %d input from stream %d:%d", fg->index, ist->file_index, ist->st->index);
    return avfilter_graph_create_filter(&ifilter->filter, avfilter_get_by_name(filter), name.c_str(), args.c_str(),
                                        nullptr, fg->graph);
}

int configure_input_video_filter(FilterGraph* fg, InputFilter* ifilter, AVFilterInOut* in, CToolContext* ctx)
{
    InputStream* ist = ifilter->ist;
    InputFile* f = ctx->input_files[ist->file_index].get();
    AVRational tb = ist->framerate.num ? av_inv_q(ist->framerate) : ist->st->time_base;
    AVRational fr = ist->framerate;
    if (!fr.num) fr = av_guess_frame_rate(f->ctx, ist->st, nullptr);
    AVRational sar = ist->st->sample_aspect_ratio.num ? ist->st->sample_aspect_ratio
                                                      : ist->dec_ctx->sample_aspect_ratio;
    if (!sar.den) sar = AVRational{0, 1};
    if (ist->st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        const int ret = sub2video_prepare(ist, ctx);
        if (ret < 0) return ret;
    }

    if (ifilter->format < 0 || ist->st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        ifilter->format = ist->dec_ctx->pix_fmt;
        ifilter->width = ist->dec_ctx->width;
        ifilter->height = ist->dec_ctx->height;
    }
    const AVPixelFormat pix = static_cast<AVPixelFormat>(ifilter->format);
    if (pix == AV_PIX_FMT_NONE) {
        av_log(nullptr, AV_LOG_ERROR, "Input stream #%d:%d has no pixel format.\n", ist->file_index, ist->st->index);
        return AVERROR(EINVAL);
    }
    std::string args = fmt("video_size=%dx%d:pix_fmt=%s:time_base=%d/%d:pixel_aspect=%d/%d", ifilter->width,
                           ifilter->height, av_get_pix_fmt_name(pix), tb.num, tb.den, sar.num, sar.den);
    if (fr.num && fr.den) args += fmt(":frame_rate=%d/%d", fr.num, fr.den);
    int ret = create_input_source(fg, ifilter, "buffer", args);
    if (ret < 0) return ret;
    AVFilterContext* last_filter = ifilter->filter;
    int pad_idx = 0;

    if (ist->framerate.num) {
        std::string n = fmt("force CFR for input from stream %d:%d", ist->file_index, ist->st->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "setpts", "N", n)) < 0) return ret;
    }
    if (ctx->do_deinterlace) {
        std::string n = fmt("deinterlace input from stream %d:%d", ist->file_index, ist->st->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "yadif", "", n)) < 0) return ret;
    }
    // Shown as the display matrix says (after the deinterlacer: fields are stored rows).
    if (ist->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO) {
        for (const CDisplayTurn::Step& s : DisplayTurnOf(ist->st).steps) {
            std::string n = fmt("%s for input from stream %d:%d", s.filter, ist->file_index, ist->st->index);
            if ((ret = insert_filter(fg, &last_filter, &pad_idx, s.filter, s.args.c_str(), n)) < 0) return ret;
        }
    }

    return finish_input_chain(fg, ist, last_filter, pad_idx, in, ctx);
}

int configure_input_audio_filter(FilterGraph* fg, InputFilter* ifilter, AVFilterInOut* in, CToolContext* ctx)
{
    InputStream* ist = ifilter->ist;
    if (ifilter->format < 0) {
        const AVCodecContext* dec = ist->dec_ctx;
        ifilter->format = dec->sample_fmt;
        ifilter->sample_rate = dec->sample_rate;
        if (av_channel_layout_copy(&ifilter->ch_layout, &dec->ch_layout) < 0) return AVERROR(ENOMEM);
    }
    const AVSampleFormat sample_fmt = static_cast<AVSampleFormat>(ifilter->format);
    if (sample_fmt == AV_SAMPLE_FMT_NONE || ifilter->sample_rate <= 0) {
        av_log(nullptr, AV_LOG_ERROR, "Input stream #%d:%d has no audio format.\n", ist->file_index, ist->st->index);
        return AVERROR(EINVAL);
    }
    std::string args = fmt("time_base=%d/%d:sample_rate=%d:sample_fmt=%s", 1, ifilter->sample_rate,
                           ifilter->sample_rate, av_get_sample_fmt_name(sample_fmt));
    if (ifilter->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC) {
        char lbuf[128];
        av_channel_layout_describe(&ifilter->ch_layout, lbuf, sizeof lbuf);
        args += fmt(":channel_layout=%s", lbuf);
    } else {
        args += fmt(":channels=%d", ifilter->ch_layout.nb_channels);
    }
    int ret = create_input_source(fg, ifilter, "abuffer", args);
    if (ret < 0) return ret;
    AVFilterContext* last_filter = ifilter->filter;
    int pad_idx = 0;

    if (ctx->audio_sync_method > 0) {
        std::string a = fmt("async=%d", ctx->audio_sync_method);
        if (ctx->audio_drift_threshold != 0.1f) a += fmt(":min_hard_comp=%f", ctx->audio_drift_threshold);
        if (!fg->reconfiguration) a += ":first_pts=0";
        std::string n = fmt("-async for input from stream %d:%d", ist->file_index, ist->st->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "aresample", a.c_str(), n)) < 0) return ret;
    }
    if (ctx->audio_volume != 256) {
        av_log(nullptr, AV_LOG_WARNING, "-vol has been deprecated. Use the volume audio filter instead.\n");
        std::string a = fmt("%f", ctx->audio_volume / 256.0);
        std::string n = fmt("-vol for input from stream %d:%d", ist->file_index, ist->st->index);
        if ((ret = insert_filter(fg, &last_filter, &pad_idx, "volume", a.c_str(), n)) < 0) return ret;
    }

    return finish_input_chain(fg, ist, last_filter, pad_idx, in, ctx);
}

int configure_input_filter(FilterGraph* fg, InputFilter* ifilter, AVFilterInOut* in, CToolContext* ctx)
{
    if (!ifilter->ist || !ifilter->ist->dec_ctx) {
        av_log(nullptr, AV_LOG_ERROR, "No decoder for input to filter graph %d\n", fg->index);
        return AVERROR_DECODER_NOT_FOUND;
    }
    switch (pad_type(in->filter_ctx, in->pad_idx, true)) {
    case AVMEDIA_TYPE_VIDEO: return configure_input_video_filter(fg, ifilter, in, ctx);
    case AVMEDIA_TYPE_AUDIO: return configure_input_audio_filter(fg, ifilter, in, ctx);
    default: return AVERROR(EINVAL);
    }
}

// Binds one open input of a complex graph to an input stream.
void init_input_filter(FilterGraph* fg, AVFilterInOut* in, CToolContext* ctx)
{
    AVMediaType type = pad_type(in->filter_ctx, in->pad_idx, true);
    if (type != AVMEDIA_TYPE_VIDEO && type != AVMEDIA_TYPE_AUDIO) {
        av_log(nullptr, AV_LOG_FATAL, "Only video and audio filters supported currently.\n");
        exit_program(ctx, 1);
    }
    InputStream* ist = nullptr;
    if (in->name) {
        char* p = nullptr;
        int file_idx = static_cast<int>(strtol(in->name, &p, 0));
        if (file_idx < 0 || file_idx >= static_cast<int>(ctx->input_files.size()) || p == in->name) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid file index %d in filtergraph description %s.\n", file_idx,
                   fg->graph_desc.c_str());
            exit_program(ctx, 1);
        }
        AVFormatContext* s = ctx->input_files[file_idx]->ctx;
        for (unsigned i = 0; i < s->nb_streams; i++) {
            AVMediaType stream_type = s->streams[i]->codecpar->codec_type;
            if (stream_type != type && !(stream_type == AVMEDIA_TYPE_SUBTITLE && type == AVMEDIA_TYPE_VIDEO))
                continue;
            if (check_stream_specifier(s, s->streams[i], *p == ':' ? p + 1 : p) == 1) {
                ist = ctx->input_streams[ctx->input_files[file_idx]->ist_index + i].get();
                break;
            }
        }
        if (!ist) {
            av_log(nullptr, AV_LOG_FATAL, "Stream specifier '%s' in filtergraph description %s matches no streams.\n",
                   p, fg->graph_desc.c_str());
            exit_program(ctx, 1);
        }
    } else {
        // An unlabeled input takes the first unused stream of its type.
        for (auto& cand : ctx->input_streams) {
            if (cand->st->codecpar->codec_type == type && cand->discard) {
                ist = cand.get();
                break;
            }
        }
        if (!ist) {
            av_log(nullptr, AV_LOG_FATAL, "Cannot find a matching stream for unlabeled input pad %d on filter %s\n",
                   in->pad_idx, in->filter_ctx->name);
            exit_program(ctx, 1);
        }
    }
    ist->discard = 0;
    ist->decoding_needed |= DECODING_FOR_FILTER;
    ist->st->discard = AVDISCARD_NONE;

    auto ifilter = std::make_unique<InputFilter>();
    ifilter->ist = ist;
    ifilter->graph = fg;
    ist->filters.push_back(ifilter.get());
    fg->inputs.push_back(std::move(ifilter));
}

}  // namespace

std::string fontconfig_text()
{
    std::string text = "FONTCONFIG_PATH=" + WideToUtf8(GetProgramFolder()) + "/gnu/vxm/fonts";
    if (text.size() > 288) text.resize(288);
    return text;
}

int filtergraph_is_simple(const FilterGraph* fg) { return fg->graph_desc.empty(); }

int ist_in_filtergraph(const FilterGraph* fg, const InputStream* ist)
{
    for (const auto& in : fg->inputs)
        if (in->ist == ist) return 1;
    return 0;
}

FilterGraph* init_simple_filtergraph(InputStream* ist, OutputStream* ost, CToolContext* ctx)
{
    auto fg = std::make_unique<FilterGraph>();
    fg->index = static_cast<int>(ctx->filtergraphs.size());

    auto ofilter = std::make_unique<OutputFilter>();
    ofilter->ost = ost;
    ofilter->graph = fg.get();
    ofilter->type = ost->st->codecpar->codec_type;
    ost->filter = ofilter.get();
    fg->outputs.push_back(std::move(ofilter));

    auto ifilter = std::make_unique<InputFilter>();
    ifilter->ist = ist;
    ifilter->graph = fg.get();
    ist->filters.push_back(ifilter.get());
    fg->inputs.push_back(std::move(ifilter));

    FilterGraph* raw = fg.get();
    ctx->filtergraphs.push_back(std::move(fg));
    return raw;
}

FilterGraph* add_complex_filtergraph(const std::string& desc, CToolContext* ctx)
{
    auto fg = std::make_unique<FilterGraph>();
    fg->index = static_cast<int>(ctx->filtergraphs.size());
    fg->graph_desc = desc;
    FilterGraph* raw = fg.get();
    ctx->filtergraphs.push_back(std::move(fg));
    return raw;
}

void init_complex_filters(CToolContext* ctx)
{
    for (auto& fgp : ctx->filtergraphs) {
        FilterGraph* fg = fgp.get();
        if (filtergraph_is_simple(fg) || fg->graph) continue;
        fg->graph = avfilter_graph_alloc();
        if (!fg->graph) exit_program(ctx, 1);
        // The pad lists are freed however this ends (a binding error ends the run).
        struct PadList {
            AVFilterInOut* p = nullptr;
            ~PadList() { avfilter_inout_free(&p); }
        } inputs, outputs;
        int ret = avfilter_graph_parse2(fg->graph, fg->graph_desc.c_str(), &inputs.p, &outputs.p);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error initializing complex filters.\n");
            exit_program(ctx, 1);
        }
        for (AVFilterInOut* cur = inputs.p; cur; cur = cur->next) init_input_filter(fg, cur, ctx);

        // Open outputs wait here for an output file to claim them.
        AVFilterInOut* cur = outputs.p;
        outputs.p = nullptr;
        while (cur) {
            auto ofilter = std::make_unique<OutputFilter>();
            ofilter->graph = fg;
            ofilter->out_tmp = cur;
            ofilter->type = pad_type(cur->filter_ctx, cur->pad_idx, false);
            ofilter->name = cur->name ? cur->name : fmt("%s:%d", cur->filter_ctx->name, cur->pad_idx);
            AVFilterInOut* next = cur->next;
            cur->next = nullptr;
            fg->outputs.push_back(std::move(ofilter));
            cur = next;
        }
    }
}

int configure_filtergraph(FilterGraph* fg, CToolContext* ctx)
{
    const int simple = filtergraph_is_simple(fg);
    const std::string desc = simple ? fg->outputs[0]->ost->avfilter : fg->graph_desc;

    // The recorded open pads point into the old graph: drop them with it.
    for (auto& of : fg->outputs) avfilter_inout_free(&of->out_tmp);
    avfilter_graph_free(&fg->graph);
    if (!(fg->graph = avfilter_graph_alloc())) return AVERROR(ENOMEM);

    if (simple) {
        OutputStream* ost = fg->outputs[0]->ost;
        std::string args = fmt("flags=0x%X", static_cast<unsigned>(ost->sws_flags));
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(ost->sws_dict, "", e, AV_DICT_IGNORE_SUFFIX))) {
            if (!strcmp(e->key, "sws_flags")) continue;
            args += fmt(":%s=%s", e->key, e->value);
        }
        fg->graph->scale_sws_opts = av_strdup(args.c_str());

        std::string swr;
        e = nullptr;
        while ((e = av_dict_get(ost->swr_opts, "", e, AV_DICT_IGNORE_SUFFIX))) swr += fmt("%s=%s:", e->key, e->value);
        if (!swr.empty()) {
            swr.pop_back();
            av_opt_set(fg->graph, "aresample_swr_opts", swr.c_str(), 0);
        }
        if ((e = av_dict_get(ost->encoder_opts, "threads", nullptr, 0))) av_opt_set(fg->graph, "threads", e->value, 0);
    }

    AVFilterInOut *inputs = nullptr, *outputs = nullptr;
    int ret = avfilter_graph_parse2(fg->graph, desc.c_str(), &inputs, &outputs);
    if (ret < 0) goto fail;

    if (simple && (!inputs || inputs->next || !outputs || outputs->next)) {
        av_log(nullptr, AV_LOG_ERROR, "Simple filtergraph '%s' does not have exactly one input and output.\n",
               desc.c_str());
        ret = AVERROR(EINVAL);
        goto fail;
    }

    {
        size_t i = 0;
        for (AVFilterInOut* cur = inputs; cur; cur = cur->next, i++) {
            if (i >= fg->inputs.size()) {
                ret = AVERROR(EINVAL);
                goto fail;
            }
            if ((ret = configure_input_filter(fg, fg->inputs[i].get(), cur, ctx)) < 0) goto fail;
        }
        i = 0;
        for (AVFilterInOut* cur = outputs; cur; cur = cur->next, i++) {
            if (i >= fg->outputs.size()) {
                ret = AVERROR(EINVAL);
                goto fail;
            }
            if ((ret = configure_output_filter(fg, fg->outputs[i].get(), cur, ctx)) < 0) goto fail;
        }
    }
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);

    if ((ret = avfilter_graph_config(fg->graph, nullptr)) < 0) goto fail;
    fg->reconfiguration = 1;

    for (auto& of : fg->outputs) {
        OutputStream* ost = of->ost;
        if (ost && ost->enc && ost->enc->type == AVMEDIA_TYPE_AUDIO &&
            !(ost->enc->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) && ost->enc_ctx->frame_size > 0)
            av_buffersink_set_frame_size(of->filter, ost->enc_ctx->frame_size);
    }
    return 0;

fail:
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    avfilter_graph_free(&fg->graph);
    for (auto& in : fg->inputs) in->filter = nullptr;
    for (auto& of : fg->outputs) of->filter = nullptr;
    return ret;
}

int ifilter_take_frame_format(InputFilter* f, const AVFrame* frame)
{
    f->format = frame->format;
    f->width = frame->width;
    f->height = frame->height;
    f->sample_rate = frame->sample_rate;
    av_channel_layout_uninit(&f->ch_layout);
    return av_channel_layout_copy(&f->ch_layout, &frame->ch_layout);
}

void free_filtergraph(FilterGraph* fg)
{
    for (auto& of : fg->outputs) {
        avfilter_inout_free(&of->out_tmp);
        if (of->ost && of->ost->filter == of.get()) of->ost->filter = nullptr;
    }
    for (auto& in : fg->inputs) {
        if (!in->ist) continue;
        auto& v = in->ist->filters;
        for (auto it = v.begin(); it != v.end(); ++it) {
            if (*it == in.get()) {
                v.erase(it);
                break;
            }
        }
    }
    avfilter_graph_free(&fg->graph);
}
