#include "ape_decode.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <memory>

namespace apetest {

namespace {

struct SFormatCloser {
    void operator()(AVFormatContext* context) const { avformat_close_input(&context); }
};
struct SCodecCloser {
    void operator()(AVCodecContext* context) const { avcodec_free_context(&context); }
};
struct SFrameCloser {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct SPacketCloser {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};

// Appends the frame's samples interleaved, as a WAV file holds them.
void AppendFrame(const AVFrame* frame, int channels, int bits, std::vector<uint8_t>& out)
{
    for (int i = 0; i < frame->nb_samples; ++i) {
        for (int ch = 0; ch < channels; ++ch) {
            const uint8_t* data = frame->extended_data[ch];
            if (bits == 8) {
                out.push_back(data[i]);
            } else if (bits == 16) {
                out.push_back(data[2 * i]);
                out.push_back(data[2 * i + 1]);
            } else {
                // 24-bit samples arrive in the top bytes of 32-bit ones.
                out.push_back(data[4 * i + 1]);
                out.push_back(data[4 * i + 2]);
                out.push_back(data[4 * i + 3]);
            }
        }
    }
}

}  // namespace

bool DecodeApe(const std::string& path, std::vector<uint8_t>& pcm, int& bits, int& channels)
{
    pcm.clear();
    AVFormatContext* rawFormat = nullptr;
    if (avformat_open_input(&rawFormat, path.c_str(), nullptr, nullptr) < 0)
        return false;
    std::unique_ptr<AVFormatContext, SFormatCloser> format(rawFormat);
    if (avformat_find_stream_info(format.get(), nullptr) < 0 || format->nb_streams != 1)
        return false;
    const AVStream* stream = format->streams[0];
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    if (!codec || codec->id != AV_CODEC_ID_APE)
        return false;
    std::unique_ptr<AVCodecContext, SCodecCloser> decoder(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoder.get(), stream->codecpar);
    // A frame whose CRC does not match is an error.
    decoder->err_recognition = AV_EF_CRCCHECK | AV_EF_EXPLODE;
    if (avcodec_open2(decoder.get(), codec, nullptr) < 0)
        return false;
    bits = stream->codecpar->bits_per_coded_sample;
    channels = decoder->ch_layout.nb_channels;

    std::unique_ptr<AVPacket, SPacketCloser> packet(av_packet_alloc());
    std::unique_ptr<AVFrame, SFrameCloser> frame(av_frame_alloc());
    bool ok = true;
    auto drain = [&] {
        int result;
        while ((result = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            AppendFrame(frame.get(), channels, bits, pcm);
            av_frame_unref(frame.get());
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            ok = false;
    };
    while (ok && av_read_frame(format.get(), packet.get()) >= 0) {
        if (avcodec_send_packet(decoder.get(), packet.get()) < 0)
            ok = false;
        av_packet_unref(packet.get());
        drain();
    }
    avcodec_send_packet(decoder.get(), nullptr);
    drain();
    return ok;
}

}  // namespace apetest
