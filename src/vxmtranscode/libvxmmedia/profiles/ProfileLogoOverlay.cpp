// The watermark overlays of a conversion: the image file itself, scaled and
// placed on the frame, or a frame-sized PNG written from a prepared watermark
// surface (the prepared image, the rendered text) and laid over at 0, 0.
#include <algorithm>
#include <filesystem>
#include <vector>

#include "EngineLog.h"
#include "FilterText.h"
#include "PreviewSurface.h"
#include "ProfileJobBuild.h"
#include "VXMUtils.h"
#include "Watermarks.h"
#include "platform/text.h"
#include "platform/paths.h"

namespace {

constexpr const char* kLogCategory = "JobBuild";

// One picture laid over the frame; scaled to w x h when w > 0.
struct OverlayPicture {
    std::wstring path;
    int w = 0, h = 0;
    std::wstring x, y;
};

// A watermark placed in its reference picture, scaled to the video's size.
struct PlacedWatermark {
    double x = 0.0, y = 0.0;
    int w = 0, h = 0;
};

PlacedWatermark PlaceOnVideo(const VXM_WATERMARK& mark, int vw, int vh)
{
    PlacedWatermark p;
    p.x = static_cast<double>(mark.m_nX) * vw / mark.m_nRefWidth;
    p.y = static_cast<double>(mark.m_nY) * vh / mark.m_nRefHeight;
    p.w = std::max(1, mark.m_nWidth * vw / mark.m_nRefWidth);
    p.h = std::max(1, mark.m_nHeight * vh / mark.m_nRefHeight);
    return p;
}

bool Usable(const VXM_WATERMARK& mark, const SDL_Surface* surface, int vw, int vh)
{
    return mark.m_bEnabled && surface && vw > 0 && vh > 0 && mark.m_nRefWidth > 0 && mark.m_nRefHeight > 0;
}

// Writes the surface, placed and scaled, on a transparent frame-sized canvas
// as a PNG file the media deletes when the conversion ends. Empty on failure.
std::wstring WriteOverlayPng(CVXMMediaBase* media, SDL_Surface* surface, const PlacedWatermark& place, int vw,
                             int vh)
{
    const std::wstring path = CreateUniqueTempFile(EngineTempFolder(), L"vxmwm", L".png");
    if (path.empty()) {
        LogMessageA(kLogCategory, "no file for a watermark picture: the watermark is left out");
        return {};
    }
    media->m_vecOverlayFiles.push_back(path);
    int x = static_cast<int>(place.x);
    int y = static_cast<int>(place.y);
    int written = -1;
    {
        std::lock_guard<std::mutex> lock(WatermarkSwapLock());  // the program may render a new one
        written = SaveOverlayPng(surface, WideToUtf8(path), x, y, vw, vh, place.w, place.h);
    }
    if (written != 0) {
        LogMessageA(kLogCategory, "the watermark picture \"%s\" cannot be written: the watermark is left out",
                    WideToUtf8(path).c_str());
        return {};
    }
    return path;
}

// "movie=..[img];[in][img]overlay=x:y" for one picture; each further picture
// is laid over the result of the one before.
std::wstring OverlayChain(const std::vector<OverlayPicture>& pictures)
{
    std::wstring chain;
    std::wstring current = L"in";
    for (size_t i = 0; i < pictures.size(); ++i) {
        const OverlayPicture& p = pictures[i];
        const std::wstring label = i == 0 ? L"img" : FormatW(L"img%d", static_cast<int>(i));
        std::wstring path = p.path;
        EscapeFilterPath(path);
        if (i > 0)
            chain += L";";
        chain += FormatW(L"movie='%s'[%s]", path.c_str(), label.c_str());
        if (p.w > 0)
            chain += FormatW(L";[%s]scale=%d:%d[%s]", label.c_str(), p.w, p.h, label.c_str());
        chain += FormatW(L";[%s][%s]overlay=%s:%s", current.c_str(), label.c_str(), p.x.c_str(), p.y.c_str());
        if (i + 1 < pictures.size()) {
            current = FormatW(L"logo%d", static_cast<int>(i));
            chain += L"[" + current + L"]";
        }
    }
    return chain;
}

}  // namespace

std::wstring EngineTempFolder()
{
    std::wstring folder = BuildSettings().strTempFolder;
    if (folder.empty() || !CreateFolderTree(folder)) {
        std::error_code ec;
        folder = WideFromPath(std::filesystem::temp_directory_path(ec));
    }
    return folder;
}

void AddLogoOverlay(CVXMMediaBase* media, CFFMpegOpts& opts)
{
    IVXMVideo* video = media->GetSelectedVideoStream();
    const int vw = video ? video->GetWidth() : 0;
    const int vh = video ? video->GetHeight() : 0;
    std::vector<OverlayPicture> pictures;

    const VXM_WATERMARK& image = media->m_wmImage;
    if (Usable(image, media->m_pImageWatermark, vw, vh)) {
        const PlacedWatermark place = PlaceOnVideo(image, vw, vh);
        if (media->m_pImageWatermarkScaled) {
            // The prepared watermark: drawn on a frame-sized picture.
            const std::wstring png = WriteOverlayPng(media, media->m_pImageWatermark, place, vw, vh);
            if (!png.empty())
                pictures.push_back({png, 0, 0, L"0", L"0"});
        } else if (!image.m_strText.empty()) {
            // The image file itself, scaled and placed on the frame.
            pictures.push_back({image.m_strText, place.w, place.h, FixedText(place.x, 0), FixedText(place.y, 0)});
        }
    }
    const VXM_WATERMARK& text = media->m_wmText;
    if (Usable(text, media->m_pTextWatermark, vw, vh)) {
        const std::wstring png = WriteOverlayPng(media, media->m_pTextWatermark, PlaceOnVideo(text, vw, vh), vw, vh);
        if (!png.empty())
            pictures.push_back({png, 0, 0, L"0", L"0"});
    }
    if (!pictures.empty())
        AppendFilter(opts, L"-vf", OverlayChain(pictures));
}
