#include "make_thumbnail.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "EngineLog.h"
#include "av/AvHandles.h"
#include "display_turn.h"
#include "probe_media.h"
#include "platform/paths.h"
#include "platform/text.h"

namespace {

constexpr const char* kLogCategory = "make_thumbnail";

// What a thread keeps from one thumbnail to the next: the scaler, the
// scaled picture and the encoder of the last size, format and codec. Many
// thumbnails of one size run one after another on a few pool threads.
struct CThumbnailKit {
    SwsContext* sws = nullptr;
    CAvFramePtr picture;
    CAvCodecContextPtr encoder;
    CAvPacketPtr packet{av_packet_alloc()};
    CAvFramePtr decoded{av_frame_alloc()};
    ~CThumbnailKit() { sws_freeContext(sws); }
};

CThumbnailKit& ThreadKit()
{
    thread_local CThumbnailKit kit;
    return kit;
}

// The first frame at or after `target` (in the stream's time base) of the
// stream, into `frame`. 0, or an FFmpeg error (AVERROR_EOF: the stream ends
// before the target).
int DecodeFrameAt(AVFormatContext* ic, AVStream* st, int64_t target, AVFrame* frame)
{
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) return AVERROR_DECODER_NOT_FOUND;
    CAvCodecContextPtr dec(avcodec_alloc_context3(codec));
    if (!dec) return AVERROR(ENOMEM);
    int ret = avcodec_parameters_to_context(dec.get(), st->codecpar);
    if (ret < 0) return ret;
    dec->pkt_timebase = st->time_base;
    dec->thread_count = 1;  // one small picture; many are made side by side
    if ((ret = avcodec_open2(dec.get(), codec, nullptr)) < 0) return ret;

    CAvPacketPtr packet(av_packet_alloc());
    if (!packet) return AVERROR(ENOMEM);
    bool flushing = false;
    for (;;) {
        while ((ret = avcodec_receive_frame(dec.get(), frame)) >= 0) {
            const int64_t pts = frame->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE || pts >= target) return 0;
            av_frame_unref(frame);  // before the seek point
        }
        if (ret != AVERROR(EAGAIN)) return ret;  // AVERROR_EOF once flushed
        ret = av_read_frame(ic, packet.get());
        if (ret == AVERROR_EOF && !flushing) {
            flushing = true;
            avcodec_send_packet(dec.get(), nullptr);
            continue;
        }
        if (ret < 0) return ret;
        if (packet->stream_index == st->index)
            ret = avcodec_send_packet(dec.get(), packet.get());
        av_packet_unref(packet.get());
        if (ret < 0 && ret != AVERROR_INVALIDDATA) return ret;  // a damaged packet is skipped
    }
}

// The frame at `seconds` from the start of the input's best moving video,
// and how that stream's pictures are shown.
int ReadFrame(AVFormatContext* ic, int seconds, AVFrame* frame, CDisplayTurn& turn)
{
    // Formats whose header names the streams (MP4, MKV...) need no decoding
    // to find them; the others (MPEG-TS...) have them found first.
    int video = ic->ctx_flags & AVFMTCTX_NOHEADER ? -1 : BestMovingVideo(ic, -1);
    if (video < 0 || ic->streams[video]->codecpar->width <= 0) {
        int ret = avformat_find_stream_info(ic, nullptr);
        if (ret < 0) return ret;
        video = BestMovingVideo(ic, -1);
    }
    if (video < 0) return AVERROR_STREAM_NOT_FOUND;
    AVStream* st = ic->streams[video];
    turn = DisplayTurnOf(st);
    for (unsigned i = 0; i < ic->nb_streams; ++i)
        if (static_cast<int>(i) != video) ic->streams[i]->discard = AVDISCARD_ALL;

    int64_t start = st->start_time;
    if (start == AV_NOPTS_VALUE)
        start = ic->start_time == AV_NOPTS_VALUE ? 0 : av_rescale_q(ic->start_time, AV_TIME_BASE_Q, st->time_base);
    const int64_t target = start + av_rescale_q(seconds, AVRational{1, 1}, st->time_base);
    // A seek point past the video's own end (the container's length may be
    // longer) takes its first frame.
    if (seconds > 0 && st->duration > 0 && target >= start + st->duration) seconds = 0;
    if (seconds > 0) {
        int ret = avformat_seek_file(ic, video, INT64_MIN, target, target, 0);
        if (ret < 0)
            LogMessageA(kLogCategory, "seek to %d s failed (%s): decoding from the start", seconds,
                        AvErrorText(ret).c_str());
    }
    int ret = DecodeFrameAt(ic, st, seconds > 0 ? target : INT64_MIN, frame);
    if (ret == AVERROR_EOF && seconds > 0) {
        // The video ends before the seek point: its first frame.
        if ((ret = avformat_seek_file(ic, video, INT64_MIN, INT64_MIN, start, 0)) >= 0)
            ret = DecodeFrameAt(ic, st, INT64_MIN, frame);
    }
    return ret;
}

// The size of a picture of `frame`'s shape as shown that fits `width` x
// `height`, even where the format halves its colour planes.
void FittedSize(const AVFrame* frame, AVPixelFormat format, int width, int height, int& fw, int& fh)
{
    const AVRational sar = frame->sample_aspect_ratio.num > 0 ? frame->sample_aspect_ratio : AVRational{1, 1};
    const double shape = frame->width * av_q2d(sar) / frame->height;
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    const int stepW = desc ? 1 << desc->log2_chroma_w : 1, stepH = desc ? 1 << desc->log2_chroma_h : 1;
    fw = width;
    fh = height;
    if (shape > static_cast<double>(width) / height)
        fh = static_cast<int>(std::lround(width / shape / stepH)) * stepH;
    else
        fw = static_cast<int>(std::lround(height * shape / stepW)) * stepW;
    fw = std::clamp(fw, stepW, width);
    fh = std::clamp(fh, stepH, height);
}

// The pixel format the encoder takes that keeps the most of `source`.
AVPixelFormat EncoderFormat(const AVCodec* codec, AVPixelFormat source)
{
    if (codec->id == AV_CODEC_ID_MJPEG) return AV_PIX_FMT_YUVJ420P;  // what every JPEG reader shows
    if (!codec->pix_fmts) return source;
    return avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, source, 0, nullptr);
}

// The kit's encoder for the picture, reused while codec, size and format stay.
AVCodecContext* KitEncoder(CThumbnailKit& kit, const AVCodec* codec, int width, int height, AVPixelFormat format)
{
    AVCodecContext* enc = kit.encoder.get();
    if (enc && enc->codec_id == codec->id && enc->width == width && enc->height == height && enc->pix_fmt == format)
        return enc;
    kit.encoder.reset(avcodec_alloc_context3(codec));
    enc = kit.encoder.get();
    if (!enc) return nullptr;
    enc->width = width;
    enc->height = height;
    enc->pix_fmt = format;
    enc->time_base = AVRational{1, 25};
    enc->thread_count = 1;
    if (codec->id == AV_CODEC_ID_MJPEG) {
        enc->flags |= AV_CODEC_FLAG_QSCALE;
        enc->global_quality = 3 * FF_QP2LAMBDA;
    }
    if (avcodec_open2(enc, codec, nullptr) < 0) {
        kit.encoder.reset();
        return nullptr;
    }
    return enc;
}

// `frame` scaled into the kit's picture of the asked size and format, in its
// own shape as shown, with black bars around it.
const AVFrame* ScaleFrame(CThumbnailKit& kit, const AVFrame* frame, int width, int height, AVPixelFormat format)
{
    AVFrame* picture = kit.picture.get();
    if (!picture || picture->width != width || picture->height != height || picture->format != format) {
        kit.picture.reset(av_frame_alloc());
        picture = kit.picture.get();
        if (!picture) return nullptr;
        picture->width = width;
        picture->height = height;
        picture->format = format;
        if (av_frame_get_buffer(picture, 0) < 0) {
            kit.picture.reset();
            return nullptr;
        }
    }
    int fw = 0, fh = 0;
    FittedSize(frame, format, width, height, fw, fh);
    kit.sws = sws_getCachedContext(kit.sws, frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
                                   fw, fh, format, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!kit.sws || av_frame_make_writable(picture) < 0) return nullptr;
    // The source's own colours: its matrix and range, when it says them.
    const int colorspace = frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : frame->colorspace;
    const int* table = sws_getCoefficients(colorspace);
    const bool full = format == AV_PIX_FMT_YUVJ420P;
    sws_setColorspaceDetails(kit.sws, table, frame->color_range == AVCOL_RANGE_JPEG, table, 1, 0, 1 << 16, 1 << 16);
    const ptrdiff_t linesizes[4] = {picture->linesize[0], picture->linesize[1], picture->linesize[2],
                                    picture->linesize[3]};
    if (av_image_fill_black(picture->data, linesizes, format, full ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG, width,
                            height) < 0)
        return nullptr;
    // The bars share what is left over around the centre.
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!desc) return nullptr;
    const int left = (width - fw) / 2 >> desc->log2_chroma_w << desc->log2_chroma_w;
    const int top = (height - fh) / 2 >> desc->log2_chroma_h << desc->log2_chroma_h;
    const int bytes = desc->flags & AV_PIX_FMT_FLAG_PLANAR ? 1 : av_get_padded_bits_per_pixel(desc) / 8;
    uint8_t* planes[4] = {};
    for (int i = 0; i < 4 && picture->data[i]; ++i) {
        const bool chroma = (i == 1 || i == 2) && !(desc->flags & AV_PIX_FMT_FLAG_RGB);
        const int x = chroma ? left >> desc->log2_chroma_w : left, y = chroma ? top >> desc->log2_chroma_h : top;
        planes[i] = picture->data[i] + static_cast<ptrdiff_t>(y) * picture->linesize[i] + x * bytes;
    }
    if (sws_scale(kit.sws, frame->data, frame->linesize, 0, frame->height, planes, picture->linesize) <= 0)
        return nullptr;
    return picture;
}

// The picture encoded into the kit's packet. 0 or an FFmpeg error.
int EncodePicture(CThumbnailKit& kit, AVCodecContext* enc, const AVFrame* picture)
{
    AVPacket* packet = kit.packet.get();
    int ret = avcodec_send_frame(enc, picture);
    if (ret >= 0) ret = avcodec_receive_packet(enc, packet);
    if (ret == AVERROR(EAGAIN)) {
        // An encoder that holds frames back gives its picture when flushed;
        // flushed, it takes no further frame.
        avcodec_send_frame(enc, nullptr);
        ret = avcodec_receive_packet(enc, packet);
        kit.encoder.reset();
    }
    if (ret < 0) kit.encoder.reset();
    return ret;
}

// The packet's bytes as the whole file at `path` (a plain file write: an I/O
// context would take a buffer many times the picture's size); a file half
// written is removed.
int WriteFile(const std::wstring& path, const AVPacket* packet)
{
    FILE* file = std::fopen(WideToUtf8(path).c_str(), "wb");
    if (!file) return AVERROR(errno);
    const bool written = std::fwrite(packet->data, 1, static_cast<size_t>(packet->size), file) ==
                         static_cast<size_t>(packet->size);
    const int error = errno;
    if (std::fclose(file) == 0 && written) return 0;
    std::error_code ec;
    std::filesystem::remove(PathFromWide(path), ec);
    return AVERROR(written ? errno : error);
}

int MakeThumbnailOrError(const VXM_THUMBNAIL_REQUEST& request)
{
    if (request.width <= 0 || request.height <= 0) return AVERROR(EINVAL);
    const std::string output = WideToUtf8(request.output);
    const AVOutputFormat* image = av_guess_format("image2", output.c_str(), nullptr);
    const AVCodecID id = image ? av_guess_codec(image, nullptr, output.c_str(), nullptr, AVMEDIA_TYPE_VIDEO)
                               : AV_CODEC_ID_NONE;
    const AVCodec* codec = id != AV_CODEC_ID_NONE ? avcodec_find_encoder(id) : nullptr;
    if (!codec) return AVERROR_ENCODER_NOT_FOUND;

    CThumbnailKit& kit = ThreadKit();
    if (!kit.packet || !kit.decoded) return AVERROR(ENOMEM);
    AVFormatContext* opened = nullptr;
    int ret = avformat_open_input(&opened, WideToUtf8(request.input).c_str(), nullptr, nullptr);
    if (ret < 0) return ret;
    CAvInputPtr ic(opened);
    CDisplayTurn turn;
    ret = ReadFrame(ic.get(), request.seekSeconds, kit.decoded.get(), turn);
    ic.reset();
    if (ret < 0) return ret;

    // The picture as shown: one stored on its side is turned upright first.
    CAvFramePtr turned;
    if (!turn.IsNone()) {
        turned.reset(TurnedPicture(kit.decoded.get(), turn));
        av_frame_unref(kit.decoded.get());
        if (!turned) return AVERROR(ENOMEM);
    }
    const AVFrame* frame = turned ? turned.get() : kit.decoded.get();
    const AVPixelFormat format = EncoderFormat(codec, static_cast<AVPixelFormat>(frame->format));
    const AVFrame* picture = ScaleFrame(kit, frame, request.width, request.height, format);
    av_frame_unref(kit.decoded.get());
    turned.reset();
    if (!picture) return AVERROR(ENOMEM);
    AVCodecContext* enc = KitEncoder(kit, codec, request.width, request.height, format);
    if (!enc) return AVERROR_ENCODER_NOT_FOUND;
    if ((ret = EncodePicture(kit, enc, picture)) < 0) return ret;
    ret = WriteFile(request.output, kit.packet.get());
    av_packet_unref(kit.packet.get());
    return ret;
}

}  // namespace

int make_thumbnail(const std::wstring& commandLine, const VXM_THUMBNAIL_REQUEST& request)
{
    const int ret = MakeThumbnailOrError(request);
    if (ret >= 0) return 0;
    const char* why = ret == AVERROR_EOF ? "no frame at the seek point" : nullptr;
    LogMessageA(kLogCategory, "no thumbnail (%s): %s", WideToUtf8(commandLine).c_str(),
                why ? why : AvErrorText(ret).c_str());
    return 1;
}
