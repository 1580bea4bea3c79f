#include "TagMp4.h"

#include <map>

#include <taglib/mp4atom.h>
#include <taglib/mp4file.h>

#include "MediaTags.h"

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
CTagItems ReadItems(File* file, MP4::Atom* ilst)
{
    CTagItems items;
    for (MP4::Atom* atom : ilst->children) {
        file->seek(atom->offset);
        const ByteVector raw = file->readBlock(static_cast<unsigned long>(atom->length));
        std::string key(atom->name.data(), atom->name.size());
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

bool AddToSize(File* file, MP4::Atom* atom, long long delta)
{
    file->seek(atom->offset);
    const unsigned size = file->readBlock(4).toUInt();
    if (size == 1) {
        file->seek(atom->offset + 8);
        const long long wide = file->readBlock(8).toLongLong();
        file->seek(atom->offset + 8);
        file->writeBlock(ByteVector::fromLongLong(wide + delta));
        return true;
    }
    if (size + delta > 0xFFFFFFFFLL) return false;
    file->seek(atom->offset);
    file->writeBlock(ByteVector::fromUInt(static_cast<unsigned>(size + delta)));
    return true;
}

// Every chunk offset of the file that points behind `start` moves by
// `delta` (the atoms that hold them moved too when they lay behind it).
void MoveChunkOffsets(File* file, MP4::Atoms& atoms, long start, long delta)
{
    auto moved = [&](long at) { return at > start ? at + delta : at; };
    for (MP4::Atom* moov : atoms.atoms) {
        if (moov->name != "moov") continue;
        for (const char* name : {"stco", "co64"}) {
            const unsigned width = name[1] == 't' ? 4 : 8;
            for (MP4::Atom* table : moov->findall(name, true)) {
                const long at = moved(table->offset);
                file->seek(at + 12);
                const unsigned count = file->readBlock(4).toUInt();
                ByteVector entries = file->readBlock(static_cast<unsigned long>(count) * width);
                for (unsigned i = 0; i + width <= entries.size(); i += width) {
                    const long long offset = width == 4 ? entries.toUInt(i) : entries.toLongLong(i);
                    if (offset <= start) continue;
                    const ByteVector value = width == 4 ? ByteVector::fromUInt(static_cast<unsigned>(offset + delta))
                                                        : ByteVector::fromLongLong(offset + delta);
                    for (unsigned b = 0; b < width; ++b) entries[i + b] = value[b];
                }
                file->seek(at + 16);
                file->writeBlock(entries);
            }
        }
    }
    for (MP4::Atom* moof : atoms.atoms) {
        if (moof->name != "moof") continue;
        for (MP4::Atom* tfhd : moof->findall("tfhd", true)) {
            const long at = moved(tfhd->offset);
            file->seek(at + 8);
            if (!(file->readBlock(4).toUInt() & 1)) continue;  // no base data offset
            file->seek(at + 16);
            const long long offset = file->readBlock(8).toLongLong();
            if (offset <= start) continue;
            file->seek(at + 16);
            file->writeBlock(ByteVector::fromLongLong(offset + delta));
        }
    }
}

// TagLib makes the item list of a file that has none (and the atoms it sits in).
bool WriteNewList(File* file, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    auto* mp4 = dynamic_cast<MP4::File*>(file);
    MP4::Tag* tag = mp4 ? mp4->tag() : nullptr;
    if (!tag) return false;
    if (edited & kTagTitle) tag->setTitle(TagText(tags.title));
    if (edited & kTagArtist) tag->setArtist(TagText(tags.artist));
    if (edited & kTagAlbum) tag->setAlbum(TagText(tags.album));
    if (edited & kTagComment) tag->setComment(TagText(tags.comment));
    if (edited & kTagGenre) tag->setGenre(TagText(tags.genre));
    if (edited & kTagYear) tag->setYear(TagNumber(tags.year));
    if (edited & kTagTrack) tag->setTrack(TagNumber(tags.track));
    if ((edited & kTagLyrics) && !tags.lyrics.empty()) tag->setItem(kLyrics, MP4::Item(StringList(TagText(tags.lyrics))));
    if ((edited & kTagCover) && cover.valid) {
        MP4::CoverArtList list;
        list.append(MP4::CoverArt(cover.mime == "image/png" ? MP4::CoverArt::PNG : MP4::CoverArt::JPEG, cover.data));
        tag->setItem("covr", MP4::Item(list));
    }
    return mp4->save();
}

}  // namespace

CTagItems Mp4Items(File* file)
{
    MP4::Atoms atoms(file);
    const MP4::AtomList path = atoms.path("moov", "udta", "meta", "ilst");
    return path.size() == 4 ? ReadItems(file, path.back()) : CTagItems();
}

bool WriteMp4Items(File* file, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover, std::string& why)
{
    MP4::Atoms atoms(file);
    MP4::AtomList path = atoms.path("moov", "udta", "meta", "ilst");
    if (path.size() != 4) {
        if (WriteNewList(file, tags, edited | FilledTagFields(tags), cover)) return true;
        why = "the tag library could not write the file";
        return false;
    }
    MP4::Atom* ilst = path.back();
    MP4::Atom* meta = path[2];
    const CTagItems held = ReadItems(file, ilst);
    const ByteVector list = RenderList(MergeTagItems(held, MakeItems(held, tags, edited, cover), edited));
    // The list takes the place of the old one and of the free atoms beside it.
    long start = ilst->offset;
    long length = ilst->length;
    for (auto it = meta->children.begin(); it != meta->children.end(); ++it) {
        if (*it != ilst) continue;
        if (it != meta->children.begin()) {
            auto before = it;
            if ((*--before)->name == "free") {
                start = (*before)->offset;
                length += (*before)->length;
            }
        }
        auto after = it;
        if (++after != meta->children.end() && (*after)->name == "free") length += (*after)->length;
    }
    ByteVector data = list;
    if (data.size() + 8 <= static_cast<unsigned long>(length))
        data.append(Atom("free", ByteVector(static_cast<unsigned>(length) - data.size() - 8, '\0')));
    else if (data.size() != static_cast<unsigned long>(length))
        data.append(Atom("free", ByteVector(kPadding, '\0')));
    const long delta = static_cast<long>(data.size()) - length;
    for (size_t i = 0; delta != 0 && i < 3; ++i) {
        if (!AddToSize(file, path[i], delta)) {
            why = "its tags would outgrow the atom that holds them";
            return false;
        }
    }
    file->insert(data, static_cast<unsigned long>(start), static_cast<unsigned long>(length));
    if (delta != 0) MoveChunkOffsets(file, atoms, start, delta);
    return true;
}
