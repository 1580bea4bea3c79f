// Opening the transcoder's input files and their streams.
#include <cstring>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "cd_input.h"
#include "ffmpeg_opt.h"
#include "ffmpeg_opt_internal.h"

namespace {

const AVCodec* choose_decoder(OptionsContext* o, AVFormatContext* s, AVStream* st, CToolContext* ctx)
{
    const SpecifierOpt* so = match_per_stream_opt(o->codec_names, s, st, ctx);
    if (so) {
        const AVCodec* codec = find_codec_or_die(so->str.c_str(), st->codecpar->codec_type, 0, ctx);
        st->codecpar->codec_id = codec->id;
        return codec;
    }
    return avcodec_find_decoder(st->codecpar->codec_id);
}

void add_input_streams(OptionsContext* o, AVFormatContext* ic, CToolContext* ctx)
{
    for (unsigned i = 0; i < ic->nb_streams; i++) {
        AVStream* st = ic->streams[i];
        AVCodecParameters* par = st->codecpar;
        auto ist = std::make_unique<InputStream>();
        ist->st = st;
        ist->file_index = static_cast<int>(ctx->input_files.size()) - 1;
        ist->discard = 1;
        st->discard = AVDISCARD_ALL;
        if (const SpecifierOpt* so = match_per_stream_opt(o->ts_scale, ic, st, ctx)) ist->ts_scale = so->dbl;
        if (const SpecifierOpt* so = match_per_stream_opt(o->reinit_filters, ic, st, ctx)) ist->reinit_filters = so->i;
        ist->dec = choose_decoder(o, ic, st, ctx);
        ist->decoder_opts = filter_codec_opts(o->g->codec_opts, par->codec_id, ic, st, ist->dec);

        ist->dec_ctx = avcodec_alloc_context3(ist->dec);
        InputStream* raw = ist.get();
        ctx->input_streams.push_back(std::move(ist));
        exit_if_no_memory(raw->dec_ctx, "Error allocating the decoder context.\n", ctx);
        if (avcodec_parameters_to_context(raw->dec_ctx, par) < 0)
            av_log(nullptr, AV_LOG_ERROR, "Error initializing the decoder context.\n");

        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO: {
            raw->dec_ctx->framerate = st->avg_frame_rate;
            if (const SpecifierOpt* so = match_per_stream_opt(o->frame_rates, ic, st, ctx)) {
                if (av_parse_video_rate(&raw->framerate, so->str.c_str()) < 0) {
                    av_log(nullptr, AV_LOG_ERROR, "Error parsing framerate %s.\n", so->str.c_str());
                    exit_program(ctx, 1);
                }
            }
            break;
        }
        case AVMEDIA_TYPE_AUDIO: {
            if (const SpecifierOpt* so = match_per_stream_opt(o->guess_layout_max, ic, st, ctx))
                raw->guess_layout_max = so->i;
            // Without a known layout, take the default one for the channel count.
            AVChannelLayout& l = raw->dec_ctx->ch_layout;
            if (l.order == AV_CHANNEL_ORDER_UNSPEC && l.nb_channels > 0 && l.nb_channels <= raw->guess_layout_max) {
                int n = l.nb_channels;
                av_channel_layout_uninit(&l);
                av_channel_layout_default(&l, n);
                char buf[64];
                av_channel_layout_describe(&l, buf, sizeof buf);
                av_log(nullptr, AV_LOG_WARNING, "Guessed Channel Layout for Input Stream #%d.%d : %s\n",
                       raw->file_index, st->index, buf);
            }
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE: {
            if (const SpecifierOpt* so = match_per_stream_opt(o->canvas_sizes, ic, st, ctx)) {
                if (av_parse_video_size(&raw->dec_ctx->width, &raw->dec_ctx->height, so->str.c_str()) < 0) {
                    av_log(nullptr, AV_LOG_FATAL, "Invalid canvas size: %s.\n", so->str.c_str());
                    exit_program(ctx, 1);
                }
            }
            break;
        }
        case AVMEDIA_TYPE_DATA:
        case AVMEDIA_TYPE_ATTACHMENT:
        case AVMEDIA_TYPE_UNKNOWN:
            break;
        default:
            break;
        }
    }
}

void dump_attachment(AVStream* st, const char* filename, CToolContext* ctx)
{
    const AVDictionaryEntry* e;
    if (!st->codecpar->extradata_size) {
        av_log(nullptr, AV_LOG_WARNING, "No extradata to dump in stream #%d:%d.\n", 0, st->index);
        return;
    }
    if (!*filename && (e = av_dict_get(st->metadata, "filename", nullptr, 0))) filename = e->value;
    if (!*filename) {
        av_log(nullptr, AV_LOG_FATAL, "No filename specified and no 'filename' tag in stream #%d:%d.\n", 0,
               st->index);
        exit_program(ctx, 1);
    }
    AVIOContext* out = nullptr;
    int ret = avio_open2(&out, filename, AVIO_FLAG_WRITE, &ctx->int_cb, nullptr);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Could not open file %s for writing.\n", filename);
        exit_program(ctx, 1);
    }
    avio_write(out, st->codecpar->extradata, st->codecpar->extradata_size);
    avio_flush(out);
    avio_close(out);
}

const LegacyInputRequest* legacy_request_for(CToolContext* ctx, int input_index)
{
    for (const auto& r : ctx->legacy_inputs)
        if (r.input_index == input_index) return &r;
    return nullptr;
}

}  // namespace

int open_input_file(OptionsContext* o, const char* filename, CToolContext* ctx)
{
    resolve_stop_time(o, ctx);

    const AVInputFormat* file_iformat = nullptr;
    if (!o->format.empty()) {
        if (!(file_iformat = av_find_input_format(o->format.c_str()))) {
            av_log(nullptr, AV_LOG_FATAL, "Unknown input format: '%s'\n", o->format.c_str());
            exit_program(ctx, 1);
        }
    }
    if (!strcmp(filename, "-")) filename = "pipe:";
    ctx->stdin_interaction &= strncmp(filename, "pipe:", 5) && strcmp(filename, "/dev/stdin");

    const int input_index = static_cast<int>(ctx->input_files.size());
    const LegacyInputRequest* legacy = legacy_request_for(ctx, input_index);
    AVFormatContext* ic = nullptr;

    if (legacy && legacy->dvd) {
        DvdInputOpener opener = get_dvd_input_opener();
        int err = opener ? opener(*legacy, ctx->int_cb, &ic) : AVERROR_PROTOCOL_NOT_FOUND;
        if (err < 0 || !ic) {
            if (!opener) av_log(nullptr, AV_LOG_ERROR, "No DVD input is available for %s.\n", filename);
            print_error(filename, err < 0 ? err : AVERROR(EINVAL));
            exit_program(ctx, 1);
        }
    } else {
        ic = avformat_alloc_context();
        if (!ic) {
            print_error(filename, AVERROR(ENOMEM));
            exit_program(ctx, 1);
        }
        // Demuxer-level options of this file.
        if (const SpecifierOpt* so = match_type_opt(o->audio_sample_rate, ""))
            av_dict_set(&o->g->format_opts, "sample_rate", so->str.c_str(), 0);
        if (const SpecifierOpt* so = match_type_opt(o->audio_channels, ""))
            av_dict_set(&o->g->format_opts, "channels", so->str.c_str(), 0);
        if (const SpecifierOpt* so = match_type_opt(o->frame_rates, "")) {
            if (file_iformat && file_iformat->priv_class &&
                av_opt_find((void*)&file_iformat->priv_class, "framerate", nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
                av_dict_set(&o->g->format_opts, "framerate", so->str.c_str(), 0);
        }
        if (const SpecifierOpt* so = match_type_opt(o->frame_sizes, ""))
            av_dict_set(&o->g->format_opts, "video_size", so->str.c_str(), 0);
        if (const SpecifierOpt* so = match_type_opt(o->frame_pix_fmts, ""))
            av_dict_set(&o->g->format_opts, "pixel_format", so->str.c_str(), 0);

        const SpecifierOpt* vcn = match_type_opt(o->codec_names, "v");
        const SpecifierOpt* acn = match_type_opt(o->codec_names, "a");
        const SpecifierOpt* scn = match_type_opt(o->codec_names, "s");
        if (vcn) ic->video_codec_id = find_codec_or_die(vcn->str.c_str(), AVMEDIA_TYPE_VIDEO, 0, ctx)->id;
        if (acn) ic->audio_codec_id = find_codec_or_die(acn->str.c_str(), AVMEDIA_TYPE_AUDIO, 0, ctx)->id;
        if (scn) ic->subtitle_codec_id = find_codec_or_die(scn->str.c_str(), AVMEDIA_TYPE_SUBTITLE, 0, ctx)->id;

        ic->flags |= AVFMT_FLAG_NONBLOCK;
        ic->interrupt_callback = ctx->int_cb;

        bool scan_all_pmts_set = false;
        if (!av_dict_get(o->g->format_opts, "scan_all_pmts", nullptr, AV_DICT_MATCH_CASE)) {
            av_dict_set(&o->g->format_opts, "scan_all_pmts", "1", AV_DICT_DONT_OVERWRITE);
            scan_all_pmts_set = true;
        }
        int err = avformat_open_input(&ic, filename, file_iformat, &o->g->format_opts);
        if (err < 0) {
            print_error(filename, err);
            exit_program(ctx, 1);
        }
        if (scan_all_pmts_set) av_dict_set(&o->g->format_opts, "scan_all_pmts", nullptr, AV_DICT_MATCH_CASE);
    }

    // The file belongs to the run from here on: an exit closes it.
    auto f = std::make_unique<InputFile>();
    f->ctx = ic;
    InputFile* file = f.get();
    ctx->input_files.push_back(std::move(f));

    // Options nobody took are an error, as for the stock tool.
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(o->g->format_opts, "", e, AV_DICT_IGNORE_SUFFIX))) {
        if (av_dict_get(o->g->codec_opts, e->key, nullptr, 0)) continue;
        av_log(nullptr, AV_LOG_FATAL, "Option %s not found.\n", e->key);
        exit_program(ctx, 1);
    }

    std::vector<AVDictionary*> opts = setup_find_stream_info_opts(ic, o->g->codec_opts);
    int ret = avformat_find_stream_info(ic, opts.empty() ? nullptr : opts.data());
    for (auto& d : opts) av_dict_free(&d);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_FATAL, "%s: could not find codec parameters\n", filename);
        if (ic->nb_streams == 0) exit_program(ctx, 1);
    }

    // A CD input reads its track's range (the whole disc without a track);
    // "-ss" and "-t" are positions on the disc.
    int64_t read_end = INT64_MAX;
    if (is_cd_input(ic) || (legacy && legacy->cd_track > 0)) {
        const int track = legacy ? legacy->cd_track : -1;
        if (cd_input_range(ic, track, o->start_time, o->recording_time, read_end) < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Track %d does not exist on %s.\n", track, filename);
            exit_program(ctx, 1);
        }
    }

    int64_t timestamp = o->start_time == AV_NOPTS_VALUE ? 0 : o->start_time;
    if (ic->start_time != AV_NOPTS_VALUE) timestamp += ic->start_time;
    if (o->start_time != AV_NOPTS_VALUE) {
        int64_t seek_timestamp = timestamp;
        if (!(ic->iformat->flags & AVFMT_SEEK_TO_PTS)) {
            bool dts_heuristic = false;
            for (unsigned i = 0; i < ic->nb_streams; i++)
                if (ic->streams[i]->codecpar->video_delay) dts_heuristic = true;
            if (dts_heuristic) seek_timestamp -= 3 * AV_TIME_BASE / 23;
        }
        ret = avformat_seek_file(ic, -1, INT64_MIN, seek_timestamp, seek_timestamp, 0);
        if (ret < 0)
            av_log(nullptr, AV_LOG_WARNING, "%s: could not seek to position %0.3f\n", filename,
                   static_cast<double>(timestamp) / AV_TIME_BASE);
    }

    file->ist_index = static_cast<int>(ctx->input_streams.size());
    file->start_time = o->start_time;
    file->recording_time = o->recording_time;
    file->input_ts_offset = o->input_ts_offset;
    file->ts_offset = o->input_ts_offset - (ctx->copy_ts ? 0 : timestamp);
    file->nb_streams = static_cast<int>(ic->nb_streams);
    file->read_end = read_end;
    // An empty range reads nothing: past the disc's end a read never returns.
    file->read_end_reached = read_end != INT64_MAX && timestamp >= read_end;
    file->accurate_seek = o->accurate_seek;

    add_input_streams(o, ic, ctx);
    av_dump_format(ic, input_index, filename, 0);

    for (const auto& so : o->dump_attachment) {
        for (unsigned j = 0; j < ic->nb_streams; j++) {
            if (check_stream_specifier(ic, ic->streams[j], so.specifier.c_str()) == 1)
                dump_attachment(ic->streams[j], so.str.c_str(), ctx);
        }
    }
    ctx->input_stream_potentially_available = 1;
    return 0;
}

