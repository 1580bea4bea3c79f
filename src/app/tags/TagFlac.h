// The tags of FLAC and Ogg files: a FLAC file's metadata blocks written
// block by block (the Vorbis comment, and the cover in a picture block of
// its own; stream info, seek table, cue sheet and every other picture as
// they were, the padding taking up the difference), and the comment packet
// of an Ogg file (Vorbis, Opus, Speex, FLAC), which TagLib pages anew.
#pragma once
#include <vector>

#include <taglib/oggfile.h>
#include <taglib/tiostream.h>

#include "TagItems.h"
#include "TagValues.h"

// The comment's items (kind "Xiph") and those of the other blocks but padding (kind "FLAC").
CTagBlocks FlacBlocks(TagLib::IOStream& stream);
// The comment block and the picture blocks of a FLAC file, read here where
// TagLib stops (at a block of no length); false when its blocks cannot be
// read or hold no comment.
bool ReadFlacTagBlocks(TagLib::IOStream& stream, TagLib::ByteVector& comment,
                       std::vector<TagLib::ByteVector>& pictures);
// The `edited` fields into the comment (made where there is none), the cover
// into a picture block; false when the blocks cannot be read whole.
bool WriteFlacBlocks(TagLib::IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover);

CTagItems OggCommentItems(TagLib::Ogg::File* file);
// False when the file's comment packet cannot be read or written.
bool WriteOggComment(TagLib::Ogg::File* file, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover);
