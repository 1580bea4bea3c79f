#include "TagRiff.h"

#include <algorithm>
#include <map>

#include "MediaTags.h"
#include "SoundChunks.h"
#include "TagId3v2Frames.h"

using namespace TagLib;

namespace {

const CRiffChunk* FindChunk(const CRiffForm& form, const char* id, const char* other = nullptr)
{
    for (const CRiffChunk& chunk : form.chunks)
        if (chunk.id == id || (other && chunk.id == other)) return &chunk;
    return nullptr;
}

// A WAV file's INFO list.
const CRiffChunk* FindInfo(IOStream& stream, const CRiffForm& form)
{
    for (const CRiffChunk& chunk : form.chunks) {
        if (chunk.id != "LIST" || chunk.size < 4) continue;
        stream.seek(static_cast<long>(chunk.at + 8));
        if (stream.readBlock(4) == "INFO") return &chunk;
    }
    return nullptr;
}

unsigned InfoField(const std::string& id)
{
    static const std::map<std::string, unsigned> fields = {
        {"INAM", kTagTitle}, {"IART", kTagArtist}, {"IPRD", kTagAlbum}, {"ICMT", kTagComment},
        {"IGNR", kTagGenre}, {"ICRD", kTagYear},   {"IPRT", kTagTrack}, {"ITRK", kTagTrack}};
    auto it = fields.find(id);
    return it == fields.end() ? 0 : it->second;
}

ByteVector SizeField(std::uint32_t size, bool bigEndian)
{
    return ByteVector::fromUInt(size, bigEndian);
}

// The texts of the list, each key its chunk's id, raw its bytes as stored.
CTagItems InfoItems(IOStream& stream, const CRiffChunk& list, bool* whole = nullptr)
{
    stream.seek(static_cast<long>(list.at + 12));
    const ByteVector data = stream.readBlock(list.size - 4);
    CTagItems items;
    unsigned at = 0;
    while (at + 8 <= data.size()) {
        const unsigned size = data.toUInt(at + 4, false);
        if (size > data.size() - at - 8) break;
        const std::string id(data.data() + at, 4);
        items.push_back({id, data.mid(at + 8, size), InfoField(id)});
        at += 8 + size + (size & 1);
    }
    if (whole) *whole = at >= data.size() && data.size() == list.size - 4;
    return items;
}

// Replaces a top chunk's data (a chunk is made at the form's end where
// `chunk` is null; `remove` takes it out) and moves the form's size along.
void PutChunk(IOStream& stream, const CRiffForm& form, const CRiffChunk* chunk, const char* id, const ByteVector& data,
              bool remove = false)
{
    const long length = stream.length();
    long at = length;
    unsigned long replaced = 0;
    if (chunk) {
        at = static_cast<long>(chunk->at);
        replaced = 8 + chunk->size;
        if ((chunk->size & 1) && at + static_cast<long>(replaced) < length) ++replaced;
    } else if (!form.chunks.empty()) {
        const CRiffChunk& last = form.chunks.back();
        at = std::min(length, static_cast<long>(last.at + 8 + last.size + (last.size & 1)));
    }
    ByteVector bytes;
    // A chunk starts on an even offset, where readers look for it: after a
    // last chunk of odd size whose pad byte is missing, that byte comes first.
    if (!chunk && (at & 1)) bytes.append('\0');
    if (!remove) {
        bytes.append(ByteVector(id, 4));
        bytes.append(SizeField(data.size(), form.bigEndian));
        bytes.append(data);
        if (data.size() & 1) bytes.append('\0');
    }
    stream.seek(4);
    const std::uint32_t formSize = stream.readBlock(4).toUInt(0U, form.bigEndian);
    stream.insert(bytes, static_cast<unsigned long>(at), replaced);
    stream.seek(4);
    stream.writeBlock(SizeField(static_cast<std::uint32_t>(formSize + bytes.size() - replaced), form.bigEndian));
}

bool WriteInfo(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited)
{
    const CRiffForm form = ReadRiffForm(stream);
    const CRiffChunk* list = form.bigEndian ? nullptr : FindInfo(stream, form);
    if (!list) return true;
    bool whole = false;
    const CTagItems held = InfoItems(stream, *list, &whole);
    if (!whole) return false;
    // Where a file has the list, ffmpeg reads it alone: it gets the fields
    // even where it held only the encoder's name, then all of them.
    bool fields = false;
    for (const CTagItem& item : held) fields = fields || item.field;
    if (!fields) edited |= FilledTagFields(tags);
    CTagItems made;
    auto text = [&](const char* id, const String& value) {
        // In UTF-8, as TagLib and ffmpeg read them.
        if (!value.isEmpty()) made.push_back({id, value.data(String::UTF8) + ByteVector('\0'), InfoField(id)});
    };
    if (edited & kTagTitle) text("INAM", Latin1Text(tags.title));
    if (edited & kTagArtist) text("IART", Latin1Text(tags.artist));
    if (edited & kTagAlbum) text("IPRD", Latin1Text(tags.album));
    if (edited & kTagComment) text("ICMT", Latin1Text(tags.comment));
    if (edited & kTagGenre) text("IGNR", Latin1Text(tags.genre));
    if (const unsigned year = TagNumber(tags.year); (edited & kTagYear) && year)
        text("ICRD", String::number(static_cast<int>(year)));
    if (const unsigned track = TagNumber(tags.track); (edited & kTagTrack) && track) text("IPRT", String::number(static_cast<int>(track)));
    ByteVector data("INFO");
    for (const CTagItem& item : MergeTagItems(held, made, edited)) {
        data.append(ByteVector(item.key.c_str(), 4));
        data.append(ByteVector::fromUInt(item.raw.size(), false));
        data.append(item.raw);
        if (item.raw.size() & 1) data.append('\0');
    }
    PutChunk(stream, form, list, "LIST", data);
    return true;
}

// An AIFF file's text chunks: the name, the author and the annotation.
const struct {
    const char* id;
    unsigned field;
    const std::wstring VXM_MEDIA_TAGS::*value;
} kAiffTexts[] = {{"NAME", kTagTitle, &VXM_MEDIA_TAGS::title},
                  {"AUTH", kTagArtist, &VXM_MEDIA_TAGS::artist},
                  {"ANNO", kTagComment, &VXM_MEDIA_TAGS::comment}};

CTagItems AiffTexts(IOStream& stream, const CRiffForm& form)
{
    CTagItems items;
    for (const CRiffChunk& chunk : form.chunks) {
        for (const auto& text : kAiffTexts) {
            if (chunk.id != text.id) continue;
            stream.seek(static_cast<long>(chunk.at + 8));
            items.push_back({text.id, stream.readBlock(chunk.size), text.field});
        }
    }
    return items;
}

// Those of the edited fields take the new text, or go without one; none is made.
void WriteAiffTexts(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited)
{
    for (const auto& text : kAiffTexts) {
        if (!(edited & text.field)) continue;
        const CRiffForm form = ReadRiffForm(stream);
        const CRiffChunk* chunk = form.bigEndian ? FindChunk(form, text.id) : nullptr;
        if (!chunk) continue;
        const ByteVector value = Latin1Text(tags.*text.value).data(String::UTF8);
        PutChunk(stream, form, chunk, text.id, value, value.isEmpty());
    }
}

}  // namespace

CTagBlocks RiffBlocks(IOStream& stream)
{
    CTagBlocks blocks;
    const CRiffForm form = ReadRiffForm(stream);
    if (const CRiffChunk* id3 = FindChunk(form, "id3 ", "ID3 "))
        blocks.push_back({"ID3v2", Id3v2Items(ReadId3v2Tag(stream, static_cast<long>(id3->at + 8)))});
    if (const CRiffChunk* list = form.bigEndian ? nullptr : FindInfo(stream, form))
        blocks.push_back({"INFO", InfoItems(stream, *list)});
    if (form.bigEndian) blocks.push_back({"AIFF", AiffTexts(stream, form)});
    return blocks;
}

bool WriteRiffTags(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover)
{
    if (!WriteInfo(stream, tags, edited)) return false;
    WriteAiffTexts(stream, tags, edited);
    const CRiffForm form = ReadRiffForm(stream);
    if (!form.found) return false;
    const CRiffChunk* chunk = FindChunk(form, "id3 ", "ID3 ");
    CId3v2Tag held;
    if (chunk) {
        held = ReadId3v2Tag(stream, static_cast<long>(chunk->at + 8));
        if (held.found && !held.readable) return false;
    }
    const char* id = chunk ? (chunk->id == "id3 " ? "id3 " : "ID3 ") : (form.bigEndian ? "ID3 " : "id3 ");
    PutChunk(stream, form, chunk, id, RenderId3v2Tag(held, 4, tags, edited, cover));
    return true;
}
