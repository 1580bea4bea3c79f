// The screen of the player: pictures, the compare view, borders and the
// hand-over of changed pixels to the host window.
#include "ffplay_state.h"

#include "IVXMStreams.h"
#include "Watermarks.h"
#include "ffplay_picture.h"

namespace ffplay_detail {

FFplayRect g_rects[2];
float g_aspect = 0.0f;


void Present(CScreen& sc, const SDL_Rect& r)
{
    if (!sc.surface || r.w == 0 || r.h == 0) return;
    SDL_UpdateRect(sc.surface, r.x, r.y, r.w, r.h);
    if (!sc.host) return;
    RECT changed{r.x, r.y, r.x + r.w, r.y + r.h};
    if (SDL_MUSTLOCK(sc.surface)) SDL_LockSurface(sc.surface);
    sc.host->Present(sc.surface->pixels, sc.surface->pitch, sc.surface->w, sc.surface->h, changed);
    if (SDL_MUSTLOCK(sc.surface)) SDL_UnlockSurface(sc.surface);
}

void FillRect(CScreen& sc, SDL_Rect r, Uint32 color)
{
    if (r.w == 0 || r.h == 0) return;
    SDL_FillRect(sc.surface, &r, color);
    Present(sc, r);
}

SDL_Rect DisplayRect(const SDL_Rect& win, const AVFrame* f, float* aspect)
{
    double sar = f->sample_aspect_ratio.num ? av_q2d(f->sample_aspect_ratio) : 1.0;
    if (sar <= 0.0) sar = 1.0;
    double ar = sar * f->width / f->height;
    *aspect = static_cast<float>(ar);
    int h = win.h;
    int w = static_cast<int>(lrint(h * ar)) & ~1;
    if (w > win.w) {
        w = win.w;
        h = static_cast<int>(lrint(w / ar)) & ~1;
    }
    SDL_Rect r;
    r.x = static_cast<Sint16>(win.x + (win.w - w) / 2);
    r.y = static_cast<Sint16>(win.y + (win.h - h) / 2);
    r.w = static_cast<Uint16>(std::max(w, 1));
    r.h = static_cast<Uint16>(std::max(h, 1));
    return r;
}

void EnsureOverlay(SDL_Overlay*& ov, const AVFrame* f, SDL_Surface* screen)
{
    if (ov && ov->w == f->width && ov->h == f->height) return;
    if (ov) SDL_FreeYUVOverlay(ov);
    ov = SDL_CreateYUVOverlay(f->width, f->height, SDL_YV12_OVERLAY, screen);
    if (ov && (ov->pitches[0] < f->width || ov->planes < 3)) {
        SDL_FreeYUVOverlay(ov);
        ov = nullptr;
    }
    if (!ov)
        av_log(nullptr, AV_LOG_FATAL,
               "Error: the video system does not support an image\nsize of %dx%d pixels. Try using -lowres or -vf "
               "\"scale=w:h\"\nto reduce the image size.\n",
               f->width, f->height);
}

void BuildTable(FFplayAdjustTable& t)
{
    if (t.built) return;
    t.identity = IsIdentityAdjust(t.contrast, t.brightness, t.gamma);
    BuildAdjustLut(t.contrast, t.brightness, t.gamma, t.lut);
    t.built = 1;
}

// Blits a watermark onto the screen at the picture's origin plus (x, y).
void BlitWatermark(CScreen& sc, SDL_Surface* wm, const SDL_Rect& rect, int x, int y)
{
    SDL_Rect dst{static_cast<Sint16>(rect.x + x), static_cast<Sint16>(rect.y + y), static_cast<Uint16>(wm->w),
                 static_cast<Uint16>(wm->h)};
    if (SDL_BlitSurface(wm, nullptr, sc.surface, &dst) == 0 && dst.w && dst.h) Present(sc, dst);
}

// The media's watermarks on the screen: the text always, the image's screen
// copy in the compare view when its reference size is known.
void DrawScreenWatermark(CVideoState* is, CScreen& sc, const SDL_Rect& rect, bool compare = false)
{
    CVXMMediaBase* media = is->runner ? is->runner->m_pMedia : nullptr;
    if (!media) return;
    std::lock_guard<std::mutex> lock(WatermarkSwapLock());
    const VXM_WATERMARK& img = media->m_wmImage;
    if (compare && media->m_pImageWatermarkScaled && img.m_nRefWidth && img.m_nRefHeight)
        BlitWatermark(sc, media->m_pImageWatermarkScaled, rect, img.m_nX, img.m_nY);
    if (media->m_pTextWatermark)
        BlitWatermark(sc, media->m_pTextWatermark, rect, media->m_wmText.m_nX, media->m_wmText.m_nY);
}

// A quarter-turned media shows its picture at the turned size: the
// rectangle narrows to it and black strips fill its sides.
void NarrowForQuarterTurn(CVideoState* is, CScreen& sc, SDL_Rect& rect, Uint32 black)
{
    const CVXMMediaBase* media = is->runner ? is->runner->m_pMedia : nullptr;
    if (!media || (media->m_nRotate != 1 && media->m_nRotate != 3)) return;
    const IVXMVideo* video = media->GetSelectedVideoStream();
    if (!video || video->GetWidth() <= 0) return;
    const int fit = video->GetHeight() * rect.h / video->GetWidth();
    if (rect.w < fit) return;
    const int m = (rect.w - fit) / 2;
    if (m <= 0) return;
    SDL_Rect leftBar{rect.x, rect.y, static_cast<Uint16>(m), rect.h};
    SDL_Rect rightBar{static_cast<Sint16>(rect.x + rect.w - m), rect.y, static_cast<Uint16>(m), rect.h};
    rect.x = static_cast<Sint16>(rect.x + m);
    rect.w = static_cast<Uint16>(rect.w - 2 * m);
    FillRect(sc, leftBar, black);
    FillRect(sc, rightBar, black);
}

// The media's image watermark into the overlay, at its position scaled from
// the reference picture to the video's size.
void DrawImageWatermark(CVideoState* is, SDL_Overlay* ov)
{
    CVXMMediaBase* media = is->runner ? is->runner->m_pMedia : nullptr;
    if (!media || !ov || ov->format != SDL_YV12_OVERLAY) return;
    std::lock_guard<std::mutex> lock(WatermarkSwapLock());
    if (!media->m_pImageWatermark) return;
    const VXM_WATERMARK& wm = media->m_wmImage;
    const int refW = wm.m_nRefWidth > 0 ? wm.m_nRefWidth : ov->w;
    const int refH = wm.m_nRefHeight > 0 ? wm.m_nRefHeight : ov->h;
    const int x = static_cast<int>(static_cast<int64_t>(std::max(wm.m_nX, 0)) * ov->w / refW);
    const int y = static_cast<int>(static_cast<int64_t>(std::max(wm.m_nY, 0)) * ov->h / refH);
    SDL_LockYUVOverlay(ov);
    uint8_t* const planes[3] = {ov->pixels[0], ov->pixels[2], ov->pixels[1]};
    const int pitches[3] = {ov->pitches[0], ov->pitches[2], ov->pitches[1]};
    DrawSurfaceIntoYuv(media->m_pImageWatermark, planes, pitches, ov->w, ov->h, x, y);
    SDL_UnlockYUVOverlay(ov);
}

// Copies the frame into the overlay (YV12: Y, V, U), through the tables when given.
void FillOverlay(SDL_Overlay* ov, const AVFrame* f, FFplayAdjustTable* tables)
{
    SDL_LockYUVOverlay(ov);
    const int planeOf[3] = {0, 2, 1};
    for (int p = 0; p < 3; p++) {
        const int w = p ? (f->width + 1) / 2 : f->width;
        const int h = p ? (f->height + 1) / 2 : f->height;
        uint8_t* dst = ov->pixels[planeOf[p]];
        const uint8_t* src = f->data[p];
        FFplayAdjustTable* t = tables ? &tables[p] : nullptr;
        if (t) BuildTable(*t);
        for (int y = 0; y < h; y++) {
            uint8_t* d = dst + y * ov->pitches[planeOf[p]];
            const uint8_t* s = src + y * f->linesize[p];
            if (t && !t->identity)
                for (int x = 0; x < w; x++) d[x] = t->lut[s[x]];
            else
                memcpy(d, s, w);
        }
    }
    SDL_UnlockYUVOverlay(ov);
}

void DisplayPicture(CVideoState* is, CScreen& sc)
{
    const AVFrame* f = is->shown.frame;
    if (!f || !sc.surface) return;
    EnsureOverlay(is->overlay, f, sc.surface);
    if (!is->overlay) return;
    const AVFrame* pic = SubtitledPicture(is);
    FillOverlay(is->overlay, pic, nullptr);
    if ((g_nDisplayMode & 2) && !(g_nDisplayMode & 1)) DrawImageWatermark(is, is->overlay);
    const SDL_Rect& win = sc.window;
    const Uint32 black = SDL_MapRGB(sc.surface->format, 0, 0, 0);
    SDL_Rect rect = DisplayRect(win, f, &g_aspect);

    if (g_nDisplayMode & 1) {
        const int half = win.w / 2;
        int h = win.h;
        int w = static_cast<int>(h * g_aspect) & ~1;
        if (w > half) {
            w = half;
            h = static_cast<int>(w / g_aspect) & ~1;
        }
        SDL_Rect left;
        left.x = static_cast<Sint16>(win.x + (half - w) / 2);
        left.y = static_cast<Sint16>(win.y + (win.h - h) / 2);
        left.w = static_cast<Uint16>(std::max(w - 5, 1));
        left.h = static_cast<Uint16>(std::max(h, 1));
        SDL_Rect right = left;
        right.x = static_cast<Sint16>(win.x + half + 5);
        g_rects[0] = {left.x, left.y, left.w, left.h};
        g_rects[1] = {right.x, right.y, right.w, right.h};
        if (is->runner && is->runner->m_hNotifyWnd)
            PostMessage(is->runner->m_hNotifyWnd, WM_VXM_PREVIEW_RECT, reinterpret_cast<WPARAM>(&g_rects[0]),
                        reinterpret_cast<LPARAM>(&g_aspect));
        SDL_DisplayYUVOverlay(is->overlay, &left);
        Present(sc, left);
        AVFrame* changed = ClipSettingsPicture(is->runner ? is->runner->m_pMedia : nullptr, pic);
        const AVFrame* rightPic = changed ? changed : pic;
        EnsureOverlay(is->overlay2, rightPic, sc.surface);
        if (is->overlay2) {
            FillOverlay(is->overlay2, rightPic, is->opts->adjust);
            SDL_DisplayYUVOverlay(is->overlay2, &right);
            Present(sc, right);
            DrawScreenWatermark(is, sc, right, true);
        }
        av_frame_free(&changed);
        // Grey bands: above, between and below the pictures.
        const Uint32 grey = SDL_MapRGB(sc.surface->format, 240, 240, 240);
        SDL_Rect top{win.x, win.y, win.w, static_cast<Uint16>(std::max(0, left.y - win.y))};
        SDL_Rect gap{static_cast<Sint16>(left.x + left.w), left.y,
                     static_cast<Uint16>(std::max(0, right.x - (left.x + left.w))), left.h};
        const int bottomY = left.y + left.h;
        SDL_Rect bottom{win.x, static_cast<Sint16>(bottomY), win.w,
                        static_cast<Uint16>(std::max(0, win.y + win.h - bottomY))};
        FillRect(sc, top, grey);
        FillRect(sc, gap, grey);
        FillRect(sc, bottom, grey);
        is->last_rect = rect;
        return;
    }

    NarrowForQuarterTurn(is, sc, rect, black);
    if (is->force_refresh || memcmp(&rect, &is->last_rect, sizeof(rect)) != 0) {
        // Black borders around the picture.
        FillRect(sc, win, black);
        is->force_refresh = false;
    }
    SDL_DisplayYUVOverlay(is->overlay, &rect);
    Present(sc, rect);
    DrawScreenWatermark(is, sc, rect);
    is->last_rect = rect;
}

// Puts the queue's first picture on the screen (the lock held on entry is
// given up).
void ShowNext(CVideoState* is, CScreen& sc, std::unique_lock<std::mutex>& lock)
{
    av_frame_free(&is->shown.frame);
    is->shown = is->pictq.front();
    is->pictq.pop_front();
    is->pict_cond.notify_all();
    is->video_clock = is->shown.pts;
    int seeked = is->shown.serial;
    is->seek_serial.compare_exchange_strong(seeked, -1);
    lock.unlock();
    DisplayPicture(is, sc);
}

// Shows the next picture when its time has come; paused, only the first
// picture of a seek, at which the clock then stands.
void VideoRefresh(CVideoState* is, CScreen& sc)
{
    if (is->video_stream < 0) return;
    const bool paused = is->paused.load();
    if (paused && is->seek_serial.load() < 0) return;
    std::unique_lock<std::mutex> lock(is->pict_lock);
    const int serial = is->videoq.Serial();
    while (!is->pictq.empty() && is->pictq.front().serial != serial) {
        av_frame_free(&is->pictq.front().frame);
        is->pictq.pop_front();
    }
    if (is->pictq.empty()) return;
    CPicture& next = is->pictq.front();
    if (paused) {
        if (next.serial != is->seek_serial.load()) return;
        MasterClock(is);   // takes the seek's clock first, so it does not replace the picture's
        if (!std::isnan(next.pts)) {
            is->clock_base = next.pts;
            is->clock_start = is->paused_at;
        }
        ShowNext(is, sc, lock);
        return;
    }
    double master = MasterClock(is);
    if (std::isnan(master) && !std::isnan(next.pts)) {
        SetExternalClock(is, next.pts);
        master = next.pts;
    }
    const double diff = std::isnan(next.pts) || std::isnan(master) ? 0.0 : next.pts - master;
    if (diff > 0.0 && diff < kNoSyncThreshold) return;   // not yet
    // Too late: drop it when a later picture is already waiting.
    if (diff < -kSyncThresholdMax && is->pictq.size() > 1 && is->opts->framedrop != 0) {
        av_frame_free(&next.frame);
        is->pictq.pop_front();
        is->pict_cond.notify_all();
        return;
    }
    ShowNext(is, sc, lock);
}

}  // namespace ffplay_detail
