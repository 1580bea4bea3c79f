#include "TagMp4.h"

#include <algorithm>
#include <iterator>
#include <map>

#include "MediaTags.h"
#include "Mp4AtomTree.h"

using namespace TagLib;

namespace {

const char* const kLyrics = "\251lyr";
const char* const kDate = "\251day";
// Room left after an item list that grew, so that the next save fits in it.
const unsigned kPadding = 1024;

unsigned FieldOf(const std::string& key)
{
    static const std::map<std::string, unsigned> fields = {
        {"\251nam", kTagTitle}, {"\251ART", kTagArtist}, {"\251alb", kTagAlbum}, {"\251cmt", kTagComment},
        {"\251gen", kTagGenre}, {"gnre", kTagGenre},      {kDate, kTagYear},      {"trkn", kTagTrack},
        {kLyrics, kTagLyrics}};
    auto it = fields.find(key);
    return it == fields.end() ? 0 : it->second;
}

ByteVector Atom(const ByteVector& name, const ByteVector& body)
{
    ByteVector atom = ByteVector::fromUInt(8 + body.size());
    atom.append(name);
    atom.append(body);
    return atom;
}

ByteVector DataAtom(unsigned type, const ByteVector& value)
{
    ByteVector body = ByteVector::fromUInt(type);
    body.append(ByteVector::fromUInt(0u));
    body.append(value);
    return Atom("data", body);
}

// The atoms inside an item's atom: name and bytes of each.
std::vector<std::pair<ByteVector, ByteVector>> Children(const ByteVector& atom)
{
    std::vector<std::pair<ByteVector, ByteVector>> children;
    for (unsigned at = 8; at + 8 <= atom.size();) {
        const unsigned size = atom.toUInt(at);
        if (size < 8 || size > atom.size() - at) return {};
        children.emplace_back(atom.mid(at + 4, 4), atom.mid(at, size));
        at += size;
    }
    return children;
}

// The value of an item's first data atom.
ByteVector FirstValue(const CTagItem* item)
{
    if (!item) return ByteVector();
    for (const auto& [name, child] : Children(item->raw))
        if (name == "data") return child.mid(16);
    return ByteVector();
}

// The items of the list; a freeform item keyed by its "----:mean:name", and
// the cover list split into its pictures, the first of which is the cover.
CTagItems ReadItems(IOStream& stream, const CMp4Atom& ilst)
{
    CTagItems items;
    for (const CMp4Atom& atom : ilst.children) {
        stream.seek(static_cast<long>(atom.at));
        const ByteVector raw = stream.readBlock(static_cast<unsigned long>(atom.size));
        std::string key(atom.name.data(), atom.name.size());
        const auto children = Children(raw);
        if (key == "----") {
            for (const auto& [name, child] : children)
                if ((name == "mean" || name == "name") && child.size() >= 12)
                    key += ":" + std::string(child.data() + 12, child.size() - 12);
        }
        bool pictures = key == "covr" && !children.empty();
        for (const auto& child : children) pictures = pictures && child.first == "data";
        if (!pictures) {
            items.push_back({key, raw, key == "covr" ? kTagCover : FieldOf(key)});
            continue;
        }
        unsigned field = kTagCover;
        for (const auto& child : children) {
            items.push_back({key, child.second, field});
            field = 0;
        }
    }
    return items;
}

CTagItems MakeItems(const CTagItems& held, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    auto find = [&](const char* key) -> const CTagItem* {
        for (const CTagItem& item : held)
            if (item.key == key) return &item;
        return nullptr;
    };
    CTagItems made;
    auto text = [&](const char* key, const String& value) {
        if (!value.isEmpty()) made.push_back({key, Atom(key, DataAtom(1, value.data(String::UTF8))), FieldOf(key)});
    };
    if (edited & kTagTitle) text("\251nam", TagText(tags.title));
    if (edited & kTagArtist) text("\251ART", TagText(tags.artist));
    if (edited & kTagAlbum) text("\251alb", TagText(tags.album));
    if (edited & kTagComment) text("\251cmt", TagText(tags.comment));
    // iTunes' genre number gives way to the text.
    if (edited & kTagGenre) text("\251gen", TagText(tags.genre));
    if (edited & kTagLyrics) text(kLyrics, TagText(tags.lyrics));
    if (const unsigned year = TagNumber(tags.year); (edited & kTagYear) && year) {
        const String date(FirstValue(find(kDate)), String::UTF8);
        text(kDate, DateOfYear(date, year) ? date : String::number(static_cast<int>(year)));
    }
    if (const unsigned track = TagNumber(tags.track); (edited & kTagTrack) && track) {
        // The track of its total, which stays.
        const ByteVector held = FirstValue(find("trkn"));
        ByteVector value(2, '\0');
        value.append(ByteVector::fromShort(static_cast<short>(track)));
        value.append(held.size() >= 6 ? held.mid(4, 2) : ByteVector(2, '\0'));
        value.append(ByteVector(2, '\0'));
        made.push_back({"trkn", Atom("trkn", DataAtom(0, value)), kTagTrack});
    }
    if ((edited & kTagCover) && cover.valid)
        made.push_back({"covr", DataAtom(cover.mime == "image/png" ? 14 : 13, cover.data), kTagCover});
    return made;
}

// The list's atom: each item's atom, the pictures in one cover list.
ByteVector RenderList(const CTagItems& items)
{
    ByteVector body;
    auto picture = [&](size_t i) { return i < items.size() && items[i].raw.mid(4, 4) == "data"; };
    for (size_t i = 0; i < items.size();) {
        if (!picture(i)) {
            body.append(items[i++].raw);
            continue;
        }
        ByteVector pictures;
        while (picture(i)) pictures.append(items[i++].raw);
        body.append(Atom("covr", pictures));
    }
    return Atom("ilst", body);
}

bool AddToSize(IOStream& stream, const CMp4Atom& atom, long long delta)
{
    if (atom.header == 16) {
        stream.seek(static_cast<long>(atom.at + 8));
        stream.writeBlock(ByteVector::fromLongLong(static_cast<long long>(atom.size) + delta));
        return true;
    }
    if (static_cast<long long>(atom.size) + delta > 0xFFFFFFFFLL) return false;
    stream.seek(static_cast<long>(atom.at));
    stream.writeBlock(ByteVector::fromUInt(static_cast<unsigned>(static_cast<long long>(atom.size) + delta)));
    return true;
}

// The handler a meta atom made here names: iTunes' metadata.
ByteVector MetadataHandler()
{
    ByteVector body(8, '\0');  // version and flags, then the predefined word
    body.append("mdirappl");
    body.append(ByteVector(9, '\0'));  // the reserved words and an empty name
    return Atom("hdlr", body);
}

}  // namespace

CTagItems Mp4Items(IOStream& stream)
{
    const CMp4Tree tree = ReadMp4Tree(stream);
    const auto path = FindMp4Path(tree, {"moov", "udta", "meta", "ilst"});
    return path.size() == 4 ? ReadItems(stream, *path.back()) : CTagItems();
}

bool WriteMp4Items(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                   std::string& why)
{
    const CMp4Tree tree = ReadMp4Tree(stream);
    const auto path = FindMp4Path(tree, {"moov", "udta", "meta", "ilst"});
    why = tree.fault;
    if (path.empty() && why.empty()) why = "it has no movie atom";
    if (!why.empty()) return false;
    // A list made anew holds every field, so that it reads back as the row.
    const bool listed = path.size() == 4;
    if (!listed) edited |= FilledTagFields(tags);
    const CTagItems held = listed ? ReadItems(stream, *path.back()) : CTagItems();
    ByteVector data = RenderList(MergeTagItems(held, MakeItems(held, tags, edited, cover), edited));
    // The list takes the place of the old one and of the free atoms beside
    // it; where there is none, it goes (in the atoms it sits in) after the
    // children of the last atom of its path there is.
    std::uint64_t start = path.back()->childrenEnd;
    std::uint64_t length = 0;
    if (listed) {
        const std::vector<CMp4Atom>& beside = path[2]->children;
        const auto it = std::find_if(beside.begin(), beside.end(), [&](const CMp4Atom& a) { return &a == path[3]; });
        start = it->at;
        length = it->size;
        if (it != beside.begin() && std::prev(it)->name == "free") {
            start = std::prev(it)->at;
            length += std::prev(it)->size;
        }
        if (std::next(it) != beside.end() && std::next(it)->name == "free") length += std::next(it)->size;
    }
    if (data.size() + 8 <= length)
        data.append(Atom("free", ByteVector(static_cast<unsigned>(length - data.size() - 8), '\0')));
    else if (data.size() != length)
        data.append(Atom("free", ByteVector(kPadding, '\0')));
    // The padding stays beside the list, for the next save.
    if (!listed && path.size() < 3) data = Atom("meta", ByteVector(4, '\0') + MetadataHandler() + data);
    if (!listed && path.size() < 2) data = Atom("udta", data);
    const long long delta = static_cast<long long>(data.size()) - static_cast<long long>(length);
    for (size_t i = 0; delta != 0 && i < std::min<size_t>(path.size(), 3); ++i) {
        if (!AddToSize(stream, *path[i], delta)) {
            why = "its tags would outgrow the atom that holds them";
            return false;
        }
    }
    stream.insert(data, static_cast<unsigned long>(start), static_cast<unsigned long>(length));
    if (!MoveMp4Pointers(stream, tree.pointers, start, delta)) {
        why = "a chunk offset would outgrow its table";
        return false;
    }
    return true;
}
