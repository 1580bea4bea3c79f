#include "TagItems.h"

#include <map>
#include <set>

#include "TagValues.h"

using TagLib::ByteVector;

CTagItems MergeTagItems(const CTagItems& held, const CTagItems& made, unsigned edited)
{
    CTagItems merged;
    unsigned placed = 0;
    auto place = [&](unsigned field) {
        for (const CTagItem& item : made)
            if (item.field == field) merged.push_back(item);
        placed |= field;
    };
    for (const CTagItem& item : held) {
        if (!(item.field & edited)) {
            merged.push_back(item);
        } else if (!(placed & item.field)) {
            place(item.field);
        }
    }
    for (const CTagItem& item : made)
        if (!(placed & item.field)) place(item.field);
    return merged;
}

namespace {

using CKeyedItems = std::map<std::string, std::vector<ByteVector>>;

// Each kind's items by key, in their order, but those of the fields each may change.
std::map<std::string, CKeyedItems> Kept(const CTagBlocks& blocks, const std::map<std::string, unsigned>& changing)
{
    std::map<std::string, CKeyedItems> kept;
    for (const CTagBlock& block : blocks) {
        CKeyedItems& keyed = kept[block.kind];
        const unsigned fields = changing.at(block.kind);
        for (const CTagItem& item : block.items)
            if (!(item.field & fields)) keyed[item.key].push_back(item.raw);
    }
    return kept;
}

}  // namespace

std::vector<std::string> ChangedTagItems(const CTagBlocks& before, const CTagBlocks& after, unsigned edited,
                                         unsigned madeAnew)
{
    // A tag that held none of the fields (one the file did not have) gets every field.
    std::map<std::string, unsigned> changing;
    for (const CTagBlock& block : after) changing[block.kind] = edited | madeAnew;
    for (const CTagBlock& block : before) {
        bool fields = false;
        for (const CTagItem& item : block.items) fields = fields || item.field;
        changing[block.kind] = fields ? edited : edited | madeAnew;
    }
    const auto was = Kept(before, changing);
    const auto now = Kept(after, changing);
    std::set<std::string> changed;
    // `made`: a tag of `a` of a kind `b` has not is one made anew, with nothing to keep.
    auto compare = [&](const std::map<std::string, CKeyedItems>& a, const std::map<std::string, CKeyedItems>& b,
                       bool made) {
        for (const auto& [kind, keyed] : a) {
            auto other = b.find(kind);
            if (made && other == b.end()) continue;
            for (const auto& [key, values] : keyed) {
                if (other == b.end() || other->second.count(key) == 0 || other->second.at(key) != values)
                    changed.insert(kind + " " + key);
            }
        }
    };
    compare(was, now, false);
    compare(now, was, true);
    return std::vector<std::string>(changed.begin(), changed.end());
}

const CTagTextField kTagTextFields[6] = {
    {kTagTitle, &VXM_MEDIA_TAGS::title},     {kTagArtist, &VXM_MEDIA_TAGS::artist}, {kTagAlbum, &VXM_MEDIA_TAGS::album},
    {kTagComment, &VXM_MEDIA_TAGS::comment}, {kTagGenre, &VXM_MEDIA_TAGS::genre},   {kTagLyrics, &VXM_MEDIA_TAGS::lyrics}};

unsigned FilledTagFields(const VXM_MEDIA_TAGS& tags)
{
    unsigned filled = 0;
    for (const CTagTextField& text : kTagTextFields)
        if (!(tags.*text.value).empty()) filled |= text.field;
    if (TagNumber(tags.year)) filled |= kTagYear;
    if (TagNumber(tags.track)) filled |= kTagTrack;
    return filled;
}

void KeepTagFields(VXM_MEDIA_TAGS& tags, const VXM_MEDIA_TAGS& held, unsigned fields)
{
    for (const CTagTextField& text : kTagTextFields)
        if (!(fields & text.field)) tags.*text.value = held.*text.value;
    if (!(fields & kTagYear)) tags.year = held.year;
    if (!(fields & kTagTrack)) tags.track = held.track;
}

std::string TagFieldNames(unsigned fields)
{
    static const char* const names[] = {"title", "artist", "album", "comment", "genre",
                                        "year",  "track",  "lyrics", "cover"};
    std::string text;
    for (unsigned bit = 0; bit < sizeof(names) / sizeof(names[0]); ++bit) {
        if (!(fields & (1u << bit))) continue;
        if (!text.empty()) text += ", ";
        text += names[bit];
    }
    return text;
}
