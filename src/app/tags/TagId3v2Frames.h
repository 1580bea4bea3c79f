// ID3v2 tags as stored: their frames byte for byte, walked here rather than
// by TagLib's tag reader, which stops at an empty frame and whose v2.3
// writer leaves out the frames of v2.4 (RVA2, TSOP) and rewrites others (an
// empty PRIV). A save writes every frame back as it was and makes anew only
// those of the edited fields, in the tag's own version (2.2, 2.3 or 2.4).
#pragma once
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

struct CId3v2Tag {
    bool found = false;     // "ID3" where it was looked for
    bool readable = false;  // of a version and layout this writes back
    unsigned version = 0;
    unsigned size = 0;       // the bytes it takes, header, padding and footer included
    CTagItems frames;        // key: the frame's id; raw: its flags (v2.3, v2.4) and data
    TagLib::ByteVector tail;  // bytes after the last frame that are neither a frame nor padding
};

CId3v2Tag ReadId3v2Tag(TagLib::IOStream& stream, long offset);

// The frames, and the tail as an item of its own, for the check of a save.
CTagItems Id3v2Items(const CId3v2Tag& tag);

// The whole tag with the `edited` fields set from `tags` and `cover`, every
// other frame as held, in the held tag's version (`version` for a file that
// had none). It fills the held tag's size where it fits, so that what
// follows it stays in place.
TagLib::ByteVector RenderId3v2Tag(const CId3v2Tag& held, unsigned version, const VXM_MEDIA_TAGS& tags,
                                  unsigned edited, const CTagCover& cover);

// Writes the tag at `offset` in place of the held one (inserted where there
// was none); false when the held tag is of a kind this cannot write back.
bool WriteId3v2Tag(TagLib::IOStream& stream, long offset, unsigned version, const VXM_MEDIA_TAGS& tags,
                   unsigned edited, const CTagCover& cover);
