// The ID3v2 tag of DSF and DSDIFF files, which TagLib 1.13 has no class
// for: found in the file and read with TagLib's ID3v2 reader. Read only.
#pragma once
#include <taglib/tbytevector.h>
#include <taglib/tiostream.h>

#include "MediaTags.h"

// Where the ID3v2 tag of a DSF file (named by its header) or a DSDIFF file
// (its "ID3 " chunk) starts; -1 for other files and files without one.
long FindDsdId3v2(TagLib::IOStream& stream);

// The fields (and the front cover, else the first picture, into `cover`
// when given) of a DSF or DSDIFF file's ID3v2 tag; false when it has none.
bool ReadDsdTags(TagLib::IOStream& stream, VXM_MEDIA_TAGS& tags, TagLib::ByteVector* cover);
