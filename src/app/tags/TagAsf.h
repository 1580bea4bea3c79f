// The tags of an ASF (WMA) file, written in its header object by object:
// the content description's five texts and the attributes of the extended
// content description, metadata and metadata library objects. Every
// attribute the save does not change stays as and where it was (TagLib
// moved the second value of a name into another object, so that readers
// got them in reverse order), and the file size the header states is the
// file's new size (TagLib left the old one, and players took another length).
#pragma once
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

CTagItems AsfItems(TagLib::IOStream& stream);

// The `edited` fields into the header; false when it cannot be read whole.
bool WriteAsfTags(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover);
