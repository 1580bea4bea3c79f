#include "DvdTitleStream.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include <dvdread/ifo_types.h>
#include <dvdread/nav_read.h>
#include <dvdread/nav_types.h>

#include "DvdStructure.h"
#include "EngineLog.h"

namespace {

constexpr const char* kLogCategory = "CDvdTitleStream";

// libdvdread's errors go to the engine log; its notes are dropped.
void DvdReadLog(void*, dvd_logger_level_t level, const char* format, va_list args)
{
    if (level != DVD_LOGGER_LEVEL_ERROR)
        return;
    char text[512];
    std::vsnprintf(text, sizeof(text), format, args);
    LogMessageA(kLogCategory, "libdvdread: %s", text);
}

const dvd_logger_cb kLogger = {DvdReadLog};

constexpr int kCacheBlocks = 64;
// Audio sent ahead of the pictures lies within the first second or so.
constexpr std::int64_t kEarlyAudioBlocks = 1024;

// A navigation pack: a pack header followed by the PCI and DSI private streams.
bool IsNavPack(const std::uint8_t* block)
{
    static const std::uint8_t kPrivate2[] = {0x00, 0x00, 0x01, 0xbf};
    return std::memcmp(block + 38, kPrivate2, 4) == 0 && std::memcmp(block + 1024, kPrivate2, 4) == 0;
}

}  // namespace

CDvdTitleStream::~CDvdTitleStream()
{
    if (m_file)
        DVDCloseFile(m_file);
    if (m_reader)
        DVDClose(m_reader);
}

const dvd_cell_entry& CDvdTitleStream::Cell(const Chain& chain, int number) const
{
    return m_title->cells[chain.first + static_cast<size_t>(number) - 1];
}

bool CDvdTitleStream::ChapterCells(const dvd_title_record& title, int first, int last, std::vector<CellRange>& out)
{
    out.clear();
    const int count = static_cast<int>(title.chapters.size());
    if (first < 1)
        first = 1;
    if (last == -1)
        last = count;
    if (first > count || last < first || last > count)
        return false;
    for (int j = first; j <= last; ++j) {
        const dvd_chapter_entry& c = title.chapters[j - 1];
        const long long chainStart = static_cast<long long>(c.cell_index) - (c.first_cell - 1);
        if (c.first_cell < 1 || c.last_cell < c.first_cell || c.last_cell > c.pgc_cells || chainStart < 0 ||
            chainStart + c.pgc_cells > static_cast<long long>(title.cells.size()))
            return false;
        if (!out.empty() && out.back().pgc == c.pgc && out.back().last_cell + 1 == c.first_cell) {
            out.back().last_cell = c.last_cell;  // the next chapter of the same chain
            continue;
        }
        out.push_back(CellRange{Chain{static_cast<size_t>(chainStart), c.pgc_cells}, c.pgc, c.first_cell, c.last_cell});
    }
    return !out.empty();
}

void CDvdTitleStream::AddExtent(std::uint32_t first, std::uint32_t count)
{
    if (count == 0)
        return;
    if (!m_extents.empty()) {
        Extent& last = m_extents.back();
        if (last.first + last.count == first) {
            last.count += count;
            m_totalBlocks += count;
            return;
        }
    }
    m_extents.push_back(Extent{first, count, m_totalBlocks});
    m_totalBlocks += count;
}

// The VOBUs of one angle's cell in an interleaved block, followed through
// the search information of their navigation packs.
bool CDvdTitleStream::AddAngleCell(const dvd_cell_entry& cell, int angle)
{
    std::uint8_t block[DVD_VIDEO_LB_LEN];
    std::uint32_t sector = static_cast<std::uint32_t>(cell.first_sector);
    const std::uint32_t lastSector = static_cast<std::uint32_t>(cell.last_sector);
    for (int guard = 0; sector <= lastSector && guard < 1000000; ++guard) {
        if (DVDReadBlocks(m_file, static_cast<int>(sector), 1, block) != 1 || !IsNavPack(block)) {
            LogMessageA(kLogCategory, "no navigation pack at sector %u of angle %d", sector, angle);
            return false;
        }
        dsi_t dsi;
        navRead_DSI(&dsi, block + DSI_START_BYTE);
        AddExtent(sector, dsi.dsi_gi.vobu_ea + 1);
        if (dsi.vobu_sri.next_vobu == SRI_END_OF_CELL)
            break;
        const std::uint32_t step = dsi.vobu_sri.next_vobu & 0x3fffffff;
        if (step == 0)
            break;
        sector += step;
    }
    return true;
}

bool CDvdTitleStream::Open(const std::string& device, int title, int firstChapter, int lastChapter, int angle)
{
    // Only a disc the reader tool could read is opened here.
    m_disc = KnownDvdStructure(device);
    if (!m_disc) {
        LogMessageA(kLogCategory, "\"%s\" holds no readable DVD", device.c_str());
        return false;
    }
    for (const dvd_title_record& r : m_disc->titles)
        if (r.title_number == title)
            m_title = &r;
    if (!m_title) {
        LogMessageA(kLogCategory, "\"%s\" has no title %d", device.c_str(), title);
        return false;
    }
    if (angle < 1)
        angle = 1;
    if (angle > std::max(1, m_title->angle_count)) {
        LogMessageA(kLogCategory, "title %d has no angle %d", title, angle);
        return false;
    }
    // "-chapter N" alone plays chapter N only; no chapter plays the whole title.
    const int last = firstChapter < 1 ? -1 : lastChapter < 1 ? firstChapter : lastChapter;
    std::vector<CellRange> ranges;
    if (!ChapterCells(*m_title, firstChapter, last, ranges)) {
        LogMessageA(kLogCategory, "title %d of \"%s\" has no chapters %d to %d", title, device.c_str(), firstChapter,
                    lastChapter);
        return false;
    }
    m_reader = DVDOpen2(nullptr, &kLogger, device.c_str());
    m_file = m_reader ? DVDOpenFile(m_reader, m_title->second_value, DVD_READ_TITLE_VOBS) : nullptr;
    if (!m_file) {
        LogMessageA(kLogCategory, "the video files of title set %d cannot be opened", m_title->second_value);
        return false;
    }
    for (const CellRange& range : ranges)
        if (!AddCells(range.chain, range.first_cell, range.last_cell, angle))
            return false;
    if (m_totalBlocks == 0) {
        LogMessageA(kLogCategory, "title %d of \"%s\" holds no video", title, device.c_str());
        return false;
    }
    m_cache.resize(static_cast<size_t>(kCacheBlocks) * DVD_VIDEO_LB_LEN);
    const CellRange& head = ranges.front();
    if (head.first_cell > 1)
        m_startPts = VobuTime(static_cast<std::uint32_t>(Cell(head.chain, head.first_cell).first_sector), false);
    const CellRange& end = ranges.back();
    if (end.last_cell < end.chain.count)
        AddTail(end.chain, end.last_cell);
    return true;
}

bool CDvdTitleStream::AddCells(const Chain& chain, int first, int last, int angle)
{
    for (int c = first; c <= last;) {
        const dvd_cell_entry& cell = Cell(chain, c);
        if (cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode == BLOCK_MODE_FIRST_CELL) {
            int end = c;
            while (end < chain.count && Cell(chain, end).block_mode != BLOCK_MODE_LAST_CELL)
                ++end;
            const int pick = c + angle - 1 <= end ? c + angle - 1 : c;
            if (!AddAngleCell(Cell(chain, pick), angle))
                return false;
            c = end + 1;
            continue;
        }
        if (cell.last_sector >= cell.first_sector)
            AddExtent(static_cast<std::uint32_t>(cell.first_sector),
                      static_cast<std::uint32_t>(cell.last_sector - cell.first_sector + 1));
        ++c;
    }
    return true;
}

std::int64_t CDvdTitleStream::VobuTime(std::uint32_t sector, bool end)
{
    std::uint8_t block[DVD_VIDEO_LB_LEN];
    if (DVDReadBlocks(m_file, static_cast<int>(sector), 1, block) != 1 || !IsNavPack(block))
        return -1;
    pci_t pci;
    navRead_PCI(&pci, block + 0x2d);
    return end ? pci.pci_gi.vobu_e_ptm : pci.pci_gi.vobu_s_ptm;
}

void CDvdTitleStream::MaskPack(std::uint8_t* pack, bool tail) const
{
    static const std::uint8_t kPackStart[] = {0x00, 0x00, 0x01, 0xba};
    if (std::memcmp(pack, kPackStart, 4) != 0 || (pack[4] & 0xc0) != 0x40)
        return;  // not an MPEG-2 pack
    size_t pos = 14 + (pack[13] & 7);
    while (pos + 6 <= DVD_VIDEO_LB_LEN) {
        std::uint8_t* pes = pack + pos;
        if (pes[0] != 0 || pes[1] != 0 || pes[2] != 1)
            return;
        const std::uint8_t id = pes[3];
        const size_t length = (static_cast<size_t>(pes[4]) << 8) | pes[5];
        const bool audio = id == 0xbd || (id >= 0xc0 && id <= 0xdf);
        std::int64_t pts = -1;
        if (audio && pos + 14 <= DVD_VIDEO_LB_LEN && (pes[7] & 0x80))
            pts = (static_cast<std::int64_t>((pes[9] >> 1) & 7) << 30) | (static_cast<std::int64_t>(pes[10]) << 22) |
                  (static_cast<std::int64_t>(pes[11] >> 1) << 15) | (static_cast<std::int64_t>(pes[12]) << 7) |
                  (pes[13] >> 1);
        const bool early = pts >= 0 && m_startPts >= 0 && pts < m_startPts;
        const bool drop = tail ? id != 0xbb && (!audio || pts < 0 || pts >= m_endPts || early) : audio && early;
        if (drop)
            pes[3] = 0xbe;  // a padding packet of the same length
        pos += 6 + length;
    }
}

void CDvdTitleStream::AddTail(const Chain& chain, int lastCell)
{
    m_endPts = VobuTime(static_cast<std::uint32_t>(Cell(chain, lastCell).last_vobu_sector), true);
    if (m_endPts < 0)
        return;
    m_tailStart = m_totalBlocks;
    // The next cells' first blocks (for an angle block, its first cell).
    std::int64_t left = kEarlyAudioBlocks;
    for (int c = lastCell + 1; c <= chain.count && left > 0; ++c) {
        const dvd_cell_entry& cell = Cell(chain, c);
        if (cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode != BLOCK_MODE_FIRST_CELL)
            continue;
        if (cell.last_sector < cell.first_sector)
            continue;
        const std::int64_t count = std::min<std::int64_t>(left, cell.last_sector - cell.first_sector + 1);
        AddExtent(static_cast<std::uint32_t>(cell.first_sector), static_cast<std::uint32_t>(count));
        left -= count;
    }
}

bool CDvdTitleStream::FillCache(std::int64_t block)
{
    auto it = std::upper_bound(m_extents.begin(), m_extents.end(), block,
                               [](std::int64_t b, const Extent& e) { return b < e.start; });
    if (it == m_extents.begin())
        return false;
    const Extent& e = *--it;
    const std::int64_t offset = block - e.start;
    if (offset >= e.count)
        return false;
    const int count = static_cast<int>(std::min<std::int64_t>(kCacheBlocks, e.count - offset));
    const ssize_t got = DVDReadBlocks(m_file, static_cast<int>(e.first + offset), count, m_cache.data());
    if (got <= 0)
        return false;
    m_cacheStart = block;
    m_cacheCount = static_cast<int>(got);
    for (int i = 0; i < m_cacheCount; ++i) {
        const std::int64_t b = block + i;
        const bool tail = m_tailStart >= 0 && b >= m_tailStart;
        if (tail || (m_startPts >= 0 && b < kEarlyAudioBlocks))
            MaskPack(m_cache.data() + static_cast<size_t>(i) * DVD_VIDEO_LB_LEN, tail);
    }
    return true;
}

int CDvdTitleStream::Read(std::uint8_t* buffer, int size)
{
    int done = 0;
    while (done < size && m_position < Size()) {
        const std::int64_t block = m_position / DVD_VIDEO_LB_LEN;
        if (m_cacheStart < 0 || block < m_cacheStart || block >= m_cacheStart + m_cacheCount) {
            if (!FillCache(block)) {
                LogMessageA(kLogCategory, "read error at block %lld of the title", static_cast<long long>(block));
                return done > 0 ? done : -1;
            }
        }
        const std::int64_t cacheOffset = m_position - m_cacheStart * DVD_VIDEO_LB_LEN;
        const std::int64_t available = static_cast<std::int64_t>(m_cacheCount) * DVD_VIDEO_LB_LEN - cacheOffset;
        const int n = static_cast<int>(std::min<std::int64_t>(available, size - done));
        std::memcpy(buffer + done, m_cache.data() + cacheOffset, static_cast<size_t>(n));
        done += n;
        m_position += n;
    }
    return done;
}

bool CDvdTitleStream::Seek(std::int64_t position)
{
    if (position < 0 || position > Size())
        return false;
    m_position = position;
    return true;
}
