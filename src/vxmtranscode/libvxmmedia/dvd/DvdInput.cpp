#include "DvdInput.h"

#include <memory>
#include <new>

#include "DvdTitleStream.h"
#include "EngineLog.h"

extern "C" {
#include <libavutil/mem.h>
}

namespace {

constexpr const char* kLogCategory = "DvdInput";
constexpr int kIoBufferSize = 64 * 1024;

int ReadPacket(void* opaque, std::uint8_t* buf, int size)
{
    const int n = static_cast<CDvdTitleStream*>(opaque)->Read(buf, size);
    if (n < 0)
        return AVERROR(EIO);
    return n == 0 ? AVERROR_EOF : n;
}

std::int64_t SeekPacket(void* opaque, std::int64_t offset, int whence)
{
    auto* stream = static_cast<CDvdTitleStream*>(opaque);
    if (whence & AVSEEK_SIZE)
        return stream->Size();
    switch (whence & ~AVSEEK_FORCE) {
    case SEEK_SET: break;
    case SEEK_CUR: offset += stream->Position(); break;
    case SEEK_END: offset += stream->Size(); break;
    default: return AVERROR(EINVAL);
    }
    return stream->Seek(offset) ? offset : AVERROR(EINVAL);
}

bool IsDvdInput(const AVFormatContext* ic)
{
    return ic && ic->pb && (ic->flags & AVFMT_FLAG_CUSTOM_IO) && ic->pb->read_packet == ReadPacket;
}

void FreeIo(AVIOContext*& pb)
{
    if (!pb)
        return;
    delete static_cast<CDvdTitleStream*>(pb->opaque);
    av_freep(&pb->buffer);
    avio_context_free(&pb);
}

const LegacyInputRequest* DvdRequest(const CToolContext* ctx)
{
    if (!ctx)
        return nullptr;
    for (const auto& r : ctx->legacy_inputs)
        if (r.dvd && r.input_index == 0)
            return &r;
    return nullptr;
}

// The title stream's reader stays registered with the transcoder for every run.
const bool g_openerSet = (set_dvd_input_opener(&open_dvd_title_input), true);

}  // namespace

int open_dvd_title_input(const LegacyInputRequest& req, AVIOInterruptCB int_cb, AVFormatContext** out)
{
    if (!out)
        return AVERROR(EINVAL);
    *out = nullptr;
    if (req.dvd_device.empty() || req.title < 1) {
        LogMessageA(kLogCategory, "a DVD input needs a device and a title (\"%s\", %d)", req.dvd_device.c_str(),
                    req.title);
        return AVERROR(EINVAL);
    }
    std::unique_ptr<CDvdTitleStream> stream(new (std::nothrow) CDvdTitleStream());
    if (!stream)
        return AVERROR(ENOMEM);
    if (!stream->Open(req.dvd_device, req.title, req.first_chapter, req.last_chapter, req.angle))
        return AVERROR(ENOENT);

    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    if (!buffer)
        return AVERROR(ENOMEM);
    AVIOContext* pb = avio_alloc_context(buffer, kIoBufferSize, 0, stream.get(), ReadPacket, nullptr, SeekPacket);
    if (!pb) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    stream.release();  // the I/O context holds it now

    AVFormatContext* ic = avformat_alloc_context();
    if (!ic) {
        FreeIo(pb);
        return AVERROR(ENOMEM);
    }
    ic->pb = pb;
    ic->flags |= AVFMT_FLAG_CUSTOM_IO;
    ic->interrupt_callback = int_cb;
    const std::string name = "dvdnav://" + std::to_string(req.title);
    const int err = avformat_open_input(&ic, name.c_str(), av_find_input_format("mpeg"), nullptr);
    if (err < 0) {
        // A failed open frees the format context, never a caller's I/O context.
        FreeIo(pb);
        return err;
    }
    *out = ic;
    return 0;
}

int open_input_format(AVFormatContext** ic, const char* filename, const AVInputFormat* fmt, AVDictionary** options,
                      CToolContext* ctx)
{
    const LegacyInputRequest* req = DvdRequest(ctx);
    if (!req)
        return avformat_open_input(ic, filename, fmt, options);
    AVIOInterruptCB cb{};
    if (*ic) {
        cb = (*ic)->interrupt_callback;
        avformat_free_context(*ic);
        *ic = nullptr;
    }
    return open_dvd_title_input(*req, cb, ic);
}

void close_input_format(AVFormatContext** ic)
{
    if (!ic || !*ic)
        return;
    AVIOContext* pb = IsDvdInput(*ic) ? (*ic)->pb : nullptr;
    avformat_close_input(ic);
    FreeIo(pb);
}
