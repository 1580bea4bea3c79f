#include "TagId3v2.h"

#include <vector>

#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2extendedheader.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2synchdata.h>
#include <taglib/textidentificationframe.h>
#include <taglib/unsynchronizedlyricsframe.h>

#include "MediaTags.h"
#include "TagItems.h"

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

// The first frame of the kind takes the text (and keeps its encoding where
// the text fits it); a second one (a v2.3 tag with TPE1 twice) goes.
void SetText(ID3v2::Tag* tag, const char* id, const String& text)
{
    const ID3v2::FrameList frames = tag->frameList(id);
    for (ID3v2::Frame* frame : frames)
        if (text.isEmpty() || frame != frames.front()) tag->removeFrame(frame);
    if (text.isEmpty()) return;
    if (!frames.isEmpty()) {
        frames.front()->setText(text);
        return;
    }
    auto* frame = new ID3v2::TextIdentificationFrame(id, String::Latin1);
    frame->setText(text);
    tag->addFrame(frame);
}

// The lyrics are the first lyrics frame's text: its description and language
// stay, the frames after it (other languages) too; no text takes them all.
void SetLyrics(ID3v2::Tag* tag, const String& text)
{
    const ID3v2::FrameList frames = tag->frameList("USLT");
    auto* first = frames.isEmpty() ? nullptr : dynamic_cast<ID3v2::UnsynchronizedLyricsFrame*>(frames.front());
    if (text.isEmpty() || !first) tag->removeFrames("USLT");
    if (text.isEmpty()) return;
    if (!first) {
        first = new ID3v2::UnsynchronizedLyricsFrame(String::UTF16);
        tag->addFrame(first);
    }
    first->setText(text);
}

// Every frame that holds a date gives way; a date of the same year stays
// whole. Tags before v2.4 hold the year in TYER.
void SetYear(ID3v2::Tag* tag, unsigned year, unsigned version)
{
    String date = FirstText(tag, "TDRC");
    if (date.isEmpty()) date = FirstText(tag, "TYER");
    for (const char* id : kDateFrames) tag->removeFrames(id);
    if (year == 0) return;
    auto* frame = new ID3v2::TextIdentificationFrame(version < 4 ? "TYER" : "TDRC", String::Latin1);
    frame->setText(version >= 4 && DateOfYear(date, year) ? date : String::number(static_cast<int>(year)));
    tag->addFrame(frame);
}

}  // namespace

void SetId3v2Fields(ID3v2::Tag* tag, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                    unsigned version)
{
    if ((edited & kTagCover) && cover.valid)
        SetPicture(tag, cover);
    if (edited & kTagLyrics)
        SetLyrics(tag, TagText(tags.lyrics));
    if (edited & kTagYear)
        SetYear(tag, TagNumber(tags.year), version);
    const struct {
        unsigned field;
        const char* id;
        const std::wstring VXM_MEDIA_TAGS::*value;
    } texts[] = {{kTagTitle, "TIT2", &VXM_MEDIA_TAGS::title},
                 {kTagArtist, "TPE1", &VXM_MEDIA_TAGS::artist},
                 {kTagAlbum, "TALB", &VXM_MEDIA_TAGS::album},
                 {kTagGenre, "TCON", &VXM_MEDIA_TAGS::genre}};
    for (const auto& text : texts)
        if (edited & text.field) SetText(tag, text.id, TagText(tags.*text.value));
    if (edited & kTagComment) SetComment(tag, TagText(tags.comment));
    if (!(edited & kTagTrack)) return;
    const String track = FirstText(tag, "TRCK");
    const unsigned number = TagNumber(tags.track);
    const int slash = track.find("/");
    if (number == 0)
        SetText(tag, "TRCK", String());
    else
        SetText(tag, "TRCK", String::number(static_cast<int>(number)) +
                                 (slash > 0 ? track.substr(static_cast<unsigned>(slash)) : String()));
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
