#include "TagId3v2.h"

#include <vector>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2extendedheader.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unknownframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include "MediaTags.h"

using namespace TagLib;

namespace {

// Frames that hold a date: v2.4's TDRC and the v2.3 frames it replaced.
const char* const kDateFrames[] = {"TDRC", "TYER", "TDAT", "TIME", "TRDA"};

// Frame::Header is named only inside Frame's family.
struct CFrameHeaderAccess : ID3v2::Frame {
    using Header = ID3v2::Frame::Header;
};

String FirstText(ID3v2::Tag* tag, const char* id)
{
    const ID3v2::FrameList& frames = tag->frameList(id);
    return frames.isEmpty() ? String() : frames.front()->toString();
}

// A frame name as TagLib takes it: four of A-Z and 0-9 (in a v2.3 tag also
// three and a zero byte, as iTunes wrote v2.2 frames).
bool IsFrameName(const ByteVector& id, unsigned version)
{
    if (id.size() != 4) return false;
    const unsigned letters = version == 3 && id[3] == '\0' ? 3 : 4;
    for (unsigned i = 0; i < letters; ++i)
        if ((id[i] < 'A' || id[i] > 'Z') && (id[i] < '0' || id[i] > '9')) return false;
    return true;
}

// The comment is the text of the first comment frame without a description
// (as taggers take it); those with one (iTunNORM and the like) are other data.
String PlainComment(ID3v2::Tag* tag)
{
    for (ID3v2::Frame* frame : tag->frameList("COMM"))
        if (auto* comment = dynamic_cast<ID3v2::CommentsFrame*>(frame); comment && comment->description().isEmpty())
            return comment->text();
    return String();
}

void SetPicture(ID3v2::Tag* tag, const CTagCover& cover)
{
    // The new picture replaces the cover the file shows: its front covers
    // and the pictures of no stated kind ("Other", as most tools store a
    // cover). It comes first; other pictures (back, artist) stay after it.
    std::vector<ID3v2::Frame*> kept;
    const ID3v2::FrameList pictures = tag->frameList("APIC");
    for (ID3v2::Frame* frame : pictures) {
        auto* picture = dynamic_cast<ID3v2::AttachedPictureFrame*>(frame);
        const bool shown = !picture || picture->type() == ID3v2::AttachedPictureFrame::FrontCover ||
                           picture->type() == ID3v2::AttachedPictureFrame::Other;
        tag->removeFrame(frame, shown);
        if (!shown)
            kept.push_back(frame);
    }
    auto* front = new ID3v2::AttachedPictureFrame;
    front->setType(ID3v2::AttachedPictureFrame::FrontCover);
    front->setMimeType(cover.mime);
    front->setPicture(cover.data);
    front->setDescription("Cover");
    tag->addFrame(front);
    for (ID3v2::Frame* frame : kept)
        tag->addFrame(frame);
}

// The comment is the text of the comment frames without a description
// (in any language); those with one (iTunNORM and the like) are other data.
void SetComment(ID3v2::Tag* tag, const String& text)
{
    ID3v2::CommentsFrame* kept = nullptr;
    const ID3v2::FrameList comments = tag->frameList("COMM");
    for (ID3v2::Frame* frame : comments) {
        auto* comment = dynamic_cast<ID3v2::CommentsFrame*>(frame);
        if (comment && !comment->description().isEmpty()) continue;
        if (!kept && comment && !text.isEmpty()) kept = comment;
        else tag->removeFrame(frame);
    }
    if (text.isEmpty()) return;
    if (!kept) {
        kept = new ID3v2::CommentsFrame(String::UTF8);
        kept->setLanguage("eng");
        tag->addFrame(kept);
    }
    kept->setText(text);
}

}  // namespace

void SetId3v2Fields(ID3v2::Tag* tag, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    if (cover.valid)
        SetPicture(tag, cover);
    // One lyrics frame: the new text replaces the old.
    tag->removeFrames("USLT");
    if (!tags.lyrics.empty()) {
        auto* lyrics = new ID3v2::UnsynchronizedLyricsFrame(String::UTF16);
        lyrics->setText(TagText(tags.lyrics));
        tag->addFrame(lyrics);
    }

    const unsigned year = TagNumber(tags.year);
    String date = FirstText(tag, "TDRC");
    if (date.isEmpty()) date = FirstText(tag, "TYER");
    const String track = FirstText(tag, "TRCK");
    for (const char* id : {"TIT2", "TPE1", "TALB", "TCON", "TRCK"}) tag->removeFrames(id);
    for (const char* id : kDateFrames) tag->removeFrames(id);

    tag->setTitle(TagText(tags.title));
    tag->setArtist(TagText(tags.artist));
    tag->setAlbum(TagText(tags.album));
    tag->setGenre(TagText(tags.genre));
    SetComment(tag, TagText(tags.comment));
    if (DateOfYear(date, year)) {
        auto* frame = new ID3v2::TextIdentificationFrame("TDRC", String::Latin1);
        frame->setText(date);
        tag->addFrame(frame);
    } else {
        tag->setYear(year);
    }
    const unsigned number = TagNumber(tags.track);
    const int slash = track.find("/");
    if (number != 0 && slash > 0) {
        auto* frame = new ID3v2::TextIdentificationFrame("TRCK", String::Latin1);
        frame->setText(String::number(static_cast<int>(number)) + track.substr(static_cast<unsigned>(slash)));
        tag->addFrame(frame);
    } else {
        tag->setTrack(number);
    }
}

void ReadId3v2Fields(VXM_MEDIA_TAGS& tags, ID3v2::Tag* tag, ByteVector* cover)
{
    tags.title = WideText(tag->title());
    tags.artist = WideText(tag->artist());
    tags.album = WideText(tag->album());
    tags.comment = WideText(PlainComment(tag));
    tags.genre = WideText(tag->genre());
    unsigned year = tag->year();
    if (year == 0) {
        // iTunes 4.6 put v2.3's TYER into v2.4 tags.
        const int value = FirstText(tag, "TYER").substr(0, 4).toInt();
        year = value > 0 ? static_cast<unsigned>(value) : 0;
    }
    tags.year = std::to_wstring(year);
    tags.track = std::to_wstring(tag->track());
    const ID3v2::FrameList lyrics = tag->frameList("USLT");
    if (!lyrics.isEmpty())
        tags.lyrics = WideText(lyrics.front()->toString());
    if (!cover) return;
    ID3v2::AttachedPictureFrame* chosen = nullptr;
    for (ID3v2::Frame* frame : tag->frameList("APIC")) {
        auto* picture = dynamic_cast<ID3v2::AttachedPictureFrame*>(frame);
        if (!picture)
            continue;
        if (picture->type() == ID3v2::AttachedPictureFrame::FrontCover) {
            chosen = picture;
            break;
        }
        if (!chosen)
            chosen = picture;
    }
    *cover = chosen ? chosen->picture() : ByteVector();
}

bool RecoverId3v2Frames(ID3v2::Tag* tag, File* file, long offset)
{
    const ID3v2::Header* header = tag->header();
    const unsigned version = header->majorVersion();
    if (version < 3 || version > 4 || header->tagSize() == 0) return true;
    file->seek(offset);
    if (file->readBlock(3) != ID3v2::Header::fileIdentifier()) return true;
    file->seek(offset + static_cast<long>(ID3v2::Header::size()));
    ByteVector frames = file->readBlock(header->tagSize());
    if (header->unsynchronisation() && version <= 3)
        frames = ID3v2::SynchData::decode(frames);
    std::size_t at = 0;
    if (header->extendedHeader()) {
        ID3v2::ExtendedHeader extended;
        extended.setData(frames);
        at = extended.size();
    }
    // As TagLib walks the frames; where it stops (at an empty frame, or at
    // bytes of no frame name that other readers step over), this goes on.
    bool stopped = false;
    // Sizes come from the file: compared so that none can wrap around.
    while (at < frames.size() && frames.size() - at >= 10 && frames[at] != 0) {
        const ByteVector rest = frames.mid(static_cast<unsigned>(at));
        const CFrameHeaderAccess::Header frame(rest, version);
        const unsigned size = frame.frameSize();
        if (!IsFrameName(frame.frameID(), version)) {
            // Padding that kept old bytes, or a frame no reader takes.
            if (size > rest.size() - 10) break;
            stopped = true;
        } else if (size > rest.size()) {
            return false;  // other readers take what it holds; TagLib reads nothing of it
        } else if (size <= (frame.dataLengthIndicator() ? 4u : 0u)) {
            stopped = true;  // empty: it carries nothing, TagLib read nothing after it
        } else if (stopped) {
            ID3v2::Frame* found = ID3v2::FrameFactory::instance()->createFrame(rest, header);
            if (found && found->size() > 0) tag->addFrame(found);
            else delete found;
        }
        at += 10 + size;
    }
    return true;
}

void KeepV23OnlyFrames(ID3v2::Tag* tag)
{
    if (tag->header()->majorVersion() != 3) return;
    // Not a copy of the tag's list: that copy would own (and delete) the frames.
    const std::vector<ID3v2::Frame*> frames(tag->frameList().begin(), tag->frameList().end());
    for (ID3v2::Frame* frame : frames) {
        const ByteVector id = frame->frameID();
        auto* unknown = dynamic_cast<ID3v2::UnknownFrame*>(frame);
        if (!unknown || (id != "RVAD" && id != "EQUA" && id != "TSIZ")) continue;
        // TagLib marks them to be left out; the same bytes in a frame without that mark.
        const ByteVector fields = unknown->data();
        ByteVector raw = id;
        raw.append(ID3v2::SynchData::fromUInt(fields.size()));
        raw.append(ByteVector(2, '\0'));
        raw.append(fields);
        tag->removeFrame(frame);
        tag->addFrame(new ID3v2::UnknownFrame(raw));
    }
}

bool RewriteLeadingId3v2(File* file, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    file->seek(0);
    if (file->readBlock(3) != ID3v2::Header::fileIdentifier()) return true;
    ID3v2::Tag leading(file, 0);
    const unsigned size = leading.header()->completeTagSize();
    if (size == 0 || static_cast<long>(size) > file->length()) return false;
    RecoverId3v2Frames(&leading, file, 0);
    KeepV23OnlyFrames(&leading);
    SetId3v2Fields(&leading, tags, cover);
    const ID3v2::Version version = leading.header()->majorVersion() == 4 ? ID3v2::v4 : ID3v2::v3;
    file->insert(leading.render(version), 0, size);
    return true;
}
