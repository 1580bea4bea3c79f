// A DVD title's program stream as one seekable byte sequence: the sectors of
// the title's cells (a chapter range of them, one angle of angle blocks) in
// playing order. The cells come from the structure the DVD reader tool
// answered for the disc (DvdStructure.h); libdvdread only reads the title
// set's video files here, never the disc's information files.
#pragma once
#include "VXMTypes.h"
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <dvdread/dvd_reader.h>

#include "DvdInfo.h"

class CDvdTitleStream : private CNonCopyable {
public:
    CDvdTitleStream() = default;
    ~CDvdTitleStream();

    // title 1-based; first/last chapter and angle 1-based or -1 (the whole
    // title, the first angle). False with a log line when the device holds
    // no such title or the range is not in it.
    bool Open(const std::string& device, int title, int firstChapter, int lastChapter, int angle);
    // Bytes read (0 at the end), or -1 on a read error.
    int Read(std::uint8_t* buffer, int size);
    // Absolute position; false when outside the stream.
    bool Seek(std::int64_t position);
    std::int64_t Position() const { return m_position; }
    std::int64_t Size() const { return m_totalBlocks * DVD_VIDEO_LB_LEN; }

    // The cells of one program chain of a title: cells 1..count of the chain
    // are the title's cells first..first + count - 1 (0-based).
    struct Chain {
        size_t first = 0;
        int count = 0;
    };
    // Cells of chapters first..last (1-based; last -1 = to the title's end)
    // of one program chain each, in playing order: cells first_cell..last_cell
    // (1-based in `chain`). False when a chapter is not there or its cells lie
    // outside the title's.
    struct CellRange {
        Chain chain;
        int pgc = 0;
        int first_cell = 0;
        int last_cell = 0;
    };
    static bool ChapterCells(const dvd_title_record& title, int first, int last, std::vector<CellRange>& out);

private:
    struct Extent {
        std::uint32_t first = 0;     // sector in the title set's VOBs
        std::uint32_t count = 0;     // sectors
        std::int64_t start = 0;      // first block's index in the stream
    };
    const dvd_cell_entry& Cell(const Chain& chain, int number) const;
    void AddExtent(std::uint32_t first, std::uint32_t count);
    // Cells first..last (1-based) of a chain; of an angle block only the
    // angle's own cell.
    bool AddCells(const Chain& chain, int first, int last, int angle);
    bool AddAngleCell(const dvd_cell_entry& cell, int angle);
    bool FillCache(std::int64_t block);
    // Presentation start or end (90 kHz) of the VOBU whose navigation pack
    // is at the sector; -1 when it cannot be read.
    std::int64_t VobuTime(std::uint32_t sector, bool end);
    // The multiplexer sends audio ahead of its pictures: a range that starts
    // inside a chain carries audio of the chapter before it, and the audio of
    // its own end lies in the cells after it. Packets outside the range's
    // time become padding: early audio at the start; in the tail read after
    // the range, everything but the audio that plays before its end.
    void MaskPack(std::uint8_t* pack, bool tail) const;
    // Appends the tail: the first blocks of the cells after `lastCell`.
    void AddTail(const Chain& chain, int lastCell);

    std::shared_ptr<const dvd_info> m_disc;
    const dvd_title_record* m_title = nullptr;
    dvd_reader_t* m_reader = nullptr;
    dvd_file_t* m_file = nullptr;
    std::vector<Extent> m_extents;
    std::int64_t m_totalBlocks = 0;
    std::int64_t m_position = 0;
    std::int64_t m_startPts = -1;    // 90 kHz; -1: nothing to drop at the start
    std::int64_t m_endPts = -1;      // 90 kHz; -1: no tail
    std::int64_t m_tailStart = -1;   // first block of the tail
    // Blocks read ahead: m_cacheCount blocks from stream block m_cacheStart.
    std::vector<std::uint8_t> m_cache;
    std::int64_t m_cacheStart = -1;
    int m_cacheCount = 0;
};
