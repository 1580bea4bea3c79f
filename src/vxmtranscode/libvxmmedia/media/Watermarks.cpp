#include "Watermarks.h"
#include "FilterText.h"
#include "platform/text.h"

#include <SDL/SDL_image.h>
#include <SDL/SDL_ttf.h>

#include "IVXMStreams.h"
#include "PreviewSurface.h"
#include "VXMMediaBase.h"
#include "VXMUtils.h"

namespace {

bool VideoSize(const CVXMMediaBase& media, int& w, int& h)
{
    const IVXMVideo* video = media.GetSelectedVideoStream();
    if (!video) return false;
    w = video->GetWidth();
    h = video->GetHeight();
    return w > 0 && h > 0;
}

// Reference-to-video factors, changed only where the sizes differ.
void UpdateFactors(VXM_WATERMARK& wm, int videoW, int videoH)
{
    if (wm.m_nRefWidth != videoW) wm.m_dScaleX = static_cast<double>(wm.m_nRefWidth) / videoW;
    if (wm.m_nRefHeight != videoH) wm.m_dScaleY = static_cast<double>(wm.m_nRefHeight) / videoH;
}

void ApplyTransparency(SDL_Surface* s, int t)
{
    if (t < 1 || t > 100 || s->format->BytesPerPixel != 4) return;
    LockSurfaceIfNeeded(s);
    for (int y = 0; y < s->h; ++y)
        for (int x = 0; x < s->w; ++x) {
            const uint32_t v = GetPixel(s, x, y);
            const uint32_t a = (v >> 24) * static_cast<uint32_t>(100 - t) / 100;
            PutPixel((v & 0x00FFFFFFu) | (a << 24), s, x, y);
        }
    UnlockSurfaceIfNeeded(s);
}

// Clamps the record's box to its reference size and scales the surface to
// it when the size changed. Returns the surface to keep (null on failure).
SDL_Surface* FitToRecord(VXM_WATERMARK& wm, SDL_Surface* s, int w, int h)
{
    ClampWatermarkBox(wm.m_nX, wm.m_nY, w, h, wm.m_nRefWidth, wm.m_nRefHeight);
    if (w <= 0 || h <= 0) {
        SDL_FreeSurface(s);
        return nullptr;
    }
    if (w != s->w || h != s->h) {
        SDL_Surface* scaled = ScaleSurface(s, w, h);
        SDL_FreeSurface(s);
        if (!scaled) return nullptr;
        s = scaled;
    }
    wm.m_nWidth = w;
    wm.m_nHeight = h;
    return s;
}

void Swap(SDL_Surface*& slot, SDL_Surface* fresh)
{
    std::lock_guard<std::mutex> lock(WatermarkSwapLock());
    if (slot) SDL_FreeSurface(slot);
    slot = fresh;
}

}  // namespace

std::mutex& WatermarkSwapLock()
{
    static std::mutex lock;
    return lock;
}

const char* DefaultWatermarkFont()
{
    static const std::string font = [] {
        std::string found = WideToUtf8(FindFontFile("DejaVu Sans"));
        return found.empty() ? std::string("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf") : found;
    }();
    return font.c_str();
}

SDL_Surface* RenderTextWatermark(CVXMMediaBase& media)
{
    VXM_TEXT_WATERMARK& wm = media.m_wmText;
    int videoW = 0, videoH = 0;
    if (wm.m_strText.empty() || !VideoSize(media, videoW, videoH)) return nullptr;
    UpdateFactors(wm, videoW, videoH);
    const std::string font = wm.m_strFontFile.empty() ? DefaultWatermarkFont() : WideToAnsi(wm.m_strFontFile);
    if (font.empty()) return nullptr;
    if (wm.m_nFontSize == -1) wm.m_nFontSize = videoW / 14;
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    TTF_Font* ttf = TTF_OpenFont(font.c_str(), wm.m_nFontSize);
    if (!ttf) return nullptr;
    int style = wm.m_nFontStyle;
    if (wm.m_bUnderline) style |= TTF_STYLE_UNDERLINE;
    if (wm.m_bStrikeOut) style |= 8;
    TTF_SetFontStyle(ttf, style);
    const SDL_Color color{wm.m_byRed, wm.m_byGreen, wm.m_byBlue, 0};
    SDL_Surface* s = TTF_RenderUTF8_Blended(ttf, WideToAnsi(wm.m_strText).c_str(), color);
    TTF_CloseFont(ttf);
    if (!s) return media.m_pTextWatermark;
    ApplyTransparency(s, media.m_nWatermarkTransparency);
    int w = wm.m_nWidth, h = wm.m_nHeight;
    if (wm.m_nScaleMode) {
        w = wm.m_dScaleX != 0.0 ? static_cast<int>(s->w * wm.m_dScaleX) : s->w;
        h = wm.m_dScaleY != 0.0 ? static_cast<int>(s->h * wm.m_dScaleY) : s->h;
    }
    s = FitToRecord(wm, s, w, h);
    if (!s) return media.m_pTextWatermark;
    Swap(media.m_pTextWatermark, s);
    return s;
}

SDL_Surface* LoadImageWatermark(CVXMMediaBase& media)
{
    VXM_WATERMARK& wm = media.m_wmImage;
    int videoW = 0, videoH = 0;
    if (wm.m_strText.empty() || !VideoSize(media, videoW, videoH)) return nullptr;
    UpdateFactors(wm, videoW, videoH);
    SDL_Surface* loaded = IMG_Load(WideToAnsi(wm.m_strText).c_str());
    if (!loaded) return nullptr;
    // 32-bit ARGB whatever the display (there may be none).
    SDL_PixelFormat argb{};
    argb.BitsPerPixel = 32;
    argb.BytesPerPixel = 4;
    argb.Rmask = 0x00FF0000; argb.Gmask = 0x0000FF00; argb.Bmask = 0x000000FF; argb.Amask = 0xFF000000;
    argb.Rshift = 16; argb.Gshift = 8; argb.Bshift = 0; argb.Ashift = 24;
    argb.alpha = 255;
    SDL_Surface* s = SDL_ConvertSurface(loaded, &argb, SDL_SWSURFACE | SDL_SRCALPHA);
    SDL_FreeSurface(loaded);
    if (!s) return nullptr;
    ApplyTransparency(s, media.m_nWatermarkTransparency);
    if (wm.m_nRefWidth <= 0) wm.m_nRefWidth = videoW;
    if (wm.m_nRefHeight <= 0) wm.m_nRefHeight = videoH;
    int w = s->w, h = s->h;
    if (!wm.m_nScaleMode) {
        w = static_cast<int>(static_cast<int64_t>(videoW) * wm.m_nWidth / wm.m_nRefWidth);
        h = static_cast<int>(static_cast<int64_t>(videoH) * wm.m_nHeight / wm.m_nRefHeight);
    } else if (wm.m_dScaleX != 0.0) {
        // The image keeps its pixels; the record holds its size in reference units.
        int rw = static_cast<int>(static_cast<int64_t>(s->w) * wm.m_nRefWidth / videoW);
        int rh = static_cast<int>(static_cast<int64_t>(s->h) * wm.m_nRefHeight / videoH);
        const int fullW = rw, fullH = rh;
        ClampWatermarkBox(wm.m_nX, wm.m_nY, rw, rh, wm.m_nRefWidth, wm.m_nRefHeight);
        wm.m_nWidth = rw;
        wm.m_nHeight = rh;
        if (rw != fullW || rh != fullH) {
            w = static_cast<int>(static_cast<int64_t>(rw) * videoW / wm.m_nRefWidth);
            h = static_cast<int>(static_cast<int64_t>(rh) * videoH / wm.m_nRefHeight);
            SDL_Surface* scaled = ScaleSurface(s, w, h);
            SDL_FreeSurface(s);
            s = scaled;
        }
        if (!s) return nullptr;
        Swap(media.m_pImageWatermark, s);
        ScaleImageWatermarkToPreview(media);
        return s;
    }
    s = FitToRecord(wm, s, w, h);
    if (!s) return nullptr;
    Swap(media.m_pImageWatermark, s);
    ScaleImageWatermarkToPreview(media);
    return s;
}

void ScaleImageWatermarkToPreview(CVXMMediaBase& media)
{
    std::lock_guard<std::mutex> lock(WatermarkSwapLock());
    if (media.m_pImageWatermarkScaled) SDL_FreeSurface(media.m_pImageWatermarkScaled);
    media.m_pImageWatermarkScaled = nullptr;
    int videoW = 0, videoH = 0;
    SDL_Surface* img = media.m_pImageWatermark;
    if (!img || !VideoSize(media, videoW, videoH)) return;
    media.m_pImageWatermarkScaled =
        ScaleSurface(img, static_cast<int>(static_cast<int64_t>(media.m_wmImage.m_nRefWidth) * img->w / videoW),
                     static_cast<int>(static_cast<int64_t>(media.m_wmImage.m_nRefHeight) * img->h / videoH));
}
