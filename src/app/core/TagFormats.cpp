#include "TagFormats.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/apefooter.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/speexfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>
#include <taglib/xiphcomment.h>

#include "MediaTags.h"
#include "SoundChunks.h"
#include "TagId3v2.h"

using namespace TagLib;

namespace {

const char* const kMp4Lyrics = "\251lyr";
const char* const kMp4Date = "\251day";
// Where APEv2 readers (foobar2000, Mp3tag, mutagen) find the front cover.
const char* const kApeCover = "Cover Art (Front)";

void SetBasicTags(ID3v1::Tag* tag, const VXM_MEDIA_TAGS& tags)
{
    SetTextFields(tag, tags, Latin1Text);
}

FLAC::Picture* FrontPicture(const CTagCover& cover)
{
    auto* picture = new FLAC::Picture;
    picture->setData(cover.data);
    picture->setType(FLAC::Picture::FrontCover);
    picture->setMimeType(cover.mime);
    picture->setDescription("Front Cover");
    return picture;
}

void SetXiphFields(Ogg::XiphComment* comment, const VXM_MEDIA_TAGS& tags, const CTagCover* cover)
{
    // Without a new picture the file keeps the one it has.
    if (cover && cover->valid) {
        // One picture block only: a legacy COVERART copy would be read as a
        // second picture (and turned into one on the next save).
        comment->removeAllPictures();
        comment->addPicture(FrontPicture(*cover));
    }
    if (tags.lyrics.empty())
        comment->removeFields("LYRICS");
    else
        comment->addField("LYRICS", TagText(tags.lyrics), true);
    const Ogg::FieldListMap& fields = comment->fieldListMap();
    auto date = fields.find("DATE");
    const String kept = date != fields.end() && !date->second.isEmpty() ? date->second.front() : String();
    SetTextFields(comment, tags);
    if (DateOfYear(kept, TagNumber(tags.year)))
        comment->addField("DATE", kept, true);
}

void SetMp4Tags(MP4::Tag* tag, const VXM_MEDIA_TAGS& tags, const CTagCover* cover)
{
    if (cover && cover->valid) {
        MP4::CoverArt::Format format = cover->mime == "image/png" ? MP4::CoverArt::PNG : MP4::CoverArt::JPEG;
        MP4::CoverArtList list;
        list.append(MP4::CoverArt(format, cover->data));
        tag->setItem("covr", MP4::Item(list));
    }
    if (tags.lyrics.empty())
        tag->removeItem(kMp4Lyrics);
    else
        tag->setItem(kMp4Lyrics, MP4::Item(StringList(TagText(tags.lyrics))));
    const StringList dates = tag->item(kMp4Date).toStringList();
    const String date = dates.isEmpty() ? String() : dates.front();
    // TagLib's item of a missing key holds numbers nobody set: a total read
    // from it reached the file ("2/14645").
    const int total = tag->contains("trkn") ? tag->item("trkn").toIntPair().second : 0;
    tag->removeItem("gnre");  // iTunes' genre number: the genre is the text now
    SetTextFields(tag, tags);
    if (DateOfYear(date, TagNumber(tags.year)))
        tag->setItem(kMp4Date, MP4::Item(StringList(date)));
    if (const unsigned track = TagNumber(tags.track); track != 0 && total > 0)
        tag->setItem("trkn", MP4::Item(static_cast<int>(track), total));
}

void SetAsfTags(ASF::Tag* tag, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
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
        tag->setAttribute("WM/Lyrics", ASF::Attribute(TagText(tags.lyrics)));
    SetTextFields(tag, tags);
}

// APEv2 (WavPack, Monkey's Audio, Musepack, and beside ID3v2 in an MP3): a
// cover is a binary item holding a file name, a zero byte and the picture.
void SetApeFields(APE::Tag* tag, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    if (cover.valid) {
        ByteVector value(cover.mime == "image/png" ? "cover.png" : "cover.jpg");
        value.append('\0');
        value.append(cover.data);
        tag->setItem(kApeCover, APE::Item(kApeCover, value, true));
    }
    if (tags.lyrics.empty())
        tag->removeItem("LYRICS");
    else
        tag->addValue("LYRICS", TagText(tags.lyrics), true);
    const APE::ItemListMap& items = tag->itemListMap();
    auto year = items.find("YEAR");
    const String date = year != items.end() ? year->second.toString() : String();
    auto track = items.find("TRACK");
    const String number = track != items.end() ? track->second.toString() : String();
    SetTextFields(tag, tags);
    if (DateOfYear(date, TagNumber(tags.year)))
        tag->addValue("YEAR", date, true);
    if (const unsigned value = TagNumber(tags.track); value != 0 && number.find("/") > 0)
        tag->addValue("TRACK", String::number(static_cast<int>(value)) +
                                   number.substr(static_cast<unsigned>(number.find("/"))), true);
}

ByteVector ApeCover(const APE::Tag* tag)
{
    const APE::ItemListMap& items = tag->itemListMap();
    auto it = items.find(String(kApeCover).upper());
    if (it == items.end() || it->second.type() != APE::Item::Binary) return ByteVector();
    const ByteVector value = it->second.binaryData();
    const int zero = value.find('\0');
    return zero < 0 ? ByteVector() : value.mid(static_cast<unsigned>(zero) + 1);
}

// A stale APEv2 tag beside the ID3v2 tag would still show the old values.
// It gets a cover or lyrics only in place of its own: grown at the end, an
// MP3 no longer matches its LAME header and players drop its gapless trim.
void SetSideApeFields(APE::Tag* ape, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    const APE::ItemListMap& items = ape->itemListMap();
    VXM_MEDIA_TAGS fields = tags;
    if (!items.contains("LYRICS")) fields.lyrics.clear();
    SetApeFields(ape, fields, items.contains(String(kApeCover).upper()) ? cover : CTagCover());
}

// The APEv2 tag at the end of a TrueAudio file (ffmpeg writes one), which
// TagLib's class for the format does not know. Call after the file's save;
// false when the tag could not be rewritten.
bool RewriteTrailingApe(File* file, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    const long length = file->length();
    for (long end : {length, length - 128}) {  // the last bytes, or those before an ID3v1 tag
        if (end < static_cast<long>(APE::Footer::size())) continue;
        const long footer = end - static_cast<long>(APE::Footer::size());
        file->seek(footer);
        if (file->readBlock(8) != APE::Tag::fileIdentifier()) continue;
        APE::Tag ape(file, footer);
        const unsigned size = ape.footer()->completeTagSize();
        if (size < APE::Footer::size() || static_cast<long>(size) > end) return false;
        SetSideApeFields(&ape, tags, cover);
        file->insert(ape.render(), static_cast<unsigned long>(end - static_cast<long>(size)), size);
        return true;
    }
    return true;
}

// MP3 and TrueAudio: the ID3v2 tag is written (made when the file has none,
// so a confirmed edit is never dropped) and an ID3v1 tag present is kept in step.
template <typename TFile>
void WriteId3Pair(TFile* file, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    const bool had = file->hasID3v2Tag();
    ID3v2::Tag* tag = file->ID3v2Tag(true);
    if (had) {
        RecoverId3v2Frames(tag, file, 0);
        KeepV23OnlyFrames(tag);
    }
    SetId3v2Fields(tag, tags, cover);
    if (file->hasID3v1Tag())
        SetBasicTags(file->ID3v1Tag(false), tags);
}

// The APEv2 files: the APE tag, and an ID3v1 tag present kept in step.
template <typename TFile>
void WriteApePair(TFile* file, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    SetApeFields(file->APETag(true), tags, cover);
    if (file->hasID3v1Tag())
        SetBasicTags(file->ID3v1Tag(false), tags);
}

// WAV and AIFF: the ID3v2 chunk, with the frames TagLib did not read.
void WriteChunkId3v2(ID3v2::Tag* tag, File* file, IOStream& stream, const VXM_MEDIA_TAGS& tags,
                     const CTagCover& cover)
{
    const long at = FindId3v2Chunk(stream);
    if (at >= 0)
        RecoverId3v2Frames(tag, file, at);
    KeepV23OnlyFrames(tag);
    SetId3v2Fields(tag, tags, cover);
}

bool SaveWav(RIFF::WAV::File* wav, IOStream& stream, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    WriteChunkId3v2(wav->ID3v2Tag(), wav, stream, tags, cover);
    // An INFO list with fields of its own gets the new ones; one with none of
    // them (only the encoder's name) stays as it is: TagLib drops such a list.
    const bool info = wav->hasInfoTag() && !wav->InfoTag()->isEmpty();
    if (info)
        SetTextFields(wav->InfoTag(), tags, Latin1Text);
    return wav->save(info ? RIFF::WAV::File::AllTags : RIFF::WAV::File::ID3v2, File::StripNone);
}

bool SaveMpeg(MPEG::File* mpeg, const VXM_MEDIA_TAGS& tags, const CTagCover& cover)
{
    // A v2.4 tag stays v2.4: TagLib's v2.3 writer leaves out the frames v2.3
    // has no place for (RVA2, TMOO, TSOP and the like).
    const bool v4 = mpeg->hasID3v2Tag() && mpeg->ID3v2Tag()->header()->majorVersion() == 4;
    WriteId3Pair(mpeg, tags, cover);
    if (mpeg->hasAPETag())
        SetSideApeFields(mpeg->APETag(false), tags, cover);
    return mpeg->save(MPEG::File::AllTags, File::StripNone, v4 ? ID3v2::v4 : ID3v2::v3, File::DoNotDuplicate);
}

// 1 saved, -1 not saved, 0 no routine for the format.
int SaveOther(File* file, IOStream& stream, const VXM_MEDIA_TAGS& tags, bool mp4Cover, const CTagCover& cover)
{
    if (auto* vorbis = dynamic_cast<Ogg::Vorbis::File*>(file)) {
        SetXiphFields(vorbis->tag(), tags, &cover);
    } else if (auto* speex = dynamic_cast<Ogg::Speex::File*>(file)) {
        SetXiphFields(speex->tag(), tags, &cover);
    } else if (auto* opus = dynamic_cast<Ogg::Opus::File*>(file)) {
        SetXiphFields(opus->tag(), tags, &cover);
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        WriteId3Pair(tta, tags, cover);
        if (!tta->save()) return -1;
        return RewriteTrailingApe(tta, tags, cover) ? 1 : -1;
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        return SaveWav(wav, stream, tags, cover) ? 1 : -1;
    } else if (auto* wavpack = dynamic_cast<WavPack::File*>(file)) {
        WriteApePair(wavpack, tags, cover);
    } else if (auto* mp4 = dynamic_cast<MP4::File*>(file)) {
        SetMp4Tags(mp4->tag(), tags, mp4Cover ? &cover : nullptr);
    } else if (auto* oggFlac = dynamic_cast<Ogg::FLAC::File*>(file)) {
        SetXiphFields(oggFlac->tag(), tags, &cover);
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        WriteChunkId3v2(aiff->tag(), aiff, stream, tags, cover);
    } else if (auto* ape = dynamic_cast<APE::File*>(file)) {
        WriteApePair(ape, tags, cover);
        if (!ape->save()) return -1;
        return RewriteLeadingId3v2(ape, tags, cover) ? 1 : -1;
    } else if (auto* mpc = dynamic_cast<MPC::File*>(file)) {
        WriteApePair(mpc, tags, cover);
        if (!mpc->save()) return -1;
        return RewriteLeadingId3v2(mpc, tags, cover) ? 1 : -1;
    } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        SetXiphFields(flac->xiphComment(true), tags, nullptr);
        if (cover.valid) {
            flac->removePictures();
            flac->addPicture(FrontPicture(cover));
        }
    } else if (auto* asf = dynamic_cast<ASF::File*>(file)) {
        SetAsfTags(asf->tag(), tags, cover);
    } else {
        return 0;
    }
    return file->save() ? 1 : -1;
}

// ----------------------------------------------------------------- reading

void ReadWideTags(VXM_MEDIA_TAGS& tags, const Tag* tag)
{
    tags.title = WideText(tag->title());
    tags.artist = WideText(tag->artist());
    tags.album = WideText(tag->album());
    tags.comment = WideText(tag->comment());
    tags.genre = WideText(tag->genre());
    tags.year = std::to_wstring(tag->year());
    tags.track = std::to_wstring(tag->track());
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

void ReadXiph(VXM_MEDIA_TAGS& tags, Ogg::XiphComment* comment, ByteVector* cover)
{
    ReadWideTags(tags, comment);
    const Ogg::FieldListMap& fields = comment->fieldListMap();
    auto it = fields.find("LYRICS");
    tags.lyrics = it != fields.end() && !it->second.isEmpty() ? WideText(it->second.front()) : std::wstring();
    // TagLib lists legacy COVERART pictures here too.
    if (cover) *cover = FrontPicture(comment->pictureList());
}

void ReadApe(VXM_MEDIA_TAGS& tags, File* file, APE::Tag* ape, ByteVector* cover)
{
    // The APE tag when there is one, else the ID3v1 tag (Latin-1, as TagLib decodes it).
    ReadWideTags(tags, file->tag());
    if (!ape) return;
    const APE::ItemListMap& items = ape->itemListMap();
    auto lyrics = items.find("LYRICS");
    tags.lyrics = lyrics != items.end() ? WideText(lyrics->second.toString()) : std::wstring();
    if (cover) *cover = ApeCover(ape);
}

// The ID3v2 tag when the file has one, else the ID3v1 tag; false when it has neither.
template <class F>
bool ReadId3Pair(VXM_MEDIA_TAGS& tags, F* file, ByteVector* cover)
{
    if (file->hasID3v2Tag())
        ReadId3v2Fields(tags, file->ID3v2Tag(), cover);
    else if (file->hasID3v1Tag())
        ReadWideTags(tags, file->ID3v1Tag());
    else
        return false;
    return true;
}

void ReadMp4(VXM_MEDIA_TAGS& tags, MP4::Tag* tag, ByteVector* cover)
{
    ReadWideTags(tags, tag);
    StringList lyrics = tag->item(kMp4Lyrics).toStringList();
    tags.lyrics = lyrics.isEmpty() ? std::wstring() : WideText(lyrics.front());
    MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    if (cover) *cover = covers.isEmpty() ? ByteVector() : covers.front().data();
}

void ReadAsf(VXM_MEDIA_TAGS& tags, ASF::Tag* tag, ByteVector* cover)
{
    ReadWideTags(tags, tag);
    ASF::AttributeList lyrics = tag->attribute("WM/Lyrics");
    tags.lyrics = lyrics.isEmpty() ? std::wstring() : WideText(lyrics.front().toString());
    if (!cover) return;
    *cover = ByteVector();
    for (const ASF::Attribute& attribute : tag->attribute("WM/Picture")) {
        ASF::Picture p = attribute.toPicture();
        if (!p.isValid())
            continue;
        if (p.type() == ASF::Picture::FrontCover) {
            *cover = p.picture();
            break;
        }
        if (cover->isEmpty())
            *cover = p.picture();
    }
}

}  // namespace

int WriteTagsInto(File* file, IOStream& stream, const VXM_MEDIA_TAGS& tags, bool mp4Cover, const CTagCover& cover)
{
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file))
        return SaveMpeg(mpeg, tags, cover) ? 1 : -1;
    return SaveOther(file, stream, tags, mp4Cover, cover);
}

bool ReadTagsFrom(File* file, VXM_MEDIA_TAGS& tags, ByteVector* cover)
{
    if (cover) *cover = ByteVector();
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
        return ReadId3Pair(tags, mpeg, cover);
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        return ReadId3Pair(tags, tta, cover);
    } else if (auto* vorbis = dynamic_cast<Ogg::Vorbis::File*>(file)) {
        ReadXiph(tags, vorbis->tag(), cover);
    } else if (auto* speex = dynamic_cast<Ogg::Speex::File*>(file)) {
        ReadXiph(tags, speex->tag(), cover);
    } else if (auto* opus = dynamic_cast<Ogg::Opus::File*>(file)) {
        ReadXiph(tags, opus->tag(), cover);
    } else if (auto* oggFlac = dynamic_cast<Ogg::FLAC::File*>(file)) {
        ReadXiph(tags, oggFlac->tag(), cover);
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        ReadId3v2Fields(tags, wav->ID3v2Tag(), cover);
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        ReadId3v2Fields(tags, aiff->tag(), cover);
    } else if (auto* wavpack = dynamic_cast<WavPack::File*>(file)) {
        ReadApe(tags, file, wavpack->APETag(false), cover);
    } else if (auto* mpc = dynamic_cast<MPC::File*>(file)) {
        ReadApe(tags, file, mpc->APETag(false), cover);
    } else if (auto* ape = dynamic_cast<APE::File*>(file)) {
        ReadApe(tags, file, ape->APETag(false), cover);
    } else if (auto* mp4 = dynamic_cast<MP4::File*>(file)) {
        ReadMp4(tags, mp4->tag(), cover);
    } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        Ogg::XiphComment* comment = flac->xiphComment(false);
        if (comment)
            ReadXiph(tags, comment, nullptr);
        else
            ReadWideTags(tags, flac->tag());
        if (cover) *cover = FrontPicture(flac->pictureList());
    } else if (auto* asf = dynamic_cast<ASF::File*>(file)) {
        ReadAsf(tags, asf->tag(), cover);
    } else {
        return false;
    }
    return true;
}

bool StoresCover(File* file, bool mp4Cover)
{
    return mp4Cover || !dynamic_cast<MP4::File*>(file);
}

std::vector<std::pair<std::string, Tag*>> TagsHeldBy(File* file)
{
    std::vector<std::pair<std::string, Tag*>> held;
    auto add = [&](const char* kind, Tag* tag) {
        if (tag) held.emplace_back(kind, tag);
    };
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file)) {
        if (mpeg->hasID3v2Tag()) add("ID3v2", mpeg->ID3v2Tag());
        if (mpeg->hasAPETag()) add("APE", mpeg->APETag());
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file)) {
        if (tta->hasID3v2Tag()) add("ID3v2", tta->ID3v2Tag());
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file)) {
        if (wav->hasID3v2Tag()) add("ID3v2", wav->ID3v2Tag());
        if (wav->hasInfoTag()) add("INFO", wav->InfoTag());
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file)) {
        if (aiff->hasID3v2Tag()) add("ID3v2", aiff->tag());
    } else if (auto* flac = dynamic_cast<FLAC::File*>(file)) {
        add("Xiph", flac->xiphComment(false));
    } else if (auto* wavpack = dynamic_cast<WavPack::File*>(file)) {
        add("APE", wavpack->APETag(false));
    } else if (auto* mpc = dynamic_cast<MPC::File*>(file)) {
        add("APE", mpc->APETag(false));
    } else if (auto* ape = dynamic_cast<APE::File*>(file)) {
        add("APE", ape->APETag(false));
    } else if (dynamic_cast<MP4::File*>(file) || dynamic_cast<ASF::File*>(file) ||
               dynamic_cast<Ogg::File*>(file)) {
        add("tag", file->tag());
    }
    return held;
}
