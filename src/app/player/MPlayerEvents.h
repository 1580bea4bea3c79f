// Events of the media player child process, posted to a window as
// WM_VXM_MPLAYER_EVENT with the event code in wParam.
//
// Codes that carry a value by value keep it in lParam itself. Every other code
// carries an owned CMplayerEventPayload: the receiver takes it back at once
// with TakeMplayerEventPayload, so it is freed on every path. A payload whose
// message is never delivered (the window was destroyed) is freed by the queue.
#pragma once
#include "platform/types.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

constexpr UINT WM_VXM_MPLAYER_EVENT = 5123;  // 0x1403

enum EMplayerEvent : WPARAM {
    MPLAYER_EVENT_EXIT = 0,                 // lParam 0
    MPLAYER_EVENT_OPEN_FAILED = 1,          // lParam 0
    MPLAYER_EVENT_VIDEO_WIDTH = 2,          // lParam = width
    MPLAYER_EVENT_VIDEO_HEIGHT = 3,         // lParam = height
    MPLAYER_EVENT_VIDEO_ASPECT = 4,         // payload fValue
    MPLAYER_EVENT_LENGTH = 5,               // payload dValue, seconds
    MPLAYER_EVENT_TIME_POSITION = 6,        // payload dValue, seconds
    MPLAYER_EVENT_DVDNAV_MENU = 7,          // lParam 0
    MPLAYER_EVENT_DVDNAV_MOVIE = 8,         // lParam 0
    MPLAYER_EVENT_DEMUXER = 9,              // payload text
    MPLAYER_EVENT_VIDEO_CODEC = 10,         // payload text
    MPLAYER_EVENT_VIDEO_BITRATE = 11,       // payload nValue
    MPLAYER_EVENT_VIDEO_FPS = 12,           // payload fValue
    MPLAYER_EVENT_AUDIO_CODEC = 13,         // payload text
    MPLAYER_EVENT_AUDIO_BITRATE = 14,       // payload nValue
    MPLAYER_EVENT_AUDIO_RATE = 15,          // payload nValue
    MPLAYER_EVENT_AUDIO_NCH = 16,           // payload nValue
    MPLAYER_EVENT_AUDIO_ONLY = 17,          // lParam 0
    MPLAYER_EVENT_FILE_SUB_ID = 18,         // payload nValue
    MPLAYER_EVENT_BLURAY_TITLE_LENGTH = 19, // payload fValue, seconds
    MPLAYER_EVENT_SCREENSHOT = 20,          // lParam = screenshot number
    MPLAYER_EVENT_VO_SIZE = 21,             // payload text "WxH"
    MPLAYER_EVENT_DVDNAV_TITLE = 22,        // lParam = title number
    MPLAYER_EVENT_SCAN_DONE = 23,           // payload text
};

// The value of one event. Each event gets its own record; only the field its
// code names is set.
struct CMplayerEventPayload {
    double dValue = 0.0;
    float fValue = 0.0f;
    int32_t nValue = 0;
    std::wstring text;

    CMplayerEventPayload() { s_live.fetch_add(1, std::memory_order_relaxed); }
    ~CMplayerEventPayload() { s_live.fetch_sub(1, std::memory_order_relaxed); }
    CMplayerEventPayload(const CMplayerEventPayload&) = delete;
    CMplayerEventPayload& operator=(const CMplayerEventPayload&) = delete;

    // Records alive in this process (queued or not yet freed by a receiver).
    static long LiveCount() { return s_live.load(std::memory_order_relaxed); }

private:
    static inline std::atomic<long> s_live{0};
};

// True for the codes whose lParam points to a CMplayerEventPayload.
constexpr bool MplayerEventHasPayload(WPARAM code)
{
    switch (code) {
    case MPLAYER_EVENT_VIDEO_ASPECT:
    case MPLAYER_EVENT_LENGTH:
    case MPLAYER_EVENT_TIME_POSITION:
    case MPLAYER_EVENT_DEMUXER:
    case MPLAYER_EVENT_VIDEO_CODEC:
    case MPLAYER_EVENT_VIDEO_BITRATE:
    case MPLAYER_EVENT_VIDEO_FPS:
    case MPLAYER_EVENT_AUDIO_CODEC:
    case MPLAYER_EVENT_AUDIO_BITRATE:
    case MPLAYER_EVENT_AUDIO_RATE:
    case MPLAYER_EVENT_AUDIO_NCH:
    case MPLAYER_EVENT_FILE_SUB_ID:
    case MPLAYER_EVENT_BLURAY_TITLE_LENGTH:
    case MPLAYER_EVENT_VO_SIZE:
    case MPLAYER_EVENT_SCAN_DONE:
        return true;
    default:
        return false;
    }
}

// Takes ownership of a received event's payload; null for the codes that carry
// their value in lParam (and for a null lParam).
inline std::unique_ptr<CMplayerEventPayload> TakeMplayerEventPayload(WPARAM code, LPARAM lParam)
{
    if (!MplayerEventHasPayload(code) || lParam == 0) return nullptr;
    return std::unique_ptr<CMplayerEventPayload>(reinterpret_cast<CMplayerEventPayload*>(lParam));
}
