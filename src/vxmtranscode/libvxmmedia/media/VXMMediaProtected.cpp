// The protected-content test: an MP4 with an iTunes purchase id ("apID" in
// moov/udta/meta/ilst beside a "stik") is protected. Other files are not.
#include <cstdint>
#include <fstream>

#include "MediaRunners.h"
#include "VXMMediaImpl.h"
#include "platform/text.h"

namespace {

struct AtomHeader {
    std::uint64_t size = 0;  // header included
    char type[4]{};
};

// Reads the header at pos. A size of 0 steps over 4 bytes (the version
// field of a full atom) and reads again. False at the end of the data.
bool ReadAtomHeader(std::ifstream& file, std::uint64_t& pos, std::uint64_t end, AtomHeader& out)
{
    for (;;) {
        if (end - pos < 8 || pos > end)
            return false;
        unsigned char bytes[8];
        file.clear();
        file.seekg(static_cast<std::streamoff>(pos));
        if (!file.read(reinterpret_cast<char*>(bytes), 8))
            return false;
        const std::uint32_t size = (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) |
                                   (std::uint32_t(bytes[2]) << 8) | bytes[3];
        if (size == 0) {
            pos += 4;
            continue;
        }
        out.size = size;
        std::copy(bytes + 4, bytes + 8, out.type);
        return true;
    }
}

bool IsType(const AtomHeader& atom, const char* type)
{
    return std::equal(atom.type, atom.type + 4, type);
}

// Looks for a child atom of the type in [pos, end). On success pos is the
// child's start and size its size. Gives up on a size that cannot hold its
// header or runs past the parent.
bool FindAtom(std::ifstream& file, std::uint64_t pos, std::uint64_t end, const char* type, std::uint64_t& foundPos,
              std::uint64_t& foundSize)
{
    AtomHeader atom;
    while (ReadAtomHeader(file, pos, end, atom)) {
        if (atom.size < 8 || atom.size > end - pos)
            return false;
        if (IsType(atom, type)) {
            foundPos = pos;
            foundSize = atom.size;
            return true;
        }
        pos += atom.size;
    }
    return false;
}

}  // namespace

int ReadMp4ProtectedFlag(const std::wstring& path)
{
    std::ifstream file(WideToUtf8(path), std::ios::binary);
    if (!file)
        return 0;
    file.seekg(0, std::ios::end);
    const std::streamoff length = file.tellg();
    if (length < 8)
        return 0;
    const std::uint64_t end = static_cast<std::uint64_t>(length);

    std::uint64_t pos = 0;
    AtomHeader first;
    if (!ReadAtomHeader(file, pos, end, first) || !IsType(first, "ftyp") || first.size <= 8 || first.size > end)
        return 0;

    // Each level: search the parent's content (after its 8-byte header).
    std::uint64_t at = 0, size = 0;
    std::uint64_t from = pos + first.size, to = end;
    for (const char* type : {"moov", "udta", "meta", "ilst"}) {
        if (!FindAtom(file, from, to, type, at, size))
            return 0;
        from = at + 8;
        to = at + size;
    }
    std::uint64_t stikPos = 0, stikSize = 0;
    if (!FindAtom(file, from, to, "stik", stikPos, stikSize))
        return 0;
    std::uint64_t idPos = 0, idSize = 0;
    if (!FindAtom(file, from, to, "apID", idPos, idSize))
        return 0;
    return idSize > 8 ? 1 : 0;
}

int CVXMMediaImpl::IsProtected()
{
    if (m_nProtected != -1)
        return m_nProtected;
    // Only what the file itself says counts here; the answer is kept.
    std::ifstream probe(WideToUtf8(m_strSourcePath), std::ios::binary);
    if (!probe)
        return 0;  // unreadable: not kept, a later call reads again
    m_nProtected = ReadMp4ProtectedFlag(m_strSourcePath);
    return m_nProtected;
}
