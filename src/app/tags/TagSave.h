// The per-format routines that write the edited fields into a file TagLib
// opened, each tag of the file item by item, and that list those items for
// the check of the save.
#pragma once
#include <string>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

// Writes the `edited` fields (bits of the kTag fields) of `tags`, and the cover,
// into every tag of the file that holds them; `stream` is the file's. 1
// written, 0 a format no routine writes, -1 not written (`why` says why).
int WriteTagsInto(TagLib::File* file, TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited,
                  const CTagCover& cover, std::string& why);

// The file's tags as their formats store them, item by item.
CTagBlocks TagBlocksOf(TagLib::File* file, TagLib::IOStream& stream);

// True when a cover given to WriteTagsInto is stored in this file.
bool StoresCover(TagLib::File* file, bool mp4Cover);
