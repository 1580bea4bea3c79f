// Main-movie detection: finds the title a viewer means by "the film" (the
// longest title; of equally long ones the one with more chapters, then the
// first), from the structure the DVD reader tool answers. One object per
// opened disc; the detection runs on a thread of the caller's and can be
// asked to end early from any thread.
#pragma once
#include <atomic>
#include <memory>

#include "DvdInfo.h"

class CDravel {
public:
    // Clears the end flags before a detection starts.
    void InitDravel();
    // Stores the main movie's title number in *mainMovie (left -1 when none
    // is found or the detection was ended early), its chapter count in
    // *chapters and its title set in *titleSet. 0 when a main movie was
    // found, -1 otherwise. `path` points at the disc's narrow path.
    int FindTitleNrOfMainmovie(const char* const* path, int discSizeMiB, std::atomic<int>* mainMovie,
                               std::atomic<int>* chapters, std::atomic<int>* titleSet);
    // Nonzero once a detection has ended (found, failed or stopped).
    unsigned char GetFindEnd() const { return m_bFindEnd.load() ? 1 : 0; }
    // Asks a running detection to end: its read of the disc stops.
    void SetFindEnd() { m_bStop.store(true); }
    void ReleaseDravel();
    // The structure the last successful detection read (once; null after, or
    // when it failed), so that the disc is read once per opening. Call it
    // after the detection has ended.
    std::shared_ptr<const dvd_info> TakeStructure();

private:
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bFindEnd{false};
    std::shared_ptr<const dvd_info> m_read;
};
