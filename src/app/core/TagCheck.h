// The check of a copy whose tags were changed, before it may take the file's
// place: the audio as TagLib reads it is the same, every tag item the edit
// did not touch is still there, and the new values read back.
#pragma once
#include <map>
#include <string>

#include <taglib/tfile.h>

#include "MediaTags.h"

struct CTagFileFacts {
    int lengthMs = -1;  // -1: no audio properties
    int sampleRate = 0;
    int channels = 0;
    std::map<std::string, std::string> items;  // "<tag kind> <key>" -> its values
};

CTagFileFacts TakeTagFileFacts(TagLib::File* file);

// What changed in the audio, in a few words; empty when nothing did.
std::string AudioChange(const CTagFileFacts& before, const CTagFileFacts& after);
// The items that are gone or changed, named; empty when none.
std::string LostItems(const CTagFileFacts& before, const CTagFileFacts& after);
// The fields whose values did not read back as written, named; empty when all did.
std::string FieldsNotReadBack(const VXM_MEDIA_TAGS& written, const VXM_MEDIA_TAGS& read);
