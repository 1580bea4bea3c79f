// Owning handles of FFmpeg format and codec contexts, packets and frames, and
// the text of an FFmpeg error code. Header only: the stand-alone tools use it too.
#pragma once
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/packet.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/md5.h>
#include <libavutil/mem.h>
}

struct CAvInputCloser {
    void operator()(AVFormatContext* ctx) const { avformat_close_input(&ctx); }
};
using CAvInputPtr = std::unique_ptr<AVFormatContext, CAvInputCloser>;

// Closes the file the output writes (when its format has one) and frees the context.
struct CAvOutputCloser {
    void operator()(AVFormatContext* ctx) const
    {
        if (ctx->pb && !(ctx->oformat->flags & AVFMT_NOFILE))
            avio_closep(&ctx->pb);
        avformat_free_context(ctx);
    }
};
using CAvOutputPtr = std::unique_ptr<AVFormatContext, CAvOutputCloser>;

struct CAvPacketFree {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using CAvPacketPtr = std::unique_ptr<AVPacket, CAvPacketFree>;

struct CAvCodecContextFree {
    void operator()(AVCodecContext* ctx) const { avcodec_free_context(&ctx); }
};
using CAvCodecContextPtr = std::unique_ptr<AVCodecContext, CAvCodecContextFree>;

struct CAvFrameFree {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using CAvFramePtr = std::unique_ptr<AVFrame, CAvFrameFree>;

struct CAvMd5Free {
    void operator()(AVMD5* md5) const { av_free(md5); }
};
using CAvMd5Ptr = std::unique_ptr<AVMD5, CAvMd5Free>;

inline std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}
