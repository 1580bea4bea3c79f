#include "platform/codepage.h"

#include <iconv.h>

bool CodePageToWideStrict(std::string_view text, const char* codePage, std::wstring& out)
{
    out.clear();
    iconv_t converter = iconv_open("WCHAR_T", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    // No code page gives more than two wide values for a byte.
    std::wstring buffer(2 * text.size() + 1, L'\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    char* to = reinterpret_cast<char*>(buffer.data());
    size_t toLeft = buffer.size() * sizeof(wchar_t);
    const bool whole = iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1) && inLeft == 0;
    iconv_close(converter);
    if (!whole) return false;
    buffer.resize(static_cast<size_t>(reinterpret_cast<wchar_t*>(to) - buffer.data()));
    out = std::move(buffer);
    return true;
}
