// Opening the transcoder's output files: streams, maps, metadata, chapters.
#include <cstring>
#include <mutex>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "ffmpeg_filter.h"
#include "ffmpeg_opt.h"
#include "ffmpeg_opt_internal.h"
// ---------------------------------------------------------------- output streams

namespace {

// Folders searched for ".avpreset" files, read once per process.
const std::vector<std::string>& avpreset_base_folders()
{
    static const std::vector<std::string> bases =
        preset_search_folders("AVCONV_DATADIR", ".avconv", "/usr/share/ffmpeg");
    return bases;
}

// Reads "<codec>-<preset>.avpreset", else "<preset>.avpreset", through the run's I/O.
bool read_avpreset(const std::string& preset, const char* codec_name, CToolContext* ctx, std::string* text)
{
    for (const std::string& base : avpreset_base_folders()) {
        for (int i = 0; i < 2; i++) {
            std::string name = i == 0 ? base + "/" + codec_name + "-" + preset + ".avpreset"
                                      : base + "/" + preset + ".avpreset";
            AVIOContext* pb = nullptr;
            if (avio_open2(&pb, name.c_str(), AVIO_FLAG_READ, &ctx->int_cb, nullptr) < 0) continue;
            unsigned char buf[4096];
            int n;
            text->clear();
            while ((n = avio_read(pb, buf, sizeof buf)) > 0) text->append(reinterpret_cast<char*>(buf), n);
            avio_closep(&pb);
            return true;
        }
    }
    return false;
}

void choose_encoder(OptionsContext* o, AVFormatContext* s, OutputStream* ost, CToolContext* ctx)
{
    const SpecifierOpt* so = match_per_stream_opt(o->codec_names, s, ost->st, ctx);
    AVMediaType type = ost->st->codecpar->codec_type;
    if (!so) {
        if (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_SUBTITLE) {
            AVCodecID id = av_guess_codec(s->oformat, nullptr, s->url, nullptr, type);
            ost->st->codecpar->codec_id = id;
            ost->enc = avcodec_find_encoder(id);
        }
        if (!ost->enc) {
            if (type == AVMEDIA_TYPE_DATA || type == AVMEDIA_TYPE_ATTACHMENT) {
                ost->stream_copy = 1;   // data and attachments are copied
                return;
            }
            av_log(nullptr, AV_LOG_FATAL,
                   "Automatic encoder selection failed for output stream #%d:%d. Default encoder for format %s "
                   "(codec %s) is probably disabled. Please choose an encoder manually.\n",
                   ost->file_index, ost->index, s->oformat->name, avcodec_get_name(ost->st->codecpar->codec_id));
            exit_program(ctx, 1);
        }
    } else if (so->str == "copy") {
        ost->stream_copy = 1;
    } else {
        ost->enc = find_codec_or_die(so->str.c_str(), type, 1, ctx);
        ost->st->codecpar->codec_id = ost->enc->id;
    }
}

OutputStream* new_output_stream(OptionsContext* o, AVFormatContext* oc, AVMediaType type, int source_index,
                                CToolContext* ctx)
{
    AVStream* st = avformat_new_stream(oc, nullptr);
    if (!st) {
        av_log(nullptr, AV_LOG_FATAL, "Could not alloc stream.\n");
        exit_program(ctx, 1);
    }
    const int idx = static_cast<int>(oc->nb_streams) - 1;
    if (idx < static_cast<int>(o->streamid_map.size()) && o->streamid_map[idx]) st->id = o->streamid_map[idx];
    st->codecpar->codec_type = type;

    auto owned = std::make_unique<OutputStream>();
    OutputStream* ost = owned.get();
    ost->file_index = static_cast<int>(ctx->output_files.size()) - 1;
    ost->index = idx;
    ost->st = st;
    ost->source_index = source_index;
    ctx->output_streams.push_back(std::move(owned));

    choose_encoder(o, oc, ost, ctx);
    ost->enc_ctx = avcodec_alloc_context3(ost->enc);
    exit_if_no_memory(ost->enc_ctx, "Error allocating the encoding context.\n", ctx);
    ost->enc_ctx->codec_type = type;

    if (ost->enc) {
        ost->encoder_opts = filter_codec_opts(o->g->codec_opts, ost->enc->id, oc, st, ost->enc);
        // Per-stream preset files ("pre"): key=value lines of an .avpreset file.
        if (const SpecifierOpt* pre = match_per_stream_opt(o->presets, oc, st, ctx)) {
            std::string text;
            if (!read_avpreset(pre->str, ost->enc->name, ctx, &text)) {
                av_log(nullptr, AV_LOG_FATAL, "Preset %s specified for stream %d:%d, but could not be opened.\n",
                       pre->str.c_str(), ost->file_index, ost->index);
                exit_program(ctx, 1);
            }
            size_t b = 0;
            while (b < text.size()) {
                size_t e = text.find('\n', b);
                std::string l = text.substr(b, e == std::string::npos ? std::string::npos : e - b);
                b = e == std::string::npos ? text.size() : e + 1;
                while (!l.empty() && (l.back() == '\r' || l.back() == ' ')) l.pop_back();
                if (l.empty() || l[0] == '#') continue;
                auto eq = l.find('=');
                if (eq == std::string::npos) {
                    av_log(nullptr, AV_LOG_FATAL, "Invalid line found in the preset file.\n");
                    exit_program(ctx, 1);
                }
                av_dict_set(&ost->encoder_opts, l.substr(0, eq).c_str(), l.substr(eq + 1).c_str(),
                            AV_DICT_DONT_OVERWRITE);
            }
        }
    } else {
        ost->encoder_opts = filter_codec_opts(o->g->codec_opts, AV_CODEC_ID_NONE, oc, st, nullptr);
    }

    if (const SpecifierOpt* so = match_per_stream_opt(o->max_frames, oc, st, ctx)) ost->max_frames = so->i64;
    if (const SpecifierOpt* so = match_per_stream_opt(o->bitstream_filters, oc, st, ctx)) {
        std::string list = so->str;
        size_t b = 0;
        while (b <= list.size()) {
            size_t e = list.find(',', b);
            std::string name = list.substr(b, e == std::string::npos ? std::string::npos : e - b);
            if (!name.empty()) {
                std::string base = name.substr(0, name.find('='));
                if (!av_bsf_get_by_name(base.c_str())) {
                    av_log(nullptr, AV_LOG_FATAL, "Unknown bitstream filter %s\n", base.c_str());
                    exit_program(ctx, 1);
                }
                ost->bitstream_filters.push_back(name);
            }
            if (e == std::string::npos) break;
            b = e + 1;
        }
    }
    if (const SpecifierOpt* so = match_per_stream_opt(o->codec_tags, oc, st, ctx)) {
        char* next = nullptr;
        uint32_t tag = static_cast<uint32_t>(strtol(so->str.c_str(), &next, 0));
        if (*next) {
            const char* s = so->str.c_str();
            tag = static_cast<uint32_t>(s[0]) | (s[0] ? static_cast<uint32_t>(s[1]) << 8 : 0) |
                  (s[0] && s[1] ? static_cast<uint32_t>(s[2]) << 16 : 0) |
                  (s[0] && s[1] && s[2] ? static_cast<uint32_t>(s[3]) << 24 : 0);
        }
        st->codecpar->codec_tag = tag;
        ost->enc_ctx->codec_tag = tag;
    }
    if (const SpecifierOpt* so = match_per_stream_opt(o->qscale, oc, st, ctx)) {
        if (so->dbl >= 0) {
            ost->enc_ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ost->enc_ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * so->dbl);
        }
    }
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) ost->enc_ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;

    av_dict_copy(&ost->sws_dict, o->g->sws_dict, 0);
    av_dict_copy(&ost->swr_opts, o->g->swr_opts, 0);
    av_dict_copy(&ost->resample_opts, o->g->resample_opts, 0);
    if (const AVDictionaryEntry* e = av_dict_get(o->g->sws_dict, "sws_flags", nullptr, 0)) {
        const AVClass* sc = sws_get_class();
        const AVOption* opt = av_opt_find(&sc, "sws_flags", nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ);
        int flags = 0;
        if (opt && av_opt_eval_flags(&sc, opt, e->value, &flags) >= 0) ost->sws_flags = flags;
    }

    if (const SpecifierOpt* so = match_per_stream_opt(o->copy_initial_nonkeyframes, oc, st, ctx))
        ost->copy_initial_nonkeyframes = so->i;
    if (const SpecifierOpt* so = match_per_stream_opt(o->copy_prior_start, oc, st, ctx))
        ost->copy_prior_start = so->i;

    ost->encoding_needed = !ost->stream_copy;
    if (source_index >= 0) {
        InputStream* ist = ctx->input_streams[source_index].get();
        ist->discard = 0;
        ist->st->discard = static_cast<AVDiscard>(ist->user_set_discard);
    }
    return ost;
}

std::string get_ost_filters(OptionsContext* o, AVFormatContext* oc, OutputStream* ost, CToolContext* ctx)
{
    const SpecifierOpt* filter = match_per_stream_opt(o->filters, oc, ost->st, ctx);
    const SpecifierOpt* script = match_per_stream_opt(o->filter_scripts, oc, ost->st, ctx);
    if (filter && script) {
        av_log(nullptr, AV_LOG_ERROR,
               "Both -filter and -filter_script set for output stream #%d:%d.\n", ost->file_index, ost->index);
        exit_program(ctx, 1);
    }
    if (script) return read_file_text(script->str.c_str(), ctx);
    if (filter) return filter->str;
    return ost->st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO ? "null" : "anull";
}

void check_streamcopy_filters(OptionsContext* o, AVFormatContext* oc, OutputStream* ost, AVMediaType type,
                              CToolContext* ctx)
{
    const SpecifierOpt* filter = match_per_stream_opt(o->filters, oc, ost->st, ctx);
    const SpecifierOpt* script = match_per_stream_opt(o->filter_scripts, oc, ost->st, ctx);
    if (filter || script) {
        av_log(nullptr, AV_LOG_ERROR,
               "%s '%s' was defined for %s output stream %d:%d but codec copy was selected.\n"
               "Filtering and streamcopy cannot be used together.\n",
               filter ? "Filtergraph" : "Filtergraph script", filter ? filter->str.c_str() : script->str.c_str(),
               av_get_media_type_string(type), ost->file_index, ost->index);
    }
}

void parse_matrix(const char* what, const std::string& str, uint16_t** dest, CToolContext* ctx)
{
    auto* m = static_cast<uint16_t*>(av_mallocz(sizeof(uint16_t) * 64));
    exit_if_no_memory(m, "Could not allocate memory for intra matrix.\n", ctx);
    const char* p = str.c_str();
    for (int i = 0; i < 64; i++) {
        m[i] = static_cast<uint16_t>(atoi(p));
        p = strchr(p, ',');
        if (!p && i < 63) {
            av_log(nullptr, AV_LOG_FATAL, "Syntax error in matrix \"%s\" at coeff %d\n", str.c_str(), i);
            av_free(m);
            exit_program(ctx, 1);
        }
        if (p) p++;
    }
    (void)what;
    av_freep(dest);
    *dest = m;
}

OutputStream* new_video_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_VIDEO, source_index, ctx);
    AVStream* st = ost->st;
    AVCodecContext* video_enc = ost->enc_ctx;

    if (const SpecifierOpt* so = match_per_stream_opt(o->frame_rates, oc, st, ctx)) {
        if (av_parse_video_rate(&ost->frame_rate, so->str.c_str()) < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid framerate value: %s\n", so->str.c_str());
            exit_program(ctx, 1);
        }
    }
    if (const SpecifierOpt* so = match_per_stream_opt(o->frame_aspect_ratios, oc, st, ctx)) {
        AVRational q;
        if (av_parse_ratio(&q, so->str.c_str(), 255, 0, nullptr) < 0 || q.num <= 0 || q.den <= 0) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid aspect ratio: %s\n", so->str.c_str());
            exit_program(ctx, 1);
        }
        ost->frame_aspect_ratio = q;
    }

    if (!ost->stream_copy) {
        if (const SpecifierOpt* so = match_per_stream_opt(o->frame_sizes, oc, st, ctx)) {
            if (av_parse_video_size(&video_enc->width, &video_enc->height, so->str.c_str()) < 0) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid frame size: %s.\n", so->str.c_str());
                exit_program(ctx, 1);
            }
        }
        video_enc->bits_per_raw_sample = ctx->frame_bits_per_raw_sample;
        if (const SpecifierOpt* so = match_per_stream_opt(o->frame_pix_fmts, oc, st, ctx)) {
            const char* name = so->str.c_str();
            if (*name == '+') {
                ost->keep_pix_fmt = 1;
                name++;
            }
            if (*name && (video_enc->pix_fmt = av_get_pix_fmt(name)) == AV_PIX_FMT_NONE) {
                av_log(nullptr, AV_LOG_FATAL, "Unknown pixel format requested: %s.\n", name);
                exit_program(ctx, 1);
            }
        }
        if (ctx->intra_only) video_enc->gop_size = 0;
        if (const SpecifierOpt* so = match_per_stream_opt(o->intra_matrices, oc, st, ctx))
            parse_matrix("intra", so->str, &video_enc->intra_matrix, ctx);
        if (const SpecifierOpt* so = match_per_stream_opt(o->inter_matrices, oc, st, ctx))
            parse_matrix("inter", so->str, &video_enc->inter_matrix, ctx);

        if (const SpecifierOpt* so = match_per_stream_opt(o->rc_overrides, oc, st, ctx)) {
            const char* p = so->str.c_str();
            for (int i = 0; p; i++) {
                int start, end, q;
                if (sscanf(p, "%d,%d,%d", &start, &end, &q) != 3) {
                    av_log(nullptr, AV_LOG_FATAL, "error parsing rc_override\n");
                    exit_program(ctx, 1);
                }
                void* grown = av_realloc_array(video_enc->rc_override, i + 1, sizeof(RcOverride));
                exit_if_no_memory(grown, "Could not (re)allocate memory for rc_override.\n", ctx);
                video_enc->rc_override = static_cast<RcOverride*>(grown);
                video_enc->rc_override[i].start_frame = start;
                video_enc->rc_override[i].end_frame = end;
                if (q > 0) {
                    video_enc->rc_override[i].qscale = q;
                    video_enc->rc_override[i].quality_factor = 1.0;
                } else {
                    video_enc->rc_override[i].qscale = 0;
                    video_enc->rc_override[i].quality_factor = -q / 100.0f;
                }
                video_enc->rc_override_count = i + 1;
                p = strchr(p, '/');
                if (p) p++;
            }
        }
        video_enc->intra_dc_precision = ctx->intra_dc_precision - 8;
        if (ctx->do_psnr) video_enc->flags |= AV_CODEC_FLAG_PSNR;

        if (const SpecifierOpt* so = match_per_stream_opt(o->pass, oc, st, ctx)) {
            if (so->i & 1) video_enc->flags |= AV_CODEC_FLAG_PASS1;
            if (so->i & 2) video_enc->flags |= AV_CODEC_FLAG_PASS2;
        }
        if (const SpecifierOpt* so = match_per_stream_opt(o->passlogfiles, oc, st, ctx))
            ost->logfile_prefix = so->str;
        if (const SpecifierOpt* so = match_per_stream_opt(o->force_fps, oc, st, ctx)) ost->force_fps = so->i;
        if (const SpecifierOpt* so = match_per_stream_opt(o->top_field_first, oc, st, ctx))
            ost->top_field_first = so->i;

        ost->avfilter = get_ost_filters(o, oc, ost, ctx);
    } else {
        check_streamcopy_filters(o, oc, ost, AVMEDIA_TYPE_VIDEO, ctx);
    }
    return ost;
}

OutputStream* new_audio_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_AUDIO, source_index, ctx);
    AVStream* st = ost->st;
    AVCodecContext* audio_enc = ost->enc_ctx;

    if (!ost->stream_copy) {
        if (const SpecifierOpt* so = match_per_stream_opt(o->audio_channels, oc, st, ctx)) {
            av_channel_layout_uninit(&audio_enc->ch_layout);
            audio_enc->ch_layout.order = AV_CHANNEL_ORDER_UNSPEC;
            audio_enc->ch_layout.nb_channels = so->i;
        }
        if (const SpecifierOpt* so = match_per_stream_opt(o->sample_fmts, oc, st, ctx)) {
            if ((audio_enc->sample_fmt = av_get_sample_fmt(so->str.c_str())) == AV_SAMPLE_FMT_NONE) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid sample format '%s'\n", so->str.c_str());
                exit_program(ctx, 1);
            }
        }
        if (const SpecifierOpt* so = match_per_stream_opt(o->audio_sample_rate, oc, st, ctx))
            audio_enc->sample_rate = so->i;
        if (const SpecifierOpt* so = match_per_stream_opt(o->apad, oc, st, ctx)) ost->apad = so->str;

        ost->avfilter = get_ost_filters(o, oc, ost, ctx);

        // "map_channel" entries that name this output stream (or any).
        for (const auto& map : o->audio_channel_maps) {
            if ((map.ofile_idx == -1 || ost->file_index == map.ofile_idx) &&
                (map.ostream_idx == -1 || st->index == map.ostream_idx)) {
                if (map.channel_idx == -1) {
                    ost->audio_channels_map.push_back(-1);
                } else if (ost->source_index < 0) {
                    av_log(nullptr, AV_LOG_FATAL, "Cannot determine input stream for channel mapping %d.%d\n",
                           ost->file_index, st->index);
                    continue;
                } else {
                    InputStream* ist = ctx->input_streams[ost->source_index].get();
                    if (ist->file_index == map.file_idx && ist->st->index == map.stream_idx)
                        ost->audio_channels_map.push_back(map.channel_idx);
                }
            }
        }
    } else {
        check_streamcopy_filters(o, oc, ost, AVMEDIA_TYPE_AUDIO, ctx);
    }
    return ost;
}

OutputStream* new_data_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_DATA, source_index, ctx);
    if (!ost->stream_copy) {
        av_log(nullptr, AV_LOG_FATAL, "Data stream encoding not supported yet (only streamcopy)\n");
        exit_program(ctx, 1);
    }
    return ost;
}

OutputStream* new_attachment_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_ATTACHMENT, source_index, ctx);
    ost->stream_copy = 1;
    ost->encoding_needed = 0;
    return ost;
}

OutputStream* new_subtitle_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_SUBTITLE, source_index, ctx);
    if (!ost->stream_copy) {
        if (const SpecifierOpt* so = match_per_stream_opt(o->frame_sizes, oc, ost->st, ctx)) {
            if (av_parse_video_size(&ost->enc_ctx->width, &ost->enc_ctx->height, so->str.c_str()) < 0) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid frame size: %s.\n", so->str.c_str());
                exit_program(ctx, 1);
            }
        }
    }
    return ost;
}

// A complex graph's output claimed by an output file.
void init_output_filter(OutputFilter* ofilter, OptionsContext* o, AVFormatContext* oc, CToolContext* ctx)
{
    OutputStream* ost;
    switch (ofilter->type) {
    case AVMEDIA_TYPE_VIDEO: ost = new_video_stream(o, oc, -1, ctx); break;
    case AVMEDIA_TYPE_AUDIO: ost = new_audio_stream(o, oc, -1, ctx); break;
    default:
        av_log(nullptr, AV_LOG_FATAL, "Only video and audio filters are supported currently.\n");
        exit_program(ctx, 1);
        return;
    }
    ost->source_index = -1;
    ost->filter = ofilter;
    ofilter->ost = ost;

    if (ost->stream_copy) {
        av_log(nullptr, AV_LOG_ERROR,
               "Streamcopy requested for output stream %d:%d, which is fed from a complex filtergraph. Filtering "
               "and streamcopy cannot be used together.\n",
               ost->file_index, ost->index);
        exit_program(ctx, 1);
    }
    const char* def = ofilter->type == AVMEDIA_TYPE_VIDEO ? "null" : "anull";
    if (ost->avfilter != def) {
        const char* opt = match_per_stream_opt(o->filters, oc, ost->st, ctx) ? "-vf/-af/-filter" : "-filter_script";
        av_log(nullptr, AV_LOG_ERROR,
               "%s '%s' was specified through the %s option for output stream %d:%d, which is fed from a complex "
               "filtergraph.\n%s and -filter_complex cannot be used together for the same stream.\n",
               "Filtergraph", ost->avfilter.c_str(), opt, ost->file_index, ost->index, opt);
        exit_program(ctx, 1);
    }
    // The open pad stays recorded until the graph is configured.
}

int copy_metadata(const char* outspec, const char* inspec, AVFormatContext* oc, AVFormatContext* ic,
                  OptionsContext* o, CToolContext* ctx);

void parse_meta_type(const char* arg, char* type, int* index, const char** stream_spec, CToolContext* ctx)
{
    if (*arg) {
        *type = *arg;
        switch (*arg) {
        case 'g': break;
        case 's':
            if (*(++arg) && *arg != ':') {
                av_log(nullptr, AV_LOG_FATAL, "Invalid metadata specifier %s.\n", arg);
                exit_program(ctx, 1);
            }
            *stream_spec = *arg == ':' ? arg + 1 : "";
            break;
        case 'c':
        case 'p':
            if (*(++arg) == ':') *index = static_cast<int>(strtol(++arg, nullptr, 0));
            break;
        default:
            av_log(nullptr, AV_LOG_FATAL, "Invalid metadata type %c.\n", *arg);
            exit_program(ctx, 1);
        }
    } else {
        *type = 'g';
    }
}

int copy_metadata(const char* outspec, const char* inspec, AVFormatContext* oc, AVFormatContext* ic,
                  OptionsContext* o, CToolContext* ctx)
{
    AVDictionary** meta_in = nullptr;
    char type_in, type_out;
    const char* istream_spec = nullptr;
    const char* ostream_spec = nullptr;
    int idx_in = 0, idx_out = 0;

    parse_meta_type(inspec, &type_in, &idx_in, &istream_spec, ctx);
    parse_meta_type(outspec, &type_out, &idx_out, &ostream_spec, ctx);

    if (!ic) {
        if (type_out == 'g' || !*outspec) o->metadata_global_manual = 1;
        if (type_out == 's' || !*outspec) o->metadata_streams_manual = 1;
        if (type_out == 'c' || !*outspec) o->metadata_chapters_manual = 1;
        return 0;
    }
    if (type_in == 'g' || type_out == 'g') o->metadata_global_manual = 1;
    if (type_in == 's' || type_out == 's') o->metadata_streams_manual = 1;
    if (type_in == 'c' || type_out == 'c') o->metadata_chapters_manual = 1;

    auto meta_of = [&](AVFormatContext* c, char type, int index, const char* what) -> AVDictionary** {
        switch (type) {
        case 'g': return &c->metadata;
        case 'c':
            if (index < 0 || index >= static_cast<int>(c->nb_chapters)) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid %s index %d while processing metadata maps.\n", what, index);
                exit_program(ctx, 1);
            }
            return &c->chapters[index]->metadata;
        case 'p':
            if (index < 0 || index >= static_cast<int>(c->nb_programs)) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid %s index %d while processing metadata maps.\n", what, index);
                exit_program(ctx, 1);
            }
            return &c->programs[index]->metadata;
        default: return nullptr;
        }
    };

    if (type_in == 's') {
        for (unsigned i = 0; i < ic->nb_streams; i++) {
            int r = check_stream_specifier(ic, ic->streams[i], istream_spec);
            if (r > 0) {
                meta_in = &ic->streams[i]->metadata;
                break;
            }
            if (r < 0) exit_program(ctx, 1);
        }
        if (!meta_in) {
            av_log(nullptr, AV_LOG_FATAL, "Stream specifier %s does not match  any streams.\n", istream_spec);
            exit_program(ctx, 1);
        }
    } else {
        meta_in = meta_of(ic, type_in, idx_in, "chapter");
    }

    if (type_out == 's') {
        for (unsigned i = 0; i < oc->nb_streams; i++) {
            int r = check_stream_specifier(oc, oc->streams[i], ostream_spec);
            if (r > 0) av_dict_copy(&oc->streams[i]->metadata, *meta_in, AV_DICT_DONT_OVERWRITE);
            else if (r < 0) exit_program(ctx, 1);
        }
    } else {
        AVDictionary** meta_out = meta_of(oc, type_out, idx_out, "chapter");
        if (meta_out) av_dict_copy(meta_out, *meta_in, AV_DICT_DONT_OVERWRITE);
    }
    return 0;
}

void copy_chapters(InputFile* ifile, OutputFile* ofile, int copy_metadata_too)
{
    AVFormatContext* is = ifile->ctx;
    AVFormatContext* os = ofile->ctx;
    for (unsigned i = 0; i < is->nb_chapters; i++) {
        AVChapter* in_ch = is->chapters[i];
        int64_t start_time = (ofile->start_time == AV_NOPTS_VALUE) ? 0 : ofile->start_time;
        int64_t ts_off = av_rescale_q(start_time - ifile->ts_offset, AV_TIME_BASE_Q, in_ch->time_base);
        int64_t rt = (ofile->recording_time == INT64_MAX) ? INT64_MAX
                                                          : av_rescale_q(ofile->recording_time, AV_TIME_BASE_Q,
                                                                         in_ch->time_base);
        if (in_ch->end < ts_off) continue;
        if (rt != INT64_MAX && in_ch->start > rt + ts_off) break;

        AVChapter** grown =
            static_cast<AVChapter**>(av_realloc_array(os->chapters, os->nb_chapters + 1, sizeof(*os->chapters)));
        if (!grown) return;
        os->chapters = grown;
        auto* out_ch = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
        if (!out_ch) return;
        out_ch->id = in_ch->id;
        out_ch->time_base = in_ch->time_base;
        out_ch->start = FFMAX(0, in_ch->start - ts_off);
        out_ch->end = FFMIN(rt, in_ch->end - ts_off);
        if (copy_metadata_too) av_dict_copy(&out_ch->metadata, in_ch->metadata, 0);
        os->chapters[os->nb_chapters++] = out_ch;
    }
}

void assert_file_overwrite(const char* filename, CToolContext* ctx)
{
    if (ctx->file_overwrite && ctx->no_file_overwrite) {
        av_log(nullptr, AV_LOG_FATAL, "Error, both -y and -n supplied. Exiting.\n");
        exit_program(ctx, 1);
    }
    if (ctx->file_overwrite) return;
    const char* proto = avio_find_protocol_name(filename);
    if (proto && !strcmp(proto, "file") && avio_check(filename, 0) == 0) {
        if (ctx->stdin_interaction && !ctx->no_file_overwrite) {
            // The engine never reads a terminal: the question is answered no.
            av_log(nullptr, AV_LOG_FATAL, "Not overwriting - exiting\n");
        } else {
            av_log(nullptr, AV_LOG_FATAL, "File '%s' already exists. Exiting.\n", filename);
        }
        exit_program(ctx, 1);
    }
}

bool is_number_pattern_image_sequence(AVFormatContext* oc, const char* filename)
{
    return oc->oformat && !strcmp(oc->oformat->name, "image2") && av_filename_number_test(filename);
}

// The number of an input stream for "ast"/"sst": the container identifier
// for a DVD title, the stream index otherwise.
int stream_number(const InputStream* ist, CToolContext* ctx)
{
    return ctx->IsDvdTitleMedia() ? ist->st->id : ist->st->index;
}

// True when the output takes its streams of this type ("v", "a", "s") as
// they are.
bool copies_type(OptionsContext* o, const char* type)
{
    const SpecifierOpt* so = match_type_opt(o->codec_names, type);
    if (!so) so = match_type_opt(o->codec_names, "");
    return so && so->str == "copy";
}

// The automatic choice passes over a stream it would have to decode but
// cannot (no decoder: a damaged or unknown stream), so that the rest still
// converts. A copy takes the stream as it is; a stream chosen by "-map" or
// "ast" is needed and fails when its decoder is opened.
bool decodable_or_copied(const InputStream* ist, bool copy)
{
    if (copy || ist->dec) return true;
    av_log(nullptr, AV_LOG_WARNING, "Input stream #%d:%d (codec %s) cannot be decoded; it is left out.\n",
           ist->file_index, ist->st->index, avcodec_get_name(ist->st->codecpar->codec_id));
    return false;
}

// A video stream in which the input's probe found no picture (no size: a
// broadcast capture's stream without frames) has nothing to convert.
bool has_pictures(const InputStream* ist)
{
    const AVCodecParameters* par = ist->st->codecpar;
    if (par->width > 0 && par->height > 0) return true;
    av_log(nullptr, AV_LOG_WARNING, "Input stream #%d:%d (codec %s) holds no pictures; it is left out.\n",
           ist->file_index, ist->st->index, avcodec_get_name(par->codec_id));
    return false;
}

}  // namespace

int open_output_file(OptionsContext* o, const char* filename, CToolContext* ctx)
{
    resolve_stop_time(o, ctx);
    if (!strcmp(filename, "-")) filename = "pipe:";

    auto of_owned = std::make_unique<OutputFile>();
    OutputFile* of = of_owned.get();
    ctx->output_files.push_back(std::move(of_owned));
    const int file_index = static_cast<int>(ctx->output_files.size()) - 1;
    of->ost_index = static_cast<int>(ctx->output_streams.size());
    of->recording_time = o->recording_time;
    of->start_time = o->start_time;
    of->limit_filesize = o->limit_filesize < 0 ? UINT64_MAX : static_cast<uint64_t>(o->limit_filesize);
    of->shortest = o->shortest;
    av_dict_copy(&of->opts, o->g->format_opts, 0);

    AVFormatContext* oc = nullptr;
    int err = avformat_alloc_output_context2(&oc, nullptr, o->format.empty() ? nullptr : o->format.c_str(), filename);
    if (!oc) {
        print_error(filename, err);
        exit_program(ctx, 1);
    }
    of->ctx = oc;
    if (o->recording_time != INT64_MAX) oc->duration = o->recording_time;
    oc->interrupt_callback = ctx->int_cb;

    if (!(oc->oformat->flags & AVFMT_NOSTREAMS) && !ctx->input_stream_potentially_available) {
        av_log(nullptr, AV_LOG_ERROR, "No input streams but output needs an input stream\n");
        exit_program(ctx, 1);
    }

    // Unlabeled outputs of complex graphs go to the first output file that comes along.
    for (auto& fg : ctx->filtergraphs) {
        for (auto& ofilter : fg->outputs) {
            if (!ofilter->out_tmp || ofilter->out_tmp->name || ofilter->ost) continue;
            switch (ofilter->type) {
            case AVMEDIA_TYPE_VIDEO: o->video_disable = 1; break;
            case AVMEDIA_TYPE_AUDIO: o->audio_disable = 1; break;
            case AVMEDIA_TYPE_SUBTITLE: o->subtitle_disable = 1; break;
            default: break;
            }
            init_output_filter(ofilter.get(), o, oc, ctx);
        }
    }

    if (o->stream_maps.empty()) {
        // Video: the input stream with the largest picture.
        if (!o->video_disable && av_guess_codec(oc->oformat, nullptr, filename, nullptr, AVMEDIA_TYPE_VIDEO) !=
                                     AV_CODEC_ID_NONE) {
            const bool copy = copies_type(o, "v");
            int area = 0, idx = -1;
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                InputStream* ist = ctx->input_streams[i].get();
                if (ist->st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
                if (!decodable_or_copied(ist, copy) || !has_pictures(ist)) continue;
                // A cover picture counts only when nothing else is there.
                int new_area = (ist->st->disposition & AV_DISPOSITION_ATTACHED_PIC)
                                   ? 1
                                   : ist->st->codecpar->width * ist->st->codecpar->height;
                if (new_area > area || idx < 0) {
                    area = new_area;
                    idx = static_cast<int>(i);
                }
            }
            if (idx >= 0) new_video_stream(o, oc, idx, ctx);
        }
        // Audio: the wanted stream ("ast"), or the one with the most channels.
        if (!o->audio_disable && av_guess_codec(oc->oformat, nullptr, filename, nullptr, AVMEDIA_TYPE_AUDIO) !=
                                     AV_CODEC_ID_NONE) {
            const int wanted = ctx->wanted_stream[AVMEDIA_TYPE_AUDIO];
            const bool copy = copies_type(o, "a");
            int best_channels = 0, idx = -1;
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                InputStream* ist = ctx->input_streams[i].get();
                if (ist->st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
                if (wanted == -1) {
                    if (!decodable_or_copied(ist, copy)) continue;
                    int ch = ist->st->codecpar->ch_layout.nb_channels;
                    if (ch > best_channels || idx < 0) {
                        best_channels = ch;
                        idx = static_cast<int>(i);
                    }
                } else if (stream_number(ist, ctx) == wanted) {
                    idx = static_cast<int>(i);
                    break;
                }
            }
            if (idx >= 0) new_audio_stream(o, oc, idx, ctx);
        }
        // Subtitles: the first one, when the format takes subtitles.
        const SpecifierOpt* scn = match_type_opt(o->codec_names, "s");
        if (!o->subtitle_disable && (avcodec_find_encoder(oc->oformat->subtitle_codec) || scn)) {
            const bool copy = copies_type(o, "s");
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                const InputStream* ist = ctx->input_streams[i].get();
                if (ist->st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE && decodable_or_copied(ist, copy)) {
                    new_subtitle_stream(o, oc, static_cast<int>(i), ctx);
                    break;
                }
            }
        }
        // "sst": the wanted subtitle stream is decoded for burning into the picture.
        if (ctx->wanted_stream[AVMEDIA_TYPE_SUBTITLE] != -1) {
            for (auto& ist : ctx->input_streams) {
                if (ist->st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE &&
                    stream_number(ist.get(), ctx) == ctx->wanted_stream[AVMEDIA_TYPE_SUBTITLE]) {
                    ist->discard = 0;
                    ist->st->discard = AVDISCARD_NONE;
                    ist->wanted_for_burn_in = 1;
                    break;
                }
            }
        }
        // Data streams the format takes.
        if (!o->data_disable) {
            AVCodecID codec_id = av_guess_codec(oc->oformat, nullptr, filename, nullptr, AVMEDIA_TYPE_DATA);
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                AVStream* st = ctx->input_streams[i]->st;
                if (codec_id != AV_CODEC_ID_NONE && st->codecpar->codec_type == AVMEDIA_TYPE_DATA &&
                    st->codecpar->codec_id == codec_id)
                    new_data_stream(o, oc, static_cast<int>(i), ctx);
            }
        }
    } else {
        for (const StreamMap& map : o->stream_maps) {
            if (map.disabled) continue;
            if (!map.linklabel.empty()) {
                OutputFilter* found = nullptr;
                for (auto& fg : ctx->filtergraphs) {
                    for (auto& ofilter : fg->outputs) {
                        if (ofilter->out_tmp && ofilter->out_tmp->name && !ofilter->ost &&
                            map.linklabel == ofilter->out_tmp->name) {
                            found = ofilter.get();
                            break;
                        }
                    }
                    if (found) break;
                }
                if (!found) {
                    av_log(nullptr, AV_LOG_FATAL,
                           "Output with label '%s' does not exist in any defined filter graph, or was already used "
                           "elsewhere.\n",
                           map.linklabel.c_str());
                    exit_program(ctx, 1);
                }
                init_output_filter(found, o, oc, ctx);
                continue;
            }
            const int src_idx = ctx->input_files[map.file_index]->ist_index + map.stream_index;
            InputStream* ist = ctx->input_streams[src_idx].get();
            AVMediaType type = ist->st->codecpar->codec_type;
            if (o->subtitle_disable && type == AVMEDIA_TYPE_SUBTITLE) continue;
            if (o->audio_disable && type == AVMEDIA_TYPE_AUDIO) continue;
            if (o->video_disable && type == AVMEDIA_TYPE_VIDEO) continue;
            if (o->data_disable && type == AVMEDIA_TYPE_DATA) continue;
            switch (type) {
            case AVMEDIA_TYPE_VIDEO: new_video_stream(o, oc, src_idx, ctx); break;
            case AVMEDIA_TYPE_AUDIO: new_audio_stream(o, oc, src_idx, ctx); break;
            case AVMEDIA_TYPE_SUBTITLE: new_subtitle_stream(o, oc, src_idx, ctx); break;
            case AVMEDIA_TYPE_DATA: new_data_stream(o, oc, src_idx, ctx); break;
            case AVMEDIA_TYPE_ATTACHMENT: new_attachment_stream(o, oc, src_idx, ctx); break;
            default:
                av_log(nullptr, AV_LOG_FATAL, "Cannot map stream #%d:%d - unsupported type.\n", map.file_index,
                       map.stream_index);
                exit_program(ctx, 1);
            }
        }
    }

    // Attachments from files.
    for (const std::string& name : o->attachments) {
        AVIOContext* pb = nullptr;
        if (avio_open2(&pb, name.c_str(), AVIO_FLAG_READ, &ctx->int_cb, nullptr) < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Could not open attachment file %s.\n", name.c_str());
            exit_program(ctx, 1);
        }
        int64_t len = avio_size(pb);
        if (len <= 0 || len > INT_MAX - AV_INPUT_BUFFER_PADDING_SIZE) {
            avio_closep(&pb);
            av_log(nullptr, AV_LOG_FATAL, "Could not get size of the attachment %s.\n", name.c_str());
            exit_program(ctx, 1);
        }
        auto* data = static_cast<uint8_t*>(av_mallocz(len + AV_INPUT_BUFFER_PADDING_SIZE));
        if (!data) {
            avio_closep(&pb);
            exit_if_no_memory(nullptr, "Attachment too large.\n", ctx);
        }
        avio_read(pb, data, static_cast<int>(len));
        avio_closep(&pb);
        OutputStream* ost = new_attachment_stream(o, oc, -1, ctx);
        ost->st->codecpar->extradata = data;
        ost->st->codecpar->extradata_size = static_cast<int>(len);
        const char* p = strrchr(name.c_str(), '/');
        av_dict_set(&ost->st->metadata, "filename", p ? p + 1 : name.c_str(), AV_DICT_DONT_OVERWRITE);
    }

    // Encoded streams get their simple graphs; their inputs are decoded.
    for (size_t i = of->ost_index; i < ctx->output_streams.size(); i++) {
        OutputStream* ost = ctx->output_streams[i].get();
        if (ost->encoding_needed && ost->source_index >= 0) {
            InputStream* ist = ctx->input_streams[ost->source_index].get();
            ist->decoding_needed |= DECODING_FOR_OST;
            AVMediaType type = ost->st->codecpar->codec_type;
            if (!ost->filter && (type == AVMEDIA_TYPE_VIDEO || type == AVMEDIA_TYPE_AUDIO))
                init_simple_filtergraph(ist, ost, ctx);
        }
    }

    if (!oc->nb_streams && !(oc->oformat->flags & AVFMT_NOSTREAMS)) {
        av_dump_format(oc, file_index, oc->url, 1);
        av_log(nullptr, AV_LOG_ERROR, "Output file #%d does not contain any stream\n", file_index);
        exit_program(ctx, 1);
    }

    if (!(oc->oformat->flags & AVFMT_NOFILE)) {
        assert_file_overwrite(filename, ctx);
        err = avio_open2(&oc->pb, filename, AVIO_FLAG_WRITE, &oc->interrupt_callback, &of->opts);
        if (err < 0) {
            print_error(filename, err);
            exit_program(ctx, 1);
        }
        ctx->OnOutputOpened(file_index);
    } else {
        if (!is_number_pattern_image_sequence(oc, filename)) assert_file_overwrite(filename, ctx);
        ctx->OnOutputOpened(file_index);
    }

    if (o->mux_preload) av_dict_set_int(&of->opts, "preload", static_cast<int64_t>(o->mux_preload * AV_TIME_BASE), 0);
    oc->max_delay = static_cast<int>(o->mux_max_delay * AV_TIME_BASE);

    // Metadata maps ("map_metadata outspec infile[:inspec]").
    for (const SpecifierOpt& m : o->metadata_map) {
        char* p = nullptr;
        int in_file_index = static_cast<int>(strtol(m.str.c_str(), &p, 0));
        if (in_file_index >= static_cast<int>(ctx->input_files.size())) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid input file index %d while processing metadata maps\n",
                   in_file_index);
            exit_program(ctx, 1);
        }
        copy_metadata(m.specifier.c_str(), *p ? p + 1 : p, oc,
                      in_file_index >= 0 ? ctx->input_files[in_file_index]->ctx : nullptr, o, ctx);
    }

    // Chapters: from the file named by "map_chapters", or the first input that has some.
    if (o->chapters_input_file >= static_cast<int>(ctx->input_files.size())) {
        if (o->chapters_input_file == INT_MAX) {
            o->chapters_input_file = -1;
            for (size_t i = 0; i < ctx->input_files.size(); i++) {
                if (ctx->input_files[i]->ctx->nb_chapters) {
                    o->chapters_input_file = static_cast<int>(i);
                    break;
                }
            }
        } else {
            av_log(nullptr, AV_LOG_FATAL, "Invalid input file index %d in chapter mapping.\n", o->chapters_input_file);
            exit_program(ctx, 1);
        }
    }
    if (o->chapters_input_file >= 0)
        copy_chapters(ctx->input_files[o->chapters_input_file].get(), of, !o->metadata_chapters_manual);

    // Global and stream metadata from the inputs by default.
    if (!o->metadata_global_manual && !ctx->input_files.empty()) {
        av_dict_copy(&oc->metadata, ctx->input_files[0]->ctx->metadata, AV_DICT_DONT_OVERWRITE);
        if (o->recording_time != INT64_MAX) av_dict_set(&oc->metadata, "duration", nullptr, 0);
        av_dict_set(&oc->metadata, "creation_time", nullptr, 0);
    }
    if (!o->metadata_streams_manual) {
        for (size_t i = of->ost_index; i < ctx->output_streams.size(); i++) {
            OutputStream* ost = ctx->output_streams[i].get();
            if (ost->source_index < 0) continue;
            InputStream* ist = ctx->input_streams[ost->source_index].get();
            av_dict_copy(&ost->st->metadata, ist->st->metadata, AV_DICT_DONT_OVERWRITE);
            if (!ost->stream_copy) av_dict_set(&ost->st->metadata, "encoder", nullptr, 0);
        }
    }

    // "-metadata[:spec] key=value".
    for (const SpecifierOpt& m : o->metadata) {
        auto eq = m.str.find('=');
        if (eq == std::string::npos) {
            av_log(nullptr, AV_LOG_FATAL, "No '=' character in metadata string %s.\n", m.str.c_str());
            exit_program(ctx, 1);
        }
        std::string key = m.str.substr(0, eq);
        std::string val = m.str.substr(eq + 1);
        const char* value = val.empty() ? nullptr : val.c_str();
        char type;
        int index = 0;
        const char* stream_spec = nullptr;
        parse_meta_type(m.specifier.c_str(), &type, &index, &stream_spec, ctx);
        if (type == 's') {
            for (unsigned j = 0; j < oc->nb_streams; j++) {
                int r = check_stream_specifier(oc, oc->streams[j], stream_spec);
                if (r > 0) av_dict_set(&oc->streams[j]->metadata, key.c_str(), value, 0);
                else if (r < 0) exit_program(ctx, 1);
            }
            continue;
        }
        AVDictionary** dst = nullptr;
        if (type == 'g') dst = &oc->metadata;
        else if (type == 'c') {
            if (index < 0 || index >= static_cast<int>(oc->nb_chapters)) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid chapter index %d in metadata specifier.\n", index);
                exit_program(ctx, 1);
            }
            dst = &oc->chapters[index]->metadata;
        } else if (type == 'p') {
            if (index < 0 || index >= static_cast<int>(oc->nb_programs)) {
                av_log(nullptr, AV_LOG_FATAL, "Invalid program index %d in metadata specifier.\n", index);
                exit_program(ctx, 1);
            }
            dst = &oc->programs[index]->metadata;
        }
        if (dst) av_dict_set(dst, key.c_str(), value, 0);
    }
    return 0;
}

