// The ID3v1 tag in a file's last 128 bytes (after an MP3, a FLAC, an APE...):
// its fields edited in place, every other byte of it kept.
#pragma once
#include <taglib/tiostream.h>

#include "TagItems.h"

struct VXM_MEDIA_TAGS;

bool HasId3v1Tag(TagLib::IOStream& stream);
// Its fields as readers take them (text up to the first zero, trailing spaces cut).
CTagItems Id3v1Items(TagLib::IOStream& stream);
// The `edited` fields into it, as Latin-1 text; the track only where the
// comment leaves it room.
void WriteId3v1Tag(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited);
