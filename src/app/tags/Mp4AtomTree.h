// The atoms of an MP4 file as the tag writer reads them, apart from TagLib,
// which takes an atom of size 0 anywhere for one that reaches the end of the
// file and one that runs past its parent for whole: a writer that trusted it
// moved sizes and chunk offsets by the wrong amounts. A file laid out so is
// not written. The places the file's tables point at (chunk offsets, the
// fragments' base offsets, the fragment and segment indexes) are read too,
// so that a save moves them along and its check finds them where they were.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <taglib/tbytevector.h>
#include <taglib/tiostream.h>

struct CMp4Atom {
    TagLib::ByteVector name;
    std::uint64_t at = 0;    // its first byte
    std::uint64_t size = 0;  // header included
    unsigned header = 8;     // 16 where the size takes 64 bits
    std::uint64_t body = 0;  // where its children start (after a full meta atom's version and flags)
    std::uint64_t childrenEnd = 0;   // where they end: a udta atom may close with four zero bytes
    std::vector<CMp4Atom> children;  // of the atoms that hold atoms
};

// A place in the file that a table points at.
struct CMp4Pointer {
    std::uint64_t field = 0;   // where the table stores it; 0: a segment index' reference, relative to the index
    unsigned width = 0;        // of the stored value, 4 or 8 bytes
    std::uint64_t target = 0;  // the place pointed at
};

struct CMp4Tree {
    std::vector<CMp4Atom> atoms;  // at the top of the file
    std::vector<CMp4Pointer> pointers;  // in the tables' order
    // Why the layout is not one the tag writer rewrites (an atom of size 0
    // inside another, one that runs past its parent or leaves bytes at its
    // end, a table that states more entries than it holds); empty when every
    // atom fits. A file may end in a cut atom or a few stray bytes.
    std::string fault;
};

CMp4Tree ReadMp4Tree(TagLib::IOStream& stream);

// The atoms of `path` ("moov", "udta", ...) from the top, as far as they are found.
std::vector<const CMp4Atom*> FindMp4Path(const CMp4Tree& tree, std::initializer_list<const char*> path);

// The first bytes at every place pointed at: the same before and after a
// save that left the sound where the tables find it.
std::string Mp4PointedBytes(TagLib::IOStream& stream, const std::vector<CMp4Pointer>& pointers);

// After the bytes at `start` grew by `delta`, every pointer (as read before)
// that pointed behind `start` follows them. False when a 4-byte table cannot
// hold a new value.
bool MoveMp4Pointers(TagLib::IOStream& stream, const std::vector<CMp4Pointer>& pointers, std::uint64_t start,
                     std::int64_t delta);
