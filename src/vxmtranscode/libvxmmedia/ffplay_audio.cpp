// Audio of the player: decoding, resampling for the device and the
// device callback that mixes at the player's volume.
#include "ffplay_state.h"

namespace ffplay_detail {

int OpenAudioDevice(CVideoState* is)
{
    SDL_AudioSpec wanted{}, spec{};
    wanted.freq = is->adec->sample_rate > 0 ? is->adec->sample_rate : 44100;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = 1024;
    wanted.callback = AudioCallback;
    wanted.userdata = is;
    if (SDL_OpenAudio(&wanted, &spec) < 0) {
        av_log(nullptr, AV_LOG_WARNING, "SDL_OpenAudio (%d channels, %d Hz): %s\n", wanted.channels, wanted.freq,
               SDL_GetError());
        return -1;
    }
    is->audio_rate = spec.freq;
    is->audio_channels = spec.channels;
    is->audio_buffer_seconds = spec.freq > 0 ? static_cast<double>(spec.samples) / spec.freq : 0.0;
    is->audio_open = true;
    return 0;
}

// Stream ids of a DVD title select "ast"/"sst" instead of stream numbers.

void AudioCallback(void* opaque, Uint8* stream, int len)
{
    auto* is = static_cast<CVideoState*>(opaque);
    const int volume = std::clamp(std::atomic_ref<int>(is->opts->volume).load(std::memory_order_relaxed), 0,
                                  SDL_MIX_MAXVOLUME);
    std::lock_guard<std::mutex> lock(is->audio_lock);
    const int serial = is->audioq.Serial();
    while (len > 0 && !is->audioq_out.empty()) {
        CAudioChunk& c = is->audioq_out.front();
        if (c.serial != serial) {
            is->audio_bytes -= c.data.size() - c.offset;
            is->audioq_out.pop_front();
            continue;
        }
        const int n = static_cast<int>(std::min<size_t>(len, c.data.size() - c.offset));
        // SDL has cleared the buffer: the volume scales the mix.
        SDL_MixAudio(stream, c.data.data() + c.offset, n, volume);
        c.offset += n;
        stream += n;
        len -= n;
        is->audio_bytes -= n;
        const double bytesPerSec = 2.0 * is->audio_channels * is->audio_rate;
        if (!std::isnan(c.pts)) {
            is->audio_clock = c.pts + c.offset / bytesPerSec;
            is->audio_clock_time = Now();
        }
        if (c.offset >= c.data.size()) is->audioq_out.pop_front();
    }
    is->audio_cond.notify_all();
}

void AudioThread(CVideoState* is)
{
    AVFrame* frame = av_frame_alloc();
    SwrContext* swr = nullptr;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, is->audio_channels);
    int swrRate = 0, swrFmt = -1;
    AVChannelLayout swrLayout{};
    int serial = -1;
    const AVRational tb = is->ic->streams[is->audio_stream]->time_base;
    while (!is->abort_request.load()) {
        if (!SendNextPacket(is, is->audioq, is->adec, serial, is->audio_finished)) continue;
        while (!is->abort_request.load() && ReceiveFrame(is->adec, frame, is->audio_finished)) {
            if (!swr || frame->sample_rate != swrRate || frame->format != swrFmt ||
                av_channel_layout_compare(&frame->ch_layout, &swrLayout)) {
                swr_free(&swr);
                swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, is->audio_rate, &frame->ch_layout,
                                    static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0, nullptr);
                if (!swr || swr_init(swr) < 0) {
                    av_log(nullptr, AV_LOG_ERROR, "Cannot create sample rate converter\n");
                    swr_free(&swr);
                    av_frame_unref(frame);
                    break;
                }
                swrRate = frame->sample_rate;
                swrFmt = frame->format;
                av_channel_layout_uninit(&swrLayout);
                av_channel_layout_copy(&swrLayout, &frame->ch_layout);
            }
            const int outSamples = static_cast<int>(
                av_rescale_rnd(frame->nb_samples, is->audio_rate, frame->sample_rate, AV_ROUND_UP) + 256);
            CAudioChunk chunk;
            chunk.data.resize(static_cast<size_t>(outSamples) * 2 * is->audio_channels);
            uint8_t* out = chunk.data.data();
            int got = swr_convert(swr, &out, outSamples, const_cast<const uint8_t**>(frame->extended_data),
                                  frame->nb_samples);
            if (got <= 0) {
                av_frame_unref(frame);
                continue;
            }
            chunk.data.resize(static_cast<size_t>(got) * 2 * is->audio_channels);
            chunk.pts = frame->pts == AV_NOPTS_VALUE ? NAN : frame->pts * av_q2d(tb);
            chunk.serial = serial;
            av_frame_unref(frame);
            const double skip = is->skip_until.load();
            if (!std::isnan(skip) && !std::isnan(chunk.pts)) {
                const double bytesPerSec = 2.0 * is->audio_channels * is->audio_rate;
                const double end = chunk.pts + chunk.data.size() / bytesPerSec;
                if (end <= skip) continue;
                if (chunk.pts < skip) {
                    const size_t frameBytes = 2u * is->audio_channels;
                    size_t cut = static_cast<size_t>((skip - chunk.pts) * bytesPerSec) / frameBytes * frameBytes;
                    cut = std::min(cut, chunk.data.size());
                    chunk.data.erase(chunk.data.begin(), chunk.data.begin() + static_cast<long>(cut));
                    chunk.pts += cut / bytesPerSec;
                }
            }
            std::unique_lock<std::mutex> lock(is->audio_lock);
            // About half a second of audio waits for the device.
            is->audio_cond.wait(lock, [&] {
                return is->abort_request.load() || is->audio_bytes < static_cast<size_t>(is->audio_rate) * 2;
            });
            if (is->abort_request.load()) break;
            is->audio_bytes += chunk.data.size();
            is->audioq_out.push_back(std::move(chunk));
        }
    }
    swr_free(&swr);
    av_channel_layout_uninit(&swrLayout);
    av_channel_layout_uninit(&outLayout);
    av_frame_free(&frame);
}

}  // namespace ffplay_detail
