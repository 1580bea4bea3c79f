// The per-format routines: the row's fields into a file TagLib opened, and
// back out of it.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>

#include "TagValues.h"

// Writes the fields (and the cover when valid) into the file and saves it.
// `stream` is the file's stream. 1 saved, 0 a format no routine writes,
// -1 the save failed.
int WriteTagsInto(TagLib::File* file, TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, bool mp4Cover,
                  const CTagCover& cover);

// Reads the fields; the cover (front, else the first picture) into `cover`
// when given. False for a format no routine reads, or an MP3 or TrueAudio
// file without tags.
bool ReadTagsFrom(TagLib::File* file, VXM_MEDIA_TAGS& tags, TagLib::ByteVector* cover);

// True when a cover given to WriteTagsInto is stored in this file.
bool StoresCover(TagLib::File* file, bool mp4Cover);

// The file's tags that may hold more than the row's fields, named by kind.
std::vector<std::pair<std::string, TagLib::Tag*>> TagsHeldBy(TagLib::File* file);
