// The check of a copy whose tags were changed, before it may take the file's
// place: the audio as TagLib reads it is the same, every tag item that holds
// none of the edited fields is still there byte for byte, as other readers
// see the file's tags, and the new values read back.
#pragma once
#include <string>

#include <taglib/tfile.h>
#include <taglib/tiostream.h>

#include "MediaTags.h"
#include "TagItems.h"

struct CTagFileFacts {
    int lengthMs = -1;  // -1: no audio properties
    int sampleRate = 0;
    int channels = 0;
    CTagBlocks blocks;  // the file's tags, item by item
};

CTagFileFacts TakeTagFileFacts(TagLib::File* file, TagLib::IOStream& stream);

// What changed in the audio, in a few words; empty when nothing did.
std::string AudioChange(const CTagFileFacts& before, const CTagFileFacts& after);
// The items holding none of the `edited` fields that are gone or changed,
// named (a tag made anew may hold the `madeAnew` fields); empty when none.
std::string LostItems(const CTagFileFacts& before, const CTagFileFacts& after, unsigned edited, unsigned madeAnew);
// The fields (bits of the kTag fields, the cover aside) whose values differ between
// the two: those a save of `wanted` into a file that holds `held` edits.
unsigned DifferentFields(const VXM_MEDIA_TAGS& wanted, const VXM_MEDIA_TAGS& held);
