// Still pictures of the player: a decoded picture written as a 24-bit BMP or
// a PNG file with a unique name, each on its own short-lived thread.
#pragma once
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "display_turn.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace ffplay_detail {

// Writes the picture as "<folder>/snapshot[_NNN].bmp". True when written;
// *written gets the path. A failed write leaves no file behind.
bool WriteSnapshotBmp(const AVFrame* picture, const std::wstring& folder, std::wstring* written = nullptr);
// The same as a PNG file (libavcodec's PNG encoder, RGB24).
bool WriteSnapshotPng(const AVFrame* picture, const std::wstring& folder, int swsFlags,
                      std::wstring* written = nullptr);

// The writer threads of one player; every thread is joined by Join or the
// destructor.
class CSnapshotWriters {
public:
    ~CSnapshotWriters() { Join(); }
    // Starts a writer for a copy of the picture, turned as shown: format 0 = BMP, else PNG.
    void Start(const AVFrame* picture, const std::wstring& folder, int format, int swsFlags,
               const CDisplayTurn& turn);
    void Join();

private:
    std::mutex m_lock;
    std::vector<std::thread> m_threads;
};

}  // namespace ffplay_detail
