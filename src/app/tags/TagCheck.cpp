#include "TagCheck.h"

#include <set>

#include <taglib/audioproperties.h>
#include <taglib/id3v1genres.h>

#include "TagSave.h"
#include "platform/text.h"

using namespace TagLib;

namespace {

std::string Join(const std::set<std::string>& names)
{
    std::string text;
    int shown = 0;
    for (const std::string& name : names) {
        if (shown++ == 3) return text + ", ...";
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

// The value a field reads back as once written: text as the tag holds it,
// numbers as numbers.
std::wstring AsStored(const std::wstring& text)
{
    return WideText(TagText(text));
}

bool SameGenre(const std::wstring& written, const std::wstring& read)
{
    if (AsStored(written) == read) return true;
    // ID3v2 readers show a number as the ID3v1 genre of that number.
    bool ok = false;
    const int number = TagText(written).stripWhiteSpace().toInt(&ok);
    return ok && number >= 0 && number < 256 && WideText(ID3v1::genre(number)) == read;
}

}  // namespace

CTagFileFacts TakeTagFileFacts(File* file, IOStream& stream)
{
    CTagFileFacts facts;
    if (const AudioProperties* audio = file->audioProperties()) {
        facts.lengthMs = audio->lengthInMilliseconds();
        facts.sampleRate = audio->sampleRate();
        facts.channels = audio->channels();
    }
    facts.blocks = TagBlocksOf(file, stream);
    return facts;
}

std::string AudioChange(const CTagFileFacts& before, const CTagFileFacts& after)
{
    if (before.lengthMs != after.lengthMs)
        return "its length would go from " + std::to_string(before.lengthMs) + " to " +
               std::to_string(after.lengthMs) + " ms";
    if (before.sampleRate != after.sampleRate || before.channels != after.channels)
        return "its sample rate or channels would change";
    return std::string();
}

std::string LostItems(const CTagFileFacts& before, const CTagFileFacts& after, unsigned edited, unsigned madeAnew)
{
    const std::vector<std::string> changed = ChangedTagItems(before.blocks, after.blocks, edited, madeAnew);
    return Join(std::set<std::string>(changed.begin(), changed.end()));
}

unsigned DifferentFields(const VXM_MEDIA_TAGS& wanted, const VXM_MEDIA_TAGS& held)
{
    unsigned different = 0;
    for (const CTagTextField& text : kTagTextFields) {
        const bool same = text.field == kTagGenre ? SameGenre(wanted.genre, held.genre)
                                                  : AsStored(wanted.*text.value) == held.*text.value;
        if (!same) different |= text.field;
    }
    if (TagNumber(wanted.year) != TagNumber(held.year)) different |= kTagYear;
    if (TagNumber(wanted.track) != TagNumber(held.track)) different |= kTagTrack;
    return different;
}
