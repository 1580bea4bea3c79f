#include "TagValues.h"

#include "Log.h"
#include "MediaTags.h"
#include "platform/text.h"

using namespace TagLib;

String TagText(const std::wstring& text)
{
    std::wstring valid = text;
    for (wchar_t& c : valid)
        if (c >= 0xDC80 && c <= 0xDCFF) c = 0xFFFD;
    return String(WideToUtf8(valid), String::UTF8);
}

std::wstring WideText(const String& text)
{
    return Utf8ToWide(text.to8Bit(true));
}

unsigned TagNumber(const std::wstring& text)
{
    bool ok = false;
    int value = TagText(text).stripWhiteSpace().toInt(&ok);
    return ok && value > 0 ? static_cast<unsigned>(value) : 0;
}

String Latin1Text(const std::wstring& text)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (wchar_t c : text)
        bytes.push_back(static_cast<unsigned>(c) <= 0xFF ? static_cast<char>(c) : '?');
    return String(bytes, String::Latin1);
}

bool DateOfYear(const String& date, unsigned year)
{
    if (year == 0 || date.size() < 4) return false;
    bool ok = false;
    const int value = date.substr(0, 4).toInt(&ok);
    return ok && value == static_cast<int>(year) && (date.size() == 4 || date[4] == '-');
}

CTagCover LoadTagCover(const std::wstring& path)
{
    CTagCover cover;
    if (path.empty())
        return cover;
    const std::string name = WideToUtf8(path);
    ImageFile image(name.c_str());
    if (!image.IsValid())
        return cover;
    cover.data = image.ReadAll();
    cover.mime = image.GetMimeType();
    cover.valid = !cover.data.isEmpty();
    if (!cover.valid)
        LogError("MediaTags", "Cover picture %s cannot be read", name.c_str());
    return cover;
}
