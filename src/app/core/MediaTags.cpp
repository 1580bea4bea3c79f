#include "MediaTags.h"

#include <fstream>
#include <vector>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/speexfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/unsynchronizedlyricsframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include "IVXMMedia.h"
#include "Log.h"
#include "TagFileStream.h"
#include "platform/filecontent.h"
#include "platform/text.h"

using namespace TagLib;

namespace {

const char* const kLogCategory = "MediaTags";
const char* const kMp4Lyrics = "\251lyr";

// A byte that is no text (carried from a file name as U+DC80..U+DCFF) is
// written as U+FFFD: a tag holds text only.
String Wide(const std::wstring& text)
{
    std::wstring valid = text;
    for (wchar_t& c : valid)
        if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD;
    return String(WideToUtf8(valid), String::UTF8);
}

std::wstring ToWide(const String& text)
{
    return Utf8ToWide(text.to8Bit(true));
}

// TagLib's own string-to-integer reading: anything that is not a number is 0.
unsigned Number(const std::wstring& text)
{
    bool ok = false;
    int value = Wide(text).stripWhiteSpace().toInt(&ok);
    return ok && value > 0 ? static_cast<unsigned>(value) : 0;
}

// ID3v1 holds Latin-1 only: letters outside it become '?' instead of being cut
// to their low byte.
String Latin1(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text)
        bytes.push_back(static_cast<unsigned>(c) <= 0xFF ? static_cast<char>(c) : '?');
    return String(bytes, String::Latin1);
}

std::string FileNameOf(const std::wstring& path)
{
    return WideToUtf8(path);
}

// The picture to write, when the row names one that can be read.
struct Cover {
    ByteVector data;
    String mime;
    bool valid = false;
};

Cover LoadCover(const std::wstring& path)
{
    Cover cover;
    if (path.empty())
        return cover;
    std::string name = FileNameOf(path);
    ImageFile image(name.c_str());
    if (!image.IsValid())
        return cover;
    cover.data = image.ReadAll();
    cover.mime = image.GetMimeType();
    cover.valid = !cover.data.isEmpty();
    if (!cover.valid)
        LogError(kLogCategory, "Cover picture %s cannot be read", name.c_str());
    return cover;
}

// The text fields, each converted by `text` (ID3v1 stores Latin-1 only).
void SetTextFields(Tag* tag, const VXM_MEDIA_TAGS& tags, String (*text)(const std::wstring&) = Wide)
{
    tag->setTitle(text(tags.title));
    tag->setArtist(text(tags.artist));
    tag->setAlbum(text(tags.album));
    tag->setComment(text(tags.comment));
    tag->setGenre(text(tags.genre));
    tag->setYear(Number(tags.year));
    tag->setTrack(Number(tags.track));
}

void SetBasicTags(ID3v1::Tag* tag, const VXM_MEDIA_TAGS& tags)
{
    SetTextFields(tag, tags, Latin1);
}

void SetID3v2Cover(ID3v2::Tag* tag, const VXM_MEDIA_TAGS& tags)
{
    Cover cover = LoadCover(tags.cover);
    if (cover.valid) {
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
    // One lyrics frame: the new text replaces the old.
    tag->removeFrames("USLT");
    if (!tags.lyrics.empty()) {
        auto* lyrics = new ID3v2::UnsynchronizedLyricsFrame(String::UTF16);
        lyrics->setText(Wide(tags.lyrics));
        tag->addFrame(lyrics);
    }
    SetTextFields(tag, tags);
}

void SetXiphFields(Ogg::XiphComment* comment, const VXM_MEDIA_TAGS& tags, bool pictureInComment)
{
    if (pictureInComment) {
        Cover cover = LoadCover(tags.cover);
        // Without a new picture the file keeps the one it has.
        if (cover.valid) {
            auto* picture = new FLAC::Picture;
            picture->setData(cover.data);
            picture->setType(FLAC::Picture::FrontCover);
            picture->setMimeType(cover.mime);
            picture->setDescription("Front Cover");
            // One picture block only: a legacy COVERART copy would be read as a
            // second picture (and turned into one on the next save).
            comment->removeAllPictures();
            comment->addPicture(picture);
        }
    }
    if (tags.lyrics.empty())
        comment->removeFields("LYRICS");
    else
        comment->addField("LYRICS", Wide(tags.lyrics), true);
    SetTextFields(comment, tags);
}

void SetFlacPicture(FLAC::File* file, const VXM_MEDIA_TAGS& tags)
{
    Cover cover = LoadCover(tags.cover);
    if (!cover.valid)
        return;
    auto* picture = new FLAC::Picture;
    picture->setData(cover.data);
    picture->setType(FLAC::Picture::FrontCover);
    picture->setMimeType(cover.mime);
    picture->setDescription("Front Cover");
    file->removePictures();
    file->addPicture(picture);
}

void SetMp4Tags(MP4::Tag* tag, const VXM_MEDIA_TAGS& tags, bool mp4Cover)
{
    if (mp4Cover) {
        Cover cover = LoadCover(tags.cover);
        if (cover.valid) {
            MP4::CoverArt::Format format =
                cover.mime == "image/png" ? MP4::CoverArt::PNG : MP4::CoverArt::JPEG;
            MP4::CoverArtList list;
            list.append(MP4::CoverArt(format, cover.data));
            tag->setItem("covr", MP4::Item(list));
        }
    }
    if (tags.lyrics.empty())
        tag->removeItem(kMp4Lyrics);
    else
        tag->setItem(kMp4Lyrics, MP4::Item(StringList(Wide(tags.lyrics))));
    SetTextFields(tag, tags);
}

void SetAsfTags(ASF::Tag* tag, const VXM_MEDIA_TAGS& tags)
{
    Cover cover = LoadCover(tags.cover);
    if (cover.valid) {
        ASF::Picture picture;
        picture.setType(ASF::Picture::FrontCover);
        picture.setMimeType(cover.mime);
        picture.setDescription("Front Cover");
        picture.setPicture(cover.data);
        tag->setAttribute("WM/Picture", ASF::Attribute(picture));
    }
    if (tags.lyrics.empty())
        tag->removeItem("WM/Lyrics");
    else
        tag->setAttribute("WM/Lyrics", ASF::Attribute(Wide(tags.lyrics)));
    SetTextFields(tag, tags);
}

// MP3 and TrueAudio: the ID3v2 tag is written (made when the file has none,
// so a confirmed edit is never dropped) and an ID3v1 tag present is kept in step.
template <typename TFile>
void WriteId3Pair(TFile* file, const VXM_MEDIA_TAGS& tags)
{
    SetID3v2Cover(file->ID3v2Tag(true), tags);
    if (file->hasID3v1Tag())
        SetBasicTags(file->ID3v1Tag(false), tags);
}

// ----------------------------------------------------------------- reading

void ReadWideTags(VXM_MEDIA_TAGS& tags, const Tag* tag)
{
    tags.title = ToWide(tag->title());
    tags.artist = ToWide(tag->artist());
    tags.album = ToWide(tag->album());
    tags.comment = ToWide(tag->comment());
    tags.genre = ToWide(tag->genre());
    tags.year = std::to_wstring(tag->year());
    tags.track = std::to_wstring(tag->track());
}

// ID3v1 text is Latin-1; TagLib decodes it as such.
void ReadBasicTags(VXM_MEDIA_TAGS& tags, const Tag* tag)
{
    ReadWideTags(tags, tag);
}

void WriteCoverFile(const std::wstring& coverOut, const ByteVector& data)
{
    if (coverOut.empty() || data.isEmpty())
        return;
    std::ofstream out(FileNameOf(coverOut), std::ios::binary | std::ios::trunc);
    out.write(data.data(), static_cast<std::streamsize>(data.size()));
    if (!out)
        LogError(kLogCategory, "Cannot write the cover to %s", FileNameOf(coverOut).c_str());
}

void ReadID3v2Cover(VXM_MEDIA_TAGS& tags, ID3v2::Tag* tag, const std::wstring& coverOut)
{
    ReadWideTags(tags, tag);
    const ID3v2::FrameList lyrics = tag->frameList("USLT");
    if (!lyrics.isEmpty())
        tags.lyrics = ToWide(lyrics.front()->toString());
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
    if (chosen)
        WriteCoverFile(coverOut, chosen->picture());
}

ByteVector FrontPicture(const List<FLAC::Picture*>& pictures)
{
    FLAC::Picture* chosen = nullptr;
    for (FLAC::Picture* picture : pictures) {
        if (picture->type() == FLAC::Picture::FrontCover)
            return picture->data();
        if (!chosen)
            chosen = picture;
    }
    return chosen ? chosen->data() : ByteVector();
}

void ReadXiph(VXM_MEDIA_TAGS& tags, Ogg::XiphComment* comment, const std::wstring& coverOut)
{
    ReadWideTags(tags, comment);
    const Ogg::FieldListMap& fields = comment->fieldListMap();
    auto it = fields.find("LYRICS");
    tags.lyrics = it != fields.end() && !it->second.isEmpty() ? ToWide(it->second.front()) : std::wstring();
    // TagLib lists legacy COVERART pictures here too.
    WriteCoverFile(coverOut, FrontPicture(comment->pictureList()));
}

// ----------------------------------------------------------------- dispatch

// Writes the tags into a file of a known format other than MPEG; false for
// an unknown format.
bool SetFileTags(File* file, const VXM_MEDIA_TAGS& tags, bool mp4Cover)
{
    if (auto* vorbis = dynamic_cast<Ogg::Vorbis::File*>(file)) {
        SetXiphFields(vorbis->tag(), tags, true);
    } else if (auto* speex = dynamic_cast<Ogg::Speex::File*>(file)) {
        SetXiphFields(speex->tag(), tags, true);
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        WriteId3Pair(tta, tags);
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        SetID3v2Cover(wav->ID3v2Tag(), tags);
    } else if (auto* wavpack = dynamic_cast<WavPack::File*>(file)) {
        SetTextFields(wavpack->tag(), tags);
    } else if (auto* mp4 = dynamic_cast<MP4::File*>(file)) {
        SetMp4Tags(mp4->tag(), tags, mp4Cover);
    } else if (auto* oggFlac = dynamic_cast<Ogg::FLAC::File*>(file)) {
        SetXiphFields(oggFlac->tag(), tags, true);
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        SetID3v2Cover(aiff->tag(), tags);
    } else if (auto* ape = dynamic_cast<APE::File*>(file)) {
        SetTextFields(ape->tag(), tags);
    } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        SetXiphFields(flac->xiphComment(true), tags, false);
        SetFlacPicture(flac, tags);
    } else if (auto* asf = dynamic_cast<ASF::File*>(file)) {
        SetAsfTags(asf->tag(), tags);
    } else {
        return false;
    }
    return true;
}

// 1 when the format was handled and saved; 0 for an unknown format, -1 for a failed save.
int WriteFile(File* file, const VXM_MEDIA_TAGS& tags, bool mp4Cover)
{
    bool saved = false;
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
        WriteId3Pair(mpeg, tags);
        saved = mpeg->save(MPEG::File::AllTags, File::StripNone, ID3v2::v3, File::DoNotDuplicate);
    } else if (SetFileTags(file, tags, mp4Cover)) {
        saved = file->save();
    } else {
        return 0;
    }
    return saved ? 1 : -1;
}

// The ID3v2 tag when the file has one, else the ID3v1 tag; false when it has neither.
template <class F>
bool ReadId3Pair(VXM_MEDIA_TAGS& tags, F* file, const std::wstring& coverOut)
{
    if (file->hasID3v2Tag())
        ReadID3v2Cover(tags, file->ID3v2Tag(), coverOut);
    else if (file->hasID3v1Tag())
        ReadBasicTags(tags, file->ID3v1Tag());
    else
        return false;
    return true;
}

int ReadFile(File* file, VXM_MEDIA_TAGS& tags, const std::wstring& coverOut)
{
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
        if (!ReadId3Pair(tags, mpeg, coverOut))
            return 0;
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        if (!ReadId3Pair(tags, tta, coverOut))
            return 0;
    } else if (auto* vorbis = dynamic_cast<Ogg::Vorbis::File*>(file)) {
        ReadXiph(tags, vorbis->tag(), coverOut);
    } else if (auto* speex = dynamic_cast<Ogg::Speex::File*>(file)) {
        ReadXiph(tags, speex->tag(), coverOut);
    } else if (auto* oggFlac = dynamic_cast<Ogg::FLAC::File*>(file)) {
        ReadXiph(tags, oggFlac->tag(), coverOut);
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        ReadID3v2Cover(tags, wav->ID3v2Tag(), coverOut);
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        ReadID3v2Cover(tags, aiff->tag(), coverOut);
    } else if (dynamic_cast<WavPack::File*>(file) || dynamic_cast<MPC::File*>(file) ||
               dynamic_cast<APE::File*>(file)) {
        ReadBasicTags(tags, file->tag());
    } else if (auto* mp4 = dynamic_cast<MP4::File*>(file)) {
        MP4::Tag* tag = mp4->tag();
        ReadWideTags(tags, tag);
        StringList lyrics = tag->item(kMp4Lyrics).toStringList();
        tags.lyrics = lyrics.isEmpty() ? std::wstring() : ToWide(lyrics.front());
        MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
        if (!covers.isEmpty())
            WriteCoverFile(coverOut, covers.front().data());
    } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        Ogg::XiphComment* comment = flac->xiphComment(false);
        if (comment)
            ReadXiph(tags, comment, coverOut);
        else
            ReadWideTags(tags, flac->tag());
        ByteVector picture = FrontPicture(flac->pictureList());
        WriteCoverFile(coverOut, picture);
    } else if (auto* asf = dynamic_cast<ASF::File*>(file)) {
        ASF::Tag* tag = asf->tag();
        ReadWideTags(tags, tag);
        ASF::AttributeList lyrics = tag->attribute("WM/Lyrics");
        tags.lyrics = lyrics.isEmpty() ? std::wstring() : ToWide(lyrics.front().toString());
        ByteVector picture;
        for (const ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
            ASF::Picture p = attribute.toPicture();
            if (!p.isValid())
                continue;
            if (p.type() == ASF::Picture::FrontCover) {
                picture = p.picture();
                break;
            }
            if (picture.isEmpty())
                picture = p.picture();
        }
        WriteCoverFile(coverOut, picture);
    } else {
        return 0;
    }
    return 1;
}

}  // namespace

// ----------------------------------------------------------------- ImageFile

ByteVector ImageFile::ReadAll()
{
    if (!isOpen())
        return ByteVector();
    seek(0);
    return readBlock(static_cast<size_t>(length()));
}

bool ImageFile::IsValid() const
{
    return isOpen() && name() != nullptr;
}

String ImageFile::GetMimeType()
{
    if (isOpen()) {
        seek(0);
        ByteVector head = readBlock(8);
        if (head.startsWith(ByteVector("\x89PNG\r\n\x1a\n", 8)))
            return "image/png";
        if (head.startsWith(ByteVector("\xFF\xD8\xFF", 3)))
            return "image/jpeg";
    }
    const char* fileName = name();
    return String(ImageMimeTypeFromName(fileName ? Utf8ToWide(fileName) : std::wstring()));
}

std::string ImageMimeTypeFromName(const std::wstring& path)
{
    std::wstring upper = ToUpperW(path);
    auto endsWith = [&](const wchar_t* suffix) {
        std::wstring s(suffix);
        return upper.size() >= s.size() && upper.compare(upper.size() - s.size(), s.size(), s) == 0;
    };
    if (endsWith(L".PNG"))
        return "image/png";
    if (endsWith(L".JPG") || endsWith(L".JPEG"))
        return "image/jpeg";
    return std::string();
}

// ----------------------------------------------------------------- entry points

int WriteMediaTagsToFile(const std::wstring& path, const VXM_MEDIA_TAGS& tags, bool mp4Cover, std::string* why)
{
    const std::string name = FileNameOf(path);
    auto fail = [&](const std::string& what) {
        LogError(kLogCategory, "Cannot write tags into %s: %s", name.c_str(), what.c_str());
        if (why)
            *why = what;
        return kTagsNotWritten;
    };
    CFileEditCopy copy;
    if (!copy.Open(path))
        return fail(copy.Why());
    // A file no writer knows (a video in another container) is not copied for nothing.
    {
        FileRef probe(name.c_str(), false);
        if (probe.isNull() || !probe.tag())
            return kTagsFormatUnknown;
    }
    // TagLib changes a copy beside the file, which takes the file's place only
    // when whole: a save that fails half-way never damages the file.
    if (!copy.MakeCopy())
        return fail(copy.Why());
    {
        CTagFileStream stream(copy, name);
        FileRef ref(&stream, true);
        int written = kTagsFormatUnknown;
        if (!ref.isNull() && ref.tag())
            written = WriteFile(ref.file(), tags, mp4Cover);
        if (copy.Failed())
            return fail(copy.Why());
        if (written == 0)
            return kTagsFormatUnknown;
        if (written < 0)
            return fail("the tags could not be made");
    }
    if (!copy.Commit())
        return fail(copy.Why());
    return kTagsWritten;
}

int ReadMediaTagsFromFile(const std::wstring& path, VXM_MEDIA_TAGS& tags, const std::wstring& coverOut)
{
    std::string name = FileNameOf(path);
    FileRef ref(name.c_str(), true);
    if (ref.isNull() || !ref.tag())
        return 0;
    return ReadFile(ref.file(), tags, coverOut);
}

int WriteMediaTags(IVXMMedia* media, const VXM_MEDIA_TAGS& tags, int toSource, int mp4Cover, std::string* why)
{
    if (!media)
        return kTagsFormatUnknown;
    return WriteMediaTagsToFile(toSource ? media->GetSourcePath() : media->GetOutputPath(), tags, mp4Cover != 0, why);
}

int ReadMediaTags(IVXMMedia* media, VXM_MEDIA_TAGS& tags)
{
    if (!media)
        return 0;
    return ReadMediaTagsFromFile(media->GetSourcePath(), tags, media->GetThumbnailPath());
}
