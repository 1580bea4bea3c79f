#include "probe_media.h"

#include <cstring>
#include <cwctype>
#include <map>

#include "CmdFFplay.h"
#include "IVXMMedia.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "VXMUtils.h"
#include "av/AvHandles.h"
#include "display_turn.h"
#include "dvd/DvdInput.h"
#include "ffplay_options.h"

// Reads the duration of a WMV or ASF file through the Windows Media side of
// the engine, when that part is linked in: milliseconds, < 1 on failure.
extern int GetWMVDuration(const std::wstring& path) __attribute__((weak));

namespace {

constexpr const char* kLogCategory = "probe_media";

// The probe's own failures (no stream information, a damaged stream, an
// argument that does not parse): never -1, FFmpeg's code for a file that may
// not be read (EPERM).
constexpr int kProbeFailed = FFERRTAG('V', 'X', 'P', 'F');

// A stop of the run ends a probe that hangs on a slow source.
int ProbeInterrupt(void* opaque)
{
    auto* ctx = static_cast<CToolContext*>(opaque);
    return ctx && ctx->received_sigterm.load() != 0;
}

std::wstring Lower(std::wstring text)
{
    for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

// Frame rate of a video stream: the first usable of the average rate, the
// base rate and the inverse time base; rates of 1000 fps and more are skipped.
double ProbeFrameRate(const AVStream* st)
{
    const AVRational candidates[] = {st->avg_frame_rate, st->r_frame_rate};
    for (const AVRational& r : candidates) {
        if (r.num != 0 && r.den != 0 && static_cast<int64_t>(r.num) < static_cast<int64_t>(r.den) * 1000)
            return static_cast<double>(r.num) / r.den;
    }
    const AVRational tb = st->time_base;
    if (tb.num != 0 && tb.den != 0 && static_cast<int64_t>(tb.den) < static_cast<int64_t>(tb.num) * 1000)
        return static_cast<double>(tb.den) / tb.num;
    return 0.0;
}

// A tag of the stream ("language", "title": an MKV track's name), null when
// it has none or an empty one.
const char* StreamTag(const AVStream* st, const char* key)
{
    const AVDictionaryEntry* e = av_dict_get(st->metadata, key, nullptr, 0);
    return e && e->value && e->value[0] ? e->value : nullptr;
}

const char* LanguageOf(const AVStream* st)
{
    return StreamTag(st, "language");
}

// Milliseconds of a time in a time base (truncated toward zero).
int64_t ToMilliseconds(int64_t t, AVRational tb)
{
    return av_rescale_q_rnd(t, tb, AVRational{1, 1000}, AV_ROUND_ZERO);
}

// Packets read before the stream header is given up (it comes first, after
// at most a few small ones).
constexpr int kMaxPacketsBeforeHeader = 8;

// An SV8 size field: 7 bits a byte, the high bit set on all but the last.
bool ReadSize(AVIOContext* pb, int64_t& value, int& bytes)
{
    value = 0;
    for (bytes = 1; bytes <= 9; bytes++) {
        const int c = avio_r8(pb);
        if (avio_feof(pb)) return false;
        value = (value << 7) | (c & 0x7f);
        if (!(c & 0x80)) return true;
    }
    return false;
}

// Skips ID3v2 tags in front of the stream, as libavformat does when it opens it.
void SkipId3v2(AVIOContext* pb)
{
    for (;;) {
        const int64_t at = avio_tell(pb);
        uint8_t h[10];
        if (avio_read(pb, h, sizeof(h)) != sizeof(h) || memcmp(h, "ID3", 3) != 0 || h[3] == 0xff || h[4] == 0xff ||
            ((h[6] | h[7] | h[8] | h[9]) & 0x80)) {
            avio_seek(pb, at, SEEK_SET);
            return;
        }
        const int64_t size = (h[6] << 21) | (h[7] << 14) | (h[8] << 7) | h[9];
        avio_seek(pb, at + 10 + size + ((h[5] & 0x10) ? 10 : 0), SEEK_SET);
    }
}

int64_t ReadHeaderSamples(AVIOContext* pb)
{
    SkipId3v2(pb);
    if (avio_rb32(pb) != MKBETAG('M', 'P', 'C', 'K')) return -1;
    for (int i = 0; i < kMaxPacketsBeforeHeader; i++) {
        const int64_t start = avio_tell(pb);
        const int key = avio_rb16(pb);
        int64_t size = 0;
        int bytes = 0;
        if (avio_feof(pb) || !ReadSize(pb, size, bytes) || size < 2 + bytes) return -1;
        if (key == (('S' << 8) | 'H')) {
            avio_skip(pb, 4);  // CRC
            int64_t samples = 0, silence = 0;
            if (avio_r8(pb) != 8 || !ReadSize(pb, samples, bytes) || !ReadSize(pb, silence, bytes)) return -1;
            return silence < samples ? samples - silence : -1;
        }
        if (key == (('A' << 8) | 'P')) return -1;  // audio before any header
        if (avio_seek(pb, start + size, SEEK_SET) < 0) return -1;
    }
    return -1;
}

// Musepack SV8: FFmpeg's demuxer gives the length in whole packets (1.67 s
// each at 44.1 kHz, a 4.02 s file probes as 3.34 s); the stream header holds
// the sample count. Microseconds of audio (the count less the leading silence)
// of an opened "mpc8" input, else -1. The read position is kept.
int64_t MusepackSv8Duration(AVFormatContext* ic)
{
    if (!ic || !ic->iformat || !ic->pb || strcmp(ic->iformat->name, "mpc8") != 0) return -1;
    const AVStream* audio = nullptr;
    for (unsigned i = 0; i < ic->nb_streams && !audio; i++)
        if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) audio = ic->streams[i];
    if (!audio || audio->codecpar->sample_rate <= 0) return -1;

    AVIOContext* pb = ic->pb;
    const int64_t back = avio_tell(pb);
    if (back < 0 || avio_seek(pb, 0, SEEK_SET) < 0) return -1;
    const int64_t samples = ReadHeaderSamples(pb);
    avio_seek(pb, back, SEEK_SET);
    if (samples <= 0) return -1;
    return av_rescale(samples, AV_TIME_BASE, audio->codecpar->sample_rate);
}

// True for a container tag that names what the file holds, as a row shows
// it (lower case; lyrics also by language, "lyrics-eng"). The others (brands,
// muxer, creation time) are not kept: a list of thousands keeps every media.
bool IsContentTag(const std::wstring& key)
{
    for (const wchar_t* name : {L"title", L"artist", L"album", L"comment", L"genre", L"date", L"year", L"track",
                                L"lyrics"})
        if (key == name) return true;
    return key.starts_with(L"lyrics-");
}

// The entries of a metadata dictionary; the first of a repeated key stays.
// With `contentOnly`, keys in lower case and only the content tags.
void CopyMetadata(const AVDictionary* dict, std::map<std::wstring, std::wstring>& out, bool contentOnly)
{
    const AVDictionaryEntry* e = nullptr;
    while ((e = av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX))) {
        std::wstring key = AnsiToWide(e->key);
        if (contentOnly && !IsContentTag(key = Lower(key))) continue;
        out.emplace(std::move(key), AnsiToWide(e->value ? e->value : ""));
    }
}

bool IsAttachedPicture(const AVStream* st)
{
    return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
}

// True when the stream-info search shows that the stream's decoder opened,
// so that it needs no second open. Marks of an open that succeeded (FFmpeg
// 5.1): an audio decoder gave a sample format and kept the channel layout,
// which a failed open clears with the context's other options; a video
// decoder's context has a time base of its own, derived from the decoder's
// frame rate only once it opened (the search starts it at the stream's).
// Without a mark the decoder is opened to know.
bool SearchOpenedDecoder(const AVStream* st)
{
    const AVCodecParameters* par = st->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        return par->format >= 0 && par->ch_layout.order != AV_CHANNEL_ORDER_UNSPEC;
    if (par->codec_type != AVMEDIA_TYPE_VIDEO) return false;
    const AVRational decoderBase = av_stream_get_codec_timebase(st);
    return decoderBase.num > 0 && av_cmp_q(decoderBase, st->time_base) != 0;
}

// False when the stream has a decoder that does not open on its parameters
// (damaged codec headers): ffprobe refuses such a file, and every
// conversion of the stream would fail.
bool DecoderOpens(const AVStream* st)
{
    if (SearchOpenedDecoder(st)) return true;
    const AVCodec* dec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!dec) return true;  // a codec without a decoder here is reported as such
    CAvCodecContextPtr c(avcodec_alloc_context3(dec));
    AVDictionary* opts = nullptr;
    av_dict_set(&opts, "threads", "1", 0);
    const bool opens = c && avcodec_parameters_to_context(c.get(), st->codecpar) >= 0 &&
                       avcodec_open2(c.get(), dec, &opts) >= 0;
    av_dict_free(&opts);
    return opens;
}

int ProbeOpenedInput(AVFormatContext* ic, CVXMMediaBase* media, const FFplayOptions& opts, CToolContext* ctx)
{
    std::vector<AVDictionary*> streamOpts = setup_find_stream_info_opts(ic, ctx->codec_opts);
    // A probe decodes a few frames: one thread each, as many files are probed side by side.
    for (AVDictionary*& d : streamOpts) av_dict_set(&d, "threads", "1", AV_DICT_DONT_OVERWRITE);
    int err = avformat_find_stream_info(ic, streamOpts.empty() ? nullptr : streamOpts.data());
    for (AVDictionary*& d : streamOpts) av_dict_free(&d);
    if (err < 0) {
        av_log(nullptr, AV_LOG_WARNING, "%s: could not find codec parameters\n", opts.input_filename.c_str());
        return kProbeFailed;
    }

    // Musepack SV8: the header's samples, not FFmpeg's whole packets.
    const int64_t musepack = MusepackSv8Duration(ic);
    const int64_t duration = musepack > 0 ? musepack : ic->duration;
    // The product wraps in 64 bits, so "no duration" gives 0.
    const int64_t ms = static_cast<int64_t>(static_cast<uint64_t>(duration) * 1000u) / 1000000;
    media->m_nDuration = static_cast<int>(static_cast<uint32_t>(ms));
    media->m_nEndTime = media->m_nDuration;
    media->m_nSourceLength = media->m_nDuration;

    const int video = BestMovingVideo(ic, opts.wanted_stream[AVMEDIA_TYPE_VIDEO]);
    const int audio = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, opts.wanted_stream[AVMEDIA_TYPE_AUDIO], video, nullptr, 0);
    const int subtitle = av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, opts.wanted_stream[AVMEDIA_TYPE_SUBTITLE],
                                             audio >= 0 ? audio : video, nullptr, 0);

    int usable = 0;  // video and audio streams a conversion can take
    for (unsigned i = 0; i < ic->nb_streams; i++) {
        const AVStream* st = ic->streams[i];
        const AVCodecParameters* par = st->codecpar;
        const AVCodec* dec = par->codec_id != AV_CODEC_ID_NONE ? avcodec_find_decoder(par->codec_id) : nullptr;
        const int index = static_cast<int>(i);
        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO: {
            // A cover picture is the file's thumbnail, not a video stream;
            // one without a picture (no size) has nothing to show or convert.
            if (IsAttachedPicture(st)) break;
            if (par->width <= 0 || par->height <= 0) {
                av_log(nullptr, AV_LOG_WARNING, "%s: video stream %d holds no pictures; it is left out\n",
                       opts.input_filename.c_str(), index);
                break;
            }
            // Sizes are those of the picture as shown: a clip with a turning
            // display matrix is converted, cropped and fitted upright.
            int width = 0, height = 0;
            ShownSize(st, width, height);
            if (index == video) {
                media->m_nCropWidth = width;
                media->m_nCropHeight = height;
                media->m_nVideoStreamIndex = index;
            }
            if (!dec && par->codec_tag == MKTAG('M', 'S', 'S', '2')) {
                av_log(nullptr, AV_LOG_ERROR, "%s: no decoder for the MSS2 video stream %d\n",
                       opts.input_filename.c_str(), index);
                return kProbeFailed;
            }
            auto rec = std::make_unique<VXM_VIDEO_STREAM>();
            rec->m_nWidth = width;
            rec->m_nHeight = height;
            const AVRational sar = av_guess_sample_aspect_ratio(ic, const_cast<AVStream*>(st), nullptr);
            if (sar.num > 0 && sar.den > 0) {
                const bool turned = DisplayTurnOf(st).swapsSides;
                rec->m_nPixelWidth = turned ? sar.den : sar.num;
                rec->m_nPixelHeight = turned ? sar.num : sar.den;
            }
            rec->m_nStreamIndex = index;
            if (dec) rec->m_strCodecName = AnsiToWide(avcodec_get_name(par->codec_id));
            const int64_t bitRate = par->bit_rate != 0 ? par->bit_rate : ic->bit_rate;
            rec->m_dBitrate = static_cast<double>(bitRate / 1000);
            rec->m_dFrameRate = ProbeFrameRate(st);
            media->m_lstVideo.push_back(std::move(rec));
            media->m_bHasVideo = 1;
            usable++;
            break;
        }
        case AVMEDIA_TYPE_AUDIO: {
            if (index == audio) media->m_nAudioTrackId = index;
            const int channels = par->ch_layout.nb_channels;
            // A negative rate is a damaged header (no decoder opens it).
            if (par->sample_rate >= 0 && (par->bit_rate != 0 || par->sample_rate != 0 || channels > 0)) {
                // The codec's name ("mp3"), not the decoder's ("mp3float").
                media->AddAudioTrack(LanguageOf(st), StreamTag(st, "title"),
                                     dec ? avcodec_get_name(par->codec_id) : nullptr, nullptr, nullptr, channels,
                                     static_cast<int>(par->codec_id), nullptr, index, 0,
                                     static_cast<int>(par->bit_rate), par->sample_rate);
                media->m_bHasAudio = 1;
                usable++;
            }
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE:
            if (index == subtitle) media->m_nSubtitleId = index;
            media->AddSubtitle(StreamTag(st, "title"), LanguageOf(st), nullptr, index, static_cast<int>(par->codec_id));
            break;
        default:
            break;
        }
    }

    if (usable == 0) {
        av_log(nullptr, AV_LOG_ERROR, "%s: no audio or video stream\n", opts.input_filename.c_str());
        return AVERROR_STREAM_NOT_FOUND;
    }

    // The streams a conversion takes must decode.
    for (const int index : {video, audio}) {
        if (index < 0 || DecoderOpens(ic->streams[index])) continue;
        av_log(nullptr, AV_LOG_ERROR, "%s: the decoder of stream %d does not open on its parameters\n",
               opts.input_filename.c_str(), index);
        return kProbeFailed;
    }

    media->m_mapMetadata.clear();
    CopyMetadata(ic->metadata, media->m_mapMetadata, true);

    for (unsigned i = 0; i < ic->nb_chapters; i++) {
        const AVChapter* ch = ic->chapters[i];
        if (!ch) continue;
        auto rec = std::make_unique<VXM_MEDIA_CHAPTER>();
        rec->m_nId = static_cast<int32_t>(ch->id);
        const double tb = static_cast<double>(ch->time_base.num) / ch->time_base.den;
        rec->m_llStart = static_cast<int64_t>(static_cast<double>(ch->start) * tb);
        rec->m_llEnd = static_cast<int64_t>(static_cast<double>(ch->end) * tb);
        rec->m_llStartMs = ToMilliseconds(ch->start, ch->time_base);
        rec->m_llEndMs = ToMilliseconds(ch->end, ch->time_base);
        CopyMetadata(ch->metadata, rec->m_mapMetadata, false);
        media->m_lstChapters.push_back(std::move(rec));
    }
    return err;
}

// The documented result of a failed probe for an FFmpeg error code.
int ProbeFailureCode(int err)
{
    switch (err) {
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
        return VXM_PROBE_NOT_FOUND;
    case AVERROR(EACCES):
    case AVERROR(EPERM):
        return VXM_PROBE_NO_ACCESS;
    case AVERROR_INVALIDDATA:
    case AVERROR_DEMUXER_NOT_FOUND:
    case AVERROR_STREAM_NOT_FOUND:
    case AVERROR_DECODER_NOT_FOUND:
    case AVERROR_PROTOCOL_NOT_FOUND:
        return VXM_PROBE_NOT_MEDIA;
    default:
        return VXM_PROBE_FAILED;
    }
}

}  // namespace

int BestMovingVideo(AVFormatContext* ic, int wanted)
{
    const int best = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, wanted, -1, nullptr, 0);
    if (best < 0 || !IsAttachedPicture(ic->streams[best])) return best;
    for (unsigned i = 0; i < ic->nb_streams; i++)
        if (ic->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !IsAttachedPicture(ic->streams[i]))
            return static_cast<int>(i);
    return -1;
}

int probe_media_with_context(const std::wstring& commandLine, CVXMMediaBase* media, CToolContext* ctx)
{
    if (!media || !ctx) return -1;
    ctx->m_strCommandLine = commandLine;

    FFplayOptions opts;
    ffplay_reset_options(opts);
    const std::vector<OptionDef> table = ffplay_option_table(opts);
    av_dict_free(&ctx->codec_opts);
    av_dict_free(&ctx->format_opts);

    int result = run_tool_guarded(ctx, [&](CToolContext* c) -> int {
        int ret = ffplay_parse_options(c, opts, table);
        if (ret < 0) return ret;
        if (opts.input_filename.empty()) {
            av_log(nullptr, AV_LOG_FATAL, "An input file must be specified\n");
            return kProbeFailed;
        }

        AVFormatContext* ic = avformat_alloc_context();
        if (!ic) return AVERROR(ENOMEM);
        ic->interrupt_callback.callback = ProbeInterrupt;
        ic->interrupt_callback.opaque = c;
        AVDictionary* formatOpts = nullptr;
        av_dict_copy(&formatOpts, c->format_opts, 0);
        int err = open_input_format(&ic, opts.input_filename.c_str(), opts.file_iformat, &formatOpts, c);
        av_dict_free(&formatOpts);
        if (err < 0) {
            print_error(opts.input_filename.c_str(), err);
            return err;
        }
        err = ProbeOpenedInput(ic, media, opts, c);
        close_input_format(&ic);
        return err;
    });
    // An exit request of the parser (a value that does not parse) is a failure.
    if (result > 0) result = kProbeFailed;

    const std::wstring ext = Lower(media->m_strSourceExt);
    if ((ext == L".wmv" || ext == L".asf") && GetWMVDuration) {
        int ms = GetWMVDuration(media->m_strSourcePath);
        if (ms >= 1) {
            media->m_nDuration = ms;
            media->m_nEndTime = ms;
            media->m_nSourceLength = ms;
        }
    }
    if (!ctx->argv_ptrs.empty()) ctx->argc = 0;
    av_dict_free(&ctx->codec_opts);
    av_dict_free(&ctx->format_opts);
    av_dict_free(&ctx->sws_dict);
    av_dict_free(&ctx->swr_opts);
    if (result < 0) {
        LogMessageA(kLogCategory, "probe of \"%s\" failed: %d", WideToAnsi(media->m_strSourcePath).c_str(), result);
        result = ProbeFailureCode(result);
    }
    return result;
}

int probe_media(void* commandLine, CVXMMediaBase* media)
{
    if (!media || !media->m_pProbeRunner || !commandLine) return -1;
    return probe_media_with_context(static_cast<const wchar_t*>(commandLine), media, media->m_pProbeRunner);
}
