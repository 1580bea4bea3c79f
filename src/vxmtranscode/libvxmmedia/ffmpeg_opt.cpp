// The transcoder's option table, its option handlers and the parse entry.
#include "ffmpeg_opt.h"
#include "ffmpeg_opt_internal.h"

#include <cinttypes>
#include <cmath>
#include <cstring>
#include <ctime>
#include <initializer_list>
#include <mutex>
#include <utility>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/eval.h>
#include <libswscale/swscale.h>
#include <libavutil/avstring.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
}

#include "ffmpeg_filter.h"
#include "ffmpeg_legacy.h"

const SpecifierOpt* match_type_opt(const SpecifierList& list, const char* mediatype)
{
    const SpecifierOpt* r = nullptr;
    for (const auto& so : list)
        if (so.specifier == mediatype) r = &so;
    return r;
}

const AVCodec* find_codec_or_die(const char* name, AVMediaType type, int encoder, CToolContext* ctx)
{
    const char* codec_string = encoder ? "encoder" : "decoder";
    const AVCodec* codec = encoder ? avcodec_find_encoder_by_name(name) : avcodec_find_decoder_by_name(name);
    if (!codec) {
        const AVCodecDescriptor* desc = avcodec_descriptor_get_by_name(name);
        if (desc) {
            codec = encoder ? avcodec_find_encoder(desc->id) : avcodec_find_decoder(desc->id);
            if (codec)
                av_log(nullptr, AV_LOG_VERBOSE, "Matched %s '%s' for codec '%s'.\n", codec_string, codec->name,
                       desc->name);
        }
    }
    if (!codec) {
        av_log(nullptr, AV_LOG_FATAL, "Unknown %s '%s'\n", codec_string, name);
        exit_program(ctx, 1);
        return nullptr;
    }
    if (codec->type != type) {
        av_log(nullptr, AV_LOG_FATAL, "Invalid %s type '%s'\n", codec_string, name);
        exit_program(ctx, 1);
        return nullptr;
    }
    return codec;
}

void resolve_stop_time(OptionsContext* o, CToolContext* ctx)
{
    if (o->stop_time != INT64_MAX && o->recording_time != INT64_MAX) {
        o->stop_time = INT64_MAX;
        av_log(nullptr, AV_LOG_WARNING, "-t and -to cannot be used together; using -t.\n");
    }
    if (o->stop_time != INT64_MAX && o->recording_time == INT64_MAX) {
        int64_t start_time = o->start_time == AV_NOPTS_VALUE ? 0 : o->start_time;
        if (o->stop_time <= start_time) {
            av_log(nullptr, AV_LOG_ERROR, "-to value smaller than -ss; aborting.\n");
            exit_program(ctx, 1);
        }
        o->recording_time = o->stop_time - start_time;
    }
}

void exit_if_no_memory(void* p, const char* what, CToolContext* ctx)
{
    if (!p) {
        av_log(nullptr, AV_LOG_FATAL, "%s", what);
        exit_program(ctx, 1);
    }
}

std::string read_file_text(const char* filename, CToolContext* ctx)
{
    AVIOContext* pb = nullptr;
    int ret = avio_open2(&pb, filename, AVIO_FLAG_READ, &ctx->int_cb, nullptr);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Error opening file %s.\n", filename);
        return {};
    }
    std::string text;
    unsigned char buf[4096];
    int n;
    while ((n = avio_read(pb, buf, sizeof buf)) > 0) text.append(reinterpret_cast<char*>(buf), n);
    avio_closep(&pb);
    return text;
}

namespace {

#define VSYNC_AUTO -1
#define VSYNC_PASSTHROUGH 0
#define VSYNC_CFR 1
#define VSYNC_VFR 2
#define VSYNC_DROP 3
constexpr int kMaxStreams = 1024;

OptionsContext* OC(void* p) { return static_cast<OptionsContext*>(p); }

// ---------------------------------------------------------------- helpers

// Writes a library option into this file's own option sets.
void set_group_opt(OptionsContext* o, const char* key, const char* val)
{
    std::string name(key);
    if (auto p = name.find(':'); p != std::string::npos) name.resize(p);
    const AVClass* cc = avcodec_get_class();
    const AVClass* fc = avformat_get_class();
    if (av_opt_find(&fc, name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ))
        av_dict_set(&o->g->format_opts, key, val, 0);
    if (av_opt_find(&cc, name.c_str(), nullptr, 0, AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ))
        av_dict_set(&o->g->codec_opts, key, val, 0);
}

// ---------------------------------------------------------------- handlers

int opt_map(void* optctx, const char*, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    std::string map = arg;
    int negative = 0;
    if (!map.empty() && map[0] == '-') {
        negative = 1;
        map.erase(0, 1);
    }
    // A sync stream after the comma must exist; the streams are timed by their own clocks.
    if (auto comma = map.find(','); comma != std::string::npos) {
        std::string sync = map.substr(comma + 1);
        map.resize(comma);
        char* p = nullptr;
        const int sync_file_idx = static_cast<int>(strtol(sync.c_str(), &p, 0));
        if (sync_file_idx >= static_cast<int>(ctx->input_files.size()) || sync_file_idx < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid sync file index: %d.\n", sync_file_idx);
            exit_program(ctx, 1);
        }
        if (*p) p++;
        AVFormatContext* ic = ctx->input_files[sync_file_idx]->ctx;
        unsigned i = 0;
        while (i < ic->nb_streams && check_stream_specifier(ic, ic->streams[i], p) != 1) i++;
        if (i == ic->nb_streams) {
            av_log(nullptr, AV_LOG_FATAL, "Sync stream specifier in map %s does not match any streams.\n", arg);
            exit_program(ctx, 1);
        }
    }

    if (!map.empty() && map[0] == '[') {
        auto end = map.find(']');
        if (end == std::string::npos) {
            av_log(nullptr, AV_LOG_ERROR, "Invalid output link label: %s.\n", map.c_str());
            exit_program(ctx, 1);
        }
        StreamMap m;
        m.linklabel = map.substr(1, end - 1);
        o->stream_maps.push_back(m);
        return 0;
    }

    char* p = nullptr;
    int file_idx = static_cast<int>(strtol(map.c_str(), &p, 0));
    if (file_idx >= static_cast<int>(ctx->input_files.size()) || file_idx < 0 || p == map.c_str()) {
        av_log(nullptr, AV_LOG_FATAL, "Invalid input file index: %d.\n", file_idx);
        exit_program(ctx, 1);
    }
    const char* spec = *p == ':' ? p + 1 : p;
    AVFormatContext* ic = ctx->input_files[file_idx]->ctx;
    if (negative) {
        for (auto& m : o->stream_maps) {
            if (m.linklabel.empty() && m.file_index == file_idx &&
                check_stream_specifier(ic, ic->streams[m.stream_index], spec) > 0)
                m.disabled = 1;
        }
        return 0;
    }
    size_t before = o->stream_maps.size();
    for (unsigned i = 0; i < ic->nb_streams; i++) {
        int r = check_stream_specifier(ic, ic->streams[i], spec);
        if (r < 0) exit_program(ctx, 1);
        if (r == 0) continue;
        StreamMap m;
        m.file_index = file_idx;
        m.stream_index = static_cast<int>(i);
        o->stream_maps.push_back(m);
    }
    if (o->stream_maps.size() == before) {
        av_log(nullptr, AV_LOG_FATAL, "Stream map '%s' matches no streams.\n", arg);
        exit_program(ctx, 1);
    }
    return 0;
}

int opt_attach(void* optctx, const char*, const char* arg, CToolContext*)
{
    OC(optctx)->attachments.push_back(arg);
    return 0;
}

int opt_map_channel(void* optctx, const char*, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    AudioChannelMap m;
    // -1 (mute), file.stream.channel, optionally :ofile.ostream
    std::string s = arg;
    std::string out;
    if (auto c = s.find(':'); c != std::string::npos) {
        out = s.substr(c + 1);
        s.resize(c);
        if (sscanf(out.c_str(), "%d.%d", &m.ofile_idx, &m.ostream_idx) != 2) {
            av_log(nullptr, AV_LOG_FATAL, "Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]\n");
            exit_program(ctx, 1);
        }
    }
    if (sscanf(s.c_str(), "%d", &m.channel_idx) == 1 && m.channel_idx == -1) {
        o->audio_channel_maps.push_back(m);
        return 0;
    }
    if (sscanf(s.c_str(), "%d.%d.%d", &m.file_idx, &m.stream_idx, &m.channel_idx) != 3) {
        av_log(nullptr, AV_LOG_FATAL, "Syntax error, mapchan usage: [file.stream.channel|-1][:syncfile:syncstream]\n");
        exit_program(ctx, 1);
    }
    if (m.file_idx < 0 || m.file_idx >= static_cast<int>(ctx->input_files.size())) {
        av_log(nullptr, AV_LOG_FATAL, "mapchan: invalid input file index: %d\n", m.file_idx);
        exit_program(ctx, 1);
    }
    if (m.stream_idx < 0 || m.stream_idx >= ctx->input_files[m.file_idx]->nb_streams) {
        av_log(nullptr, AV_LOG_FATAL, "mapchan: invalid input file stream index #%d.%d\n", m.file_idx, m.stream_idx);
        exit_program(ctx, 1);
    }
    AVStream* st = ctx->input_files[m.file_idx]->ctx->streams[m.stream_idx];
    if (st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) {
        av_log(nullptr, AV_LOG_FATAL, "mapchan: stream #%d.%d is not an audio stream.\n", m.file_idx, m.stream_idx);
        exit_program(ctx, 1);
    }
    if (m.channel_idx < 0 || m.channel_idx >= st->codecpar->ch_layout.nb_channels) {
        av_log(nullptr, AV_LOG_FATAL, "mapchan: invalid audio channel #%d.%d.%d\n", m.file_idx, m.stream_idx,
               m.channel_idx);
        exit_program(ctx, 1);
    }
    o->audio_channel_maps.push_back(m);
    return 0;
}

int opt_recording_timestamp(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    int64_t recording_timestamp = parse_time_or_die(ctx, opt, arg, 0) / 1000000;
    time_t t = static_cast<time_t>(recording_timestamp);
    struct tm tm{};
    char buf[128];
    if (!gmtime_r(&t, &tm) || !strftime(buf, sizeof(buf), "creation_time=%Y-%m-%dT%H:%M:%S%z", &tm)) {
        av_log(nullptr, AV_LOG_ERROR, "Invalid date.\n");
        return 0;
    }
    SpecifierOpt so;
    so.str = buf;
    o->metadata.push_back(so);
    av_log(nullptr, AV_LOG_WARNING, "%s is deprecated, set the 'creation_time' metadata tag instead.\n", opt);
    return 0;
}

int forward(void* optctx, const char* name, const char* arg, CToolContext* ctx)
{
    int r = parse_option(optctx, name, arg, ctx->options.data(), ctx);
    return r < 0 ? r : 0;
}

int opt_video_codec(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "codec:v", arg, c); }
int opt_audio_codec(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "codec:a", arg, c); }
int opt_subtitle_codec(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "codec:s", arg, c); }
int opt_data_codec(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "codec:d", arg, c); }
int opt_video_frames(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "frames:v", arg, c); }
int opt_audio_frames(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "frames:a", arg, c); }
int opt_data_frames(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "frames:d", arg, c); }
int opt_video_filters(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "filter:v", arg, c); }
int opt_audio_filters(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "filter:a", arg, c); }
int opt_audio_qscale(void* o, const char*, const char* arg, CToolContext* c) { return forward(o, "q:a", arg, c); }

int opt_tag(void* o, const char* opt, const char* arg, CToolContext* c)
{
    const char* spec = !strcmp(opt, "vtag") ? "tag:v" : !strcmp(opt, "atag") ? "tag:a" : "tag:s";
    return forward(o, spec, arg, c);
}

int opt_old2new(void* o, const char* opt, const char* arg, CToolContext* c)
{
    std::string s = std::string(opt + 1) + ":" + opt[0];   // "vbsf" -> "bsf:v"
    return forward(o, s.c_str(), arg, c);
}

int opt_qscale(void* optctx, const char* opt, const char* arg, CToolContext* c)
{
    if (!strcmp(opt, "qscale")) {
        av_log(nullptr, AV_LOG_WARNING, "Please use -q:a or -q:v, -qscale is ambiguous\n");
        return forward(optctx, "q:v", arg, c);
    }
    std::string s = std::string("q") + (opt + 6);
    return forward(optctx, s.c_str(), arg, c);
}

// "-name" alone is ambiguous: it warns and sets the video one, "videoName".
int set_codec_opt_or_video(void* optctx, const char* opt, const char* arg, const char* name, const char* videoName)
{
    OptionsContext* o = OC(optctx);
    if (!strcmp(opt, name)) {
        av_log(nullptr, AV_LOG_WARNING, "Please use -%s:a or -%s:v, -%s is ambiguous\n", name, name, name);
        opt = videoName;
    }
    av_dict_set(&o->g->codec_opts, opt, arg, 0);
    return 0;
}

int opt_profile(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    return set_codec_opt_or_video(optctx, opt, arg, "profile", "profile:v");
}

int opt_bitrate(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    return set_codec_opt_or_video(optctx, opt, arg, "b", "b:v");
}

int opt_channel_layout(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    AVChannelLayout layout{};
    if (av_channel_layout_from_string(&layout, arg) < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Unknown channel layout: %s\n", arg);
        return AVERROR(EINVAL);
    }
    char buf[128];
    av_channel_layout_describe(&layout, buf, sizeof buf);
    std::string spec = strchr(opt, ':') ? std::string(strchr(opt, ':')) : std::string();
    av_dict_set(&o->g->codec_opts, ("ch_layout" + spec).c_str(), buf, 0);
    std::string ac = "ac" + spec;
    std::string n = std::to_string(layout.nb_channels);
    av_channel_layout_uninit(&layout);
    return forward(optctx, ac.c_str(), n.c_str(), ctx);
}

int opt_sameq(void*, const char* opt, const char*, CToolContext*)
{
    av_log(nullptr, AV_LOG_ERROR,
           "Option '%s' was removed. If you are looking for an option to preserve the quality (which is not what "
           "-%s was for), use -qscale 0 or an equivalent quality factor option.\n",
           opt, opt);
    return AVERROR(EINVAL);
}

int opt_timecode(void* optctx, const char*, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    std::string tc = std::string("timecode=") + arg;
    int ret = forward(optctx, "metadata:g", tc.c_str(), ctx);
    if (ret >= 0) av_dict_set(&o->g->codec_opts, "gop_timecode", arg, 0);
    return ret;
}

int opt_vstats_file(void*, const char*, const char* arg, CToolContext* ctx)
{
    ctx->vstats_filename = arg;
    return 0;
}

int opt_vstats(void*, const char*, const char*, CToolContext* ctx)
{
    time_t now = time(nullptr);
    struct tm tm{};
    localtime_r(&now, &tm);
    char name[64];
    snprintf(name, sizeof name, "vstats_%02d%02d%02d.log", tm.tm_hour, tm.tm_min, tm.tm_sec);
    ctx->vstats_filename = name;
    return 0;
}

int opt_progress(void*, const char*, const char* arg, CToolContext* ctx)
{
    if (!strcmp(arg, "-")) arg = "pipe:";
    AVIOContext* avio = nullptr;
    int ret = avio_open2(&avio, arg, AVIO_FLAG_WRITE, &ctx->int_cb, nullptr);
    if (ret < 0) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to open progress URL \"%s\": %s\n", arg, err2str(ret).c_str());
        return ret;
    }
    if (ctx->progress_avio) avio_closep(&ctx->progress_avio);
    ctx->progress_avio = avio;
    return 0;
}

int opt_timelimit(void*, const char* opt, const char*, CToolContext*)
{
    av_log(nullptr, AV_LOG_WARNING, "-%s not implemented on this OS\n", opt);
    return 0;
}

int opt_vsync(void*, const char* opt, const char* arg, CToolContext* ctx)
{
    if (!av_strcasecmp(arg, "cfr")) ctx->video_sync_method = VSYNC_CFR;
    else if (!av_strcasecmp(arg, "vfr")) ctx->video_sync_method = VSYNC_VFR;
    else if (!av_strcasecmp(arg, "passthrough")) ctx->video_sync_method = VSYNC_PASSTHROUGH;
    else if (!av_strcasecmp(arg, "drop")) ctx->video_sync_method = VSYNC_DROP;
    else if (!av_strcasecmp(arg, "auto")) ctx->video_sync_method = VSYNC_AUTO;
    else
        ctx->video_sync_method = static_cast<int>(parse_number_or_die(ctx, opt, arg, OPT_INT, VSYNC_AUTO, VSYNC_VFR));
    return 0;
}

int opt_streamid(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    std::string s = arg;
    auto c = s.find(':');
    if (c == std::string::npos) {
        av_log(nullptr, AV_LOG_FATAL, "Invalid value '%s' for option '%s', required syntax is 'index:value'\n", arg,
               opt);
        exit_program(ctx, 1);
    }
    int idx = static_cast<int>(parse_number_or_die(ctx, opt, s.substr(0, c).c_str(), OPT_INT, 0, kMaxStreams - 1));
    int val = static_cast<int>(parse_number_or_die(ctx, opt, s.substr(c + 1).c_str(), OPT_INT, 0, INT_MAX));
    if (static_cast<int>(o->streamid_map.size()) <= idx) o->streamid_map.resize(idx + 1, 0);
    o->streamid_map[idx] = val;
    return 0;
}

int opt_filter_complex(void*, const char*, const char* arg, CToolContext* ctx)
{
    add_complex_filtergraph(translate_filter_text(arg), ctx);
    ctx->input_stream_potentially_available = 1;
    return 0;
}

int opt_filter_complex_script(void*, const char*, const char* arg, CToolContext* ctx)
{
    std::string graph = read_file_text(arg, ctx);
    if (graph.empty()) return AVERROR(EINVAL);
    add_complex_filtergraph(graph, ctx);
    ctx->input_stream_potentially_available = 1;
    return 0;
}

int opt_video_channel(void* optctx, const char*, const char* arg, CToolContext*)
{
    av_log(nullptr, AV_LOG_WARNING, "This option is deprecated, use -channel.\n");
    av_dict_set(&OC(optctx)->g->format_opts, "channel", arg, 0);
    return 0;
}

int opt_video_standard(void* optctx, const char*, const char* arg, CToolContext*)
{
    av_log(nullptr, AV_LOG_WARNING, "This option is deprecated, use -standard.\n");
    av_dict_set(&OC(optctx)->g->format_opts, "standard", arg, 0);
    return 0;
}

// "apre"/"vpre"/"spre"/"fpre": key=value lines of a .ffpreset file.
int opt_preset(void* optctx, const char* opt, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    const SpecifierOpt* cn = nullptr;
    const char* type = opt[0] == 'v' ? "v" : opt[0] == 'a' ? "a" : "s";
    cn = match_type_opt(o->codec_names, type);
    const char* codec_name = cn ? cn->str.c_str() : nullptr;
    std::string file = get_preset_file(arg, opt[0] == 'f', codec_name);
    if (file.empty()) {
        if (!strncmp(arg, "libx264-lossless", strlen("libx264-lossless")))
            av_log(nullptr, AV_LOG_FATAL, "Please use -preset <speed> -qp 0\n");
        else
            av_log(nullptr, AV_LOG_FATAL, "File for preset '%s' not found\n", arg);
        exit_program(ctx, 1);
        return AVERROR(ENOENT);
    }
    FILE* f = fopen(file.c_str(), "r");
    if (!f) return AVERROR(errno);
    char line[1000];
    while (fgets(line, sizeof line, f)) {
        std::string l = line;
        while (!l.empty() && (l.back() == '\n' || l.back() == '\r' || l.back() == ' ')) l.pop_back();
        size_t b = l.find_first_not_of(" \t");
        if (b == std::string::npos || l[b] == '#') continue;
        l = l.substr(b);
        auto eq = l.find('=');
        if (eq == std::string::npos) {
            av_log(nullptr, AV_LOG_FATAL, "%s: Invalid syntax: '%s'\n", file.c_str(), l.c_str());
            fclose(f);
            exit_program(ctx, 1);
            return AVERROR(EINVAL);
        }
        std::string key = l.substr(0, eq), value = l.substr(eq + 1);
        av_log(nullptr, AV_LOG_DEBUG, "ffpreset[%s]: set '%s' = '%s'\n", file.c_str(), key.c_str(), value.c_str());
        if (key == "acodec") forward(optctx, "codec:a", value.c_str(), ctx);
        else if (key == "vcodec") forward(optctx, "codec:v", value.c_str(), ctx);
        else if (key == "scodec") forward(optctx, "codec:s", value.c_str(), ctx);
        else if (key == "dcodec") forward(optctx, "codec:d", value.c_str(), ctx);
        else set_group_opt(o, key.c_str(), value.c_str());
    }
    fclose(f);
    return 0;
}

// "-target [pal-|ntsc-|film-]vcd|svcd|dvd|dv|dv50".
int opt_target(void* optctx, const char*, const char* arg, CToolContext* ctx)
{
    OptionsContext* o = OC(optctx);
    enum { PAL, NTSC, FILM, UNKNOWN } norm = UNKNOWN;
    static const char* const frame_rates[] = {"25", "30000/1001", "24000/1001"};
    std::string t = arg;
    if (t.rfind("pal-", 0) == 0) { norm = PAL; t.erase(0, 4); }
    else if (t.rfind("ntsc-", 0) == 0) { norm = NTSC; t.erase(0, 5); }
    else if (t.rfind("film-", 0) == 0) { norm = FILM; t.erase(0, 5); }
    else {
        // Guess from the inputs' frame rates.
        for (auto& f : ctx->input_files) {
            for (unsigned j = 0; j < f->ctx->nb_streams && norm == UNKNOWN; j++) {
                AVStream* st = f->ctx->streams[j];
                if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
                int fr = static_cast<int>(lrint(av_q2d(st->r_frame_rate) * 1000));
                if (fr == 25000) norm = PAL;
                else if (fr == 29970 || fr == 23976) norm = NTSC;
            }
            if (norm != UNKNOWN) break;
        }
        if (norm != UNKNOWN) av_log(nullptr, AV_LOG_INFO, "Assuming %s for target.\n", norm == PAL ? "PAL" : "NTSC");
    }
    if (norm == UNKNOWN) {
        av_log(nullptr, AV_LOG_FATAL, "Could not determine norm (PAL/NTSC/NTSC-Film) for target.\n");
        av_log(nullptr, AV_LOG_FATAL, "Please prefix target with \"pal-\", \"ntsc-\" or \"film-\",\n");
        av_log(nullptr, AV_LOG_FATAL, "or set a framerate with \"-r xxx\".\n");
        exit_program(ctx, 1);
        return AVERROR(EINVAL);
    }
    auto P = [&](const char* name, const char* value) { forward(optctx, name, value, ctx); };
    auto D = [&](const char* key, const char* value) { set_group_opt(o, key, value); };
    const bool pal = norm == PAL;
    // A disc target: its codecs, format and picture size, the norm's frame
    // rate, then `group` into the group's options and the audio sample rate.
    using Pair = std::pair<const char*, const char*>;
    auto disc = [&](const char* vcodec, const char* acodec, const char* format, const char* size, const char* pixfmt,
                    std::initializer_list<Pair> group, const char* arate) {
        for (const Pair& f : {Pair{"c:v", vcodec}, {"c:a", acodec}, {"f", format}, {"s", size}, {"r", frame_rates[norm]}})
            P(f.first, f.second);
        if (pixfmt) P("pix_fmt", pixfmt);
        D("g", pal ? "15" : "18");
        for (const Pair& g : group) D(g.first, g.second);
        P("ar", arate);
    };
    if (t == "vcd") {
        disc("mpeg1video", "mp2", "vcd", pal ? "352x288" : "352x240", nullptr,
             {{"b:v", "1150000"}, {"maxrate:v", "1150000"}, {"minrate:v", "1150000"}, {"bufsize:v", "327680"},
              {"b:a", "224000"}, {"packetsize", "2324"}, {"muxrate", "1411200"}}, "44100");
        P("ac", "2");
        o->mux_preload = (36000 + 3 * 1200) / 90000.0f;
    } else if (t == "svcd") {
        disc("mpeg2video", "mp2", "svcd", pal ? "480x576" : "480x480", "yuv420p",
             {{"b:v", "2040000"}, {"maxrate:v", "2516000"}, {"minrate:v", "0"}, {"bufsize:v", "1835008"},
              {"scan_offset", "1"}, {"b:a", "224000"}, {"packetsize", "2324"}}, "44100");
    } else if (t == "dvd") {
        disc("mpeg2video", "ac3", "dvd", pal ? "720x576" : "720x480", "yuv420p",
             {{"b:v", "6000000"}, {"maxrate:v", "9000000"}, {"minrate:v", "0"}, {"bufsize:v", "1835008"},
              {"packetsize", "2048"}, {"muxrate", "10080000"}, {"b:a", "448000"}}, "48000");
    } else if (t == "dv" || t == "dv50") {
        P("f", "dv");
        P("s", pal ? "720x576" : "720x480");
        P("pix_fmt", t == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        P("r", frame_rates[norm]);
        P("ar", "48000");
        P("ac", "2");
    } else {
        av_log(nullptr, AV_LOG_ERROR, "Unknown target: %s\n", arg);
        return AVERROR(EINVAL);
    }
    return 0;
}

// ---------------------------------------------------------------- table

template <class T>
OptionDef def(const char* name, int flags, T target, const char* help, const char* argname = nullptr)
{
    return option_row(name, flags, target, help, argname);
}

}  // namespace

void build_option_table(CToolContext* c)
{
    using O = OptionsContext;
    const int OFF = OPT_OFFSET;
    const int IO = OPT_INPUT | OPT_OUTPUT;
    const int OUT = OPT_OUTPUT;
    const int IN = OPT_INPUT;
    auto& t = c->options;
    t.clear();
    t.reserve(146);
    append_common_options(t);
    t.push_back(def("f", HAS_ARG | OPT_STRING | OFF | IO, &O::format, "force format", "fmt"));
    t.push_back(def("y", OPT_BOOL, &c->file_overwrite, "overwrite output files"));
    t.push_back(def("n", OPT_BOOL, &c->no_file_overwrite, "never overwrite output files"));
    t.push_back(def("c", HAS_ARG | OPT_STRING | OPT_SPEC | IO, &O::codec_names, "codec name", "codec"));
    t.push_back(def("codec", HAS_ARG | OPT_STRING | OPT_SPEC | IO, &O::codec_names, "codec name", "codec"));
    t.push_back(def("pre", HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::presets, "preset name", "preset"));
    t.push_back(def("map", HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_map),
                    "set input stream mapping", "[-]input_file_id[:stream_specifier][,sync_file_id[:stream_specifier]]"));
    t.push_back(def("map_channel", HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_map_channel),
                    "map an audio channel from one stream to another", "file.stream.channel[:syncfile.syncstream]"));
    t.push_back(def("map_metadata", HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::metadata_map,
                    "set metadata information of outfile from infile", "outfile[,metadata]:infile[,metadata]"));
    t.push_back(def("map_chapters", HAS_ARG | OPT_INT | OPT_EXPERT | OFF | OUT, &O::chapters_input_file,
                    "set chapters mapping", "input_file_index"));
    t.push_back(def("t", HAS_ARG | OPT_TIME | OFF | IO, &O::recording_time, "record or transcode \"duration\" seconds of audio/video", "duration"));
    t.push_back(def("to", HAS_ARG | OPT_TIME | OFF | IO, &O::stop_time, "record or transcode stop time", "time_stop"));
    t.push_back(def("fs", HAS_ARG | OPT_INT64 | OFF | OUT, &O::limit_filesize, "set the limit file size in bytes", "limit_size"));
    t.push_back(def("ss", HAS_ARG | OPT_TIME | OFF | IO, &O::start_time, "set the start time offset", "time_off"));
    t.push_back(def("accurate_seek", OPT_BOOL | OFF | OPT_EXPERT | IN, &O::accurate_seek, "enable/disable accurate seeking with -ss"));
    t.push_back(def("itsoffset", HAS_ARG | OPT_TIME | OFF | OPT_EXPERT | IN, &O::input_ts_offset, "set the input ts offset", "time_off"));
    t.push_back(def("itsscale", HAS_ARG | OPT_DOUBLE | OPT_SPEC | OPT_EXPERT | IN, &O::ts_scale, "set the input ts scale", "scale"));
    t.push_back(def("timestamp", HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_recording_timestamp), "set the recording timestamp ('now' to set the current time)", "time"));
    t.push_back(def("metadata", HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::metadata, "add metadata", "string=string"));
    t.push_back(def("dframes", HAS_ARG | OPT_PERFILE | OPT_EXPERT | OUT, OptionHandler(opt_data_frames), "set the number of data frames to output", "number"));
    t.push_back(def("benchmark", OPT_BOOL | OPT_EXPERT, &c->do_benchmark, "add timings for benchmarking"));
    t.push_back(def("benchmark_all", OPT_BOOL | OPT_EXPERT, &c->do_benchmark_all, "add timings for each task"));
    t.push_back(def("progress", HAS_ARG | OPT_EXPERT, OptionHandler(opt_progress), "write program-readable progress information", "url"));
    t.push_back(def("stdin", OPT_BOOL | OPT_EXPERT, &c->stdin_interaction, "enable or disable interaction on standard input"));
    t.push_back(def("timelimit", HAS_ARG | OPT_EXPERT, OptionHandler(opt_timelimit), "set max runtime in seconds", "limit"));
    t.push_back(def("dump", OPT_BOOL | OPT_EXPERT, &c->do_pkt_dump, "dump each input packet"));
    t.push_back(def("hex", OPT_BOOL | OPT_EXPERT, &c->do_hex_dump, "when dumping packets, also dump the payload"));
    t.push_back(def("re", OPT_BOOL | OPT_EXPERT | OFF | IN, &O::rate_emu, "read input at native frame rate", ""));
    t.push_back(def("target", HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_target),
                    "specify target file type (\"vcd\", \"svcd\", \"dvd\", \"dv\", \"dv50\", \"pal-vcd\", \"ntsc-svcd\", ...)", "type"));
    t.push_back(def("vsync", HAS_ARG | OPT_EXPERT, OptionHandler(opt_vsync), "video sync method", ""));
    t.push_back(def("async", HAS_ARG | OPT_INT | OPT_EXPERT, &c->audio_sync_method, "audio sync method", ""));
    t.push_back(def("adrift_threshold", HAS_ARG | OPT_FLOAT | OPT_EXPERT, &c->audio_drift_threshold, "audio drift threshold", "threshold"));
    t.push_back(def("copyts", OPT_BOOL | OPT_EXPERT, &c->copy_ts, "copy timestamps"));
    t.push_back(def("copytb", HAS_ARG | OPT_INT | OPT_EXPERT, &c->copy_tb, "copy input stream time base when stream copying", "mode"));
    t.push_back(def("shortest", OPT_BOOL | OPT_EXPERT | OFF | OUT, &O::shortest, "finish encoding within shortest input"));
    t.push_back(def("apad", OPT_STRING | HAS_ARG | OPT_SPEC | OUT, &O::apad, "audio pad", ""));
    t.push_back(def("dts_delta_threshold", HAS_ARG | OPT_FLOAT | OPT_EXPERT, &c->dts_delta_threshold, "timestamp discontinuity delta threshold", "threshold"));
    t.push_back(def("dts_error_threshold", HAS_ARG | OPT_FLOAT | OPT_EXPERT, &c->dts_error_threshold, "timestamp error delta threshold", "threshold"));
    t.push_back(def("xerror", OPT_BOOL | OPT_EXPERT, &c->exit_on_error, "exit on error", "error"));
    t.push_back(def("copyinkf", OPT_BOOL | OPT_EXPERT | OPT_SPEC | OUT, &O::copy_initial_nonkeyframes, "copy initial non-keyframes"));
    t.push_back(def("copypriorss", OPT_INT | HAS_ARG | OPT_EXPERT | OPT_SPEC | OUT, &O::copy_prior_start, "copy or discard frames before start time"));
    t.push_back(def("frames", OPT_INT64 | HAS_ARG | OPT_SPEC | OUT, &O::max_frames, "set the number of frames to output", "number"));
    t.push_back(def("tag", OPT_STRING | HAS_ARG | OPT_SPEC | OPT_EXPERT | IO, &O::codec_tags, "force codec tag/fourcc", "fourcc/tag"));
    t.push_back(def("q", HAS_ARG | OPT_EXPERT | OPT_DOUBLE | OPT_SPEC | OUT, &O::qscale, "use fixed quality scale (VBR)", "q"));
    t.push_back(def("qscale", HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_qscale), "use fixed quality scale (VBR)", "q"));
    t.push_back(def("profile", HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_profile), "set profile", "profile"));
    t.push_back(def("filter", HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::filters, "set stream filtergraph", "filter_graph"));
    t.push_back(def("filter_script", HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::filter_scripts, "read stream filtergraph description from a file", "filename"));
    t.push_back(def("reinit_filter", HAS_ARG | OPT_INT | OPT_SPEC | IN, &O::reinit_filters, "reinit filtergraph on input parameter changes", ""));
    t.push_back(def("filter_complex", HAS_ARG | OPT_EXPERT, OptionHandler(opt_filter_complex), "create a complex filtergraph", "graph_description"));
    t.push_back(def("lavfi", HAS_ARG | OPT_EXPERT, OptionHandler(opt_filter_complex), "create a complex filtergraph", "graph_description"));
    t.push_back(def("filter_complex_script", HAS_ARG | OPT_EXPERT, OptionHandler(opt_filter_complex_script), "read complex filtergraph description from a file", "filename"));
    t.push_back(def("stats", OPT_BOOL, &c->print_stats, "print progress report during encoding"));
    t.push_back(def("attach", HAS_ARG | OPT_PERFILE | OPT_EXPERT | OUT, OptionHandler(opt_attach), "add an attachment to the output file", "filename"));
    t.push_back(def("dump_attachment", HAS_ARG | OPT_STRING | OPT_SPEC | OPT_EXPERT | IN, &O::dump_attachment, "extract an attachment into a file", "filename"));
    t.push_back(def("debug_ts", OPT_BOOL | OPT_EXPERT, &c->debug_ts, "print timestamp debugging info"));
    t.push_back(def("max_error_rate", HAS_ARG | OPT_FLOAT, &c->max_error_rate, "maximum error rate",
                    "ratio of errors (0.0: no errors, 1.0: 100% errors) above which ffmpeg returns an error instead of success."));
    t.push_back(def("vframes", OPT_VIDEO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_video_frames), "set the number of video frames to output", "number"));
    t.push_back(def("r", OPT_VIDEO | HAS_ARG | OPT_STRING | OPT_SPEC | IO, &O::frame_rates, "set frame rate (Hz value, fraction or abbreviation)", "rate"));
    t.push_back(def("s", OPT_VIDEO | HAS_ARG | OPT_SUBTITLE | OPT_STRING | OPT_SPEC | IO, &O::frame_sizes, "set frame size (WxH or abbreviation)", "size"));
    t.push_back(def("aspect", OPT_VIDEO | HAS_ARG | OPT_STRING | OPT_SPEC | OUT, &O::frame_aspect_ratios, "set aspect ratio (4:3, 16:9 or 1.3333, 1.7777)", "aspect"));
    t.push_back(def("pix_fmt", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_STRING | OPT_SPEC | IO, &O::frame_pix_fmts, "set pixel format", "format"));
    t.push_back(def("bits_per_raw_sample", OPT_VIDEO | OPT_INT | HAS_ARG, &c->frame_bits_per_raw_sample, "set the number of bits per raw sample", "number"));
    t.push_back(def("intra", OPT_VIDEO | OPT_BOOL | OPT_EXPERT, &c->intra_only, "deprecated use -g 1"));
    t.push_back(def("vn", OPT_VIDEO | OPT_BOOL | OFF | IO, &O::video_disable, "disable video"));
    t.push_back(def("vdt", OPT_VIDEO | OPT_INT | HAS_ARG | OPT_EXPERT, &c->video_discard, "discard threshold", "n"));
    t.push_back(def("rc_override", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_STRING | OPT_SPEC | OUT, &O::rc_overrides, "rate control override for specific intervals", "override"));
    t.push_back(def("vcodec", OPT_VIDEO | HAS_ARG | OPT_PERFILE | IO, OptionHandler(opt_video_codec), "force video codec ('copy' to copy stream)", "codec"));
    t.push_back(def("sameq", OPT_VIDEO | OPT_EXPERT, OptionHandler(opt_sameq), "Removed"));
    t.push_back(def("same_quant", OPT_VIDEO | OPT_EXPERT, OptionHandler(opt_sameq), "Removed"));
    t.push_back(def("timecode", OPT_VIDEO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_timecode), "set initial TimeCode value.", "hh:mm:ss[:;.]ff"));
    t.push_back(def("pass", OPT_VIDEO | HAS_ARG | OPT_SPEC | OPT_INT | OUT, &O::pass, "select the pass number (1 to 3)", "n"));
    t.push_back(def("passlogfile", OPT_VIDEO | HAS_ARG | OPT_STRING | OPT_EXPERT | OPT_SPEC | OUT, &O::passlogfiles, "select two pass log file name prefix", "prefix"));
    t.push_back(def("deinterlace", OPT_VIDEO | OPT_BOOL | OPT_EXPERT, &c->do_deinterlace, "this option is deprecated, use the yadif filter instead"));
    t.push_back(def("psnr", OPT_VIDEO | OPT_BOOL | OPT_EXPERT, &c->do_psnr, "calculate PSNR of compressed frames"));
    t.push_back(def("vstats", OPT_VIDEO | OPT_EXPERT, OptionHandler(opt_vstats), "dump video coding statistics to file"));
    t.push_back(def("vstats_file", OPT_VIDEO | HAS_ARG | OPT_EXPERT, OptionHandler(opt_vstats_file), "dump video coding statistics to file", "file"));
    t.push_back(def("vf", OPT_VIDEO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_video_filters), "set video filters", "filter_graph"));
    t.push_back(def("intra_matrix", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_STRING | OPT_SPEC | OUT, &O::intra_matrices, "specify intra matrix coeffs", "matrix"));
    t.push_back(def("inter_matrix", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_STRING | OPT_SPEC | OUT, &O::inter_matrices, "specify inter matrix coeffs", "matrix"));
    t.push_back(def("top", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_INT | OPT_SPEC | IO, &O::top_field_first, "top=1/bottom=0/auto=-1 field first", ""));
    t.push_back(def("dc", OPT_VIDEO | OPT_INT | HAS_ARG | OPT_EXPERT, &c->intra_dc_precision, "intra_dc_precision", "precision"));
    t.push_back(def("vtag", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | IO, OptionHandler(opt_tag), "force video tag/fourcc", "fourcc/tag"));
    t.push_back(def("qphist", OPT_VIDEO | OPT_BOOL | OPT_EXPERT, &c->qp_hist, "show QP histogram"));
    t.push_back(def("force_fps", OPT_VIDEO | OPT_BOOL | OPT_EXPERT | OPT_SPEC | OUT, &O::force_fps, "force the selected framerate, disable the best supported framerate selection"));
    t.push_back(def("streamid", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_streamid), "set the value of an outfile streamid", "streamIndex:value"));
    t.push_back(def("force_key_frames", OPT_VIDEO | OPT_STRING | HAS_ARG | OPT_EXPERT | OPT_SPEC | OUT, &O::forced_key_frames, "force key frames at specified timestamps", "timestamps"));
    t.push_back(def("b", OPT_VIDEO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_bitrate), "video bitrate (please use -b:v)", "bitrate"));
    t.push_back(def("aframes", OPT_AUDIO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_audio_frames), "set the number of audio frames to output", "number"));
    t.push_back(def("aq", OPT_AUDIO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_audio_qscale), "set audio quality (codec-specific)", "quality"));
    t.push_back(def("ar", OPT_AUDIO | HAS_ARG | OPT_INT | OPT_SPEC | IO, &O::audio_sample_rate, "set audio sampling rate (in Hz)", "rate"));
    t.push_back(def("ac", OPT_AUDIO | HAS_ARG | OPT_INT | OPT_SPEC | IO, &O::audio_channels, "set number of audio channels", "channels"));
    t.push_back(def("an", OPT_AUDIO | OPT_BOOL | OFF | IO, &O::audio_disable, "disable audio"));
    t.push_back(def("acodec", OPT_AUDIO | HAS_ARG | OPT_PERFILE | IO, OptionHandler(opt_audio_codec), "force audio codec ('copy' to copy stream)", "codec"));
    t.push_back(def("atag", OPT_AUDIO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_tag), "force audio tag/fourcc", "fourcc/tag"));
    t.push_back(def("vol", OPT_AUDIO | HAS_ARG | OPT_INT, &c->audio_volume, "change audio volume (256=normal)", "volume"));
    t.push_back(def("sample_fmt", OPT_AUDIO | HAS_ARG | OPT_EXPERT | OPT_SPEC | OPT_STRING | IO, &O::sample_fmts, "set sample format", "format"));
    t.push_back(def("channel_layout", OPT_AUDIO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | IO, OptionHandler(opt_channel_layout), "set channel layout", "layout"));
    t.push_back(def("af", OPT_AUDIO | HAS_ARG | OPT_PERFILE | OUT, OptionHandler(opt_audio_filters), "set audio filters", "filter_graph"));
    t.push_back(def("guess_layout_max", OPT_AUDIO | HAS_ARG | OPT_INT | OPT_SPEC | OPT_EXPERT | IN, &O::guess_layout_max, "set the maximum number of channels to try to guess the channel layout"));
    t.push_back(def("sn", OPT_SUBTITLE | OPT_BOOL | OFF | IO, &O::subtitle_disable, "disable subtitle"));
    t.push_back(def("scodec", OPT_SUBTITLE | HAS_ARG | OPT_PERFILE | IO, OptionHandler(opt_subtitle_codec), "force subtitle codec ('copy' to copy stream)", "codec"));
    t.push_back(def("stag", OPT_SUBTITLE | HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_tag), "force subtitle tag/fourcc", "fourcc/tag"));
    t.push_back(def("fix_sub_duration", OPT_BOOL | OPT_EXPERT | OPT_SUBTITLE | OPT_SPEC | IN, &O::fix_sub_duration, "fix subtitles duration"));
    t.push_back(def("canvas_size", OPT_SUBTITLE | HAS_ARG | OPT_STRING | OPT_SPEC | IN, &O::canvas_sizes, "set canvas size (WxH or abbreviation)", "size"));
    t.push_back(def("vc", HAS_ARG | OPT_EXPERT | OPT_VIDEO | OPT_PERFILE | IN, OptionHandler(opt_video_channel), "deprecated, use -channel", "channel"));
    t.push_back(def("tvstd", HAS_ARG | OPT_EXPERT | OPT_VIDEO | OPT_PERFILE | IN, OptionHandler(opt_video_standard), "deprecated, use -standard", "standard"));
    t.push_back(def("isync", OPT_BOOL | OPT_EXPERT, &c->input_sync, "this option is deprecated and does nothing", ""));
    t.push_back(def("muxdelay", OPT_FLOAT | HAS_ARG | OPT_EXPERT | OFF | OUT, &O::mux_max_delay, "set the maximum demux-decode delay", "seconds"));
    t.push_back(def("muxpreload", OPT_FLOAT | HAS_ARG | OPT_EXPERT | OFF | OUT, &O::mux_preload, "set the initial demux-decode delay", "seconds"));
    t.push_back(def("override_ffserver", OPT_BOOL | OPT_EXPERT | OUT, &c->override_ffserver, "override the options from ffserver", ""));
    t.push_back(def("bsf", HAS_ARG | OPT_STRING | OPT_SPEC | OPT_EXPERT | OUT, &O::bitstream_filters, "A comma-separated list of bitstream filters", "bitstream_filters"));
    t.push_back(def("absf", HAS_ARG | OPT_AUDIO | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_old2new), "deprecated", "audio bitstream_filters"));
    t.push_back(def("vbsf", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_old2new), "deprecated", "video bitstream_filters"));
    t.push_back(def("apre", HAS_ARG | OPT_AUDIO | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_preset), "set the audio options to the indicated preset", "preset"));
    t.push_back(def("vpre", OPT_VIDEO | HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_preset), "set the video options to the indicated preset", "preset"));
    t.push_back(def("spre", HAS_ARG | OPT_SUBTITLE | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_preset), "set the subtitle options to the indicated preset", "preset"));
    t.push_back(def("fpre", HAS_ARG | OPT_EXPERT | OPT_PERFILE | OUT, OptionHandler(opt_preset), "set options from indicated preset file", "filename"));
    t.push_back(def("dcodec", HAS_ARG | OPT_DATA | OPT_PERFILE | OPT_EXPERT | IO, OptionHandler(opt_data_codec), "force data codec ('copy' to copy stream)", "codec"));
    t.push_back(def("dn", OPT_BOOL | OPT_VIDEO | OFF | IO, &O::data_disable, "disable data"));
    t.push_back(def("ast", HAS_ARG | OPT_EXPERT | OPT_INT, &c->wanted_stream[AVMEDIA_TYPE_AUDIO], "select desired audio stream", "stream_number"));
    t.push_back(def("vst", HAS_ARG | OPT_EXPERT | OPT_INT, &c->wanted_stream[AVMEDIA_TYPE_VIDEO], "select desired video stream", "stream_number"));
    t.push_back(def("sst", HAS_ARG | OPT_EXPERT | OPT_INT, &c->wanted_stream[AVMEDIA_TYPE_SUBTITLE], "select desired subtitle stream", "stream_number"));
    t.push_back(OptionDef{});
}

// ================================================================ files

const SpecifierOpt* match_per_stream_opt(const SpecifierList& list, AVFormatContext* s, AVStream* st,
                                         CToolContext* ctx)
{
    const SpecifierOpt* r = nullptr;
    for (const auto& so : list) {
        int m = check_stream_specifier(s, st, so.specifier.c_str());
        if (m > 0) r = &so;
        else if (m < 0 && s->oformat) exit_program(ctx, 1);   // invalid specifiers of inputs are only logged
    }
    return r;
}

// ---------------------------------------------------------------- entry

namespace {

int open_files(OptionGroupList* l, const char* inout, int (*open_file)(OptionsContext*, const char*, CToolContext*),
               CToolContext* ctx)
{
    for (OptionGroup& g : l->groups) {
        OptionsContext o;
        o.g = &g;
        int ret = parse_optgroup(&o, &g, ctx);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error parsing options for %s file %s.\n", inout, g.arg.c_str());
            return ret;
        }
        av_log(nullptr, AV_LOG_DEBUG, "Opening an %s file: %s.\n", inout, g.arg.c_str());
        ret = open_file(&o, g.arg.c_str(), ctx);
        if (ret < 0) {
            av_log(nullptr, AV_LOG_ERROR, "Error opening %s file %s.\n", inout, g.arg.c_str());
            return ret;
        }
        av_log(nullptr, AV_LOG_DEBUG, "Successfully opened the file.\n");
    }
    return 0;
}

}  // namespace

void begin_transcoder_run(CToolContext* ctx)
{
    ctx->ResetToolState();
    build_option_table(ctx);
}

int ffmpeg_parse_options(int argc, CToolContext* ctx, char** argv)
{
    if (ctx->options.empty()) build_option_table(ctx);
    if (!prepare_app_arguments(ctx)) {
        // No command line of its own: parse the caller's vector.
        ctx->argv_storage.assign(argv, argv + argc);
    }
    if (const int ret = translate_legacy_arguments(ctx->argv_storage, ctx); ret < 0) return ret;
    ctx->argv_ptrs.clear();
    for (auto& a : ctx->argv_storage) ctx->argv_ptrs.push_back(a.data());
    ctx->argv_ptrs.push_back(nullptr);
    ctx->argc = static_cast<int>(ctx->argv_storage.size());

    static const OptionGroupDef groups[] = {
        {"output file", nullptr, OPT_OUTPUT},
        {"input file", "i", OPT_INPUT},
    };
    OptionParseContext octx;
    char errbuf[128];
    const char* errmsg = "";

    int ret = split_commandline(&octx, ctx->argc, ctx->argv_ptrs.data(), ctx->options.data(), groups, 2, ctx);
    if (ret < 0) {
        errmsg = "splitting the argument list";
    } else if ((ret = parse_optgroup(nullptr, &octx.global_opts, ctx)) < 0) {
        errmsg = "parsing global options";
    } else if ((ret = open_files(&octx.groups[1], "input", open_input_file, ctx)) < 0) {
        errmsg = "opening input files";
    } else {
        init_complex_filters(ctx);
        if ((ret = open_files(&octx.groups[0], "output", open_output_file, ctx)) < 0) errmsg = "opening output files";
    }
    if (ret < 0) {
        av_strerror(ret, errbuf, sizeof(errbuf));
        const char* prefix = !strcmp(errmsg, "splitting the argument list") ? "Error splitting the argument list: "
                             : !strcmp(errmsg, "parsing global options")    ? "Error parsing global options: "
                             : !strcmp(errmsg, "opening input files")       ? "Error opening input files: "
                                                                            : "Error opening output files: ";
        av_log(nullptr, AV_LOG_FATAL, "%s%s\n", prefix, errbuf);
    }
    return ret;
}
