#include "ffplay_snapshot.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include "VXMUtils.h"
#include "platform/text.h"
#include "platform/thread.h"

namespace ffplay_detail {
namespace {

struct CFileCloser {
    void operator()(FILE* f) const { if (f) fclose(f); }
};
using CFile = std::unique_ptr<FILE, CFileCloser>;

struct CFrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using CFramePtr = std::unique_ptr<AVFrame, CFrameFree>;

// An RGB24 copy of the picture at its own size, or null.
CFramePtr ToRgb24(const AVFrame* picture, int swsFlags)
{
    if (!picture || picture->width <= 0 || picture->height <= 0) return nullptr;
    SwsContext* sws = sws_getContext(picture->width, picture->height, static_cast<AVPixelFormat>(picture->format),
                                     picture->width, picture->height, AV_PIX_FMT_RGB24, swsFlags, nullptr, nullptr,
                                     nullptr);
    if (!sws) {
        fprintf(stderr, "Cannot initialize the conversion context!\n");
        return nullptr;
    }
    CFramePtr rgb(av_frame_alloc());
    rgb->format = AV_PIX_FMT_RGB24;
    rgb->width = picture->width;
    rgb->height = picture->height;
    if (av_frame_get_buffer(rgb.get(), 0) < 0) {
        sws_freeContext(sws);
        return nullptr;
    }
    sws_scale(sws, picture->data, picture->linesize, 0, picture->height, rgb->data, rgb->linesize);
    sws_freeContext(sws);
    return rgb;
}

// Opens a fresh unique file for writing; empty path on failure.
CFile OpenUnique(const std::wstring& folder, const wchar_t* ext, std::wstring& path)
{
    if (!MakeUniqueFilePath(folder, ext, path, L"snapshot") || path.empty()) return nullptr;
    return CFile(fopen(WideToAnsi(path).c_str(), "wb"));
}

void Put16(uint8_t* p, uint16_t v) { p[0] = v & 0xff; p[1] = v >> 8; }
void Put32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool Discard(CFile& file, const std::wstring& path)
{
    file.reset();
    std::error_code ec;
    std::filesystem::remove(std::filesystem::path(WideToAnsi(path)), ec);
    return false;
}

}  // namespace

bool WriteSnapshotBmp(const AVFrame* picture, const std::wstring& folder, std::wstring* written)
{
    std::wstring path;
    CFile file = OpenUnique(folder, L"bmp", path);
    if (!file) return false;
    CFramePtr rgb = ToRgb24(picture, SWS_BICUBIC);
    if (!rgb) return Discard(file, path);
    const int w = rgb->width, h = rgb->height;
    const size_t rowSize = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
    uint8_t header[54] = {};
    Put16(header, 0x4D42);
    Put32(header + 2, static_cast<uint32_t>(54 + rowSize * h));
    Put32(header + 10, 54);
    Put32(header + 14, 40);
    Put32(header + 18, static_cast<uint32_t>(w));
    Put32(header + 22, static_cast<uint32_t>(-h));
    Put16(header + 26, 1);
    Put16(header + 28, 24);
    Put32(header + 38, 100);
    Put32(header + 42, 100);
    bool ok = fwrite(header, 1, sizeof(header), file.get()) == sizeof(header);
    std::vector<uint8_t> row(rowSize, 0);
    for (int y = 0; ok && y < h; ++y) {
        const uint8_t* src = rgb->data[0] + static_cast<size_t>(y) * rgb->linesize[0];
        for (int x = 0; x < w; ++x) {
            row[x * 3] = src[x * 3 + 2];
            row[x * 3 + 1] = src[x * 3 + 1];
            row[x * 3 + 2] = src[x * 3];
        }
        ok = fwrite(row.data(), 1, rowSize, file.get()) == rowSize;
    }
    if (ok) ok = fclose(file.release()) == 0;
    if (!ok) return Discard(file, path);
    if (written) *written = path;
    return true;
}

bool WriteSnapshotPng(const AVFrame* picture, const std::wstring& folder, int swsFlags, std::wstring* written)
{
    std::wstring path;
    CFile file = OpenUnique(folder, L"png", path);
    if (!file) return false;
    CFramePtr rgb = ToRgb24(picture, swsFlags);
    if (!rgb) return Discard(file, path);
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PNG);
    AVCodecContext* enc = codec ? avcodec_alloc_context3(codec) : nullptr;
    if (!enc) return Discard(file, path);
    enc->width = rgb->width;
    enc->height = rgb->height;
    enc->pix_fmt = AV_PIX_FMT_RGB24;
    enc->time_base = AVRational{1, 25};
    bool ok = avcodec_open2(enc, codec, nullptr) >= 0;
    AVPacket* pkt = av_packet_alloc();
    if (ok) ok = avcodec_send_frame(enc, rgb.get()) >= 0 && avcodec_receive_packet(enc, pkt) >= 0 && pkt->size > 0;
    if (ok) ok = fwrite(pkt->data, 1, static_cast<size_t>(pkt->size), file.get()) == static_cast<size_t>(pkt->size);
    av_packet_free(&pkt);
    avcodec_free_context(&enc);
    if (ok) ok = fclose(file.release()) == 0;
    if (!ok) return Discard(file, path);
    if (written) *written = path;
    return true;
}

void CSnapshotWriters::Start(const AVFrame* picture, const std::wstring& folder, int format, int swsFlags,
                             const CDisplayTurn& turn)
{
    AVFrame* copy = av_frame_clone(picture);
    if (!copy) return;
    std::lock_guard<std::mutex> lock(m_lock);
    m_threads.emplace_back([copy, folder, format, swsFlags, turn]() mutable {
        if (AVFrame* turned = turn.IsNone() ? nullptr : TurnedPicture(copy, turn)) {
            av_frame_free(&copy);
            copy = turned;
        }
        std::string what;
        if (!RunCatching([&] { format == 0 ? WriteSnapshotBmp(copy, folder) : WriteSnapshotPng(copy, folder, swsFlags); },
                         what))
            av_log(nullptr, AV_LOG_ERROR, "A snapshot into %s failed: %s\n", WideToUtf8(folder).c_str(), what.c_str());
        av_frame_free(&copy);
    });
}

void CSnapshotWriters::Join()
{
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        threads.swap(m_threads);
    }
    for (auto& t : threads)
        if (t.joinable()) t.join();
}

}  // namespace ffplay_detail
