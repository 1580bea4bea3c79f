// A DVD opened with libdvdread: the reader, the video manager's table of
// titles and the title sets' information, each read once and closed with
// the object.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <dvdread/dvd_reader.h>
#include <dvdread/ifo_read.h>
#include <dvdread/ifo_types.h>

// Cells a title (or a chapter range of it) plays in one program chain:
// cells first..last are 1-based cell numbers of `pgc`.
struct DvdCellRange {
    int title_set = 0;
    pgc_t* pgc = nullptr;
    int first_cell = 0;
    int last_cell = 0;
};

class CDvdDisc {
public:
    CDvdDisc() = default;
    ~CDvdDisc();
    CDvdDisc(const CDvdDisc&) = delete;
    CDvdDisc& operator=(const CDvdDisc&) = delete;

    // False when the path holds no DVD with a readable title table.
    bool Open(const std::string& path);
    dvd_reader_t* Reader() const { return m_reader; }
    int TitleCount() const;
    // 1-based; null out of range.
    const title_info_t* Title(int number) const;
    // The title set's information (VTS_nn_0.IFO); null when unreadable.
    ifo_handle_t* TitleSet(int number);
    // The program chain of the title's first chapter (1-based pgc number in
    // `pgcn`); null when the title set cannot be read.
    pgc_t* TitlePgc(int title, int* pgcn = nullptr);
    // Cells of chapters first..last (1-based; last -1 = to the title's
    // end), one range per program chain in playing order. False when the
    // title or a chapter does not exist.
    bool ChapterCells(int title, int first, int last, std::vector<DvdCellRange>& out);
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
