// The items of a file's tags as their formats store them (frames, atoms,
// comments, attributes with their bytes), and how a save changes them: the
// items that hold the fields the user edited give way to new ones, every
// other item stays byte for byte.
#pragma once
#include <string>
#include <vector>

#include <taglib/tbytevector.h>

#include "MediaTags.h"

// The row's fields, as bits.
constexpr unsigned kTagTitle = 1u << 0;
constexpr unsigned kTagArtist = 1u << 1;
constexpr unsigned kTagAlbum = 1u << 2;
constexpr unsigned kTagComment = 1u << 3;
constexpr unsigned kTagGenre = 1u << 4;
constexpr unsigned kTagYear = 1u << 5;
constexpr unsigned kTagTrack = 1u << 6;
constexpr unsigned kTagLyrics = 1u << 7;
constexpr unsigned kTagCover = 1u << 8;

// One item: the name readers find it by, its bytes as stored (what a save
// must keep) and the one field of the row it holds (0: none).
struct CTagItem {
    std::string key;
    TagLib::ByteVector raw;
    unsigned field = 0;
};
using CTagItems = std::vector<CTagItem>;

// One tag of a file: its kind ("ID3v2", "APEv2", ...) and its items in order.
struct CTagBlock {
    std::string kind;
    CTagItems items;
};
using CTagBlocks = std::vector<CTagBlock>;

// The items of `held` that hold none of the `edited` fields, with `made` in
// the place of the first held item of their field (after the others where
// the tag had none).
CTagItems MergeTagItems(const CTagItems& held, const CTagItems& made, unsigned edited);

// "<kind> <key>" of each item, holding none of the `edited` fields, that is
// gone, new or changed between the two; in a tag that had no item before,
// the `madeAnew` fields may be new too, and a tag of a kind the file did not
// have (a comment block made for a FLAC file) has nothing to keep.
std::vector<std::string> ChangedTagItems(const CTagBlocks& before, const CTagBlocks& after, unsigned edited,
                                         unsigned madeAnew);

// The row's text fields and their bits (title, artist, album, comment,
// genre, lyrics).
struct CTagTextField {
    unsigned field;
    std::wstring VXM_MEDIA_TAGS::*value;
};
extern const CTagTextField kTagTextFields[6];

// The fields `tags` gives a value (the cover aside): those a tag made anew
// holds, so that it reads back as the row.
unsigned FilledTagFields(const VXM_MEDIA_TAGS& tags);

// The fields not among `fields` take the values `held` gives them.
void KeepTagFields(VXM_MEDIA_TAGS& tags, const VXM_MEDIA_TAGS& held, unsigned fields);

// The names of the fields ("title", "cover", ...), joined by ", ".
std::string TagFieldNames(unsigned fields);
