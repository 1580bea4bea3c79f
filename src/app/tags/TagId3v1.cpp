#include "TagId3v1.h"

#include <taglib/id3v1genres.h>

#include "MediaTags.h"
#include "TagValues.h"

using namespace TagLib;

namespace {

// Where the fields lie in the tag's 128 bytes.
enum : unsigned { kSize = 128, kComment = 97, kZeroBeforeTrack = 125, kTrack = 126, kGenre = 127 };

const struct CV1Text {
    const char* key;
    unsigned field, at, width;
    const std::wstring VXM_MEDIA_TAGS::*value;
} kTexts[] = {{"title", kTagTitle, 3, 30, &VXM_MEDIA_TAGS::title},
              {"artist", kTagArtist, 33, 30, &VXM_MEDIA_TAGS::artist},
              {"album", kTagAlbum, 63, 30, &VXM_MEDIA_TAGS::album},
              {"year", kTagYear, 93, 4, &VXM_MEDIA_TAGS::year}};

ByteVector ReadTag(IOStream& stream)
{
    const long length = stream.length();
    if (length < static_cast<long>(kSize)) return ByteVector();
    stream.seek(length - static_cast<long>(kSize) - 3);
    const ByteVector before = length > static_cast<long>(kSize) + 3 ? stream.readBlock(3) : ByteVector();
    stream.seek(length - static_cast<long>(kSize));
    ByteVector tag = stream.readBlock(kSize);
    // "TAG" inside an APEv2 tag's "APETAGEX" is no ID3v1 tag.
    if (before == "APE" && tag.startsWith("TAGEX")) return ByteVector();
    return tag.size() == kSize && tag.startsWith("TAG") ? tag : ByteVector();
}

// ID3v1.1: the comment's last two bytes are a zero and the track.
bool HasTrack(const ByteVector& tag)
{
    return tag[kZeroBeforeTrack] == '\0' && tag[kTrack] != '\0';
}

ByteVector Text(const ByteVector& tag, unsigned at, unsigned width)
{
    ByteVector text = tag.mid(at, width);
    const int zero = text.find('\0');
    if (zero >= 0) text.resize(static_cast<unsigned>(zero));
    while (!text.isEmpty() && text[text.size() - 1] == ' ') text.resize(text.size() - 1);
    return text;
}

void Put(ByteVector& tag, unsigned at, unsigned width, const ByteVector& text)
{
    for (unsigned i = 0; i < width; ++i) tag[at + i] = i < text.size() ? text[i] : '\0';
}

}  // namespace

bool HasId3v1Tag(IOStream& stream)
{
    return !ReadTag(stream).isEmpty();
}

CTagItems Id3v1Items(IOStream& stream)
{
    const ByteVector tag = ReadTag(stream);
    CTagItems items;
    if (tag.isEmpty()) return items;
    for (const CV1Text& text : kTexts) items.push_back({text.key, Text(tag, text.at, text.width), text.field});
    const bool track = HasTrack(tag);
    items.push_back({"comment", Text(tag, kComment, track ? 28 : 30), kTagComment});
    if (track) items.push_back({"track", tag.mid(kTrack, 1), kTagTrack});
    items.push_back({"genre", tag.mid(kGenre, 1), kTagGenre});
    return items;
}

void WriteId3v1Tag(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited)
{
    ByteVector tag = ReadTag(stream);
    if (tag.isEmpty()) return;
    for (const CV1Text& text : kTexts) {
        if (!(edited & text.field)) continue;
        ByteVector value = Latin1Text(tags.*text.value).data(String::Latin1);
        if (text.field == kTagYear) {
            const unsigned year = TagNumber(tags.year);
            value = year ? String::number(static_cast<int>(year)).data(String::Latin1) : ByteVector();
        }
        Put(tag, text.at, text.width, value);
    }
    const unsigned track = edited & kTagTrack ? TagNumber(tags.track) : (HasTrack(tag) ? static_cast<unsigned char>(tag[kTrack]) : 0u);
    if (edited & kTagComment)
        Put(tag, kComment, HasTrack(tag) || track ? 28 : 30, Latin1Text(tags.comment).data(String::Latin1));
    // A comment of 29 or 30 letters leaves no room for a track.
    if ((edited & kTagTrack) && (HasTrack(tag) || (tag[kZeroBeforeTrack] == '\0' && tag[kTrack] == '\0'))) {
        tag[kZeroBeforeTrack] = '\0';
        tag[kTrack] = static_cast<char>(track <= 255 ? track : 0);
    }
    if (edited & kTagGenre) {
        const int genre = ID3v1::genreIndex(TagText(tags.genre));
        tag[kGenre] = static_cast<char>(genre >= 0 && genre < 256 ? genre : 255);
    }
    stream.seek(stream.length() - static_cast<long>(kSize));
    stream.writeBlock(tag);
}
