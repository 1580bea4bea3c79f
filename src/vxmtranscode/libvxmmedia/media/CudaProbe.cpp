#include "CudaProbe.h"

#include "EngineGlobals.h"
#include "platform/module.h"
#include "platform/text.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

namespace {

// Driver API signatures (the CUDA driver library is loaded by name).
using PFN_cuInit = int (*)(unsigned int flags);
using PFN_cuDeviceGetCount = int (*)(int* count);
using PFN_cuDeviceGet = int (*)(int* device, int ordinal);
using PFN_cuDeviceComputeCapability = int (*)(int* major, int* minor, int device);

constexpr const char* kCudaLibrary = "libcuda.so.1";

int g_nCudaDeviceAnswer = -1;     // -1 not asked, 0 no, 1 yes
int g_nHardwareEncoderAnswer = -1;

// Opens h264_nvenc on a small frame and encodes it; true when a packet comes out.
bool TryHardwareEncoder()
{
    const AVCodec* codec = avcodec_find_encoder_by_name("h264_nvenc");
    if (!codec)
        return false;
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    bool encoded = false;
    if (ctx && frame && packet) {
        ctx->width = 256;
        ctx->height = 144;
        ctx->pix_fmt = AV_PIX_FMT_YUV420P;
        ctx->time_base = AVRational{1, 25};
        ctx->framerate = AVRational{25, 1};
        frame->format = ctx->pix_fmt;
        frame->width = ctx->width;
        frame->height = ctx->height;
        if (avcodec_open2(ctx, codec, nullptr) == 0 && av_frame_get_buffer(frame, 0) == 0) {
            for (int plane = 0; plane < 3; ++plane) {
                int rows = plane == 0 ? frame->height : frame->height / 2;
                for (int y = 0; y < rows; ++y)
                    std::fill_n(frame->data[plane] + y * frame->linesize[plane], frame->linesize[plane], 128);
            }
            frame->pts = 0;
            if (avcodec_send_frame(ctx, frame) == 0 && avcodec_send_frame(ctx, nullptr) == 0) {
                while (avcodec_receive_packet(ctx, packet) == 0) {
                    encoded = true;
                    av_packet_unref(packet);
                }
            }
        }
    }
    av_packet_free(&packet);
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
    return encoded;
}

}  // namespace

int IsCUDADevicePresent()
{
    if (g_nCudaDeviceAnswer != -1)
        return g_nCudaDeviceAnswer;
    g_nCudaDeviceAnswer = 0;
    CModule cuda(kCudaLibrary);
    if (!cuda.IsLoaded())
        return 0;
    auto cuInit = reinterpret_cast<PFN_cuInit>(cuda.GetSymbol("cuInit"));
    auto cuDeviceGetCount = reinterpret_cast<PFN_cuDeviceGetCount>(cuda.GetSymbol("cuDeviceGetCount"));
    if (cuInit && cuDeviceGetCount && cuInit(0) == 0) {
        int count = 0;
        if (cuDeviceGetCount(&count) == 0 && count > 0)
            g_nCudaDeviceAnswer = 1;
    }
    return g_nCudaDeviceAnswer;
}

int GetCUDAComputeCapability()
{
    if (IsCUDADevicePresent() != 1)
        return 0;
    CModule cuda(kCudaLibrary);
    if (!cuda.IsLoaded())
        return 0;
    auto cuInit = reinterpret_cast<PFN_cuInit>(cuda.GetSymbol("cuInit"));
    if (!cuInit || cuInit(0) != 0) {
        g_nCudaDeviceAnswer = 0;
        return 0;
    }
    auto cuDeviceGet = reinterpret_cast<PFN_cuDeviceGet>(cuda.GetSymbol("cuDeviceGet"));
    auto cuDeviceComputeCapability =
        reinterpret_cast<PFN_cuDeviceComputeCapability>(cuda.GetSymbol("cuDeviceComputeCapability"));
    if (!cuDeviceComputeCapability)
        return 0;
    int device = 0;
    if (cuDeviceGet && cuDeviceGet(&device, 0) != 0)
        return 0;
    int major = 0, minor = 0;
    if (cuDeviceComputeCapability(&major, &minor, device) != 0)
        return 0;
    g_szCUDACapability = FormatA("%d:%d", major, minor);
    return (major << 4) | minor;
}

int IsHardwareEncoderPresent()
{
    if (g_nHardwareEncoderAnswer == -1) {
        g_nHardwareEncoderAnswer = 0;
        // Without a CUDA device the encoder cannot open; do not even try.
        if (IsCUDADevicePresent() == 1 && TryHardwareEncoder())
            g_nHardwareEncoderAnswer = 1;
    }
    return g_nHardwareEncoderAnswer;
}
