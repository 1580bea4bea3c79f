#include "PreviewSurface.h"

#include <algorithm>
#include <cstring>

#include "SurfacePng.h"

uint32_t GetPixel(SDL_Surface* surface, int x, int y)
{
    const int bpp = surface->format->BytesPerPixel;
    const uint8_t* p = static_cast<const uint8_t*>(surface->pixels) + y * surface->pitch + x * bpp;
    switch (bpp) {
    case 1: return *p;
    case 2: { uint16_t v; memcpy(&v, p, 2); return v; }
    case 3: return p[0] | (p[1] << 8) | (p[2] << 16);
    default: { uint32_t v; memcpy(&v, p, 4); return v; }
    }
}

void PutPixel(uint32_t value, SDL_Surface* surface, int x, int y)
{
    const int bpp = surface->format->BytesPerPixel;
    uint8_t* p = static_cast<uint8_t*>(surface->pixels) + y * surface->pitch + x * bpp;
    switch (bpp) {
    case 1: *p = static_cast<uint8_t>(value); break;
    case 2: { const uint16_t v = static_cast<uint16_t>(value); memcpy(p, &v, 2); break; }
    case 3: p[0] = value & 0xff; p[1] = (value >> 8) & 0xff; p[2] = (value >> 16) & 0xff; break;
    default: memcpy(p, &value, 4); break;
    }
}

void LockSurfaceIfNeeded(SDL_Surface* surface)
{
    if (surface && SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
}

void UnlockSurfaceIfNeeded(SDL_Surface* surface)
{
    if (surface && SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
}

SDL_Surface* ScaleSurface(SDL_Surface* surface, int width, int height)
{
    if (!surface || width <= 0 || height <= 0 || surface->w <= 0 || surface->h <= 0) return nullptr;
    const SDL_PixelFormat* f = surface->format;
    SDL_Surface* out = SDL_CreateRGBSurface(surface->flags, width, height, f->BitsPerPixel, f->Rmask, f->Gmask,
                                            f->Bmask, f->Amask);
    if (!out) return nullptr;
    if (f->palette && out->format->palette)
        SDL_SetColors(out, f->palette->colors, 0, f->palette->ncolors);
    LockSurfaceIfNeeded(surface);
    LockSurfaceIfNeeded(out);
    for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>(static_cast<int64_t>(y) * surface->h / height);
        for (int x = 0; x < width; ++x) {
            const int sx = static_cast<int>(static_cast<int64_t>(x) * surface->w / width);
            PutPixel(GetPixel(surface, sx, sy), out, x, y);
        }
    }
    UnlockSurfaceIfNeeded(out);
    UnlockSurfaceIfNeeded(surface);
    return out;
}

SDL_Surface* CreateTransparentCanvas(int width, int height)
{
    SDL_Surface* canvas = SDL_CreateRGBSurface(0, width, height, 32, 0xFF000000, 0x00FF0000, 0x0000FF00, 0);
    if (canvas) SDL_FillRect(canvas, nullptr, SDL_MapRGBA(canvas->format, 0, 0, 0, 0));
    return canvas;
}

void ClampWatermarkBox(int& x, int& y, int& w, int& h, int refW, int refH)
{
    refW = std::max(refW, 0);
    refH = std::max(refH, 0);
    w = std::clamp(w, 0, refW);
    h = std::clamp(h, 0, refH);
    x = std::clamp(x, 0, refW - w);
    y = std::clamp(y, 0, refH - h);
}

int SaveOverlayPng(SDL_Surface* surface, const std::string& path, int& x, int& y, int outWidth, int outHeight,
                   int w, int h)
{
    if (!surface || outWidth <= 0 || outHeight <= 0) return -1;
    ClampWatermarkBox(x, y, w, h, outWidth, outHeight);
    SDL_Surface* scaled = ScaleSurface(surface, w, h);
    if (!scaled) return -1;
    SDL_Surface* canvas = CreateTransparentCanvas(outWidth, outHeight);
    if (!canvas) {
        SDL_FreeSurface(scaled);
        return -1;
    }
    LockSurfaceIfNeeded(scaled);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i) PutPixel(GetPixel(scaled, i, j), canvas, x + i, y + j);
    UnlockSurfaceIfNeeded(scaled);
    SDL_FreeSurface(scaled);
    const int ret = SDL_SavePNG(canvas, path);
    SDL_FreeSurface(canvas);
    return ret;
}
