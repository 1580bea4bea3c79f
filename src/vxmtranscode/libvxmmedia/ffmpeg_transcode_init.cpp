// Set-up of a transcoder run: decoders, filter graphs, encoders, stream
// copies and the output headers.
#include "ffmpeg_transcode.h"

#include <cerrno>
#include <cstring>
#include <string>

extern "C" {
#include <libavcodec/version.h>
#include <libavfilter/buffersink.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

#include "cmdutils.h"
#include "ffmpeg_filter.h"

CTranscodeRun::CTranscodeRun(CToolContext* c, CCmdFFplay* r) : ctx(c), runner(r)
{
    pkt = av_packet_alloc();
    enc_pkt = av_packet_alloc();
    decoded = av_frame_alloc();
    filtered = av_frame_alloc();
}

CTranscodeRun::~CTranscodeRun()
{
    for (auto& o : ost) {
        av_bsf_free(&o.bsf);
        if (o.pass_log) fclose(o.pass_log);
        av_frame_free(&o.last_frame);
        av_frame_free(&o.audio_carry);
    }
    for (auto& op : ctx->output_streams)
        if (op->enc_ctx) av_freep(&op->enc_ctx->stats_in);
    av_packet_free(&pkt);
    av_packet_free(&enc_pkt);
    av_frame_free(&decoded);
    av_frame_free(&filtered);
}

namespace {

int init_input_stream(CTranscodeRun& run, InputStream* ist)
{
    if (!ist->dec || !ist->dec_ctx) {
        av_log(nullptr, AV_LOG_ERROR, "Decoder (codec %s) not found for input stream #%d:%d\n",
               avcodec_get_name(ist->st->codecpar->codec_id), ist->file_index, ist->st->index);
        return AVERROR(EINVAL);
    }
    ist->dec_ctx->pkt_timebase = ist->st->time_base;
    if (!av_dict_get(ist->decoder_opts, "threads", nullptr, 0)) av_dict_set(&ist->decoder_opts, "threads", "auto", 0);
    int ret = avcodec_open2(ist->dec_ctx, ist->dec, &ist->decoder_opts);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error while opening decoder for input stream #%d:%d : %s\n", ist->file_index,
               ist->st->index, err2str(ret).c_str());
        return ret;
    }
    if (!ist->decoded_frame && !(ist->decoded_frame = av_frame_alloc())) return AVERROR(ENOMEM);
    (void)run;
    return 0;
}

// Two-pass encoding: the first pass writes the encoder's statistics to the
// pass log, the second reads them back (libx264 keeps its own file).
int init_pass_log(CTranscodeRun& run, OutputStream* ost)
{
    AVCodecContext* enc = ost->enc_ctx;
    if (enc->codec_type != AVMEDIA_TYPE_VIDEO || !(enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2)))
        return 0;
    const int index = run.ctx->output_files[ost->file_index]->ost_index + ost->index;
    const std::string name =
        (ost->logfile_prefix.empty() ? std::string("ffmpeg2pass") : ost->logfile_prefix) + "-" + std::to_string(index) +
        ".log";
    if (!strcmp(ost->enc->name, "libx264")) {
        av_dict_set(&ost->encoder_opts, "stats", name.c_str(), AV_DICT_DONT_OVERWRITE);
        return 0;
    }
    if (enc->flags & AV_CODEC_FLAG_PASS2) {
        char* logbuffer = nullptr;
        FILE* f = fopen(name.c_str(), "rb");
        if (f) {
            fseek(f, 0, SEEK_END);
            long size = ftell(f);
            fseek(f, 0, SEEK_SET);
            if (size >= 0 && (logbuffer = static_cast<char*>(av_malloc(size + 1)))) {
                size_t got = fread(logbuffer, 1, static_cast<size_t>(size), f);
                logbuffer[got] = 0;
            }
            fclose(f);
        }
        if (!logbuffer) {
            av_log(nullptr, AV_LOG_FATAL, "Error reading log file '%s' for pass-2 encoding\n", name.c_str());
            return AVERROR(EINVAL);
        }
        enc->stats_in = logbuffer;  // freed with the encoder context
    }
    if (enc->flags & AV_CODEC_FLAG_PASS1) {
        OutputStreamRun& r = run_of(run, ost);
        if (!(r.pass_log = fopen(name.c_str(), "wb"))) {
            av_log(nullptr, AV_LOG_FATAL, "Cannot write log file '%s' for pass-1 encoding: %s\n", name.c_str(),
                   strerror(errno));
            return AVERROR(errno);
        }
    }
    return 0;
}

// True when the options given for `obj` turn on `flag` of its flags option `name`.
bool options_set_flag(void* obj, const AVDictionary* opts, const char* name, int64_t flag)
{
    const AVDictionaryEntry* e = av_dict_get(opts, name, nullptr, 0);
    const AVOption* o = e ? av_opt_find(obj, name, nullptr, 0, 0) : nullptr;
    int flags = 0;
    return o && av_opt_eval_flags(obj, o, e->value, &flags) >= 0 && (flags & flag);
}

// The stream's "encoder" tag names the library and the encoder, as ffmpeg
// writes it ("Lavc59.37.100 libx264"); a bit-exact output shows no version.
// A tag the command line gave stays. Called once the encoder is open.
void tag_encoder(CToolContext* ctx, OutputStream* ost)
{
    if (av_dict_get(ost->st->metadata, "encoder", nullptr, 0)) return;
    const OutputFile* of = ctx->output_files[ost->file_index].get();
    const bool bitexact = (ost->enc_ctx->flags & AV_CODEC_FLAG_BITEXACT) || (of->ctx->flags & AVFMT_FLAG_BITEXACT) ||
                          options_set_flag(of->ctx, of->opts, "fflags", AVFMT_FLAG_BITEXACT);
    const std::string tag = std::string(bitexact ? "Lavc" : LIBAVCODEC_IDENT) + " " + ost->enc->name;
    av_dict_set(&ost->st->metadata, "encoder", tag.c_str(), 0);
}

bool is_full_range_format(int format)
{
    return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P ||
           format == AV_PIX_FMT_YUVJ440P || format == AV_PIX_FMT_YUVJ411P;
}

// True when a scaler of the graph changes the size or the format of the pictures.
bool graph_scales(const AVFilterGraph* graph)
{
    for (unsigned i = 0; graph && i < graph->nb_filters; i++) {
        const AVFilterContext* f = graph->filters[i];
        if (strcmp(f->filter->name, "scale") != 0 || f->nb_inputs < 1 || f->nb_outputs < 1) continue;
        const AVFilterLink* in = f->inputs[0];
        const AVFilterLink* out = f->outputs[0];
        if (in && out && (in->w != out->w || in->h != out->h || in->format != out->format)) return true;
    }
    return false;
}

// The colour tags of the decoded pictures as the graph hands them on: a
// scaler that works on them makes limited range of a full-range format it
// turns into another, and of a range unsaid.
void copy_colour_tags(AVCodecContext* enc, const AVCodecContext* dec, bool scaled)
{
    enc->color_primaries = dec->color_primaries;
    enc->color_trc = dec->color_trc;
    enc->colorspace = dec->colorspace;
    enc->chroma_sample_location = dec->chroma_sample_location;
    if (is_full_range_format(enc->pix_fmt))
        enc->color_range = AVCOL_RANGE_JPEG;
    else if (is_full_range_format(dec->pix_fmt) || (scaled && dec->color_range == AVCOL_RANGE_UNSPECIFIED))
        enc->color_range = AVCOL_RANGE_MPEG;
    else
        enc->color_range = dec->color_range;
}

int init_encoder(CTranscodeRun& run, OutputStream* ost)
{
    CToolContext* ctx = run.ctx;
    AVCodecContext* enc = ost->enc_ctx;
    if (!ost->enc) {
        av_log(nullptr, AV_LOG_ERROR, "Encoder not found for output stream #%d:%d\n", ost->file_index, ost->index);
        return AVERROR_ENCODER_NOT_FOUND;
    }
    InputStream* ist = ost->source_index >= 0 ? ctx->input_streams[ost->source_index].get() : nullptr;
    AVRational fr{0, 0};

    if (ost->filter && ost->filter->filter) {
        AVFilterContext* sink = ost->filter->filter;
        if (ost->enc->type == AVMEDIA_TYPE_VIDEO) {
            enc->width = av_buffersink_get_w(sink);
            enc->height = av_buffersink_get_h(sink);
            enc->pix_fmt = static_cast<AVPixelFormat>(av_buffersink_get_format(sink));
            fr = ost->frame_rate;
            if (!fr.num) fr = av_buffersink_get_frame_rate(sink);
            if (!fr.num && ist) fr = av_guess_frame_rate(ctx->input_files[ist->file_index]->ctx, ist->st, nullptr);
            if (!fr.num || !fr.den) fr = AVRational{25, 1};
            if (ost->enc->supported_framerates && !ost->force_fps) {
                int idx = av_find_nearest_q_idx(fr, ost->enc->supported_framerates);
                fr = ost->enc->supported_framerates[idx];
            }
            if (ost->enc->id == AV_CODEC_ID_MPEG4) av_reduce(&fr.num, &fr.den, fr.num, fr.den, 65535);
            ost->frame_rate = fr;
            enc->time_base = av_inv_q(fr);
            enc->framerate = fr;
            enc->sample_aspect_ratio =
                ost->frame_aspect_ratio.num
                    ? av_mul_q(ost->frame_aspect_ratio, AVRational{enc->height, enc->width})
                    : av_buffersink_get_sample_aspect_ratio(sink);
            ost->st->sample_aspect_ratio = enc->sample_aspect_ratio;
            if (ist && ist->dec_ctx) copy_colour_tags(enc, ist->dec_ctx, graph_scales(ost->filter->graph->graph));
            ost->st->avg_frame_rate = fr;
            if (ctx->frame_bits_per_raw_sample) enc->bits_per_raw_sample = ctx->frame_bits_per_raw_sample;
        } else {
            enc->sample_rate = av_buffersink_get_sample_rate(sink);
            enc->sample_fmt = static_cast<AVSampleFormat>(av_buffersink_get_format(sink));
            av_channel_layout_uninit(&enc->ch_layout);
            av_buffersink_get_ch_layout(sink, &enc->ch_layout);
            enc->time_base = AVRational{1, enc->sample_rate};
        }
    } else if (ost->enc->type == AVMEDIA_TYPE_SUBTITLE) {
        enc->time_base = AV_TIME_BASE_Q;
        if (ist && ist->dec_ctx) {
            enc->width = ist->dec_ctx->width;
            enc->height = ist->dec_ctx->height;
            if (ist->dec_ctx->subtitle_header) {
                enc->subtitle_header = static_cast<uint8_t*>(av_mallocz(ist->dec_ctx->subtitle_header_size + 1));
                if (!enc->subtitle_header) return AVERROR(ENOMEM);
                memcpy(enc->subtitle_header, ist->dec_ctx->subtitle_header, ist->dec_ctx->subtitle_header_size);
                enc->subtitle_header_size = ist->dec_ctx->subtitle_header_size;
            }
        }
    } else {
        av_log(nullptr, AV_LOG_ERROR, "Output stream #%d:%d has no filter graph\n", ost->file_index, ost->index);
        return AVERROR(EINVAL);
    }

    if (!av_dict_get(ost->encoder_opts, "threads", nullptr, 0)) av_dict_set(&ost->encoder_opts, "threads", "auto", 0);
    if (int ret = init_pass_log(run, ost); ret < 0) return ret;
    int ret = avcodec_open2(enc, ost->enc, &ost->encoder_opts);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR,
               "Error while opening encoder for output stream #%d:%d - maybe incorrect parameters such as bit_rate, "
               "rate, width or height\n",
               ost->file_index, ost->index);
        return ret;
    }
    if (ost->enc->type == AVMEDIA_TYPE_AUDIO && !(ost->enc->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) &&
        enc->frame_size > 0 && ost->filter && ost->filter->filter)
        av_buffersink_set_frame_size(ost->filter->filter, enc->frame_size);
    tag_encoder(ctx, ost);
    if (enc->bit_rate && enc->bit_rate < 1000 && enc->codec_id != AV_CODEC_ID_CODEC2)
        av_log(nullptr, AV_LOG_WARNING,
               "The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s\n");

    ret = avcodec_parameters_from_context(ost->st->codecpar, enc);
    if (ret < 0) return ret;
    ost->st->time_base = enc->time_base;
    if (fr.num) ost->st->avg_frame_rate = fr;
    if (enc->nb_coded_side_data) {
        for (int i = 0; i < enc->nb_coded_side_data; i++) {
            const AVPacketSideData* sd = &enc->coded_side_data[i];
            uint8_t* dst = av_stream_new_side_data(ost->st, sd->type, sd->size);
            if (!dst) return AVERROR(ENOMEM);
            memcpy(dst, sd->data, sd->size);
        }
    }
    return 0;
}

int init_stream_copy(CTranscodeRun& run, OutputStream* ost)
{
    CToolContext* ctx = run.ctx;
    if (ost->source_index < 0) return 0;  // attachments carry their own parameters
    InputStream* ist = ctx->input_streams[ost->source_index].get();
    AVFormatContext* oc = ctx->output_files[ost->file_index]->ctx;
    uint32_t tag = ost->enc_ctx ? ost->enc_ctx->codec_tag : 0;
    int ret = avcodec_parameters_copy(ost->st->codecpar, ist->st->codecpar);
    if (ret < 0) return ret;
    if (!tag) {
        unsigned int codec_tag_tmp = 0;
        const uint32_t in_tag = ist->st->codecpar->codec_tag;
        if (!oc->oformat->codec_tag ||
            av_codec_get_id(oc->oformat->codec_tag, in_tag) == ist->st->codecpar->codec_id ||
            !av_codec_get_tag2(oc->oformat->codec_tag, ist->st->codecpar->codec_id, &codec_tag_tmp))
            tag = in_tag;
    }
    ost->st->codecpar->codec_tag = tag;
    ost->st->time_base = ist->st->time_base;
    ost->st->avg_frame_rate = ist->st->avg_frame_rate;
    ost->st->r_frame_rate = ist->st->r_frame_rate;
    ost->st->sample_aspect_ratio = ist->st->sample_aspect_ratio;
    ost->st->disposition = ist->st->disposition;
    if (ost->frame_aspect_ratio.num && ost->st->codecpar->width) {
        AVRational sar = av_mul_q(ost->frame_aspect_ratio,
                                  AVRational{ost->st->codecpar->height, ost->st->codecpar->width});
        ost->st->sample_aspect_ratio = ost->st->codecpar->sample_aspect_ratio = sar;
    }
    for (int i = 0; i < ist->st->nb_side_data; i++) {
        const AVPacketSideData* sd = &ist->st->side_data[i];
        uint8_t* dst = av_stream_new_side_data(ost->st, sd->type, sd->size);
        if (!dst) return AVERROR(ENOMEM);
        memcpy(dst, sd->data, sd->size);
    }
    return 0;
}

}  // namespace

int transcode_init(CTranscodeRun& run)
{
    CToolContext* ctx = run.ctx;
    int ret;

    for (auto& ip : ctx->input_streams) {
        InputStream* ist = ip.get();
        if (!ist->decoding_needed) continue;
        if ((ret = init_input_stream(run, ist)) < 0) return ret;
    }

    // The subtitle stream to burn in, when "sst" names one of input file 0.
    if (ctx->wanted_stream[AVMEDIA_TYPE_SUBTITLE] != -1 && !ctx->input_files.empty()) {
        InputFile* f = ctx->input_files[0].get();
        for (unsigned i = 0; i < f->ctx->nb_streams; i++) {
            AVStream* st = f->ctx->streams[i];
            if (!burn_in_matches(run, st)) continue;
            InputStream* ist = ctx->input_streams[f->ist_index + i].get();
            if ((ret = burn_in_open(run, st, ist)) < 0) return ret;
            break;
        }
    }

    for (auto& fg : ctx->filtergraphs) {
        if ((ret = configure_filtergraph(fg.get(), ctx)) < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Error opening filters!\n");
            return ret;
        }
    }

    for (auto& op : ctx->output_streams) {
        OutputStream* ost = op.get();
        if (ost->encoding_needed)
            ret = init_encoder(run, ost);
        else
            ret = init_stream_copy(run, ost);
        if (ret < 0) return ret;
        if ((ret = init_output_bsfs(run, ost)) < 0) return ret;
        run_of(run, ost).initialized = true;
    }

    for (size_t i = 0; i < ctx->output_files.size(); i++) {
        OutputFile* of = ctx->output_files[i].get();
        ret = avformat_write_header(of->ctx, &of->opts);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR,
                   "Could not write header for output file #%zu (incorrect codec parameters ?): %s\n", i,
                   err2str(ret).c_str());
            return ret;
        }
        of->header_written = 1;
        av_dump_format(of->ctx, static_cast<int>(i), of->ctx->url, 1);
    }
    return 0;
}
