#include "probe_media.h"

#include <cwctype>

#include "CmdFFplay.h"
#include "IVXMMedia.h"
#include "EngineLog.h"
#include "VXMMediaBase.h"
#include "VXMUtils.h"
#include "dvd/DvdInput.h"
#include "ffplay_options.h"

// Reads the duration of a WMV or ASF file through the Windows Media side of
// the engine, when that part is linked in: milliseconds, < 1 on failure.
extern int GetWMVDuration(const std::wstring& path) __attribute__((weak));

namespace {

constexpr const char* kLogCategory = "probe_media";

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

const char* LanguageOf(const AVStream* st)
{
    const AVDictionaryEntry* e = av_dict_get(st->metadata, "language", nullptr, 0);
    return e && e->value && e->value[0] ? e->value : nullptr;
}

// Milliseconds of a time in a time base (truncated toward zero).
int64_t ToMilliseconds(int64_t t, AVRational tb)
{
    return av_rescale_q_rnd(t, tb, AVRational{1, 1000}, AV_ROUND_ZERO);
}

bool IsAttachedPicture(const AVStream* st)
{
    return (st->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0;
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
        return -1;
    }

    // The product wraps in 64 bits, so "no duration" gives 0.
    const int64_t ms = static_cast<int64_t>(static_cast<uint64_t>(ic->duration) * 1000u) / 1000000;
    media->m_nDuration = static_cast<int>(static_cast<uint32_t>(ms));
    media->m_nEndTime = media->m_nDuration;

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
            // A cover picture is the file's thumbnail, not a video stream.
            if (IsAttachedPicture(st)) break;
            if (index == video) {
                media->m_nCropWidth = par->width;
                media->m_nCropHeight = par->height;
                media->m_nVideoStreamIndex = index;
            }
            if (!dec && par->codec_tag == MKTAG('M', 'S', 'S', '2')) {
                av_log(nullptr, AV_LOG_ERROR, "%s: no decoder for the MSS2 video stream %d\n",
                       opts.input_filename.c_str(), index);
                return -1;
            }
            auto rec = std::make_unique<VXM_VIDEO_STREAM>();
            rec->m_nWidth = par->width;
            rec->m_nHeight = par->height;
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
                media->AddAudioTrack(LanguageOf(st), nullptr, dec ? avcodec_get_name(par->codec_id) : nullptr,
                                     nullptr, nullptr, channels,
                                     static_cast<int>(par->codec_id), nullptr, index, 0,
                                     static_cast<int>(par->bit_rate), par->sample_rate);
                media->m_bHasAudio = 1;
                usable++;
            }
            break;
        }
        case AVMEDIA_TYPE_SUBTITLE:
            if (index == subtitle) media->m_nSubtitleId = index;
            media->AddSubtitle(nullptr, LanguageOf(st), nullptr, index, static_cast<int>(par->codec_id));
            break;
        default:
            break;
        }
    }

    if (usable == 0) {
        av_log(nullptr, AV_LOG_ERROR, "%s: no audio or video stream\n", opts.input_filename.c_str());
        return AVERROR_STREAM_NOT_FOUND;
    }

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
        const AVDictionaryEntry* e = nullptr;
        while ((e = av_dict_get(ch->metadata, "", e, AV_DICT_IGNORE_SUFFIX)))
            rec->m_mapMetadata[AnsiToWide(e->key)] = AnsiToWide(e->value ? e->value : "");
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
            return -1;
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
    if (result > 0) result = -1;

    const std::wstring ext = Lower(media->m_strSourceExt);
    if ((ext == L".wmv" || ext == L".asf") && GetWMVDuration) {
        int ms = GetWMVDuration(media->m_strSourcePath);
        if (ms >= 1) {
            media->m_nDuration = ms;
            media->m_nEndTime = ms;
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
