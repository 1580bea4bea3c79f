// The scale, pad and crop that fit a picture into an output's frame, and the
// shape the output shows that frame in.
#include <cmath>
#include <numeric>
#include <utility>

#include "ProfileJobBuild.h"
#include "VXMStreamRecords.h"
#include "VXMUtils.h"

namespace {

int Even(int value)
{
    return value & ~1;
}

// Down to a whole number, taking a hair below one as the number.
int Whole(double value)
{
    return static_cast<int>(std::floor(value + 1e-6));
}

// The picture the filters before the fit hand on: the stream's as shown,
// cropped and turned by the user, with the shape of its pixels.
struct CPicture {
    int width = 0;
    int height = 0;
    long long pixelWidth = 1;
    long long pixelHeight = 1;

    double Shape() const
    {
        return static_cast<double>(width * pixelWidth) / static_cast<double>(height * pixelHeight);
    }
};

bool PictureOf(CVXMMediaBase* media, CPicture& picture)
{
    IVXMVideo* video = media->GetSelectedVideoStream();
    if (!video || video->GetWidth() <= 0 || video->GetHeight() <= 0)
        return false;
    picture.width = video->GetWidth();
    picture.height = video->GetHeight();
    if (const auto* record = dynamic_cast<const VXM_VIDEO_STREAM*>(video);
        record && record->m_nPixelWidth > 0 && record->m_nPixelHeight > 0) {
        picture.pixelWidth = record->m_nPixelWidth;
        picture.pixelHeight = record->m_nPixelHeight;
    }
    if (media->IsCropped() && media->m_nCropWidth > 0 && media->m_nCropHeight > 0) {
        picture.width = media->m_nCropWidth;
        picture.height = media->m_nCropHeight;
    }
    if ((((media->m_nRotate % 4) + 4) % 4) % 2 != 0) {
        std::swap(picture.width, picture.height);
        std::swap(picture.pixelWidth, picture.pixelHeight);
    }
    return true;
}

// The shape the output shows its frame in, as width and height.
std::pair<int, int> ShownShape(VXM_FRAME_ASPECT rule, const std::wstring& chosen, double picture)
{
    if (rule != VXM_FRAME_ASPECT::Square && chosen == L"16/9")
        return {16, 9};
    if (rule != VXM_FRAME_ASPECT::Square && chosen == L"4/3")
        return {4, 3};
    if (rule == VXM_FRAME_ASPECT::Broadcast)  // the nearer of the two, as a ratio
        return std::fabs(std::log(picture * 3 / 4)) <= std::fabs(std::log(picture * 9 / 16)) ? std::pair{4, 3}
                                                                                               : std::pair{16, 9};
    return {0, 0};  // square pixels
}

}  // namespace

void AddScaleAndPadFilters(CVXMMediaBase* media, COutputProfile* profile, CFFMpegOpts& opts,
                           VXM_BUILD_VALUES& values, const VXM_FIT& fit)
{
    const VXM_ENGINE_SETTINGS& settings = BuildSettings();
    int W = 0, H = 0;
    SplitVideoSize(fit.frame.empty() ? profile->GetVideoSize() : fit.frame, W, H);
    const bool fixedFrame = W > 0 && H > 0;
    CPicture picture, frameSource;
    const bool known = PictureOf(media, picture);
    bool frameKnown = known;
    if (fit.sizeSource && fit.sizeSource != media)
        frameKnown = PictureOf(fit.sizeSource, frameSource);
    else
        frameSource = picture;
    if (!fixedFrame && frameKnown) {
        W = frameSource.width;
        H = frameSource.height;
    }
    // Encoders of 4:2:0 pictures need even sizes.
    W = Even(W);
    H = Even(H);
    auto vf = [&](const std::wstring& piece) { AppendFilter(opts, L"-vf", piece); };
    values.shownWidth = values.shownHeight = 0;
    if (!known || W <= 0 || H <= 0) {
        if (W > 0 && H > 0) {
            vf(FormatW(L"scale=%d:%d", W, H));
            values.shownWidth = W;
            values.shownHeight = H;
        }
        values.scaledWidth = W;
        values.scaledHeight = H;
        return;
    }

    const double shape = picture.Shape();
    auto [shownW, shownH] = ShownShape(fit.aspect, profile->GetAspect(), shape);
    const bool forcedShape = shownW > 0;
    // The width of one stored pixel as shown, in rows: an automatic frame
    // keeps the pixel of its source.
    double pixel = 1;
    if (forcedShape)
        pixel = static_cast<double>(shownW) * H / (static_cast<double>(shownH) * W);
    else if (!fixedFrame)
        pixel = static_cast<double>(frameSource.pixelWidth) / static_cast<double>(frameSource.pixelHeight);

    bool toWidth = settings.FitToWidth != 0, toHeight = settings.FitToHeight != 0;
    bool expand = settings.Expand2VideoSize != 0 || forcedShape || fit.keepFrame;
    int rounding = settings.RoundTo16Pixels ? 16 : 2;
    if (!fixedFrame && forcedShape) {
        // The source's own frame shown in another shape holds the whole picture.
        toWidth = shape >= static_cast<double>(shownW) / shownH;
        toHeight = !toWidth;
    }
    if ((((media->m_nRotate % 4) + 4) % 4) % 2 != 0) {
        // Turned by the user: fitted by its height.
        toWidth = false;
        toHeight = expand = true;
        rounding = 2;
    }
    auto round = [&](int g) { return Even(g / rounding * rounding); };
    // Scales to sw x sh (one side already W or H), then crops or pads the
    // other side to W x H around the centre.
    auto scaleToFit = [&](int sw, int sh) {
        vf(FormatW(L"scale=%d:%d", sw, sh));
        if (sw > W || sh > H)
            vf(FormatW(L"crop=%d:%d:%d:%d", W, H, (sw - W) / 2, (sh - H) / 2));
        else
            vf(FormatW(L"pad=%d:%d:%d:%d", W, H, (W - sw) / 2, (H - sh) / 2));
    };
    if (toWidth || toHeight) {
        // The side the picture fills stays; the other follows its shape.
        const int G = round(Whole(toWidth ? W * pixel / shape : H * shape / pixel));
        const int sw = toWidth ? W : G, sh = toWidth ? G : H;
        if (expand) {
            scaleToFit(sw, sh);
        } else {
            W = sw;
            H = sh;
            vf(FormatW(L"scale=%d:%d", W, H));
        }
    } else {
        vf(FormatW(L"scale=%d:%d", W, H));
    }
    if (fixedFrame || forcedShape) {
        // Exactly the pixel of the shape the frame is shown in, whatever the
        // scale's rounding made of the picture's.
        const long long w = static_cast<long long>(forcedShape ? shownW : W) * H;
        const long long h = static_cast<long long>(forcedShape ? shownH : H) * W, g = std::gcd(w, h);
        vf(FormatW(L"setsar=%lld/%lld", w / g, h / g));
    }
    if (!forcedShape) {
        const long long w = W * (fixedFrame ? 1 : frameSource.pixelWidth);
        const long long h = H * (fixedFrame ? 1 : frameSource.pixelHeight);
        const long long g = fixedFrame ? 1 : std::gcd(w, h);
        shownW = static_cast<int>(w / g);
        shownH = static_cast<int>(h / g);
    }
    values.scaledWidth = W;
    values.scaledHeight = H;
    values.shownWidth = shownW;
    values.shownHeight = shownH;
}

std::wstring GetAspectText(const VXM_BUILD_VALUES& values, const std::wstring& aspect)
{
    if (aspect == L"16/9")
        return L"16:9";
    if (aspect == L"4/3")
        return L"4:3";
    if (!aspect.empty() && !EqualsNoCase(aspect, L"AUTO"))
        return aspect;
    if (values.shownWidth > 0 && values.shownHeight > 0)
        return FormatW(L"%d:%d", values.shownWidth, values.shownHeight);
    return L"4:3";  // nothing is known of the picture
}
