#include "ffplay_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace ffplay_detail {

void BuildAdjustLut(double contrast, double brightness, double gamma, uint8_t lut[256])
{
    double g = gamma;
    if (g < 0.001 || g > 1000) g = 1.0;
    const double p = 1.0 / g;
    const double w = 0.0;   // gamma weight
    for (int i = 0; i < 256; ++i) {
        const double v = (i / 255.0 - 0.5) * contrast + 0.5 + brightness;
        if (v <= 0) {
            lut[i] = 0;
            continue;
        }
        const double v2 = std::pow(v, p) * w + v * (1 - w);
        lut[i] = v2 >= 1.0 ? 255 : static_cast<uint8_t>(256 * v2);
    }
}

bool IsIdentityAdjust(double contrast, double brightness, double gamma)
{
    return contrast == 1.0 && brightness == 0.0 && gamma == 1.0;
}

void ApplyAdjustLut(const uint8_t lut[256], uint8_t* data, int width, int height, int pitch)
{
    for (int y = 0; y < height; ++y) {
        uint8_t* row = data + static_cast<ptrdiff_t>(y) * pitch;
        for (int x = 0; x < width; ++x) row[x] = lut[row[x]];
    }
}

namespace {

struct CPlaneSizes {
    int w[3], h[3];
};

bool PlaneSizes(const AVFrame* f, CPlaneSizes& s)
{
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(f->format));
    if (!d || !(d->flags & AV_PIX_FMT_FLAG_PLANAR) || (d->flags & AV_PIX_FMT_FLAG_RGB) || d->nb_components < 3 ||
        d->comp[0].depth != 8)
        return false;
    s.w[0] = f->width;
    s.h[0] = f->height;
    s.w[1] = s.w[2] = AV_CEIL_RSHIFT(f->width, d->log2_chroma_w);
    s.h[1] = s.h[2] = AV_CEIL_RSHIFT(f->height, d->log2_chroma_h);
    return true;
}

AVFrame* NewLike(const AVFrame* src, int w, int h)
{
    AVFrame* f = av_frame_alloc();
    f->format = src->format;
    f->width = w;
    f->height = h;
    if (av_frame_get_buffer(f, 0) < 0) av_frame_free(&f);
    return f;
}

void FlipVertical(AVFrame* f, const CPlaneSizes& s)
{
    std::vector<uint8_t> tmp;
    for (int p = 0; p < 3; ++p) {
        tmp.resize(static_cast<size_t>(s.w[p]));
        for (int y = 0; y < s.h[p] / 2; ++y) {
            uint8_t* a = f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p];
            uint8_t* b = f->data[p] + static_cast<ptrdiff_t>(s.h[p] - 1 - y) * f->linesize[p];
            memcpy(tmp.data(), a, s.w[p]);
            memcpy(a, b, s.w[p]);
            memcpy(b, tmp.data(), s.w[p]);
        }
    }
}

void Mirror(AVFrame* f, const CPlaneSizes& s)
{
    for (int p = 0; p < 3; ++p)
        for (int y = 0; y < s.h[p]; ++y) {
            uint8_t* row = f->data[p] + static_cast<ptrdiff_t>(y) * f->linesize[p];
            std::reverse(row, row + s.w[p]);
        }
}

// Quarter turn: clockwise when cw, else counter-clockwise.
AVFrame* Turn(const AVFrame* src, const CPlaneSizes& s, bool cw)
{
    AVFrame* out = NewLike(src, src->height, src->width);
    if (!out) return nullptr;
    for (int p = 0; p < 3; ++p) {
        const int w = s.w[p], h = s.h[p];   // input plane; output is h wide, w high
        for (int r = 0; r < w; ++r) {
            uint8_t* dst = out->data[p] + static_cast<ptrdiff_t>(r) * out->linesize[p];
            for (int c = 0; c < h; ++c) {
                const int sy = cw ? h - 1 - c : c;
                const int sx = cw ? r : w - 1 - r;
                dst[c] = src->data[p][static_cast<ptrdiff_t>(sy) * src->linesize[p] + sx];
            }
        }
    }
    return out;
}

}  // namespace

AVFrame* TransformPicture(const AVFrame* src, const CPictureTransform& t)
{
    CPlaneSizes s{};
    if (!src || !PlaneSizes(src, s)) return nullptr;
    AVFrame* f = NewLike(src, src->width, src->height);
    if (!f) return nullptr;
    av_frame_copy(f, src);
    av_frame_copy_props(f, src);
    const bool quarter = t.rotate == 1 || t.rotate == 3;
    if (t.flipVertical) (t.rotateFirst && quarter) ? Mirror(f, s) : FlipVertical(f, s);
    if (t.flipHorizontal) (t.rotateFirst && quarter) ? FlipVertical(f, s) : Mirror(f, s);
    if (quarter) {
        AVFrame* turned = Turn(f, s, t.rotate == 1);
        av_frame_free(&f);
        if (turned) av_frame_copy_props(turned, src);
        return turned;
    }
    if (t.rotate == 2) {
        FlipVertical(f, s);
        Mirror(f, s);
    }
    return f;
}

bool CropAndScale(AVFrame* frame, int left, int top, int width, int height)
{
    CPlaneSizes s{};
    if (!frame || !PlaneSizes(frame, s)) return false;
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame->format));
    // Chroma-aligned offsets keep the cut in step across the planes.
    left = std::clamp(left, 0, frame->width - 1) & ~((1 << d->log2_chroma_w) - 1);
    top = std::clamp(top, 0, frame->height - 1) & ~((1 << d->log2_chroma_h) - 1);
    width = std::clamp(width, 1, frame->width - left);
    height = std::clamp(height, 1, frame->height - top);
    AVFrame* copy = av_frame_clone(frame);
    if (!copy || av_frame_make_writable(frame) < 0) {
        av_frame_free(&copy);
        return false;
    }
    const uint8_t* srcData[4] = {};
    for (int p = 0; p < 3; ++p) {
        const int cx = p ? left >> d->log2_chroma_w : left;
        const int cy = p ? top >> d->log2_chroma_h : top;
        srcData[p] = copy->data[p] + static_cast<ptrdiff_t>(cy) * copy->linesize[p] + cx;
    }
    const auto fmt = static_cast<AVPixelFormat>(frame->format);
    SwsContext* sws = sws_getContext(width, height, fmt, frame->width, frame->height, fmt,
                                     SWS_LANCZOS | SWS_ACCURATE_RND, nullptr, nullptr, nullptr);
    bool ok = false;
    if (sws) {
        sws_scale(sws, srcData, copy->linesize, 0, height, frame->data, frame->linesize);
        sws_freeContext(sws);
        ok = true;
    }
    av_frame_free(&copy);
    return ok;
}

}  // namespace ffplay_detail

#include "VXMMediaBase.h"

namespace ffplay_detail {

AVFrame* ClipSettingsPicture(const CVXMMediaBase* media, const AVFrame* picture)
{
    if (!media || !picture) return nullptr;
    CPictureTransform t;
    t.rotate = media->m_nRotate;
    t.flipVertical = media->m_bFlipVertical != 0;
    t.flipHorizontal = media->m_bFlipHorizontal != 0;
    t.rotateFirst = media->m_bRotateFirst != 0;
    const bool crop = media->IsCropped() && media->m_nCropWidth > 0 && media->m_nCropHeight > 0;
    if (!crop && !t.flipVertical && !t.flipHorizontal && (t.rotate < 1 || t.rotate > 3)) return nullptr;
    AVFrame* work = nullptr;
    if (crop) {
        work = av_frame_clone(picture);
        if (!work || av_frame_make_writable(work) < 0 ||
            !CropAndScale(work, media->m_nCropLeft, media->m_nCropTop, media->m_nCropWidth, media->m_nCropHeight)) {
            av_frame_free(&work);
            return nullptr;
        }
    }
    AVFrame* out = TransformPicture(work ? work : picture, t);
    av_frame_free(&work);
    return out;
}

}  // namespace ffplay_detail

#include <SDL/SDL.h>

#include "PreviewSurface.h"

namespace ffplay_detail {

bool DrawSurfaceIntoYuv(SDL_Surface* surface, uint8_t* const planes[3], const int pitches[3], int width, int height,
                        int x, int y)
{
    if (!surface) return false;
    const int bpp = surface->format->BitsPerPixel;
    if (bpp != 8 && bpp != 16 && bpp != 32) return false;
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const int w = std::min(surface->w, width - x);
    const int h = std::min(surface->h, height - y);
    LockSurfaceIfNeeded(surface);
    for (int j = 0; j < h; ++j) {
        const int py = y + j;
        for (int i = 0; i < w; ++i) {
            const int px = x + i;
            Uint8 r, g, b;
            SDL_GetRGB(GetPixel(surface, i, j), surface->format, &r, &g, &b);
            planes[0][static_cast<ptrdiff_t>(py) * pitches[0] + px] =
                static_cast<uint8_t>(((66 * r + 129 * g + 25 * b + 128) >> 8) + 16);
            if (!(py & 1) && !(px & 1)) {
                const ptrdiff_t c = static_cast<ptrdiff_t>(py / 2);
                planes[2][c * pitches[2] + px / 2] = static_cast<uint8_t>(((112 * r - 94 * g - 18 * b + 128) >> 8) + 128);
                planes[1][c * pitches[1] + px / 2] = static_cast<uint8_t>(((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128);
            }
        }
    }
    UnlockSurfaceIfNeeded(surface);
    return true;
}

}  // namespace ffplay_detail
