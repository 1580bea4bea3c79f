#include "TagCheck.h"

#include <set>

#include <taglib/audioproperties.h>
#include <taglib/id3v1genres.h>
#include <taglib/mp4tag.h>
#include <taglib/tpropertymap.h>

#include "TagFormats.h"
#include "platform/text.h"

using namespace TagLib;

namespace {

// The row's fields as TagLib names them: the edit changes these.
const std::set<std::string> kFieldKeys = {"TITLE", "ARTIST", "ALBUM", "COMMENT",    "DESCRIPTION",
                                          "GENRE", "DATE",   "YEAR",  "TRACK",      "TRACKNUMBER"};
// Items TagLib does not map to a name that hold the edited values or the cover.
const std::set<std::string> kFieldItems = {"APIC", "USLT", "TYER", "TDAT", "TIME", "TRDA",
                                           "covr", "WM/Picture", "COVER ART (FRONT)"};

const std::set<std::string> kMp4FieldItems = {"\xc2\xa9nam", "\xc2\xa9" "ART", "\xc2\xa9" "alb", "\xc2\xa9" "cmt",
                                              "\xc2\xa9gen", "\xc2\xa9" "day", "\xc2\xa9lyr", "trkn", "covr", "gnre"};

bool IsEditedItem(const std::string& item)
{
    // "UNKNOWN/TYER", "APIC", "COMM" with a language...
    const std::size_t slash = item.rfind('/');
    const std::string id = slash == std::string::npos || item.compare(0, 8, "UNKNOWN/") != 0 ? item
                                                                                           : item.substr(slash + 1);
    return kFieldItems.count(id) != 0 || kFieldItems.count(item) != 0;
}

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

CTagFileFacts TakeTagFileFacts(File* file)
{
    CTagFileFacts facts;
    if (const AudioProperties* audio = file->audioProperties()) {
        facts.lengthMs = audio->lengthInMilliseconds();
        facts.sampleRate = audio->sampleRate();
        facts.channels = audio->channels();
    }
    for (const auto& [kind, tag] : TagsHeldBy(file)) {
        // TagLib names only some MP4 items: all are taken as they are.
        if (auto* mp4 = dynamic_cast<MP4::Tag*>(tag)) {
            for (const auto& [key, item] : mp4->itemMap())
                if (!kMp4FieldItems.count(key.to8Bit(true)))
                    facts.items[kind + " " + key.to8Bit(true)] = item.toStringList().toString("\n").to8Bit(true);
            continue;
        }
        const PropertyMap properties = tag->properties();
        for (const auto& [key, values] : properties) {
            const std::string name = key.to8Bit(true);
            // Every lyrics frame gives way to the new text.
            if (!kFieldKeys.count(name) && name.rfind("LYRICS", 0) != 0) facts.items[kind + " " + name] = values.toString("\n").to8Bit(true);
        }
        for (const String& item : properties.unsupportedData()) {
            const std::string name = item.to8Bit(true);
            if (!IsEditedItem(name)) facts.items[kind + " " + name] += "*";
        }
    }
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

std::string LostItems(const CTagFileFacts& before, const CTagFileFacts& after)
{
    std::set<std::string> lost;
    for (const auto& [name, values] : before.items) {
        auto it = after.items.find(name);
        if (it == after.items.end() || it->second != values) lost.insert(name);
    }
    return Join(lost);
}

std::string FieldsNotReadBack(const VXM_MEDIA_TAGS& written, const VXM_MEDIA_TAGS& read)
{
    std::set<std::string> wrong;
    const struct {
        const char* name;
        const std::wstring VXM_MEDIA_TAGS::*value;
    } texts[] = {{"title", &VXM_MEDIA_TAGS::title},     {"artist", &VXM_MEDIA_TAGS::artist},
                 {"album", &VXM_MEDIA_TAGS::album},     {"comment", &VXM_MEDIA_TAGS::comment},
                 {"lyrics", &VXM_MEDIA_TAGS::lyrics}};
    for (const auto& field : texts)
        if (AsStored(written.*field.value) != read.*field.value) wrong.insert(field.name);
    if (!SameGenre(written.genre, read.genre)) wrong.insert("genre");
    if (std::to_wstring(TagNumber(written.year)) != read.year) wrong.insert("year");
    if (std::to_wstring(TagNumber(written.track)) != read.track) wrong.insert("track");
    return Join(wrong);
}
