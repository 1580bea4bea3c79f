// The items of an MP4 file's tag (the atoms of its moov/udta/meta/ilst)
// written atom by atom: every atom the save does not change stays byte for
// byte, where TagLib rewrites them all from what it understood of them (a
// stik of 2 bytes came back as one of value 0, an hdvd of 2 as 1, a
// freeform item whose name holds ':' was dropped).
#pragma once
#include <string>

#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

// The atoms of the item list; each picture of the cover list an item of its own.
CTagItems Mp4Items(TagLib::IOStream& stream);

// The `edited` fields into the item list of an MP4 file, in the room around
// it where that is enough, else grown (the sizes of the atoms around it and
// every offset the file's tables hold behind it moved along). A file without
// an item list gets one, in the atoms it sits in. False, with `why`, when
// the file cannot be written (its atoms are not laid out whole).
bool WriteMp4Items(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                   std::string& why);
