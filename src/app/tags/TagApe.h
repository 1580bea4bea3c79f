// APEv2 tags at a file's end (before an ID3v1 tag there): those of WavPack,
// Monkey's Audio and Musepack files, and the one beside the ID3v2 tag of an
// MP3 or TrueAudio file. Read and written item by item: every item the save
// does not change stays as it was (TagLib's writer drops empty items).
#pragma once
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

struct CApeTag {
    bool found = false;
    bool readable = false;  // its items fill it as its footer says
    long offset = 0;        // its first byte (its header, else its first item)
    unsigned size = 0;      // the bytes it takes, header and footer included
    bool header = false;
    unsigned flags = 0;     // of its footer
    CTagItems items;        // key: the item's name in upper case; raw: the whole item
};

CApeTag ReadApeTag(TagLib::IOStream& stream);

// The `edited` fields into the file's APE tag; one is made when `make` is
// set and the file has none. A tag `beside` another gets lyrics and a cover
// only where it holds them already. False when the tag cannot be written back.
bool WriteApeTag(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                 bool make, bool beside);
