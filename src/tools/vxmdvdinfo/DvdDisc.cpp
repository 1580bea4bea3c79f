#include "DvdDisc.h"

#include <cstdarg>
#include <cstdio>
#include <filesystem>

namespace {

// libdvdread's errors go to standard error, which the engine logs when the
// read fails; its notes are dropped.
void DvdReadLog(void*, dvd_logger_level_t level, const char* format, va_list args)
{
    if (level != DVD_LOGGER_LEVEL_ERROR)
        return;
    char text[512];
    std::vsnprintf(text, sizeof(text), format, args);
    std::fprintf(stderr, "libdvdread: %s\n", text);
}

const dvd_logger_cb kLogger = {DvdReadLog};

int Bcd(std::uint8_t value)
{
    return (value >> 4) * 10 + (value & 0x0f);
}

}  // namespace

int DvdTimeToMs(const dvd_time_t& time)
{
    const int rateBits = (time.frame_u & 0xc0) >> 6;
    const double fps = rateBits == 1 ? 25.0 : rateBits == 3 ? 30000.0 / 1001.0 : 0.0;
    const int frames = Bcd(time.frame_u & 0x3f);
    int ms = (Bcd(time.hour) * 3600 + Bcd(time.minute) * 60 + Bcd(time.second)) * 1000;
    if (fps > 0.0)
        ms += static_cast<int>(frames * 1000.0 / fps);
    return ms;
}

CDvdDisc::~CDvdDisc()
{
    for (auto& [number, ifo] : m_titleSets)
        if (ifo)
            ifoClose(ifo);
    if (m_vmg)
        ifoClose(m_vmg);
    if (m_reader)
        DVDClose(m_reader);
}

bool CDvdDisc::Open(const std::string& path)
{
    if (m_reader || path.empty())
        return false;
    // A path that is not there is answered here: the reader would complain
    // on the console for it.
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return false;
    m_reader = DVDOpen2(nullptr, &kLogger, path.c_str());
    if (!m_reader)
        return false;
    m_vmg = ifoOpen(m_reader, 0);
    if (!m_vmg || !m_vmg->tt_srpt || m_vmg->tt_srpt->nr_of_srpts == 0)
        return false;
    return true;
}

int CDvdDisc::TitleCount() const
{
    return m_vmg && m_vmg->tt_srpt ? m_vmg->tt_srpt->nr_of_srpts : 0;
}

const title_info_t* CDvdDisc::Title(int number) const
{
    if (number < 1 || number > TitleCount())
        return nullptr;
    return &m_vmg->tt_srpt->title[number - 1];
}

ifo_handle_t* CDvdDisc::TitleSet(int number)
{
    if (!m_reader || number < 1)
        return nullptr;
    auto it = m_titleSets.find(number);
    if (it != m_titleSets.end())
        return it->second;
    ifo_handle_t* ifo = ifoOpen(m_reader, number);
    if (ifo && (!ifo->vtsi_mat || !ifo->vts_ptt_srpt || !ifo->vts_pgcit)) {
        ifoClose(ifo);
        ifo = nullptr;
    }
    m_titleSets[number] = ifo;
    return ifo;
}

bool CDvdDisc::HasTitleVideo(int number)
{
    dvd_file_t* file = m_reader ? DVDOpenFile(m_reader, number, DVD_READ_TITLE_VOBS) : nullptr;
    if (!file)
        return false;
    DVDCloseFile(file);
    return true;
}

std::string CDvdDisc::VolumeLabel() const
{
    if (!m_reader)
        return {};
    char name[33] = {};
    unsigned char set[128];
    if (DVDUDFVolumeInfo(m_reader, name, sizeof(name), set, sizeof(set)) == 0 && name[0])
        return name;
    char iso[33] = {};
    if (DVDISOVolumeInfo(m_reader, iso, sizeof(iso), set, sizeof(set)) == 0 && iso[0])
        return iso;
    return {};
}
