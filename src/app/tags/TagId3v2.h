// The row's fields in ID3v2 tags: those of MP3, TrueAudio, WAV and AIFF
// files, and the tag an APE, Musepack or FLAC file may start with.
#pragma once
#include <taglib/id3v2tag.h>
#include <taglib/tfile.h>

#include "TagValues.h"

// The `edited` fields (bits of the kTag fields) into the tag, whose frames are those
// that hold them; `version` is the ID3v2 version it will be written in.
// Every frame that holds one of them (a v2.3-style TYER beside TDRC, a
// second TPE1, a TDAT of the old date) gives way, so one value is left for
// every reader: the new one. A date of the same year stays whole, and so do
// a track's total and the lyrics' description and language; comments with a
// description stay.
void SetId3v2Fields(TagLib::ID3v2::Tag* tag, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                    unsigned version);

// The fields of the tag (the year from TYER where iTunes wrote it into a v2.4
// tag); the front cover, else the first picture, into `cover` when given.
void ReadId3v2Fields(VXM_MEDIA_TAGS& tags, TagLib::ID3v2::Tag* tag, TagLib::ByteVector* cover);

// TagLib stops reading a tag at an empty frame (a POPM of size 0): the frames
// after it are read here into `tag`, so that the row shows them. `offset` is
// where the tag starts in the file. False when the frames hold one that
// cannot be stepped over (a size beyond the tag, a name that is none): what
// follows it is read by no one here.
bool RecoverId3v2Frames(TagLib::ID3v2::Tag* tag, TagLib::File* file, long offset);
