// The per-format routines that read the row's fields out of a file TagLib
// opened.
#pragma once
#include <taglib/tfile.h>
#include <taglib/tiostream.h>

#include "TagValues.h"

// Reads the fields; the cover (front, else the first picture) into `cover`
// when given. False for a format no routine reads, or an MP3 or TrueAudio
// file without tags.
bool ReadTagsFrom(TagLib::File* file, VXM_MEDIA_TAGS& tags, TagLib::ByteVector* cover);

// The fields of a FLAC file TagLib cannot open, from its blocks as read
// here; false (the fields unchanged) when it holds no comment.
bool ReadFlacBlockTags(TagLib::IOStream& stream, VXM_MEDIA_TAGS& tags, TagLib::ByteVector* cover);
