#include "TagXiph.h"

#include <cctype>
#include <map>

#include <taglib/flacpicture.h>

#include "MediaTags.h"

using namespace TagLib;

namespace {

const char* const kPictureField = "METADATA_BLOCK_PICTURE";

unsigned FieldOf(const std::string& key, const ByteVector& value)
{
    static const std::map<std::string, unsigned> fields = {
        {"TITLE", kTagTitle},        {"ARTIST", kTagArtist},  {"ALBUM", kTagAlbum},        {"GENRE", kTagGenre},
        {"COMMENT", kTagComment},    {"DESCRIPTION", kTagComment}, {"DATE", kTagYear},     {"YEAR", kTagYear},
        {"TRACKNUMBER", kTagTrack},  {"LYRICS", kTagLyrics}, {"COVERART", kTagCover},      {"COVERARTMIME", kTagCover}};
    auto it = fields.find(key);
    if (it != fields.end()) return it->second;
    if (key != kPictureField) return 0;
    // A front cover, or a picture of no stated kind, is the cover.
    const ByteVector block = ByteVector::fromBase64(value.mid(0, 12));
    const unsigned type = block.size() >= 4 ? block.toUInt(0U, true) : 0;
    return type == FLAC::Picture::FrontCover || type == FLAC::Picture::Other ? kTagCover : 0;
}

// Fields made by name, each spelled as the held comment spells its first of that name.
class CXiphMaker {
public:
    explicit CXiphMaker(const CXiphComment& held) : m_held(held) {}

    bool Holds(const std::string& key) const { return Find(key) != nullptr; }
    String Held(const std::string& key) const
    {
        const CTagItem* item = Find(key);
        if (!item) return String();
        const int equals = item->raw.find('=');
        return String(item->raw.mid(static_cast<unsigned>(equals) + 1), String::UTF8);
    }
    void Add(const std::string& key, const String& value)
    {
        if (value.isEmpty()) return;
        const CTagItem* held = Find(key);
        ByteVector raw = held ? held->raw.mid(0, static_cast<unsigned>(held->raw.find('='))) : ByteVector(key.c_str());
        raw.append('=');
        raw.append(value.data(String::UTF8));
        made.push_back({key, raw, FieldOf(key, value.data(String::UTF8))});
    }

    CTagItems made;

private:
    const CTagItem* Find(const std::string& key) const
    {
        for (const CTagItem& item : m_held.fields)
            if (item.key == key) return &item;
        return nullptr;
    }
    const CXiphComment& m_held;
};

}  // namespace

CXiphComment ReadXiphComment(const ByteVector& data, unsigned at)
{
    CXiphComment comment;
    if (at + 4 > data.size()) return comment;
    const unsigned vendor = data.toUInt(at, false);
    if (vendor > data.size() - at - 4 || data.size() - at - 4 - vendor < 4) return comment;
    comment.vendor = data.mid(at + 4, vendor);
    at += 4 + vendor;
    const unsigned count = data.toUInt(at, false);
    at += 4;
    for (unsigned i = 0; i < count; ++i) {
        if (data.size() - at < 4) return comment;
        const unsigned length = data.toUInt(at, false);
        if (length > data.size() - at - 4) return comment;
        const ByteVector field = data.mid(at + 4, length);
        at += 4 + length;
        const int equals = field.find('=');
        if (equals <= 0) continue;  // no name: no reader takes it
        std::string key(field.data(), static_cast<unsigned>(equals));
        for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        comment.fields.push_back({key, field, FieldOf(key, field.mid(static_cast<unsigned>(equals) + 1))});
    }
    comment.end = at;
    comment.readable = true;
    return comment;
}

CTagItems XiphItems(const CXiphComment& comment)
{
    CTagItems items = comment.fields;
    items.push_back({"(vendor)", comment.vendor});
    return items;
}

ByteVector CoverPictureBlock(const CTagCover& cover)
{
    FLAC::Picture picture;
    picture.setData(cover.data);
    picture.setType(FLAC::Picture::FrontCover);
    picture.setMimeType(cover.mime);
    picture.setDescription("Front Cover");
    return picture.render();
}

ByteVector RenderXiphComment(const CXiphComment& held, const VXM_MEDIA_TAGS& tags, unsigned edited,
                             const CTagCover& cover, bool pictures)
{
    CXiphMaker make(held);
    const struct {
        unsigned field;
        const char* key;
        const std::wstring VXM_MEDIA_TAGS::*value;
    } texts[] = {{kTagTitle, "TITLE", &VXM_MEDIA_TAGS::title},   {kTagArtist, "ARTIST", &VXM_MEDIA_TAGS::artist},
                 {kTagAlbum, "ALBUM", &VXM_MEDIA_TAGS::album},   {kTagGenre, "GENRE", &VXM_MEDIA_TAGS::genre},
                 {kTagLyrics, "LYRICS", &VXM_MEDIA_TAGS::lyrics}};
    for (const auto& text : texts)
        if (edited & text.field) make.Add(text.key, TagText(tags.*text.value));
    if (edited & kTagComment) {
        // Readers take DESCRIPTION or COMMENT: each the file holds gets the text.
        const bool description = make.Holds("DESCRIPTION");
        if (description) make.Add("DESCRIPTION", TagText(tags.comment));
        if (make.Holds("COMMENT") || !description) make.Add("COMMENT", TagText(tags.comment));
    }
    if (const unsigned year = TagNumber(tags.year); (edited & kTagYear) && year) {
        for (const char* key : {"DATE", "YEAR"}) {
            const String date = make.Held(key);
            if (key[0] == 'Y' && !make.Holds(key)) continue;
            make.Add(key, DateOfYear(date, year) ? date : String::number(static_cast<int>(year)));
        }
    }
    if (const unsigned track = TagNumber(tags.track); (edited & kTagTrack) && track) {
        const String was = make.Held("TRACKNUMBER");
        const int slash = was.find("/");
        make.Add("TRACKNUMBER", String::number(static_cast<int>(track)) +
                                    (slash > 0 ? was.substr(static_cast<unsigned>(slash)) : String()));
    }
    if ((edited & kTagCover) && cover.valid && pictures)
        make.Add(kPictureField, String(CoverPictureBlock(cover).toBase64(), String::Latin1));
    const CTagItems fields = MergeTagItems(held.fields, make.made, edited);
    ByteVector data = ByteVector::fromUInt(held.vendor.size(), false);
    data.append(held.vendor);
    data.append(ByteVector::fromUInt(static_cast<unsigned>(fields.size()), false));
    for (const CTagItem& field : fields) {
        data.append(ByteVector::fromUInt(field.raw.size(), false));
        data.append(field.raw);
    }
    return data;
}
