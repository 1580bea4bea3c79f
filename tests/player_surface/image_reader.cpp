#include "image_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

bool DecodeImage(const std::string& path, CDecodedImage& out)
{
    AVFormatContext* ic = nullptr;
    if (avformat_open_input(&ic, path.c_str(), nullptr, nullptr) < 0) return false;
    bool ok = false;
    AVCodecContext* dec = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    if (avformat_find_stream_info(ic, nullptr) >= 0 && ic->nb_streams > 0) {
        const AVCodec* codec = avcodec_find_decoder(ic->streams[0]->codecpar->codec_id);
        dec = codec ? avcodec_alloc_context3(codec) : nullptr;
        if (dec && avcodec_parameters_to_context(dec, ic->streams[0]->codecpar) >= 0 &&
            avcodec_open2(dec, codec, nullptr) >= 0 && av_read_frame(ic, pkt) >= 0 &&
            avcodec_send_packet(dec, pkt) >= 0) {
            avcodec_send_packet(dec, nullptr);
            if (avcodec_receive_frame(dec, frame) >= 0) {
                out.width = frame->width;
                out.height = frame->height;
                out.format = frame->format;
                out.rgba.assign(static_cast<size_t>(frame->width) * frame->height * 4, 0);
                SwsContext* sws = sws_getContext(frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                                 frame->width, frame->height, AV_PIX_FMT_RGBA, SWS_POINT, nullptr,
                                                 nullptr, nullptr);
                if (sws) {
                    uint8_t* dst[4] = {out.rgba.data(), nullptr, nullptr, nullptr};
                    int dstStride[4] = {frame->width * 4, 0, 0, 0};
                    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
                    sws_freeContext(sws);
                    ok = true;
                }
            }
        }
    }
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&ic);
    return ok;
}
