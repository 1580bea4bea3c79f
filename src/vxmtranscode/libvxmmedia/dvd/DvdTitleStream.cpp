#include "DvdTitleStream.h"

#include <algorithm>
#include <cstring>

#include <dvdread/nav_read.h>
#include <dvdread/nav_types.h>

#include "EngineLog.h"

namespace {

constexpr const char* kLogCategory = "CDvdTitleStream";
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
bool CDvdTitleStream::AddAngleCell(const cell_playback_t& cell, int angle)
{
    std::uint8_t block[DVD_VIDEO_LB_LEN];
    std::uint32_t sector = cell.first_sector;
    for (int guard = 0; sector <= cell.last_sector && guard < 1000000; ++guard) {
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
    if (!m_disc.Open(device)) {
        LogMessageA(kLogCategory, "\"%s\" holds no readable DVD", device.c_str());
        return false;
    }
    const title_info_t* info = m_disc.Title(title);
    if (!info) {
        LogMessageA(kLogCategory, "\"%s\" has no title %d", device.c_str(), title);
        return false;
    }
    if (angle < 1)
        angle = 1;
    if (angle > std::max<int>(1, info->nr_of_angles)) {
        LogMessageA(kLogCategory, "title %d has no angle %d", title, angle);
        return false;
    }
    // "-chapter N" alone plays chapter N only; no chapter plays the whole title.
    const int last = firstChapter < 1 ? -1 : lastChapter < 1 ? firstChapter : lastChapter;
    std::vector<DvdCellRange> ranges;
    if (!m_disc.ChapterCells(title, firstChapter, last, ranges)) {
        LogMessageA(kLogCategory, "title %d of \"%s\" has no chapters %d to %d", title, device.c_str(), firstChapter,
                    lastChapter);
        return false;
    }
    m_file = DVDOpenFile(m_disc.Reader(), ranges.front().title_set, DVD_READ_TITLE_VOBS);
    if (!m_file) {
        LogMessageA(kLogCategory, "the video files of title set %d cannot be opened", ranges.front().title_set);
        return false;
    }
    for (const DvdCellRange& range : ranges)
        if (!AddCells(*range.pgc, range.first_cell, range.last_cell, angle))
            return false;
    if (m_totalBlocks == 0) {
        LogMessageA(kLogCategory, "title %d of \"%s\" holds no video", title, device.c_str());
        return false;
    }
    m_cache.resize(static_cast<size_t>(kCacheBlocks) * DVD_VIDEO_LB_LEN);
    const DvdCellRange& head = ranges.front();
    if (head.first_cell > 1)
        m_startPts = VobuTime(head.pgc->cell_playback[head.first_cell - 1].first_sector, false);
    const DvdCellRange& end = ranges.back();
    if (end.last_cell < end.pgc->nr_of_cells)
        AddTail(*end.pgc, end.last_cell);
    return true;
}

bool CDvdTitleStream::AddCells(const pgc_t& pgc, int first, int last, int angle)
{
    for (int c = first; c <= last;) {
        const cell_playback_t& cell = pgc.cell_playback[c - 1];
        if (cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode == BLOCK_MODE_FIRST_CELL) {
            int end = c;
            while (end < pgc.nr_of_cells && pgc.cell_playback[end - 1].block_mode != BLOCK_MODE_LAST_CELL)
                ++end;
            const int pick = c + angle - 1 <= end ? c + angle - 1 : c;
            if (!AddAngleCell(pgc.cell_playback[pick - 1], angle))
                return false;
            m_lengthMs += DvdTimeToMs(pgc.cell_playback[pick - 1].playback_time);
            c = end + 1;
            continue;
        }
        if (cell.last_sector >= cell.first_sector)
            AddExtent(cell.first_sector, cell.last_sector - cell.first_sector + 1);
        m_lengthMs += DvdTimeToMs(cell.playback_time);
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

void CDvdTitleStream::AddTail(const pgc_t& pgc, int lastCell)
{
    m_endPts = VobuTime(pgc.cell_playback[lastCell - 1].last_vobu_start_sector, true);
    if (m_endPts < 0)
        return;
    m_tailStart = m_totalBlocks;
    // The next cells' first blocks (for an angle block, its first cell).
    std::int64_t left = kEarlyAudioBlocks;
    for (int c = lastCell + 1; c <= pgc.nr_of_cells && left > 0; ++c) {
        const cell_playback_t& cell = pgc.cell_playback[c - 1];
        if (cell.block_type == BLOCK_TYPE_ANGLE_BLOCK && cell.block_mode != BLOCK_MODE_FIRST_CELL)
            continue;
        if (cell.last_sector < cell.first_sector)
            continue;
        const std::int64_t count = std::min<std::int64_t>(left, cell.last_sector - cell.first_sector + 1);
        AddExtent(cell.first_sector, static_cast<std::uint32_t>(count));
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
