// The row's tag values as TagLib takes them, shared by the format routines.
#pragma once
#include <string>

#include <taglib/tag.h>
#include <taglib/tbytevector.h>
#include <taglib/tstring.h>

struct VXM_MEDIA_TAGS;

// A byte that is no text (carried from a file name as U+DC80..U+DCFF)
// becomes U+FFFD: a tag holds text only.
TagLib::String TagText(const std::wstring& text);
std::wstring WideText(const TagLib::String& text);
// TagLib's string-to-integer reading: anything that is not a number is 0.
unsigned TagNumber(const std::wstring& text);
// ID3v1 and RIFF INFO hold Latin-1 only: letters outside it become '?'.
TagLib::String Latin1Text(const std::wstring& text);
// True when a date text ("2004", "2004-05-06") is of `year`.
bool DateOfYear(const TagLib::String& date, unsigned year);

// The picture to write, when the row names one that can be read.
struct CTagCover {
    TagLib::ByteVector data;
    TagLib::String mime;
    bool valid = false;
};
CTagCover LoadTagCover(const std::wstring& path);
