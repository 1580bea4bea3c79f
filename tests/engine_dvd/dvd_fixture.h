// A small DVD made once per test program: a VIDEO_TS folder with two titles
// authored by dvdauthor from ffmpeg's PAL DVD output of test-source clips.
//   title 1: 2.0 s, chapters at 0 and 1 s, one AC-3 track ("en")
//   title 2: 3.5 s, chapters at 0, 1 and 2 s, two AC-3 tracks ("en", "de")
#pragma once
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/messages.h"

namespace dvdtest {

constexpr double kTitle1Seconds = 2.0;
constexpr double kTitle2Seconds = 3.5;

// The disc folder (holding VIDEO_TS); "" when it could not be made.
const std::string& TestDvd();

// A window of the test thread that keeps what reaches it (posted or sent).
// For WM_VXM_DVD_PARSED it keeps the parse result wParam points at.
class CNotifyWindow {
public:
    CNotifyWindow();
    HWND Get() const { return m_window.Get(); }
    // Pumps the thread's messages until `message` reached the window (true)
    // or the time is up.
    bool WaitFor(UINT message);
    int Count(UINT message) const;
    // wParam of the last message of that number (for the parse message: the result).
    long long Last(UINT message) const;
    // Called inside the handler for every message (may be empty).
    std::function<void(UINT, WPARAM, LPARAM)> m_onMessage;

private:
    std::vector<std::pair<UINT, long long>> m_messages;
    CMessageWindow m_window;
};

// Duration in seconds of a media file as libavformat reads it; -1 on failure.
double FileSeconds(const std::string& path);

}  // namespace dvdtest
