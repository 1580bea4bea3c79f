#include "Mp4AtomTree.h"

#include <algorithm>

using TagLib::ByteVector;
using TagLib::IOStream;

namespace {

// Deeper than files nest their atoms.
const int kMaxDepth = 16;
// The places whose bytes a check compares at most (a long film's tables hold
// tens of thousands), and how many bytes of each.
const std::size_t kMaxCompared = 4096;
const unsigned kComparedBytes = 16;
// A table of more bytes than this is no file's (a day of sound holds a few million chunks).
const std::uint64_t kMaxTable = std::uint64_t{64} << 20;

bool HoldsAtoms(const ByteVector& name)
{
    static const char* const names[] = {"moov", "trak", "mdia", "minf", "stbl", "udta", "meta",
                                        "ilst", "edts", "dinf", "mvex", "moof", "traf", "mfra"};
    return std::any_of(std::begin(names), std::end(names), [&](const char* held) { return name == held; });
}

std::string Named(const ByteVector& name)
{
    std::string text;
    for (char c : name) text += c >= 32 && c < 127 ? c : '?';
    return "'" + text + "'";
}

class CTreeReader {
public:
    CTreeReader(IOStream& stream, CMp4Tree& tree) : m_stream(stream), m_tree(tree) {}

    // The atoms in [begin, end) of `parent` (empty: the file's); `childrenEnd`
    // is where the last of them ends.
    bool Read(std::uint64_t begin, std::uint64_t end, int depth, const ByteVector& parent,
              std::vector<CMp4Atom>& atoms, std::uint64_t& childrenEnd);

private:
    bool Fail(const std::string& why)
    {
        if (m_tree.fault.empty()) m_tree.fault = why;
        return false;
    }
    ByteVector ReadAt(std::uint64_t at, std::uint64_t length)
    {
        m_stream.seek(static_cast<long>(at));
        return m_stream.readBlock(static_cast<unsigned long>(length));
    }
    bool ReadTable(const CMp4Atom& atom);
    // True when `count` entries of `each` bytes fit in `room`.
    bool Holds(const CMp4Atom& atom, std::uint64_t count, std::uint64_t each, std::uint64_t room)
    {
        return count <= room / each || Fail("its MP4 table " + Named(atom.name) + " states more entries than it holds");
    }

    IOStream& m_stream;
    CMp4Tree& m_tree;
};

bool CTreeReader::Read(std::uint64_t begin, std::uint64_t end, int depth, const ByteVector& parent,
                       std::vector<CMp4Atom>& atoms, std::uint64_t& childrenEnd)
{
    const bool top = parent.isEmpty();
    if (depth > kMaxDepth) return Fail("its MP4 atoms nest too deep");
    std::uint64_t at = begin;
    for (; at < end; at = atoms.back().at + atoms.back().size) {
        const ByteVector head = ReadAt(at, std::min<std::uint64_t>(16, end - at));
        if (head.size() < 8) {
            // A file may end in a few stray bytes; QuickTime closes a udta atom with four zero bytes.
            if (top || (parent == "udta" && head == ByteVector(4, '\0'))) break;
            return Fail("its MP4 atom " + Named(parent) + " ends in bytes that are no atom");
        }
        CMp4Atom atom;
        atom.name = head.mid(4, 4);
        atom.at = at;
        std::uint64_t size = head.toUInt(0U);
        if (size == 1) {
            atom.header = 16;
            size = head.size() < 16 ? 0 : static_cast<std::uint64_t>(head.toLongLong(8U));
        } else if (size == 0) {
            // The last atom of the file may reach to its end so; no other may.
            if (!top) return Fail("its MP4 atom " + Named(atom.name) + " states a size of 0");
            size = end - at;
        }
        if (size < atom.header)
            return Fail("its MP4 atom " + Named(atom.name) + " states a size smaller than its header");
        if (size > end - at) {
            // A cut file ends in a cut atom, which stays as it is.
            if (top && !HoldsAtoms(atom.name)) break;
            return Fail("its MP4 atom " + Named(atom.name) + " runs past the end of " +
                        (top ? std::string("the file") : Named(parent)));
        }
        atom.size = size;
        atom.body = at + atom.header;
        if (HoldsAtoms(atom.name)) {
            // A meta atom starts with its version and flags, but in QuickTime's files.
            if (atom.name == "meta" && size >= atom.header + 4 && ReadAt(atom.body, 4) == ByteVector(4, '\0'))
                atom.body += 4;
            if (!Read(atom.body, at + size, depth + 1, atom.name, atom.children, atom.childrenEnd)) return false;
        } else if (!ReadTable(atom)) {
            return false;
        }
        atoms.push_back(std::move(atom));
    }
    childrenEnd = at;
    return true;
}

bool CTreeReader::ReadTable(const CMp4Atom& atom)
{
    const bool offsets32 = atom.name == "stco";
    if (!offsets32 && atom.name != "co64" && atom.name != "tfhd" && atom.name != "tfra" && atom.name != "sidx")
        return true;
    if (atom.size > kMaxTable) return Fail("its MP4 table " + Named(atom.name) + " is larger than any file's");
    const ByteVector data = ReadAt(atom.body, atom.size - atom.header);
    std::vector<CMp4Pointer>& pointers = m_tree.pointers;
    const unsigned version = data.isEmpty() ? 0 : static_cast<unsigned char>(data[0]);
    if (offsets32 || atom.name == "co64") {
        // Chunk offsets: version and flags, the count, the offsets.
        const unsigned width = offsets32 ? 4 : 8;
        const std::uint64_t count = data.size() < 8 ? ~0ull : data.toUInt(4U);
        if (!Holds(atom, count, width, data.size() < 8 ? 0 : data.size() - 8)) return false;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned at = 8 + i * width;
            pointers.push_back({atom.body + at, width,
                                offsets32 ? data.toUInt(at) : static_cast<std::uint64_t>(data.toLongLong(at))});
        }
    } else if (atom.name == "tfhd") {
        // A fragment's base data offset, where its flags say there is one.
        if (data.size() < 8) return Fail("its MP4 atom 'tfhd' is cut short");
        if ((data.toUInt(0U) & 1) == 0) return true;
        if (data.size() < 16) return Fail("its MP4 atom 'tfhd' is cut short");
        pointers.push_back({atom.body + 8, 8, static_cast<std::uint64_t>(data.toLongLong(8U))});
    } else if (atom.name == "tfra") {
        // The fragment index: per entry a time and the offset of its moof atom, then three numbers.
        if (data.size() < 16) return Fail("its MP4 atom 'tfra' is cut short");
        const unsigned lengths = data.toUInt(8U);
        const unsigned width = version == 1 ? 8 : 4;
        const unsigned each = 2 * width + ((lengths >> 4) & 3) + ((lengths >> 2) & 3) + (lengths & 3) + 3;
        const std::uint64_t count = data.toUInt(12U);
        if (!Holds(atom, count, each, data.size() - 16)) return false;
        for (unsigned i = 0; i < count; ++i) {
            const unsigned at = 16 + i * each + width;
            const std::uint64_t moof = width == 4 ? data.toUInt(at) : static_cast<std::uint64_t>(data.toLongLong(at));
            pointers.push_back({atom.body + at, width, moof});
        }
    } else {
        // The segment index: its references follow one another from where it ends plus the first offset.
        const unsigned at = version == 1 ? 28 : 20;
        if (data.size() < at + 4) return Fail("its MP4 atom 'sidx' is cut short");
        std::uint64_t target = atom.at + atom.size +
                               (version == 1 ? static_cast<std::uint64_t>(data.toLongLong(20U)) : data.toUInt(16U));
        const std::uint64_t count = data.toUShort(at + 2);
        if (!Holds(atom, count, 12, data.size() - at - 4)) return false;
        for (unsigned i = 0; i < count; ++i) {
            pointers.push_back({0, 0, target});
            target += data.toUInt(at + 4 + i * 12) & 0x7FFFFFFFu;
        }
    }
    return true;
}

}  // namespace

CMp4Tree ReadMp4Tree(IOStream& stream)
{
    CMp4Tree tree;
    std::uint64_t end = 0;
    CTreeReader(stream, tree).Read(0, static_cast<std::uint64_t>(stream.length()), 0, ByteVector(), tree.atoms, end);
    return tree;
}

std::vector<const CMp4Atom*> FindMp4Path(const CMp4Tree& tree, std::initializer_list<const char*> path)
{
    std::vector<const CMp4Atom*> found;
    const std::vector<CMp4Atom>* level = &tree.atoms;
    for (const char* name : path) {
        auto it = std::find_if(level->begin(), level->end(), [&](const CMp4Atom& atom) { return atom.name == name; });
        if (it == level->end()) break;
        found.push_back(&*it);
        level = &it->children;
    }
    return found;
}

std::string Mp4PointedBytes(IOStream& stream, const std::vector<CMp4Pointer>& pointers)
{
    const std::uint64_t length = static_cast<std::uint64_t>(stream.length());
    const std::size_t step = std::max<std::size_t>(1, (pointers.size() + kMaxCompared - 1) / kMaxCompared);
    std::string bytes = std::to_string(pointers.size()) + ":";
    for (std::size_t i = 0; i < pointers.size(); i += step) {
        ByteVector at;
        if (pointers[i].target < length) {
            stream.seek(static_cast<long>(pointers[i].target));
            at = stream.readBlock(kComparedBytes);
        }
        bytes.append(at.data(), at.size());
        bytes += static_cast<char>(at.size());
    }
    return bytes;
}

bool MoveMp4Pointers(IOStream& stream, const std::vector<CMp4Pointer>& pointers, std::uint64_t start,
                     std::int64_t delta)
{
    auto moved = [&](std::uint64_t at) {
        return at > start ? static_cast<std::uint64_t>(static_cast<std::int64_t>(at) + delta) : at;
    };
    // The entries of a table lie side by side: each run of them is written at once.
    for (std::size_t i = 0, next = 0; i < pointers.size(); i = next) {
        ByteVector values;
        bool changed = false;
        for (next = i; next < pointers.size() && pointers[next].field &&
                       (next == i || pointers[next].field == pointers[next - 1].field + pointers[next - 1].width);
             ++next) {
            const CMp4Pointer& pointer = pointers[next];
            const std::uint64_t target = moved(pointer.target);
            if (pointer.width == 4 && target > 0xFFFFFFFFull) return false;
            changed = changed || target != pointer.target;
            values.append(pointer.width == 4 ? ByteVector::fromUInt(static_cast<unsigned>(target))
                                             : ByteVector::fromLongLong(static_cast<long long>(target)));
        }
        if (next == i) ++next;  // a segment index' reference: relative, it moves with the index
        if (!changed) continue;
        stream.seek(static_cast<long>(moved(pointers[i].field)));
        stream.writeBlock(values);
    }
    return true;
}
