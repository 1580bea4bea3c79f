// A DVD opened with libdvdread: the reader, the video manager's table of
// titles and the title sets' information, each read once and closed with
// the object.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

class CDvdDisc {
public:
    CDvdDisc() = default;
    ~CDvdDisc();
    CDvdDisc(const CDvdDisc&) = delete;
    CDvdDisc& operator=(const CDvdDisc&) = delete;

    // False when the path holds no DVD with a readable title table.
    bool Open(const std::string& path);
    int TitleCount() const;
    // 1-based; null out of range.
    const title_info_t* Title(int number) const;
    // The title set's information (VTS_nn_0.IFO); null when unreadable.
    ifo_handle_t* TitleSet(int number);
    // True when the title set's video files can be opened.
    bool HasTitleVideo(int number);
    // The disc's volume name; "" when it has none (a folder).
    std::string VolumeLabel() const;

private:
    dvd_reader_t* m_reader = nullptr;
    ifo_handle_t* m_vmg = nullptr;
    std::map<int, ifo_handle_t*> m_titleSets;
};

// Milliseconds of a DVD playback time (BCD hours, minutes, seconds, frames;
// the top bits of the frame byte give 25 or 29.97 frames per second).
int DvdTimeToMs(const dvd_time_t& time);
