// One input of the player: opening it, choosing its streams, the read
// thread and closing it with every thread joined.
#include "ffplay_state.h"

#include "cd_input.h"
#include "dvd/DvdInput.h"
#include "platform/thread.h"

namespace ffplay_detail {

// A stop of the run also ends an open or a read that waits on a slow source.
int DecodeInterrupt(void* opaque)
{
    auto* is = static_cast<CVideoState*>(opaque);
    return is->abort_request.load() || (is->ctx && is->ctx->received_sigterm.load() != 0) ? 1 : 0;
}

int OpenDecoder(CVideoState* is, int index, AVCodecContext** out)
{
    AVStream* st = is->ic->streams[index];
    const char* forced = nullptr;
    if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !is->opts->audio_codec_name.empty())
        forced = is->opts->audio_codec_name.c_str();
    if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !is->opts->video_codec_name.empty())
        forced = is->opts->video_codec_name.c_str();
    const AVCodec* codec = forced ? avcodec_find_decoder_by_name(forced) : avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        av_log(nullptr, AV_LOG_WARNING, "No codec could be found with id %d\n", st->codecpar->codec_id);
        return AVERROR(EINVAL);
    }
    AVCodecContext* avctx = avcodec_alloc_context3(codec);
    if (!avctx) return AVERROR(ENOMEM);
    int ret = avcodec_parameters_to_context(avctx, st->codecpar);
    avctx->pkt_timebase = st->time_base;
    avctx->lowres = std::min(is->opts->lowres, static_cast<int>(codec->max_lowres));
    if (is->opts->fast) avctx->flags2 |= AV_CODEC_FLAG2_FAST;
    AVDictionary* opts = filter_codec_opts(is->ctx->codec_opts, codec->id, is->ic, st, codec);
    if (!av_dict_get(opts, "threads", nullptr, 0)) av_dict_set(&opts, "threads", "auto", 0);
    if (ret >= 0) ret = avcodec_open2(avctx, codec, &opts);
    av_dict_free(&opts);
    if (ret < 0) {
        avcodec_free_context(&avctx);
        return ret;
    }
    *out = avctx;
    return 0;
}


int WantedIndex(CVideoState* is, AVMediaType type)
{
    const int wanted = is->opts->wanted_stream[type];
    if (!is->ctx->IsDvdTitleMedia() && !(is->runner && is->runner->m_pMedia && is->runner->m_pMedia->m_nMediaKind == 1))
        return wanted;
    if (wanted <= 0) return -1;
    for (unsigned i = 0; i < is->ic->nb_streams; i++)
        if (is->ic->streams[i]->id == wanted && is->ic->streams[i]->codecpar->codec_type == type)
            return static_cast<int>(i);
    return -1;
}

bool InPlayRange(CVideoState* is, const AVPacket* pkt)
{
    if (is->opts->duration == AV_NOPTS_VALUE) return true;
    const AVStream* st = is->ic->streams[pkt->stream_index];
    const int64_t ts = pkt->pts == AV_NOPTS_VALUE ? pkt->dts : pkt->pts;
    if (ts == AV_NOPTS_VALUE) return true;
    const int64_t startStream = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    const double start = is->opts->start_time != AV_NOPTS_VALUE ? is->opts->start_time / 1000000.0 : 0.0;
    return (ts - startStream) * av_q2d(st->time_base) - start <= is->opts->duration / 1000000.0;
}

void ReadThread(CVideoState* is)
{
    AVPacket* pkt = av_packet_alloc();
    bool ended = false;
    while (!is->abort_request.load()) {
        {
            std::unique_lock<std::mutex> lock(is->seek_lock);
            if (is->seek_req) {
                const int64_t target = is->seek_pos;
                is->seek_req = false;
                lock.unlock();
                is->skip_until = target / 1000000.0;
                int ret = avformat_seek_file(is->ic, -1, INT64_MIN, target, INT64_MAX, 0);
                if (ret < 0) {
                    is->skip_until = NAN;
                    av_log(nullptr, AV_LOG_ERROR, "%s: error while seeking\n", is->filename.c_str());
                } else {
                    if (is->audio_stream >= 0) {
                        is->audioq.Flush();
                        std::lock_guard<std::mutex> al(is->audio_lock);
                        is->audioq_out.clear();
                        is->audio_bytes = 0;
                        is->audio_clock = NAN;
                        is->audio_cond.notify_all();
                    }
                    if (is->video_stream >= 0) {
                        is->videoq.Flush();
                        is->seek_serial = is->videoq.Serial();
                        is->subtitleq.Flush();
                        std::lock_guard<std::mutex> pl(is->pict_lock);
                        for (CPicture& p : is->pictq) av_frame_free(&p.frame);
                        is->pictq.clear();
                        is->pict_cond.notify_all();
                    }
                    is->seek_clock = target / 1000000.0;
                    is->read_end_reached = target >= is->read_end;
                    is->eof = false;
                    ended = false;
                }
            }
        }
        const bool full = is->opts->infinite_buffer < 1 &&
                          (is->audioq.Bytes() + is->videoq.Bytes() > kMaxQueueBytes ||
                           ((is->audio_stream < 0 || is->audioq.Count() > kMinFrames) &&
                            (is->video_stream < 0 || is->videoq.Count() > kMinFrames)));
        if (full || ended) {
            std::unique_lock<std::mutex> lock(is->seek_lock);
            is->continue_read.wait_for(lock, std::chrono::milliseconds(10));
            continue;
        }
        int ret = is->read_end_reached ? AVERROR_EOF : av_read_frame(is->ic, pkt);
        if (ret >= 0 && cd_packet_reaches(is->ic, pkt, is->read_end)) is->read_end_reached = true;
        if (ret < 0) {
            if (ret == AVERROR_EOF || avio_feof(is->ic->pb)) {
                if (is->video_stream >= 0) is->videoq.PutNull(is->video_stream);
                if (is->subtitle_stream >= 0) is->subtitleq.PutNull(is->subtitle_stream);
                if (is->audio_stream >= 0) is->audioq.PutNull(is->audio_stream);
                is->eof = true;
                ended = true;
            } else if (is->ic->pb && is->ic->pb->error) {
                av_log(nullptr, AV_LOG_ERROR, "%s: read error\n", is->filename.c_str());
                if (is->video_stream >= 0) is->videoq.PutNull(is->video_stream);
                if (is->subtitle_stream >= 0) is->subtitleq.PutNull(is->subtitle_stream);
                if (is->audio_stream >= 0) is->audioq.PutNull(is->audio_stream);
                is->eof = true;
                ended = true;
            } else {
                std::unique_lock<std::mutex> lock(is->seek_lock);
                is->continue_read.wait_for(lock, std::chrono::milliseconds(10));
            }
            continue;
        }
        const bool inRange = InPlayRange(is, pkt);
        if (pkt->stream_index == is->audio_stream && inRange) {
            is->audioq.Put(av_packet_clone(pkt));
        } else if (pkt->stream_index == is->video_stream && inRange &&
                   !(is->ic->streams[pkt->stream_index]->disposition & AV_DISPOSITION_ATTACHED_PIC)) {
            is->videoq.Put(av_packet_clone(pkt));
        } else if (pkt->stream_index == is->subtitle_stream && inRange) {
            is->subtitleq.Put(av_packet_clone(pkt));
        }
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
}

// One of the player's threads: what escapes its body ends the play as failed.
std::thread StartPlayerThread(const char* name, void (*body)(CVideoState*), CVideoState* is)
{
    return std::thread([name, body, is] {
        std::string what;
        if (RunCatching([&] { body(is); }, what)) return;
        av_log(nullptr, AV_LOG_ERROR, "%s: the %s thread failed: %s\n", is->filename.c_str(), name, what.c_str());
        is->failed = true;
    });
}

// Opens the input and its streams and starts the threads. 0 or an error.
int StreamOpen(CVideoState* is)
{
    FFplayOptions& o = *is->opts;
    is->ic = avformat_alloc_context();
    if (!is->ic) return AVERROR(ENOMEM);
    is->ic->interrupt_callback.callback = DecodeInterrupt;
    is->ic->interrupt_callback.opaque = is;
    AVDictionary* formatOpts = nullptr;
    av_dict_copy(&formatOpts, is->ctx->format_opts, 0);
    if (!av_dict_get(formatOpts, "scan_all_pmts", nullptr, AV_DICT_MATCH_CASE))
        av_dict_set(&formatOpts, "scan_all_pmts", "1", AV_DICT_DONT_OVERWRITE);
    int err = open_input_format(&is->ic, is->filename.c_str(), o.file_iformat, &formatOpts, is->ctx);
    av_dict_free(&formatOpts);
    if (err < 0) {
        print_error(is->filename.c_str(), err);
        return err;
    }
    if (o.genpts) is->ic->flags |= AVFMT_FLAG_GENPTS;
    std::vector<AVDictionary*> streamOpts = setup_find_stream_info_opts(is->ic, is->ctx->codec_opts);
    err = avformat_find_stream_info(is->ic, streamOpts.empty() ? nullptr : streamOpts.data());
    for (AVDictionary*& d : streamOpts) av_dict_free(&d);
    if (err < 0) {
        av_log(nullptr, AV_LOG_WARNING, "%s: could not find codec parameters\n", is->filename.c_str());
        return err;
    }
    // A CD input plays its track's range; it never reports the disc's end itself.
    if (is_cd_input(is->ic) && !is->audio_only) {
        if (cd_player_range(is->ctx, is->ic, o.start_time, o.duration, is->read_end) < 0) {
            av_log(nullptr, AV_LOG_FATAL, "%s: no such track on the disc\n", is->filename.c_str());
            return AVERROR(EINVAL);
        }
        is->read_end_reached = (o.start_time == AV_NOPTS_VALUE ? 0 : o.start_time) >= is->read_end;
    }
    if (o.start_time != AV_NOPTS_VALUE) {
        int64_t ts = o.start_time;
        if (is->ic->start_time != AV_NOPTS_VALUE) ts += is->ic->start_time;
        is->skip_until = ts / 1000000.0;
        if (avformat_seek_file(is->ic, -1, INT64_MIN, ts, INT64_MAX, 0) < 0)
            av_log(nullptr, AV_LOG_WARNING, "%s: could not seek to position %0.3f\n", is->filename.c_str(),
                   ts / 1000000.0);
    }

    int video = -1, audio = -1;
    if (!o.video_disable) video = av_find_best_stream(is->ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (is->audio_only || !o.audio_disable)
        audio = av_find_best_stream(is->ic, AVMEDIA_TYPE_AUDIO, WantedIndex(is, AVMEDIA_TYPE_AUDIO), video, nullptr, 0);
    for (unsigned i = 0; i < is->ic->nb_streams; i++) is->ic->streams[i]->discard = AVDISCARD_ALL;

    if (audio >= 0 && OpenDecoder(is, audio, &is->adec) == 0) {
        if (OpenAudioDevice(is) == 0) {
            is->audio_stream = audio;
            is->ic->streams[audio]->discard = AVDISCARD_DEFAULT;
        } else {
            avcodec_free_context(&is->adec);
        }
    }
    if (video >= 0 && OpenDecoder(is, video, &is->vdec) == 0) {
        is->video_stream = video;
        is->ic->streams[video]->discard = AVDISCARD_DEFAULT;
    }
    if (!o.video_disable && !o.subtitle_disable && !is->audio_only) {
        const int sub = av_find_best_stream(is->ic, AVMEDIA_TYPE_SUBTITLE, WantedIndex(is, AVMEDIA_TYPE_SUBTITLE),
                                            audio >= 0 ? audio : video, nullptr, 0);
        if (sub >= 0 && OpenDecoder(is, sub, &is->sdec) == 0) {
            is->subtitle_stream = sub;
            is->ic->streams[sub]->discard = AVDISCARD_DEFAULT;
        }
    }
    if (is->video_stream < 0 && is->audio_stream < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Failed to open file '%s' or configure filtergraph\n", is->filename.c_str());
        return AVERROR_STREAM_NOT_FOUND;
    }
    if (o.start_time != AV_NOPTS_VALUE) SetExternalClock(is, o.start_time / 1000000.0);
    is->read_tid = StartPlayerThread("read", ReadThread, is);
    if (is->audio_stream >= 0) {
        is->audio_tid = StartPlayerThread("audio", AudioThread, is);
        SDL_PauseAudio(0);
    }
    if (is->video_stream >= 0) is->video_tid = StartPlayerThread("video", VideoThread, is);
    if (is->subtitle_stream >= 0) is->subtitle_tid = StartPlayerThread("subtitle", SubtitleThread, is);
    return 0;
}

// Stops every thread of the state and frees it all.
void StreamClose(CVideoState* is)
{
    is->abort_request = true;
    is->continue_read.notify_all();
    is->videoq.Wake();
    is->audioq.Wake();
    is->subtitleq.Wake();
    is->pict_cond.notify_all();
    is->audio_cond.notify_all();
    if (is->audio_open) {
        SDL_CloseAudio();   // joins SDL's audio thread
        is->audio_open = false;
    }
    if (is->read_tid.joinable()) is->read_tid.join();
    if (is->audio_tid.joinable()) is->audio_tid.join();
    if (is->video_tid.joinable()) is->video_tid.join();
    is->snapshots.Join();
    if (is->subtitle_tid.joinable()) is->subtitle_tid.join();
    for (CSubtitle& sp : is->subs) avsubtitle_free(&sp.sub);
    is->subs.clear();
    av_frame_free(&is->blended);
    avcodec_free_context(&is->sdec);
    is->subtitleq.Flush();
    is->videoq.Flush();
    is->audioq.Flush();
    for (CPicture& p : is->pictq) av_frame_free(&p.frame);
    is->pictq.clear();
    av_frame_free(&is->shown.frame);
    avcodec_free_context(&is->vdec);
    avcodec_free_context(&is->adec);
    close_input_format(&is->ic);
    if (is->overlay) SDL_FreeYUVOverlay(is->overlay);
    if (is->overlay2) SDL_FreeYUVOverlay(is->overlay2);
    is->overlay = is->overlay2 = nullptr;
}

}  // namespace ffplay_detail
