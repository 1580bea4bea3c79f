#include "TagAsf.h"

#include <cctype>
#include <map>

#include "MediaTags.h"

using namespace TagLib;

namespace {

const ByteVector kHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const ByteVector kFileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const ByteVector kContent("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const ByteVector kExtended("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50", 16);
const ByteVector kHeaderExtension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65", 16);
const ByteVector kMetadata("\xEA\xCB\xF8\xC5\xAF\x5B\x77\x48\x84\x67\xAA\x8C\x44\xFA\x4C\xCA", 16);
const ByteVector kLibrary("\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54", 16);

// An object's GUID and size; the header extension's reserved GUID and word, and the size of its objects.
enum : unsigned { kObjectHeader = 24, kExtensionHead = 22 };
// Types of attribute values.
enum : unsigned { kUnicode = 0, kBytes = 1, kDword = 3 };

// The content description's texts, in their order, and the fields they hold.
const struct {
    const char* name;
    unsigned field;
} kContentTexts[] = {{"Title", kTagTitle}, {"Author", kTagArtist}, {"Copyright", 0}, {"Description", kTagComment},
                     {"Rating", 0}};

struct CAsfObject {
    ByteVector guid;
    ByteVector data;                  // after the object's header
    std::vector<CAsfObject> children;  // of the header extension
};

struct CAsfHeader {
    bool readable = false;
    unsigned long long size = 0;
    ByteVector fields;  // the object count and two reserved bytes
    std::vector<CAsfObject> objects;
};

ByteVector Word(unsigned value)
{
    return ByteVector::fromShort(static_cast<short>(value), false);
}

bool ReadObjects(const ByteVector& data, unsigned at, std::vector<CAsfObject>& objects)
{
    while (at < data.size()) {
        if (data.size() - at < kObjectHeader) return false;
        const unsigned long long size = data.toLongLong(at + 16, false);
        if (size < kObjectHeader || size > data.size() - at) return false;
        objects.push_back({data.mid(at, 16), data.mid(at + kObjectHeader, static_cast<unsigned>(size) - kObjectHeader), {}});
        at += static_cast<unsigned>(size);
    }
    return true;
}

CAsfHeader ReadHeader(IOStream& stream)
{
    CAsfHeader header;
    stream.seek(0);
    const ByteVector head = stream.readBlock(30);
    if (head.size() != 30 || !head.startsWith(kHeader)) return header;
    header.size = head.toLongLong(16U, false);
    if (header.size < 30 || header.size > static_cast<unsigned long long>(stream.length()) || header.size > 0x7FFFFFFF)
        return header;
    header.fields = head.mid(kObjectHeader, 6);
    const ByteVector data = head + stream.readBlock(static_cast<unsigned long>(header.size) - 30);
    if (data.size() != header.size || !ReadObjects(data, 30, header.objects)) return header;
    for (CAsfObject& object : header.objects) {
        if (object.guid != kHeaderExtension) continue;
        if (object.data.size() < kExtensionHead || !ReadObjects(object.data, kExtensionHead, object.children))
            return header;
    }
    header.readable = true;
    return header;
}

CAsfObject* Find(std::vector<CAsfObject>& objects, const ByteVector& guid)
{
    for (CAsfObject& object : objects)
        if (object.guid == guid) return &object;
    return nullptr;
}

String Utf16(const ByteVector& data)
{
    String text(data, String::UTF16LE);
    while (!text.isEmpty() && text[text.size() - 1] == 0) text = text.substr(0, text.size() - 1);
    return text;
}

ByteVector Utf16(const String& text)
{
    ByteVector data = text.data(String::UTF16LE);
    data.append(ByteVector(2, '\0'));
    return data;
}

unsigned FieldOf(const String& name, const ByteVector& value)
{
    static const std::map<std::string, unsigned> fields = {
        {"TITLE", kTagTitle},          {"AUTHOR", kTagArtist},     {"DESCRIPTION", kTagComment},
        {"WM/ALBUMTITLE", kTagAlbum},  {"WM/GENRE", kTagGenre},    {"WM/GENREID", kTagGenre},
        {"WM/YEAR", kTagYear},         {"WM/TRACKNUMBER", kTagTrack}, {"WM/TRACK", kTagTrack},
        {"WM/LYRICS", kTagLyrics}};
    const std::string key = name.upper().to8Bit(true);
    auto it = fields.find(key);
    if (it != fields.end()) return it->second;
    // A front cover, or a picture of no stated kind, is the cover.
    return key == "WM/PICTURE" && !value.isEmpty() && (value[0] == 3 || value[0] == 0) ? kTagCover : 0;
}

// The attributes of an object: the extended content description's records
// (name, type, value), or those of the metadata objects (numbers first).
CTagItems ReadAttributes(const CAsfObject& object, bool extended, bool* whole = nullptr)
{
    CTagItems items;
    const ByteVector& data = object.data;
    if (whole) *whole = false;
    if (data.size() < 2) return items;
    const unsigned count = data.toUShort(0U, false);
    unsigned at = 2;
    for (unsigned i = 0; i < count; ++i) {
        unsigned nameAt, nameSize, valueAt, valueSize;
        if (extended) {
            if (data.size() - at < 2) break;
            nameSize = data.toUShort(at, false);
            nameAt = at + 2;
            if (data.size() - nameAt < nameSize + 4u) break;
            valueSize = data.toUShort(nameAt + nameSize + 2, false);
            valueAt = nameAt + nameSize + 4;
        } else {
            if (data.size() - at < 12) break;
            nameSize = data.toUShort(at + 4, false);
            valueSize = data.toUInt(at + 8, false);
            nameAt = at + 12;
            if (data.size() - nameAt < nameSize) break;
            valueAt = nameAt + nameSize;
        }
        if (valueSize > data.size() - valueAt) break;
        const String name = Utf16(data.mid(nameAt, nameSize));
        const ByteVector value = data.mid(valueAt, valueSize);
        items.push_back({name.to8Bit(true), data.mid(at, valueAt + valueSize - at), FieldOf(name, value)});
        at = valueAt + valueSize;
    }
    if (whole) *whole = items.size() == count && at == data.size();
    return items;
}

ByteVector RenderAttributes(const CTagItems& items)
{
    ByteVector data = Word(static_cast<unsigned>(items.size()));
    for (const CTagItem& item : items) data.append(item.raw);
    return data;
}

CTagItem Attribute(const CTagItem* held, const String& name, unsigned type, const ByteVector& value, bool library)
{
    // The name as the file spells it.
    ByteVector spelled = Utf16(name);
    if (held) spelled = held->raw.mid(library ? 12 : 2, library ? held->raw.toUShort(4U, false) : held->raw.toUShort(0U, false));
    ByteVector raw;
    if (library) {
        raw = Word(0) + Word(0) + Word(spelled.size()) + Word(type) + ByteVector::fromUInt(value.size(), false);
        raw.append(spelled);
    } else {
        raw = Word(spelled.size()) + spelled + Word(type) + Word(value.size());
    }
    raw.append(value);
    return {name.to8Bit(true), raw, FieldOf(name, value)};
}

const CTagItem* FindItem(const CTagItems& items, const char* name)
{
    for (const CTagItem& item : items)
        if (String(item.key, String::UTF8).upper() == String(name).upper()) return &item;
    return nullptr;
}

ByteVector PictureValue(const CTagCover& cover)
{
    ByteVector value(static_cast<char>(3));
    value.append(ByteVector::fromUInt(cover.data.size(), false));
    value.append(Utf16(cover.mime));
    value.append(Utf16(String("Front Cover")));
    value.append(cover.data);
    return value;
}

// The new attributes of the edited fields: those of the extended content
// description, and a cover too large for it, which goes to the library.
void MakeAttributes(const CTagItems& held, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                    CTagItems& extended, CTagItems& library)
{
    auto text = [&](const char* name, const String& value, bool always) {
        const CTagItem* was = FindItem(held, name);
        if (!value.isEmpty() && (always || was)) extended.push_back(Attribute(was, name, kUnicode, Utf16(value), false));
    };
    // Texts of the content description that a muxer wrote here too.
    if (edited & kTagTitle) text("Title", TagText(tags.title), false);
    if (edited & kTagArtist) text("Author", TagText(tags.artist), false);
    if (edited & kTagComment) text("Description", TagText(tags.comment), false);
    if (edited & kTagAlbum) text("WM/AlbumTitle", TagText(tags.album), true);
    if (edited & kTagGenre) {
        text("WM/Genre", TagText(tags.genre), true);
        text("WM/GenreID", TagText(tags.genre), false);
    }
    if (edited & kTagLyrics) text("WM/Lyrics", TagText(tags.lyrics), true);
    if (const unsigned year = TagNumber(tags.year); (edited & kTagYear) && year)
        text("WM/Year", String::number(static_cast<int>(year)), true);
    if (const unsigned track = TagNumber(tags.track); (edited & kTagTrack) && track) {
        const CTagItem* number = FindItem(held, "WM/TrackNumber");
        if (number && number->raw.toUShort(2U + number->raw.toUShort(0U, false), false) == kDword)
            extended.push_back(Attribute(number, "WM/TrackNumber", kDword, ByteVector::fromUInt(track, false), false));
        else
            text("WM/TrackNumber", String::number(static_cast<int>(track)), true);
        // WM/Track counts from 0.
        if (const CTagItem* zeroBased = FindItem(held, "WM/Track"))
            extended.push_back(Attribute(zeroBased, "WM/Track", kDword, ByteVector::fromUInt(track - 1, false), false));
    }
    if ((edited & kTagCover) && cover.valid) {
        const ByteVector value = PictureValue(cover);
        if (value.size() <= 0xFFFF)
            extended.push_back(Attribute(nullptr, "WM/Picture", kBytes, value, false));
        else
            library.push_back(Attribute(nullptr, "WM/Picture", kBytes, value, true));
    }
}

ByteVector RenderObject(const CAsfObject& object)
{
    ByteVector data = object.data;
    if (object.guid == kHeaderExtension) {
        ByteVector children;
        for (const CAsfObject& child : object.children) children.append(RenderObject(child));
        data = data.mid(0, kExtensionHead - 4) + ByteVector::fromUInt(children.size(), false) + children;
    }
    return object.guid + ByteVector::fromLongLong(kObjectHeader + data.size(), false) + data;
}

// The content description's texts as stored.
std::vector<ByteVector> ContentTexts(const CAsfObject* content)
{
    std::vector<ByteVector> texts(5);
    if (!content || content->data.size() < 10) return texts;
    unsigned at = 10;
    for (unsigned i = 0; i < 5; ++i) {
        const unsigned size = content->data.toUShort(i * 2, false);
        texts[i] = content->data.mid(at, size);
        at += size;
    }
    return texts;
}

}  // namespace

CTagItems AsfItems(IOStream& stream)
{
    CAsfHeader header = ReadHeader(stream);
    CTagItems items;
    const std::vector<ByteVector> texts = ContentTexts(Find(header.objects, kContent));
    for (unsigned i = 0; i < 5; ++i)
        if (!texts[i].isEmpty()) items.push_back({kContentTexts[i].name, texts[i], kContentTexts[i].field});
    auto add = [&](CAsfObject* object, bool extended) {
        if (!object) return;
        const CTagItems attributes = ReadAttributes(*object, extended);
        items.insert(items.end(), attributes.begin(), attributes.end());
    };
    add(Find(header.objects, kExtended), true);
    if (CAsfObject* extension = Find(header.objects, kHeaderExtension)) {
        add(Find(extension->children, kMetadata), false);
        add(Find(extension->children, kLibrary), false);
    }
    return items;
}

bool WriteAsfTags(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    CAsfHeader header = ReadHeader(stream);
    if (!header.readable || !Find(header.objects, kFileProperties)) return false;
    if (!Find(header.objects, kExtended)) header.objects.push_back({kExtended, Word(0), {}});
    if ((edited & (kTagTitle | kTagArtist | kTagComment)) && !Find(header.objects, kContent))
        header.objects.push_back({kContent, ByteVector(10, '\0'), {}});
    CAsfObject* extension = Find(header.objects, kHeaderExtension);
    CAsfObject* extended = Find(header.objects, kExtended);
    bool whole = false;
    CTagItems held = ReadAttributes(*extended, true, &whole);
    if (!whole) return false;
    CTagItems madeExtended, madeLibrary;
    MakeAttributes(held, tags, edited, cover, madeExtended, madeLibrary);
    extended->data = RenderAttributes(MergeTagItems(held, madeExtended, edited));
    if (!extension && !madeLibrary.empty()) return false;
    if (extension && !madeLibrary.empty() && !Find(extension->children, kLibrary))
        extension->children.push_back({kLibrary, Word(0), {}});
    for (const ByteVector& guid : {kMetadata, kLibrary}) {
        CAsfObject* object = extension ? Find(extension->children, guid) : nullptr;
        if (!object) continue;
        const CTagItems attributes = ReadAttributes(*object, false, &whole);
        if (!whole) return false;
        object->data = RenderAttributes(MergeTagItems(attributes, guid == kLibrary ? madeLibrary : CTagItems(), edited));
    }
    // The content description's texts of the edited fields.
    if (CAsfObject* content = Find(header.objects, kContent); edited & (kTagTitle | kTagArtist | kTagComment)) {
        std::vector<ByteVector> texts = ContentTexts(content);
        const std::wstring* values[] = {&tags.title, &tags.artist, nullptr, &tags.comment, nullptr};
        for (unsigned i = 0; i < 5; ++i)
            if (values[i] && (edited & kContentTexts[i].field))
                texts[i] = values[i]->empty() ? ByteVector() : Utf16(TagText(*values[i]));
        content->data.clear();
        for (const ByteVector& text : texts) content->data.append(Word(text.size()));
        for (const ByteVector& text : texts) content->data.append(text);
    }
    ByteVector objects;
    unsigned properties = 0;
    long long stated = 0;
    for (const CAsfObject& object : header.objects) {
        if (object.guid == kFileProperties) {
            properties = 30 + objects.size();
            if (object.data.size() >= 24) stated = object.data.toLongLong(16U, false);
        }
        objects.append(RenderObject(object));
    }
    ByteVector rendered = kHeader + ByteVector::fromLongLong(30 + objects.size(), false) +
                          ByteVector::fromUInt(static_cast<unsigned>(header.objects.size()), false) +
                          header.fields.mid(4, 2) + objects;
    // The file size its properties state: the file's size once written. A
    // cut file states more than it holds, by which players know it is cut
    // (else they take its play duration for what is there): that size grows
    // as the header does.
    const long long grown = static_cast<long long>(rendered.size()) - static_cast<long long>(header.size);
    const long long length = stated > stream.length() ? stated + grown : stream.length() + grown;
    const ByteVector size = ByteVector::fromLongLong(length, false);
    for (unsigned i = 0; i < 8; ++i) rendered[properties + kObjectHeader + 16 + i] = size[i];
    stream.insert(rendered, 0, static_cast<unsigned long>(header.size));
    return true;
}
