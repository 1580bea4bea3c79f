// The preview player: plays a media object into the host window named by
// SDL_WINDOWID and obeys the control events below. One player at a time.
#pragma once

#include "platform/types.h"

class CCmdFFplay;

// Control events: SDL_USEREVENT with the number in user.code and data1
// pointing at a value that the sender keeps alive.
enum {
    FFPLAY_EVENT_ALLOC = 24,        // picture allocation (internal)
    FFPLAY_EVENT_QUIT = 26,
    FFPLAY_EVENT_PAUSE = 27,        // toggle pause
    FFPLAY_EVENT_SEEK = 28,         // data1: float seconds
    FFPLAY_EVENT_SEEK2 = 29,
    FFPLAY_EVENT_VOLUME = 30,       // data1: int percent
    FFPLAY_EVENT_MUTE = 31,
    FFPLAY_EVENT_BRIGHTNESS = 32,   // data1: int -100..100
    FFPLAY_EVENT_CONTRAST = 33,     // data1: int -100..100
    FFPLAY_EVENT_SATURATION = 34,   // data1: int -100..100
    FFPLAY_EVENT_RESERVED1 = 35,
    FFPLAY_EVENT_RESERVED2 = 36,
    FFPLAY_EVENT_STOP = 124,
};

// The runner's mode-1 entry: the wide command line and the runner (its
// media, notify window and stop word). Plays until the end of the input, a
// stop or a quit; posts WM_VXM_PLAY_FINISHED to the notify window. Returns 0,
// or -1 when the host window's video mode cannot be set.
int ffplay_play(void* commandLine, CCmdFFplay* runner);
// Asks the running player of this runner to stop (any thread).
void ffplay_request_quit(CCmdFFplay* runner);
// Pushes a control event to the running player. False when no player
// takes events now.
bool ffplay_push_event(int code, void* data1);
// Tells the running player that its host window changed size; it takes the
// new size from the host and draws the picture again.
bool ffplay_push_resize();

// What the running player is doing (for the program's state queries and
// tests); all zero while no player runs.
struct FFplayStatus {
    int running = 0;
    int paused = 0;
    int volume = 0;                 // 0..128
    double position = 0.0;          // seconds
    double luma_brightness = 0.0;
    double luma_contrast = 1.0;
    double chroma_contrast = 1.0;
    int audio_stream = -1;          // stream indices in use, -1 none
    int video_stream = -1;
    int subtitle_stream = -1;
};
FFplayStatus ffplay_status();

// The display rectangles of the compare view (left, right) and the display
// aspect ratio; WM_VXM_PREVIEW_RECT points at these, and they stay valid
// for the life of the process.
struct FFplayRect {
    int16_t x, y;
    uint16_t w, h;
};
const FFplayRect* ffplay_compare_rects();
const float* ffplay_display_aspect();
