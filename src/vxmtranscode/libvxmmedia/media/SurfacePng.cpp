#include "SurfacePng.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kPngVersion = "1.6.21";

void PngError(png_structp, png_const_charp message)
{
    SDL_SetError("libpng: %s\n", message);
}

void PngWrite(png_structp png, png_bytep data, png_size_t length)
{
    auto* rw = static_cast<SDL_RWops*>(png_get_io_ptr(png));
    if (SDL_RWwrite(rw, data, 1, static_cast<int>(length)) != static_cast<int>(length))
        png_error(png, "write failed");
}

int Fail(SDL_RWops* dst)
{
    SDL_RWclose(dst);
    return -1;
}

}  // namespace

int SDL_SavePNG_RW(SDL_Surface* surface, SDL_RWops* dst)
{
    if (!dst) {
        SDL_SetError("Argument 2 to SDL_SavePNG_RW can't be NULL, expecting SDL_RWops*\n");
        return -1;
    }
    if (!surface) {
        SDL_SetError("Argument 1 to SDL_SavePNG_RW can't be NULL, expecting SDL_Surface*\n");
        return Fail(dst);
    }
    // libpng's own version check: the installed 1.6 library accepts any 1.6 text.
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, nullptr);
    if (!png) {
        SDL_SetError("Unable to png_create_write_struct on %s\n", kPngVersion);
        return Fail(dst);
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        SDL_SetError("Unable to png_create_info_struct\n");
        png_destroy_write_struct(&png, nullptr);
        return Fail(dst);
    }
    // Rows and palette live outside the jump scope so nothing leaks on an error.
    std::vector<png_bytep> rows(static_cast<size_t>(surface->h > 0 ? surface->h : 0));
    std::vector<png_color> palette;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Fail(dst);
    }
    png_set_write_fn(png, dst, PngWrite, nullptr);

    const SDL_PixelFormat* fmt = surface->format;
    int colorType = PNG_COLOR_TYPE_RGB;
    if (fmt->BytesPerPixel >= 1 && fmt->BytesPerPixel <= 8 && fmt->palette) {
        colorType = PNG_COLOR_TYPE_PALETTE;
        palette.resize(static_cast<size_t>(fmt->palette->ncolors));
        for (int i = 0; i < fmt->palette->ncolors; ++i) {
            palette[i].red = fmt->palette->colors[i].r;
            palette[i].green = fmt->palette->colors[i].g;
            palette[i].blue = fmt->palette->colors[i].b;
        }
        png_set_PLTE(png, info, palette.data(), fmt->palette->ncolors);
    } else if (fmt->BytesPerPixel > 3 || fmt->Amask) {
        colorType = PNG_COLOR_TYPE_RGB_ALPHA;
    }
    png_set_IHDR(png, info, surface->w, surface->h, 8, colorType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_bgr(png);
    png_write_info(png, info);
    for (int i = 0; i < surface->h; ++i)
        rows[i] = static_cast<png_bytep>(surface->pixels) + static_cast<size_t>(i) * surface->pitch;
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (SDL_RWclose(dst) != 0) return -1;
    return 0;
}

int SDL_SavePNG(SDL_Surface* surface, const std::string& path)
{
    SDL_RWops* rw = SDL_RWFromFile(path.c_str(), "wb");
    if (!rw) return -1;
    int ret = SDL_SavePNG_RW(surface, rw);
    if (ret != 0) std::remove(path.c_str());
    return ret;
}
