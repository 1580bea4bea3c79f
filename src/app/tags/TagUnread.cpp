#include "TagUnread.h"

#include <utility>
#include <vector>

#include <taglib/aifffile.h>
#include <taglib/apefile.h>
#include <taglib/fileref.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/trueaudiofile.h>
#include <taglib/wavfile.h>

#include "SoundChunks.h"
#include "TagId3v2.h"

using namespace TagLib;

namespace {

// The ID3v2 tags TagLib read from the file, with where each starts.
std::vector<std::pair<ID3v2::Tag*, long>> Id3v2TagsRead(File* file, IOStream& stream)
{
    std::vector<std::pair<ID3v2::Tag*, long>> tags;
    if (auto* mpeg = dynamic_cast<MPEG::File*>(file); mpeg && mpeg->hasID3v2Tag()) {
        tags.emplace_back(mpeg->ID3v2Tag(), 0);
    } else if (auto* tta = dynamic_cast<TrueAudio::File*>(file); tta && tta->hasID3v2Tag()) {
        tags.emplace_back(tta->ID3v2Tag(), 0);
    } else if (auto* wav = dynamic_cast<RIFF::WAV::File*>(file); wav && wav->hasID3v2Tag()) {
        tags.emplace_back(wav->ID3v2Tag(), FindId3v2Chunk(stream));
    } else if (auto* aiff = dynamic_cast<RIFF::AIFF::File*>(file); aiff && aiff->hasID3v2Tag()) {
        tags.emplace_back(aiff->tag(), FindId3v2Chunk(stream));
    }
    return tags;
}

bool Id3v2StartsAt(File* file, long at)
{
    file->seek(at);
    return file->readBlock(3) == ID3v2::Header::fileIdentifier();
}

}  // namespace

bool RecoverUnreadFrames(File* file, IOStream& stream)
{
    bool whole = true;
    for (const auto& [tag, at] : Id3v2TagsRead(file, stream))
        if (at >= 0 && !RecoverId3v2Frames(tag, file, at)) whole = false;
    return whole;
}

std::string UnreadTagData(File* file, IOStream& stream)
{
    const char* const unreadFrame = "a frame of its ID3v2 tag cannot be read";
    if (!RecoverUnreadFrames(file, stream)) return unreadFrame;
    // The ID3v2 tag an MP3, TrueAudio, APE or Musepack file starts with: the
    // save rewrites it, and a second one after it would still be read.
    if (!dynamic_cast<MPEG::File*>(file) && !dynamic_cast<TrueAudio::File*>(file) &&
        !dynamic_cast<APE::File*>(file) && !dynamic_cast<MPC::File*>(file))
        return std::string();
    if (!Id3v2StartsAt(file, 0)) return std::string();
    // APE and Musepack: TagLib leaves this tag alone; it is rewritten as read here.
    ID3v2::Tag first(file, 0);
    if ((dynamic_cast<APE::File*>(file) || dynamic_cast<MPC::File*>(file)) && !RecoverId3v2Frames(&first, file, 0))
        return unreadFrame;
    // TagLib takes a tag that follows for padding of the first: a save blanks it.
    file->seek(0);
    const ID3v2::Header header(file->readBlock(ID3v2::Header::size()));
    const long next = static_cast<long>(header.completeTagSize());
    if (next > 0 && next < file->length() && Id3v2StartsAt(file, next))
        return "a second ID3v2 tag follows the first";
    return std::string();
}

bool TagLibKnowsKind(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    const std::size_t slash = name.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    const String extension = String(name.substr(dot + 1), String::UTF8).upper();
    for (const String& known : FileRef::defaultFileExtensions())
        if (known.upper() == extension) return true;
    return false;
}
