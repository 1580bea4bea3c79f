// The preview player: its entry for the job runner, the clocks, the event
// loop that obeys the control events, and the status it publishes.
#include "ffplay_state.h"
#include "CmdFFplay.h"
#include "VXMMediaBase.h"
#include "platform/environment.h"

namespace ffplay_detail {

double MasterClock(CVideoState* is)
{
    const double seekClock = is->seek_clock.exchange(NAN);
    if (!std::isnan(seekClock)) {
        is->clock_base = seekClock;
        is->clock_start = Now();
        is->paused_at = is->clock_start;
    }
    if (is->paused.load()) {
        double a = is->audio_clock.load();
        if (is->audio_open && !std::isnan(a)) return a;
        return is->clock_base + (std::isnan(is->clock_base) ? 0 : is->paused_at - is->clock_start);
    }
    double a = is->audio_clock.load();
    // The device plays no further than a buffer past what it was last given:
    // at the end, or while its thread waits for the processor, the clock holds.
    if (is->audio_open && !std::isnan(a))
        return a + std::min(Now() - is->audio_clock_time.load(), is->audio_buffer_seconds);
    if (std::isnan(is->clock_base)) return NAN;
    return is->clock_base + (Now() - is->clock_start);
}

void SetExternalClock(CVideoState* is, double pts)
{
    is->clock_base = pts;
    is->clock_start = Now();
    is->paused_at = is->clock_start;
}

void TogglePause(CVideoState* is)
{
    if (is->paused.load()) {
        if (!std::isnan(is->clock_base)) is->clock_start += Now() - is->paused_at;
        is->audio_clock_time = Now();
        if (is->audio_open) SDL_PauseAudio(0);
        is->paused = false;
    } else {
        is->paused_at = Now();
        // Without sound the clock is the pictures': paused, it stands at the
        // one shown, which a busy machine shows late.
        const double shown = is->video_clock.load();
        if (!is->audio_open && !std::isnan(shown) && !std::isnan(is->clock_base)) {
            is->clock_base = shown;
            is->clock_start = is->paused_at;
        }
        if (is->audio_open) SDL_PauseAudio(1);
        is->paused = true;
    }
    is->continue_read.notify_all();
}


}  // namespace ffplay_detail

using namespace ffplay_detail;

namespace {

std::mutex g_statusLock;
FFplayStatus g_status;
std::atomic<int> g_eventsOpen{0};
std::mutex g_pushLock;   // no push while SDL's queue opens or closes

void SetEventsOpen(int open)
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    g_eventsOpen = open;
}

void SetStatus(const FFplayStatus& s)
{
    std::lock_guard<std::mutex> lock(g_statusLock);
    g_status = s;
}

bool PlayEnded(CVideoState* is)
{
    // Paused, the play holds its picture even at the end.
    if (!is->eof.load() || is->paused.load()) return false;
    if (is->video_stream >= 0) {
        if (!is->video_finished.load()) return false;
        std::lock_guard<std::mutex> lock(is->pict_lock);
        if (!is->pictq.empty()) return false;
    }
    if (is->audio_stream >= 0) {
        if (!is->audio_finished.load()) return false;
        std::lock_guard<std::mutex> lock(is->audio_lock);
        if (!is->audioq_out.empty()) return false;
    }
    return true;
}

void PublishStatus(CVideoState* is, double position)
{
    FFplayStatus s;
    s.running = 1;
    s.paused = is->paused.load();
    s.volume = is->opts->volume;
    s.position = position;
    s.luma_brightness = is->opts->adjust[0].brightness;
    s.luma_contrast = is->opts->adjust[0].contrast;
    s.chroma_contrast = is->opts->adjust[1].contrast;
    s.audio_stream = is->audio_stream;
    s.video_stream = is->video_stream;
    s.subtitle_stream = is->subtitle_stream;
    SetStatus(s);
}

void StatusTick(CVideoState* is)
{
    const double now = Now();
    if (!is->opts->show_status || now - is->last_status < 0.03) return;
    is->last_status = now;
    double master = MasterClock(is);
    if (std::isnan(master)) master = 0.0;
    is->ctx->m_dCurrentTime = master;
    PublishStatus(is, master);
    if (is->runner && is->runner->m_pMedia)
        if (auto* media = dynamic_cast<IVXMMedia*>(is->runner->m_pMedia)) media->ReportProgress(1);
}

void RequestSeek(CVideoState* is, float seconds)
{
    int64_t target = static_cast<int64_t>(static_cast<double>(seconds) * 1000000.0);
    if (is->ic && is->ic->start_time != AV_NOPTS_VALUE) target += is->ic->start_time;
    // Paused, it stays paused: the picture of the new place is shown alone.
    std::lock_guard<std::mutex> lock(is->seek_lock);
    if (is->seek_req) return;   // the pending seek stays
    is->seek_pos = target;
    is->seek_req = true;
    is->continue_read.notify_all();
}

void StopFill(CVideoState* is, CScreen& sc)
{
    if (!sc.surface || is->opts->display_disable) return;
    const Uint32 black = SDL_MapRGB(sc.surface->format, 0, 0, 0);
    if (g_nDisplayMode & 1) {
        for (const FFplayRect& r : g_rects)
            if (r.w > 0 && r.h > 0) FillRect(sc, SDL_Rect{r.x, r.y, r.w, r.h}, black);
    } else {
        FillRect(sc, sc.window, black);
    }
}

// Runs until a stop, a quit or the end of the input.
void EventLoop(CVideoState* is, CScreen& sc)
{
    for (;;) {
        if (is->failed.load()) return;
        if (is->ctx->received_sigterm.load() != 0) {
            if (is->paused.load()) TogglePause(is);
            StopFill(is, sc);
            return;
        }
        SDL_Event ev;
        SDL_PumpEvents();
        if (SDL_PeepEvents(&ev, 1, SDL_GETEVENT, SDL_ALLEVENTS) <= 0) {
            VideoRefresh(is, sc);
            StatusTick(is);
            if (PlayEnded(is)) return;
            SDL_Delay(10);
            continue;
        }
        if (ev.type == SDL_QUIT) return;
        if (ev.type == SDL_VIDEORESIZE) {
            if (sc.host) {
                SIZE size = sc.host->GetClientSize();
                if (size.cx > 0 && size.cy > 0) {
                    // Overlays belong to the old mode.
                    if (is->overlay) SDL_FreeYUVOverlay(is->overlay);
                    if (is->overlay2) SDL_FreeYUVOverlay(is->overlay2);
                    is->overlay = is->overlay2 = nullptr;
                    SDL_Surface* s = SDL_SetVideoMode(size.cx, size.cy, 32, SDL_SWSURFACE | SDL_RESIZABLE);
                    if (s) {
                        sc.surface = s;
                        sc.window = SDL_Rect{0, 0, static_cast<Uint16>(size.cx), static_cast<Uint16>(size.cy)};
                    }
                }
            }
            is->force_refresh = true;
            DisplayPicture(is, sc);
            continue;
        }
        if (ev.type != SDL_USEREVENT) continue;
        switch (ev.user.code) {
        case FFPLAY_EVENT_QUIT:
            return;
        case FFPLAY_EVENT_PAUSE:
            TogglePause(is);
            break;
        case FFPLAY_EVENT_SEEK:
        case FFPLAY_EVENT_SEEK2:
            if (ev.user.data1) RequestSeek(is, *static_cast<float*>(ev.user.data1));
            break;
        case FFPLAY_EVENT_VOLUME:
            if (ev.user.data1)
                std::atomic_ref<int>(is->opts->volume)
                    .store(std::clamp(*static_cast<int*>(ev.user.data1) * 128 / 100, 0, 128));
            break;
        case FFPLAY_EVENT_MUTE:
            std::atomic_ref<int>(is->opts->volume).store(0);
            break;
        case FFPLAY_EVENT_BRIGHTNESS:
            if (ev.user.data1) {
                is->opts->adjust[0].brightness = *static_cast<int*>(ev.user.data1) * 0.01;
                is->opts->adjust[0].built = 0;
                BuildTable(is->opts->adjust[0]);
            }
            break;
        case FFPLAY_EVENT_CONTRAST:
            if (ev.user.data1) {
                is->opts->adjust[0].contrast = (*static_cast<int*>(ev.user.data1) + 100) * 0.01;
                is->opts->adjust[0].built = 0;
                BuildTable(is->opts->adjust[0]);
            }
            break;
        case FFPLAY_EVENT_SATURATION:
            if (ev.user.data1) {
                const double c = (*static_cast<int*>(ev.user.data1) + 100) / 100.0;
                for (int i = 1; i < 3; i++) {
                    is->opts->adjust[i].contrast = c;
                    is->opts->adjust[i].built = 0;
                    BuildTable(is->opts->adjust[i]);
                }
            }
            break;
        case FFPLAY_EVENT_STOP:
            if (is->paused.load()) TogglePause(is);
            StopFill(is, sc);
            return;
        default:
            break;   // 24 (pictures are made where they are shown), 35, 36
        }
        PublishStatus(is, is->ctx->m_dCurrentTime.load());
    }
}

// The host window: the media object's preview window, else the one named in
// SDL_WINDOWID (read only; nothing sets it while players run).
HWND HostWindowFor(const CCmdFFplay* runner)
{
    if (runner && runner->m_pMedia && runner->m_pMedia->m_hPreviewWnd)
        return runner->m_pMedia->m_hPreviewWnd;
    const std::string id = GetEnvironmentValue("SDL_WINDOWID").value_or("");
    if (id.empty()) return nullptr;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(strtoull(id.c_str(), nullptr, 10)));
}

void PostFinished(CCmdFFplay* runner)
{
    if (!runner) return;
    // Whoever hears of the end finds the run over.
    runner->SetPlayerEnded();
    if (!runner->m_hNotifyWnd) return;
    std::lock_guard<std::mutex> lock(ConvertRunnerLock());
    if (runner->m_pMedia && runner->m_pMedia->m_bReleasing) return;  // nobody may hear of a media that goes
    IVXMMedia* media = runner->m_pMedia ? dynamic_cast<IVXMMedia*>(runner->m_pMedia) : nullptr;
    PostMessage(runner->m_hNotifyWnd, WM_VXM_PLAY_FINISHED, 0, reinterpret_cast<LPARAM>(media));
}

// The player body, with the player lock held. Returns -1 when the host
// window's video mode cannot be set, else 0.
int PlayLocked(CCmdFFplay* runner, FFplayOptions& opts)
{
    if (opts.input_filename.empty()) {
        av_log(nullptr, AV_LOG_INFO, "Simple media player\n");
        av_log(nullptr, AV_LOG_INFO, "usage: %s [options] input_file\n", "ffplay");
        av_log(nullptr, AV_LOG_INFO, "\n");
        av_log(nullptr, AV_LOG_FATAL, "An input file must be specified\n");
        av_log(nullptr, AV_LOG_FATAL, "Use -h to get full help or, even better, run 'man %s'\n", "ffplay");
        return 0;
    }
    if (opts.display_disable) opts.video_disable = 1;
    // A host paints the pictures itself: SDL's video then runs on its dummy
    // driver and maps no window of its own. Sound keeps the real driver.
    const HWND hwnd = HostWindowFor(runner);
    Uint32 flags = SDL_INIT_TIMER | (hwnd ? 0 : SDL_INIT_VIDEO);
    if (!opts.audio_disable || !opts.extaudio.empty()) flags |= SDL_INIT_AUDIO;
    if (SDL_Init(flags)) {
        av_log(nullptr, AV_LOG_FATAL, "Could not initialize SDL - %s\n", SDL_GetError());
        av_log(nullptr, AV_LOG_FATAL, "(Did you set the DISPLAY variable?)\n");
        return 0;
    }
    struct CSdlQuit {
        ~CSdlQuit()
        {
            SDL_VideoQuit();   // SDL_Quit leaves a video started by name running
            SDL_Quit();
        }
    } sdlQuit;
    if (hwnd) {
        // SDL offers its dummy driver only while the environment names it;
        // child processes never see it named.
        CTemporaryEnvironmentValue driver("SDL_VIDEODRIVER", "dummy");
        if (SDL_VideoInit("dummy", 0)) {
            av_log(nullptr, AV_LOG_FATAL, "Could not initialize SDL - %s\n", SDL_GetError());
            return 0;
        }
    }

    CScreen sc;
    if (hwnd) {
        sc.host = FindPlayerHost(hwnd);
        SIZE size = sc.host ? sc.host->GetClientSize() : SIZE{};
        if (!sc.host || size.cx <= 0 || size.cy <= 0 ||
            !(sc.surface = SDL_SetVideoMode(size.cx, size.cy, 32, SDL_SWSURFACE | SDL_RESIZABLE))) {
            av_log(nullptr, AV_LOG_FATAL, "SDL: could not set video mode - exiting\n");
            return -1;
        }
    } else if (!opts.display_disable) {
        const int w = opts.screen_width ? opts.screen_width : opts.default_width;
        const int h = opts.screen_height ? opts.screen_height : opts.default_height;
        sc.surface = SDL_SetVideoMode(w, h, 32, SDL_SWSURFACE | SDL_RESIZABLE);
        if (!sc.surface) {
            av_log(nullptr, AV_LOG_FATAL, "SDL: could not set video mode - exiting\n");
            return -1;
        }
    }
    if (sc.surface) sc.window = SDL_Rect{0, 0, static_cast<Uint16>(sc.surface->w), static_cast<Uint16>(sc.surface->h)};
    SDL_EventState(SDL_ACTIVEEVENT, SDL_IGNORE);
    SDL_EventState(SDL_SYSWMEVENT, SDL_IGNORE);
    SDL_EventState(SDL_MOUSEBUTTONDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYDOWN, SDL_IGNORE);
    SDL_EventState(SDL_KEYUP, SDL_IGNORE);

    CVideoState main;
    main.runner = runner;
    main.ctx = runner;
    main.opts = &opts;
    main.filename = opts.input_filename;
    g_rects[0] = g_rects[1] = FFplayRect{0, 0, 0, 0};
    SetEventsOpen(1);
    if (StreamOpen(&main) < 0) {
        av_log(nullptr, AV_LOG_FATAL, "Failed to initialize VideoState!\n");
        StreamClose(&main);
        SetEventsOpen(0);
        return 0;
    }
    // A second, audio-only input heard with the main one.
    std::unique_ptr<CVideoState> extra;
    if (!opts.extaudio.empty() && main.audio_stream < 0) {
        extra = std::make_unique<CVideoState>();
        extra->runner = runner;
        extra->ctx = runner;
        extra->opts = &opts;
        extra->filename = opts.extaudio;
        extra->audio_only = true;
        FFplayOptions* o = extra->opts;
        const int videoDisable = o->video_disable;
        o->video_disable = 1;
        if (StreamOpen(extra.get()) < 0) av_log(nullptr, AV_LOG_ERROR, "Failed to open '%s'\n", opts.extaudio.c_str());
        o->video_disable = videoDisable;
    }
    // Without a picture the play has started once its input is open; with
    // one, once the first picture passed the filters.
    if (main.video_stream < 0 && runner) runner->SetPlayerStarted();
    PublishStatus(&main, 0.0);
    EventLoop(&main, sc);
    SetEventsOpen(0);
    StreamClose(&main);
    if (extra) StreamClose(extra.get());
    return main.failed.load() || (extra && extra->failed.load()) ? -1 : 0;
}

}  // namespace

int ffplay_play(void* commandLine, CCmdFFplay* runner)
{
    if (!runner) return -1;
    if (commandLine) runner->m_strCommandLine = static_cast<const wchar_t*>(commandLine);
    LogMessageA(kLogCategory, "%s", WideToAnsi(runner->m_strCommandLine).c_str());

    // One player at a time; a stop while waiting gives up the turn.
    std::unique_lock<std::recursive_mutex> lock(g_csPlayer, std::defer_lock);
    while (!lock.try_lock()) {
        if (runner->received_sigterm.load() != 0) {
            PostFinished(runner);
            return 0;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    FFplayOptions opts;
    ffplay_reset_options(opts);
    IVXMMedia* media = runner->m_pMedia ? dynamic_cast<IVXMMedia*>(runner->m_pMedia) : nullptr;
    if (media && media->GetVideoStreamCount() == 0) opts.display_disable = 1;
    const std::vector<OptionDef> table = ffplay_option_table(opts);
    av_dict_free(&runner->codec_opts);
    av_dict_free(&runner->format_opts);

    int result = 0;
    run_tool_guarded(runner, [&](CToolContext* c) -> int {
        if (ffplay_parse_options(c, opts, table) < 0) return 1;
        result = PlayLocked(runner, opts);
        return 0;
    });
    SetStatus(FFplayStatus());
    if (!runner->argv_ptrs.empty()) runner->argc = 0;
    av_dict_free(&runner->codec_opts);
    av_dict_free(&runner->format_opts);
    av_dict_free(&runner->sws_dict);
    av_dict_free(&runner->swr_opts);
    // The pane must not stay "playing": the end is posted on every path.
    PostFinished(runner);
    // A play that never started failed (input, filters or window).
    return result != 0 ? result : (runner->IsPlayerStarted() ? 0 : -1);
}

void ffplay_request_quit(CCmdFFplay* runner)
{
    if (runner && runner->received_sigterm.load() == 0) runner->received_sigterm = -1;
}

bool ffplay_push_event(int code, void* data1)
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    if (!g_eventsOpen.load()) return false;
    SDL_Event ev{};
    ev.type = SDL_USEREVENT;
    ev.user.code = code;
    ev.user.data1 = data1;
    return SDL_PushEvent(&ev) == 0;
}

bool ffplay_push_resize()
{
    std::lock_guard<std::mutex> lock(g_pushLock);
    if (!g_eventsOpen.load()) return false;
    SDL_Event ev{};
    ev.type = SDL_VIDEORESIZE;
    return SDL_PushEvent(&ev) == 0;
}

FFplayStatus ffplay_status()
{
    std::lock_guard<std::mutex> lock(g_statusLock);
    return g_status;
}

const FFplayRect* ffplay_compare_rects() { return g_rects; }
const float* ffplay_display_aspect() { return &g_aspect; }
