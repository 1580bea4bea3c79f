// When the tags of an MP4 file grow, TagLib moves every chunk offset its
// tables hold, as many as each table says: one that says more than it has
// room for (a damaged file) would have TagLib write billions of entries,
// growing the file by gigabytes.
#pragma once

namespace TagLib {
class File;
}

// False when a chunk offset table (stco, co64) of the file says it holds
// more entries than it has room for.
bool Mp4OffsetTablesFit(TagLib::File* file);
