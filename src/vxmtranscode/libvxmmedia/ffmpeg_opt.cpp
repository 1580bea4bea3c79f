// The transcoder's options and the opening of its input and output files.
#include "ffmpeg_opt.h"

#include <cinttypes>
#include <cmath>
#include <cstring>
#include <ctime>
#include <mutex>

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
#include "platform/folders.h"
#include "platform/text.h"

namespace {

#define VSYNC_AUTO -1
#define VSYNC_PASSTHROUGH 0
#define VSYNC_CFR 1
#define VSYNC_VFR 2
#define VSYNC_DROP 3
constexpr int kMaxStreams = 1024;

OptionsContext* OC(void* p) { return static_cast<OptionsContext*>(p); }

// ---------------------------------------------------------------- helpers

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
    int sync_file_idx = -1, sync_stream_idx = 0;
    if (auto comma = map.find(','); comma != std::string::npos) {
        std::string sync = map.substr(comma + 1);
        map.resize(comma);
        char* p = nullptr;
        sync_file_idx = static_cast<int>(strtol(sync.c_str(), &p, 0));
        if (sync_file_idx >= static_cast<int>(ctx->input_files.size()) || sync_file_idx < 0) {
            av_log(nullptr, AV_LOG_FATAL, "Invalid sync file index: %d.\n", sync_file_idx);
            exit_program(ctx, 1);
        }
        if (*p) p++;
        AVFormatContext* ic = ctx->input_files[sync_file_idx]->ctx;
        unsigned i;
        for (i = 0; i < ic->nb_streams; i++) {
            if (check_stream_specifier(ic, ic->streams[i], p) == 1) {
                sync_stream_idx = static_cast<int>(i);
                break;
            }
        }
        if (i == ic->nb_streams) {
            av_log(nullptr, AV_LOG_FATAL, "Sync stream specification in map %s does not match any streams.\n", arg);
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
        if (sync_file_idx >= 0) {
            m.sync_file_index = sync_file_idx;
            m.sync_stream_index = sync_stream_idx;
        } else {
            m.sync_file_index = file_idx;
            m.sync_stream_index = static_cast<int>(i);
        }
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

int opt_profile(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    OptionsContext* o = OC(optctx);
    if (!strcmp(opt, "profile")) {
        av_log(nullptr, AV_LOG_WARNING, "Please use -profile:a or -profile:v, -profile is ambiguous\n");
        av_dict_set(&o->g->codec_opts, "profile:v", arg, 0);
        return 0;
    }
    av_dict_set(&o->g->codec_opts, opt, arg, 0);
    return 0;
}

int opt_bitrate(void* optctx, const char* opt, const char* arg, CToolContext*)
{
    OptionsContext* o = OC(optctx);
    if (!strcmp(opt, "b")) {
        av_log(nullptr, AV_LOG_WARNING, "Please use -b:a or -b:v, -b is ambiguous\n");
        av_dict_set(&o->g->codec_opts, "b:v", arg, 0);
        return 0;
    }
    av_dict_set(&o->g->codec_opts, opt, arg, 0);
    return 0;
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
    if (t == "vcd") {
        P("c:v", "mpeg1video");
        P("c:a", "mp2");
        P("f", "vcd");
        P("s", pal ? "352x288" : "352x240");
        P("r", frame_rates[norm]);
        D("g", pal ? "15" : "18");
        D("b:v", "1150000");
        D("maxrate:v", "1150000");
        D("minrate:v", "1150000");
        D("bufsize:v", "327680");
        D("b:a", "224000");
        P("ar", "44100");
        P("ac", "2");
        D("packetsize", "2324");
        D("muxrate", "1411200");
        o->mux_preload = (36000 + 3 * 1200) / 90000.0f;
    } else if (t == "svcd") {
        P("c:v", "mpeg2video");
        P("c:a", "mp2");
        P("f", "svcd");
        P("s", pal ? "480x576" : "480x480");
        P("r", frame_rates[norm]);
        P("pix_fmt", "yuv420p");
        D("g", pal ? "15" : "18");
        D("b:v", "2040000");
        D("maxrate:v", "2516000");
        D("minrate:v", "0");
        D("bufsize:v", "1835008");
        D("scan_offset", "1");
        D("b:a", "224000");
        P("ar", "44100");
        D("packetsize", "2324");
    } else if (t == "dvd") {
        P("c:v", "mpeg2video");
        P("c:a", "ac3");
        P("f", "dvd");
        P("s", pal ? "720x576" : "720x480");
        P("r", frame_rates[norm]);
        P("pix_fmt", "yuv420p");
        D("g", pal ? "15" : "18");
        D("b:v", "6000000");
        D("maxrate:v", "9000000");
        D("minrate:v", "0");
        D("bufsize:v", "1835008");
        D("packetsize", "2048");
        D("muxrate", "10080000");
        D("b:a", "448000");
        P("ar", "48000");
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
    OptionDef d;
    d.name = name;
    d.flags = flags;
    d.u = target;
    d.help = help;
    d.argname = argname;
    return d;
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
    auto L = [](const char*) {};
    (void)L;
    OptionHandler list = show_listing;
    OptionHandler help = show_help_noop;

    t.push_back(def("L", OPT_EXIT, list, "show license"));
    t.push_back(def("h", OPT_EXIT, help, "show help", "topic"));
    t.push_back(def("?", OPT_EXIT, help, "show help", "topic"));
    t.push_back(def("help", OPT_EXIT, help, "show help", "topic"));
    t.push_back(def("-help", OPT_EXIT, help, "show help", "topic"));
    t.push_back(def("version", OPT_EXIT, OptionHandler(show_version), "show version"));
    t.push_back(def("formats", OPT_EXIT, list, "show available formats"));
    t.push_back(def("codecs", OPT_EXIT, list, "show available codecs"));
    t.push_back(def("decoders", OPT_EXIT, list, "show available decoders"));
    t.push_back(def("encoders", OPT_EXIT, list, "show available encoders"));
    t.push_back(def("bsfs", OPT_EXIT, list, "show available bit stream filters"));
    t.push_back(def("protocols", OPT_EXIT, list, "show available protocols"));
    t.push_back(def("filters", OPT_EXIT, list, "show available filters"));
    t.push_back(def("pix_fmts", OPT_EXIT, list, "show available pixel formats"));
    t.push_back(def("layouts", OPT_EXIT, list, "show standard channel layouts"));
    t.push_back(def("sample_fmts", OPT_EXIT, list, "show available audio sample formats"));
    t.push_back(def("colors", OPT_EXIT, list, "show available color names"));
    t.push_back(def("loglevel", HAS_ARG, OptionHandler(opt_loglevel), "set logging level", "loglevel"));
    t.push_back(def("v", HAS_ARG, OptionHandler(opt_loglevel), "set logging level", "loglevel"));
    t.push_back(def("report", 0, OptionHandler(opt_report), "generate a report"));
    t.push_back(def("max_alloc", HAS_ARG, OptionHandler(opt_max_alloc), "set maximum size of a single allocated block", "bytes"));
    t.push_back(def("cpuflags", HAS_ARG | OPT_EXPERT, OptionHandler(opt_cpuflags), "force specific cpu flags", "flags"));
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

namespace {

void exit_if_no_memory(void* p, const char* what, CToolContext* ctx)
{
    if (!p) {
        av_log(nullptr, AV_LOG_FATAL, "%s", what);
        exit_program(ctx, 1);
    }
}

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
            if (const SpecifierOpt* so = match_per_stream_opt(o->top_field_first, ic, st, ctx))
                raw->top_field_first = so->i;
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
            if (const SpecifierOpt* so = match_per_stream_opt(o->fix_sub_duration, ic, st, ctx))
                raw->fix_sub_duration = so->i;
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

    // A CD track is its chapter's time range on the disc.
    if (legacy && legacy->cd_track > 0) {
        if (legacy->cd_track > static_cast<int>(ic->nb_chapters)) {
            av_log(nullptr, AV_LOG_FATAL, "Track %d does not exist on %s.\n", legacy->cd_track, filename);
            exit_program(ctx, 1);
        }
        AVChapter* ch = ic->chapters[legacy->cd_track - 1];
        int64_t ch_start = av_rescale_q(ch->start, ch->time_base, AV_TIME_BASE_Q);
        int64_t ch_end = av_rescale_q(ch->end, ch->time_base, AV_TIME_BASE_Q);
        int64_t ss = o->start_time == AV_NOPTS_VALUE ? 0 : o->start_time;
        int64_t left = ch_end - ch_start - ss;
        o->start_time = ch_start + ss;
        if (left < o->recording_time) o->recording_time = left > 0 ? left : 0;
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
    file->rate_emu = o->rate_emu;
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

// ---------------------------------------------------------------- output streams

namespace {

// Folders searched for ".avpreset" files, read once per process.
const std::vector<std::string>& avpreset_base_folders()
{
    static std::once_flag once;
    static std::vector<std::string> bases;
    std::call_once(once, [] {
        if (const char* d = getenv("AVCONV_DATADIR")) bases.push_back(d);
        std::string home = WideToUtf8(GetUserHomeFolder());
        if (!home.empty()) bases.push_back(home + "/.avconv");
        bases.push_back("/usr/share/ffmpeg");
    });
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
            ost->pass = so->i;
            if (so->i & 1) video_enc->flags |= AV_CODEC_FLAG_PASS1;
            if (so->i & 2) video_enc->flags |= AV_CODEC_FLAG_PASS2;
        }
        if (const SpecifierOpt* so = match_per_stream_opt(o->passlogfiles, oc, st, ctx))
            ost->logfile_prefix = so->str;
        if (const SpecifierOpt* so = match_per_stream_opt(o->forced_key_frames, oc, st, ctx))
            ost->forced_keyframes = so->str;
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

OutputStream* new_unknown_stream(OptionsContext* o, AVFormatContext* oc, int source_index, CToolContext* ctx)
{
    OutputStream* ost = new_output_stream(o, oc, AVMEDIA_TYPE_UNKNOWN, source_index, ctx);
    if (!ost->stream_copy) av_log(nullptr, AV_LOG_FATAL, "Unknown stream encoding not supported yet (only streamcopy)\n");
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

}  // namespace

int open_output_file(OptionsContext* o, const char* filename, CToolContext* ctx)
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
            int area = 0, idx = -1;
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                InputStream* ist = ctx->input_streams[i].get();
                if (ist->st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
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
            int best_channels = 0, idx = -1;
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                InputStream* ist = ctx->input_streams[i].get();
                if (ist->st->codecpar->codec_type != AVMEDIA_TYPE_AUDIO) continue;
                if (wanted == -1) {
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
            for (size_t i = 0; i < ctx->input_streams.size(); i++) {
                if (ctx->input_streams[i]->st->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE) {
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
    translate_legacy_arguments(ctx->argv_storage, ctx);
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
