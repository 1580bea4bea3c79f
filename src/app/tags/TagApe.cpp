#include "TagApe.h"

#include <cctype>
#include <map>

#include "MediaTags.h"
#include "TagId3v1.h"

using namespace TagLib;

namespace {

const unsigned kFooter = 32;
const unsigned kHasHeader = 0x80000000u;
const unsigned kIsHeader = 0x20000000u;
const unsigned kBinary = 1u << 1;
// Where APEv2 readers (foobar2000, Mp3tag, mutagen) find the front cover.
const char* const kCoverKey = "COVER ART (FRONT)";

unsigned ItemField(const std::string& key)
{
    static const std::map<std::string, unsigned> fields = {
        {"TITLE", kTagTitle}, {"ARTIST", kTagArtist}, {"ALBUM", kTagAlbum}, {"GENRE", kTagGenre},
        {"COMMENT", kTagComment}, {"YEAR", kTagYear}, {"DATE", kTagYear}, {"TRACK", kTagTrack},
        {"LYRICS", kTagLyrics}, {kCoverKey, kTagCover}};
    auto it = fields.find(key);
    return it == fields.end() ? 0 : it->second;
}

const CTagItem* Find(const CApeTag& tag, const std::string& key)
{
    for (const CTagItem& item : tag.items)
        if (item.key == key) return &item;
    return nullptr;
}

// The item's name as the tag spells it, and its value.
ByteVector Name(const CTagItem& item)
{
    const int end = item.raw.find('\0', 8);
    return item.raw.mid(8, end < 0 ? 0 : static_cast<unsigned>(end) - 8);
}

ByteVector Value(const CTagItem& item)
{
    return item.raw.mid(8 + Name(item).size() + 1);
}

class CApeMaker {
public:
    CApeMaker(const CApeTag& held) : m_held(held) {}

    // A text item named as the held tag spells it, `name` where it has none.
    void Text(const char* name, const String& value)
    {
        if (!value.isEmpty()) Add(name, value.data(String::UTF8), false);
    }
    void Add(const char* name, const ByteVector& value, bool binary)
    {
        std::string key = name;
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        const CTagItem* held = Find(m_held, key);
        const ByteVector spelled = held ? Name(*held) : ByteVector(name);
        ByteVector raw = ByteVector::fromUInt(value.size(), false);
        raw.append(ByteVector::fromUInt(binary ? kBinary : 0u, false));
        raw.append(spelled);
        raw.append('\0');
        raw.append(value);
        made.push_back({key, raw, ItemField(key)});
    }
    String Held(const char* key) const
    {
        const CTagItem* item = Find(m_held, key);
        return item ? String(Value(*item), String::UTF8) : String();
    }

    CTagItems made;

private:
    const CApeTag& m_held;
};

CTagItems MakeItems(const CApeTag& held, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    CApeMaker make(held);
    if (edited & kTagTitle) make.Text("Title", TagText(tags.title));
    if (edited & kTagArtist) make.Text("Artist", TagText(tags.artist));
    if (edited & kTagAlbum) make.Text("Album", TagText(tags.album));
    if (edited & kTagComment) make.Text("Comment", TagText(tags.comment));
    if (edited & kTagGenre) make.Text("Genre", TagText(tags.genre));
    if (edited & kTagLyrics) make.Text("Lyrics", TagText(tags.lyrics));
    if (const unsigned year = TagNumber(tags.year); (edited & kTagYear) && year) {
        // Taggers that write DATE beside YEAR: readers that take DATE get the new year too.
        const struct {
            const char* name;
            const char* key;
        } dates[] = {{"Year", "YEAR"}, {"Date", "DATE"}};
        for (const auto& date : dates) {
            const String was = make.Held(date.key);
            if (date.key[0] == 'D' && !Find(held, date.key)) continue;
            make.Text(date.name, DateOfYear(was, year) ? was : String::number(static_cast<int>(year)));
        }
    }
    if (const unsigned track = TagNumber(tags.track); (edited & kTagTrack) && track) {
        const String was = make.Held("TRACK");
        const int slash = was.find("/");
        make.Text("Track", String::number(static_cast<int>(track)) +
                               (slash > 0 ? was.substr(static_cast<unsigned>(slash)) : String()));
    }
    if ((edited & kTagCover) && cover.valid) {
        // A file name, a zero byte and the picture.
        ByteVector value(cover.mime == "image/png" ? "cover.png" : "cover.jpg");
        value.append('\0');
        value.append(cover.data);
        make.Add("Cover Art (Front)", value, true);
    }
    return make.made;
}

ByteVector Frame(unsigned itemsSize, unsigned count, unsigned flags)
{
    ByteVector frame("APETAGEX");
    frame.append(ByteVector::fromUInt(2000u, false));
    frame.append(ByteVector::fromUInt(itemsSize + kFooter, false));
    frame.append(ByteVector::fromUInt(count, false));
    frame.append(ByteVector::fromUInt(flags, false));
    frame.append(ByteVector(8, '\0'));
    return frame;
}

}  // namespace

CApeTag ReadApeTag(IOStream& stream)
{
    CApeTag tag;
    const long end = stream.length() - (HasId3v1Tag(stream) ? 128 : 0);
    if (end < static_cast<long>(kFooter)) return tag;
    stream.seek(end - static_cast<long>(kFooter));
    const ByteVector footer = stream.readBlock(kFooter);
    if (footer.size() != kFooter || !footer.startsWith("APETAGEX")) return tag;
    tag.found = true;
    const unsigned size = footer.toUInt(12U, false);
    tag.flags = footer.toUInt(20U, false);
    tag.header = (tag.flags & kHasHeader) != 0;
    tag.size = size + (tag.header ? kFooter : 0);
    if (size < kFooter || static_cast<long>(tag.size) > end) return tag;
    tag.offset = end - static_cast<long>(tag.size);
    stream.seek(end - static_cast<long>(size));
    const ByteVector data = stream.readBlock(size - kFooter);
    if (data.size() != size - kFooter) return tag;
    unsigned at = 0;
    while (at + 9 <= data.size()) {
        const unsigned length = data.toUInt(at, false);
        const int zero = data.find('\0', at + 8);
        if (zero < 0 || length > data.size() - static_cast<unsigned>(zero) - 1) return tag;
        const unsigned next = static_cast<unsigned>(zero) + 1 + length;
        std::string key(data.data() + at + 8, static_cast<unsigned>(zero) - at - 8);
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        tag.items.push_back({key, data.mid(at, next - at), ItemField(key)});
        at = next;
    }
    tag.readable = at == data.size();
    return tag;
}

bool WriteApeTag(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover, bool make,
                 bool beside)
{
    const CApeTag held = ReadApeTag(stream);
    if (held.found && !held.readable) return false;
    if (!held.found && !make) return true;
    // A tag made anew holds every field, so that it reads back as the row.
    if (!held.found) edited |= FilledTagFields(tags);
    // Grown at its end, an MP3 would no longer match its LAME header, and
    // players would drop its gapless trim: a tag beside only takes the place of its own.
    if (beside && !Find(held, "LYRICS")) edited &= ~kTagLyrics;
    if (beside && !Find(held, kCoverKey)) edited &= ~kTagCover;
    const CTagItems items = MergeTagItems(held.items, MakeItems(held, tags, edited, cover), edited);
    ByteVector body;
    for (const CTagItem& item : items) body.append(item.raw);
    const bool header = held.header || !held.found;
    const unsigned flags = (held.flags & ~(kHasHeader | kIsHeader)) | (header ? kHasHeader : 0u);
    ByteVector tag;
    if (header) tag.append(Frame(body.size(), static_cast<unsigned>(items.size()), flags | kIsHeader));
    tag.append(body);
    tag.append(Frame(body.size(), static_cast<unsigned>(items.size()), flags));
    const long at = held.found ? held.offset : stream.length() - (HasId3v1Tag(stream) ? 128 : 0);
    stream.insert(tag, static_cast<unsigned long>(at), held.found ? held.size : 0);
    return true;
}
