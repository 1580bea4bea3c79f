// Vorbis comments (Ogg Vorbis, Opus, Speex, Ogg FLAC and FLAC files) as
// stored: the vendor and every "NAME=value" field byte for byte, in their
// order and spelling, empty values too (TagLib sorts the fields, spells
// their names in capitals and drops those without a value). A save makes
// anew only the fields of the edited values.
#pragma once
#include <taglib/tbytevector.h>

#include "TagItems.h"
#include "TagValues.h"

struct CXiphComment {
    bool readable = false;
    TagLib::ByteVector vendor;
    CTagItems fields;  // key: the name in capitals; raw: "NAME=value" as stored
    unsigned end = 0;  // where the comment ends in the bytes it was read from
};

// The comment that starts at `at`.
CXiphComment ReadXiphComment(const TagLib::ByteVector& data, unsigned at);

// The vendor, as an item, and the fields, for the check of a save.
CTagItems XiphItems(const CXiphComment& comment);

// The comment with the `edited` fields set; the cover as a picture field
// only when `pictures` (a FLAC file keeps its pictures in blocks of their own).
TagLib::ByteVector RenderXiphComment(const CXiphComment& held, const VXM_MEDIA_TAGS& tags, unsigned edited,
                                     const CTagCover& cover, bool pictures);

// The FLAC picture block the cover becomes.
TagLib::ByteVector CoverPictureBlock(const CTagCover& cover);
