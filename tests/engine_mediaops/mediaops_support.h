// Helpers of the media operation tests: a window that keeps what the engine
// posts, and a seam that records the command lines the runners are given.
#pragma once
#include "RunnerHooks.h"
#include "VXMMessages.h"
#include "platform/messages.h"

#include <mutex>
#include <string>
#include <vector>

namespace mediaopstest {

struct CPosted {
    UINT message;
    long long wParam;
    LPARAM lParam;
    std::wstring text;  // the path of WM_VXM_JOIN_FINISHED
};

class CRecordingWindow {
public:
    CRecordingWindow();
    HWND Get() const { return m_window.Get(); }
    // Pumps the test thread's queue until a message of the kind came.
    bool WaitFor(UINT message);
    // Dispatches what is queued now.
    void Pump();
    int CountOf(UINT message) const;
    const std::vector<CPosted>& Messages() const { return m_messages; }

private:
    std::vector<CPosted> m_messages;
    CMessageWindow m_window;
};

// Replaces the in-process entries by recorders that keep each command line
// and answer with the given exit code; restores them when it goes.
class CRecordingSeam {
public:
    explicit CRecordingSeam(int exitCode = 0);
    ~CRecordingSeam();
    std::vector<std::wstring> Lines() const;

private:
    VXM_RUNNER_HOOKS m_saved;
};

std::wstring W(const std::string& text);
std::string N(const std::wstring& text);
// The clip's duration in ms as Debian's ffprobe reads it; -1 on failure.
int ProbeDurationMs(const std::string& path);
// Number of streams of a kind ("v", "a", "s") in the file, by ffprobe.
int CountStreams(const std::string& path, const std::string& kind);

// Tags an audio file the way taggers tag its format (by its extension):
// title, artist, album, track and the picture `cover` (a JPEG) in the
// format's own tag kind (MP3 and ADTS AAC: ID3v2 in front); AC3 and DTS,
// which have none, get an APEv2 tag.
// False when the format has no tagger here or tagging failed.
bool TagLikeTaggers(const std::string& path, const std::string& cover);
// A 300x300 JPEG, as covers are.
bool MakeCover(const std::string& path);
// The streams of a file as ffprobe lists them, one letter each: a audio,
// v video, i a video of one picture, p attached picture, t attachment,
// s subtitle, d data, 0 a sound or video stream without a packet.
std::string StreamShape(const std::string& path);

}  // namespace mediaopstest
