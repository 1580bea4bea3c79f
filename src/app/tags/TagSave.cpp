#include "TagSave.h"

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/mp4file.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/oggfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/wavfile.h>
#include <taglib/wavpackfile.h>

#include "TagApe.h"
#include "TagAsf.h"
#include "TagFlac.h"
#include "TagId3v1.h"
#include "TagId3v2Frames.h"
#include "TagMp4.h"
#include "TagRiff.h"

using namespace TagLib;

namespace {

const char* const kCannotKeep = "its tags are laid out in a way this program cannot write back whole";

bool StartsWithId3(IOStream& stream)
{
    stream.seek(0);
    return stream.readBlock(3) == "ID3";
}

// The tags at a file's end: an APEv2 tag (made when `makeApe`; one `beside`
// an ID3v2 tag only changed) and an ID3v1 tag after it.
bool WriteTrailing(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                   bool makeApe, bool beside)
{
    if (HasId3v1Tag(stream)) WriteId3v1Tag(stream, tags, edited);
    return WriteApeTag(stream, tags, edited, cover, makeApe, beside);
}

// The ID3v2 tag a file starts with, when it has one; made with `version` where `make`.
bool WriteLeading(IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                  bool make, unsigned version)
{
    if (!make && !StartsWithId3(stream)) return true;
    return WriteId3v2Tag(stream, 0, version, tags, edited, cover);
}

// 1 when the writes succeeded, else -1 with the reason.
int Done(bool written, std::string& why)
{
    if (!written) why = kCannotKeep;
    return written ? 1 : -1;
}

}  // namespace

int WriteTagsInto(File* file, IOStream& stream, const VXM_MEDIA_TAGS& tags, unsigned edited, const CTagCover& cover,
                  std::string& why)
{
    // MP3 and TrueAudio: the ID3v2 tag (made when the file has none, so that
    // a confirmed edit is never dropped) and the tags after the sound.
    const bool mpeg = dynamic_cast<MPEG::File*>(file) != nullptr;
    if (mpeg || dynamic_cast<TrueAudio::File*>(file)) {
        if (mpeg && static_cast<MPEG::File*>(file)->hasID3v2Tag() && !StartsWithId3(stream)) {
            why = "its ID3v2 tag does not start the file";
            return -1;
        }
        return Done(WriteTrailing(stream, tags, edited, cover, false, true) &&
                        WriteLeading(stream, tags, edited, cover, true, mpeg ? 3 : 4),
                    why);
    }
    if (auto* ogg = dynamic_cast<Ogg::File*>(file)) return Done(WriteOggComment(ogg, tags, edited, cover), why);
    if (dynamic_cast<RIFF::WAV::File*>(file) || dynamic_cast<RIFF::AIFF::File*>(file))
        return Done(WriteRiffTags(stream, tags, edited, cover), why);
    if (dynamic_cast<WavPack::File*>(file)) return Done(WriteTrailing(stream, tags, edited, cover, true, false), why);
    // Monkey's Audio and Musepack: the APEv2 tag, and an ID3v2 tag some tools put in front.
    if (dynamic_cast<APE::File*>(file) || dynamic_cast<MPC::File*>(file))
        return Done(WriteTrailing(stream, tags, edited, cover, true, false) &&
                        WriteLeading(stream, tags, edited, cover, false, 3),
                    why);
    if (dynamic_cast<MP4::File*>(file)) return WriteMp4Items(stream, tags, edited, cover, why) ? 1 : -1;
    if (dynamic_cast<FLAC::File*>(file)) {
        if (HasId3v1Tag(stream)) WriteId3v1Tag(stream, tags, edited);
        return Done(WriteFlacBlocks(stream, tags, edited, cover) && WriteLeading(stream, tags, edited, cover, false, 3),
                    why);
    }
    if (dynamic_cast<ASF::File*>(file)) return Done(WriteAsfTags(stream, tags, edited, cover), why);
    return 0;
}

CTagBlocks TagBlocksOf(File* file, IOStream& stream)
{
    CTagBlocks blocks;
    auto add = [&](const char* kind, const CTagItems& items) { blocks.push_back({kind, items}); };
    const bool riff = dynamic_cast<RIFF::WAV::File*>(file) || dynamic_cast<RIFF::AIFF::File*>(file);
    if (auto* ogg = dynamic_cast<Ogg::File*>(file)) {
        add("Xiph", OggCommentItems(ogg));
    } else if (riff) {
        blocks = RiffBlocks(stream);
    } else if (dynamic_cast<MP4::File*>(file)) {
        add("MP4", Mp4Items(stream));
    } else if (dynamic_cast<ASF::File*>(file)) {
        add("ASF", AsfItems(stream));
    } else {
        // The rest keep their tags before and after the sound.
        add("ID3v2", Id3v2Items(ReadId3v2Tag(stream, 0)));
        if (dynamic_cast<FLAC::File*>(file)) {
            const CTagBlocks flac = FlacBlocks(stream);
            blocks.insert(blocks.end(), flac.begin(), flac.end());
        }
        add("APEv2", ReadApeTag(stream).items);
        add("ID3v1", Id3v1Items(stream));
    }
    return blocks;
}

bool StoresCover(File* file, bool mp4Cover)
{
    return mp4Cover || !dynamic_cast<MP4::File*>(file);
}
