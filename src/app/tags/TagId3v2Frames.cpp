#include "TagId3v2Frames.h"

#include <map>
#include <memory>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/id3v2tag.h>

#include "TagId3v2.h"

using namespace TagLib;

namespace {

// Room left after a tag that grew, so that the next save fits in it.
const unsigned kPadding = 1024;

// The fields frames hold by their id alone (v2.4, v2.3 and v2.2 ids).
const std::map<std::string, unsigned>& FieldsById()
{
    static const std::map<std::string, unsigned> fields = {
        {"TIT2", kTagTitle}, {"TT2", kTagTitle},   {"TPE1", kTagArtist}, {"TP1", kTagArtist}, {"TALB", kTagAlbum},
        {"TAL", kTagAlbum},  {"TCON", kTagGenre},  {"TCO", kTagGenre},   {"TRCK", kTagTrack}, {"TRK", kTagTrack},
        {"USLT", kTagLyrics}, {"ULT", kTagLyrics}, {"TDRC", kTagYear},   {"TYER", kTagYear},  {"TDAT", kTagYear},
        {"TIME", kTagYear},  {"TRDA", kTagYear},   {"TYE", kTagYear},    {"TDA", kTagYear},   {"TIM", kTagYear},
        {"TRD", kTagYear}};
    return fields;
}

bool ValidId(const ByteVector& id)
{
    for (char c : id)
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    return true;
}

ByteVector WholeFrame(const std::string& id, const ByteVector& raw, unsigned version)
{
    ByteVector frame(id.c_str(), static_cast<unsigned>(id.size()));
    if (version == 2) {
        frame.append(ByteVector::fromUInt(raw.size()).mid(1));
    } else {
        const unsigned size = raw.size() - 2;  // the flags are not counted
        frame.append(version == 3 ? ByteVector::fromUInt(size) : ID3v2::SynchData::fromUInt(size));
    }
    frame.append(raw);
    return frame;
}

std::unique_ptr<ID3v2::Frame> ParseFrame(const CTagItem& frame, unsigned version)
{
    ID3v2::Header header;
    header.setMajorVersion(version);
    return std::unique_ptr<ID3v2::Frame>(
        ID3v2::FrameFactory::instance()->createFrame(WholeFrame(frame.key, frame.raw, version), &header));
}

// The one field of the row a frame holds: a comment without a description
// (those with one, iTunNORM and the like, are other data), a front cover or
// a picture of no stated kind.
unsigned FrameField(const CTagItem& frame, unsigned version)
{
    auto it = FieldsById().find(frame.key);
    if (it != FieldsById().end()) return it->second;
    if (frame.key != "COMM" && frame.key != "COM" && frame.key != "APIC" && frame.key != "PIC") return 0;
    const std::unique_ptr<ID3v2::Frame> parsed = ParseFrame(frame, version);
    if (auto* comment = dynamic_cast<ID3v2::CommentsFrame*>(parsed.get()))
        return comment->description().isEmpty() ? kTagComment : 0;
    if (auto* picture = dynamic_cast<ID3v2::AttachedPictureFrame*>(parsed.get()))
        return picture->type() == ID3v2::AttachedPictureFrame::FrontCover ||
                       picture->type() == ID3v2::AttachedPictureFrame::Other
                   ? kTagCover
                   : 0;
    return 0;
}

// The frames of a tag's body from `at` on, laid out as `version` says (v2.4
// sizes synchsafe or, as iTunes wrote them, not); the bytes after the last
// whole frame that are not padding go to `tail`. Empty frames carry nothing
// and every reader drops them. True when the frames end in padding.
bool WalkFrames(const ByteVector& body, unsigned at, unsigned version, bool synchsafe, CTagItems& frames,
                ByteVector& tail)
{
    const unsigned header = version == 2 ? 6 : 10;
    frames.clear();
    while (at + header <= body.size() && body[at] != '\0') {
        const ByteVector id = body.mid(at, version == 2 ? 3 : 4);
        if (!ValidId(id)) break;
        const unsigned size = version == 2 ? ByteVector('\0').append(body.mid(at + 3, 3)).toUInt()
                              : synchsafe  ? ID3v2::SynchData::toUInt(body.mid(at + 4, 4))
                                           : body.toUInt(at + 4, true);
        if (size > body.size() - at - header) break;
        if (size > 0)
            frames.push_back({std::string(id.data(), id.size()), body.mid(version == 2 ? at + 6 : at + 8,
                                                                           version == 2 ? size : size + 2)});
        at += header + size;
    }
    tail = body.mid(at);
    while (!tail.isEmpty() && tail[tail.size() - 1] == '\0') tail.resize(tail.size() - 1);
    return tail.isEmpty();
}

// A frame TagLib rendered in v2.3 as v2.2 lays it out: the id of three
// letters, and a picture's image format in place of its MIME type.
bool ToVersion22(CTagItem& frame)
{
    static const std::map<std::string, std::string> ids = {
        {"TIT2", "TT2"}, {"TPE1", "TP1"}, {"TALB", "TAL"}, {"TCON", "TCO"}, {"TRCK", "TRK"},
        {"TYER", "TYE"}, {"COMM", "COM"}, {"USLT", "ULT"}, {"APIC", "PIC"}};
    auto it = ids.find(frame.key);
    if (it == ids.end()) return false;
    frame.key = it->second;
    ByteVector data = frame.raw.mid(2);
    if (frame.key == "PIC") {
        const int end = data.find('\0', 1);
        if (end < 0) return false;
        const ByteVector mime = data.mid(1, static_cast<unsigned>(end) - 1);
        ByteVector pic = data.mid(0, 1);
        pic.append(mime == "image/png" ? "PNG" : "JPG");
        pic.append(data.mid(static_cast<unsigned>(end) + 1));
        data = pic;
    }
    frame.raw = data;
    return true;
}

}  // namespace

CId3v2Tag ReadId3v2Tag(IOStream& stream, long offset)
{
    CId3v2Tag tag;
    stream.seek(offset);
    const ByteVector head = stream.readBlock(10);
    if (head.size() < 10 || !head.startsWith("ID3")) return tag;
    tag.found = true;
    tag.version = static_cast<unsigned char>(head[3]);
    const unsigned flags = static_cast<unsigned char>(head[5]);
    const unsigned size = ID3v2::SynchData::toUInt(head.mid(6, 4));
    tag.size = 10 + size + (tag.version == 4 && (flags & 0x10) ? 10 : 0);
    // v2.2 with its compression bit set has no known layout.
    if (tag.version < 2 || tag.version > 4 || (tag.version == 2 && (flags & 0x40))) return tag;
    ByteVector body = stream.readBlock(size);
    if (body.size() != size) return tag;
    if ((flags & 0x80) && tag.version < 4) body = ID3v2::SynchData::decode(body);
    unsigned at = 0;
    if (flags & 0x40 && body.size() >= 4) {
        // The extended header (its CRC would no longer hold): v2.3 counts its size without itself.
        at = tag.version == 3 ? 4 + body.toUInt(0U, true) : ID3v2::SynchData::toUInt(body.mid(0, 4));
        if (at > body.size()) return tag;
    }
    if (!WalkFrames(body, at, tag.version, tag.version == 4, tag.frames, tag.tail) && tag.version == 4) {
        CTagItems frames;
        ByteVector tail;
        if (WalkFrames(body, at, 4, false, frames, tail)) {
            tag.frames = frames;
            tag.tail = tail;
        }
    }
    for (CTagItem& frame : tag.frames) frame.field = FrameField(frame, tag.version);
    tag.readable = true;
    return tag;
}

CTagItems Id3v2Items(const CId3v2Tag& tag)
{
    CTagItems items = tag.frames;
    if (!tag.tail.isEmpty()) items.push_back({"(bytes after the last frame)", tag.tail});
    return items;
}

ByteVector RenderId3v2Tag(const CId3v2Tag& held, unsigned version, const VXM_MEDIA_TAGS& tags, unsigned edited,
                          const CTagCover& cover)
{
    if (held.found) version = held.version;
    // A tag made anew holds every field, so that it reads back as the row.
    if (!held.found) edited |= FilledTagFields(tags);
    // TagLib makes the edited fields' frames out of those that held them ...
    ID3v2::Tag work;
    for (const CTagItem& frame : held.frames) {
        if (!(frame.field & edited)) continue;
        if (std::unique_ptr<ID3v2::Frame> parsed = ParseFrame(frame, version)) work.addFrame(parsed.release());
    }
    SetId3v2Fields(&work, tags, edited, cover, version);
    // ... and renders them, in v2.3 for a v2.2 tag, whose frames are cut to fit.
    const ByteVector rendered = work.render(version == 4 ? ID3v2::v4 : ID3v2::v3);
    CTagItems made;
    ByteVector rest;
    WalkFrames(rendered.mid(10), 0, version == 4 ? 4 : 3, version == 4, made, rest);
    CTagItems fitted;
    for (CTagItem& frame : made) {
        if (version == 2 && !ToVersion22(frame)) continue;
        frame.field = FrameField(frame, version);
        fitted.push_back(frame);
    }
    ByteVector body;
    for (const CTagItem& frame : MergeTagItems(held.frames, fitted, edited))
        body.append(WholeFrame(frame.key, frame.raw, version));
    body.append(held.tail);
    const unsigned room = held.found && held.size > 10 ? held.size - 10 : 0;
    body.resize(body.size() <= room ? room : body.size() + kPadding, '\0');
    ByteVector tag("ID3");
    tag.append(static_cast<char>(version));
    tag.append(ByteVector(2, '\0'));
    tag.append(ID3v2::SynchData::fromUInt(body.size()));
    tag.append(body);
    return tag;
}

bool WriteId3v2Tag(IOStream& stream, long offset, unsigned version, const VXM_MEDIA_TAGS& tags, unsigned edited,
                   const CTagCover& cover)
{
    const CId3v2Tag held = ReadId3v2Tag(stream, offset);
    if (held.found && !held.readable) return false;
    stream.insert(RenderId3v2Tag(held, version, tags, edited, cover), static_cast<unsigned long>(offset),
                  held.found ? held.size : 0);
    return true;
}
