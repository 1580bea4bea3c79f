// The tags of WAV and AIFF files, chunk by chunk: the ID3v2 chunk (its
// frames kept as ID3v2 tags elsewhere are), a WAV file's INFO list and an
// AIFF file's text chunks, whose texts other than the edited ones stay as
// they were.
#pragma once
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

CTagBlocks RiffBlocks(TagLib::IOStream& stream);

// The `edited` fields into the ID3v2 chunk (made where there is none), into
// the INFO list a WAV file has and into the text chunks an AIFF file has;
// false when a chunk cannot be written back.
bool WriteRiffTags(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover);
