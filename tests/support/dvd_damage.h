// Damages of a DVD's information files that bring libdvdread 6.1.3 down
// when it parses them (a free of freed memory, or a bad pointer), found by
// fuzzing discs that dvdauthor made. Each changes one byte of a field it
// finds through the file's own tables. Header only.
#pragma once
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace vxmtest {

struct CDvdDamage {
    const char* name;
    const char* file;                               // in VIDEO_TS
    size_t (*offset)(const std::string& ifo);       // npos when the file is not as expected
    unsigned char value;
};

inline size_t DvdBe(const std::string& data, size_t at, int bytes)
{
    if (at + bytes > data.size())
        return std::string::npos;
    size_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | static_cast<unsigned char>(data[at + i]);
    return v;
}

// The command table of the video manager's first-play program chain.
inline size_t FirstPlayCommands(const std::string& ifo)
{
    const size_t pgc = DvdBe(ifo, 0x84, 4);
    const size_t table = pgc == std::string::npos ? pgc : DvdBe(ifo, pgc + 0xe4, 2);
    return table == std::string::npos || table == 0 ? std::string::npos : pgc + table;
}

inline const std::vector<CDvdDamage>& DvdDamages()
{
    static const std::vector<CDvdDamage> damages = {
        {"first-play cell-command count", "VIDEO_TS.IFO",
         [](const std::string& ifo) { const size_t t = FirstPlayCommands(ifo); return t == std::string::npos ? t : t + 4; },
         0xff},
        {"first-play pre-command count", "VIDEO_TS.IFO", FirstPlayCommands, 0xff},
        {"title set program-chain count", "VTS_01_0.IFO",
         [](const std::string& ifo) { const size_t s = DvdBe(ifo, 0xcc, 4); return s == std::string::npos ? s : s * 2048 + 1; },
         0xff},
    };
    return damages;
}

// A copy of the disc folder `from` (holding VIDEO_TS) at `to`, damaged.
// False when the copy fails or the file is not as expected.
inline bool CopyDamagedDvd(const std::string& from, const std::string& to, const CDvdDamage& damage)
{
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    std::filesystem::copy(from, to, std::filesystem::copy_options::recursive, ec);
    if (ec)
        return false;
    const std::string file = to + "/VIDEO_TS/" + damage.file;
    std::string data;
    {
        std::ifstream in(file, std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const size_t at = damage.offset(data);
    if (at >= data.size())
        return false;
    data[at] = static_cast<char>(damage.value);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    return static_cast<bool>(out);
}

}  // namespace vxmtest
