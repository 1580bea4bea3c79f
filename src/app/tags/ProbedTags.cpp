#include "ProbedTags.h"

#include <cwctype>
#include <map>

#include "IVXMMedia.h"
#include "VXMMediaBase.h"

namespace {

// A field and the probe's keys for it (lower case), the first found wins.
struct CProbedField {
    std::wstring VXM_MEDIA_TAGS::*value;
    const wchar_t* keys[2];
    bool number;  // the leading number of the value ("2004-05-06", "3/12")
};

const CProbedField kFields[] = {
    {&VXM_MEDIA_TAGS::title, {L"title"}, false},   {&VXM_MEDIA_TAGS::artist, {L"artist"}, false},
    {&VXM_MEDIA_TAGS::album, {L"album"}, false},   {&VXM_MEDIA_TAGS::comment, {L"comment"}, false},
    {&VXM_MEDIA_TAGS::genre, {L"genre"}, false},   {&VXM_MEDIA_TAGS::year, {L"date", L"year"}, true},
    {&VXM_MEDIA_TAGS::track, {L"track"}, true},    {&VXM_MEDIA_TAGS::lyrics, {L"lyrics"}, false},
};

std::wstring LeadingNumber(const std::wstring& text)
{
    std::size_t end = 0;
    while (end < text.size() && std::iswdigit(text[end])) ++end;
    const std::wstring digits = text.substr(0, end);
    const std::size_t first = digits.find_first_not_of(L'0');
    return first == std::wstring::npos ? std::wstring() : digits.substr(first);
}

// The probe's value for a key. Lyrics are also "lyrics-<language>" (an ID3v2
// lyrics frame without a description); comments and lyrics with one
// ("iTunNORM", "lyrics-<description>-<language>") are other data.
std::wstring ProbedValue(const std::map<std::wstring, std::wstring>& probed, const std::wstring& key)
{
    if (auto it = probed.find(key); it != probed.end()) return it->second;
    if (key != L"lyrics") return std::wstring();
    for (auto it = probed.lower_bound(L"lyrics-"); it != probed.end() && it->first.rfind(L"lyrics-", 0) == 0; ++it)
        if (it->first.find(L'-', 7) == std::wstring::npos) return it->second;
    return std::wstring();
}

bool IsEmpty(const std::wstring& value, bool number)
{
    return value.empty() || (number && value == L"0");
}

}  // namespace

int AddProbedTags(IVXMMedia* media, VXM_MEDIA_TAGS& tags, int handled)
{
    const auto* base = dynamic_cast<const CVXMMediaBase*>(media);
    if (!base || base->m_mapMetadata.empty()) return handled;
    if (handled != 1 && media->GetVideoStream()) return handled;
    VXM_MEDIA_TAGS filled;
    if (handled == 1) filled = tags;
    bool found = false;
    for (const CProbedField& field : kFields) {
        std::wstring& value = filled.*field.value;
        if (!IsEmpty(value, field.number)) continue;
        for (const wchar_t* key : field.keys) {
            if (!key) break;
            std::wstring probed = ProbedValue(base->m_mapMetadata, key);
            if (field.number) probed = LeadingNumber(probed);
            if (probed.empty()) continue;
            value = probed;
            found = true;
            break;
        }
        // As TagLib gives a number the file does not hold.
        if (field.number && value.empty()) value = L"0";
    }
    if (handled != 1 && !found) return handled;
    tags = filled;
    return 1;
}
