#include "TagFormats.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
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
#include "TagFlac.h"
#include "TagId3v2.h"

using namespace TagLib;

namespace {

const char* const kMp4Lyrics = "\251lyr";
// Where APEv2 readers (foobar2000, Mp3tag, mutagen) find the front cover.
const char* const kApeCover = "Cover Art (Front)";

ByteVector ApeCover(const APE::Tag* tag)
{
    const APE::ItemListMap& items = tag->itemListMap();
    auto it = items.find(String(kApeCover).upper());
    if (it == items.end() || it->second.type() != APE::Item::Binary) return ByteVector();
    const ByteVector value = it->second.binaryData();
    const int zero = value.find('\0');
    return zero < 0 ? ByteVector() : value.mid(static_cast<unsigned>(zero) + 1);
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

bool ReadFlacBlockTags(IOStream& stream, VXM_MEDIA_TAGS& tags, ByteVector* cover)
{
    ByteVector comment;
    std::vector<ByteVector> pictures;
    if (!ReadFlacTagBlocks(stream, comment, pictures)) return false;
    Ogg::XiphComment xiph(comment);
    ReadXiph(tags, &xiph, nullptr);
    if (!cover) return true;
    List<FLAC::Picture*> parsed;
    parsed.setAutoDelete(true);
    for (const ByteVector& picture : pictures) parsed.append(new FLAC::Picture(picture));
    *cover = FrontPicture(parsed);
    return true;
}
