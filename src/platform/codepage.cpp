#include "platform/codepage.h"

#include <cerrno>
#include <iconv.h>

namespace {

const VXM_CODE_PAGE kCodePages[] = {
    {0, L"0 (Unicode)", "UTF-16"},
    {1, L"1 (UTF-8)", "UTF-8"},
    {37, L"37 (IBM EBCDIC - U.S./Canada)", "IBM037"},
    {437, L"437 (OEM - United States)", "CP437"},
    {500, L"500 (IBM EBCDIC - International)", "IBM500"},
    {708, L"708 (Arabic - ASMO)", "ASMO-708"},
    {737, L"737 (OEM - Greek 437G)", "CP737"},
    {775, L"775 (OEM - Baltic)", "CP775"},
    {850, L"850 (OEM - Multilingual Latin I)", "CP850"},
    {852, L"852 (OEM - Latin II)", "CP852"},
    {855, L"855 (OEM - Cyrillic)", "CP855"},
    {857, L"857 (OEM - Turkish)", "CP857"},
    {858, L"858 (OEM - Multilingual Latin I + Euro)", "CP858"},
    {860, L"860 (OEM - Portuguese)", "CP860"},
    {861, L"861 (OEM - Icelandic)", "CP861"},
    {862, L"862 (OEM - Hebrew)", "CP862"},
    {863, L"863 (OEM - Canadian French)", "CP863"},
    {864, L"864 (OEM - Arabic)", "CP864"},
    {865, L"865 (OEM - Nordic)", "CP865"},
    {866, L"866 (OEM - Russian)", "CP866"},
    {869, L"869 (OEM - Modern Greek)", "CP869"},
    {870, L"870 (IBM EBCDIC - Multilingual/ROECE (Latin-2))", "IBM870"},
    {874, L"874 (ANSI/OEM - Thai)", "CP874"},
    {875, L"875 (IBM EBCDIC - Modern Greek)", "IBM875"},
    {932, L"932 (ANSI/OEM - Japanese Shift-JIS)", "CP932"},
    {936, L"936 (ANSI/OEM - Simplified Chinese GBK)", "CP936"},
    {949, L"949 (ANSI/OEM - Korean)", "CP949"},
    {950, L"950 (ANSI/OEM - Traditional Chinese Big5)", "CP950"},
    {1026, L"1026 (IBM EBCDIC - Turkish (Latin-5))", "IBM1026"},
    {1047, L"1047 (IBM EBCDIC - Latin-1/Open System)", "IBM1047"},
    {1140, L"1140 (IBM EBCDIC - U.S./Canada (37 + Euro))", "IBM1140"},
    {1141, L"1141 (IBM EBCDIC - Germany (20273 + Euro))", "IBM1141"},
    {1142, L"1142 (IBM EBCDIC - Denmark/Norway (20277 + Euro))", "IBM1142"},
    {1143, L"1143 (IBM EBCDIC - Finland/Sweden (20278 + Euro))", "IBM1143"},
    {1144, L"1144 (IBM EBCDIC - Italy (20280 + Euro))", "IBM1144"},
    {1145, L"1145 (IBM EBCDIC - Latin America/Spain (20284 + Euro))", "IBM1145"},
    {1146, L"1146 (IBM EBCDIC - United Kingdom (20285 + Euro))", "IBM1146"},
    {1147, L"1147 (IBM EBCDIC - France (20297 + Euro))", "IBM1147"},
    {1148, L"1148 (IBM EBCDIC - International (500 + Euro))", "IBM1148"},
    {1149, L"1149 (IBM EBCDIC - Icelandic (20871 + Euro))", "IBM1149"},
    {1250, L"1250 (ANSI - Central Europe)", "CP1250"},
    {1251, L"1251 (ANSI - Cyrillic)", "CP1251"},
    {1252, L"1252 (ANSI - Latin I)", "CP1252"},
    {1253, L"1253 (ANSI - Greek)", "CP1253"},
    {1254, L"1254 (ANSI - Turkish)", "CP1254"},
    {1255, L"1255 (ANSI - Hebrew)", "CP1255"},
    {1256, L"1256 (ANSI - Arabic)", "CP1256"},
    {1257, L"1257 (ANSI - Baltic)", "CP1257"},
    {1258, L"1258 (ANSI/OEM - Viet Nam)", "CP1258"},
    {1361, L"1361 (Korean - Johab)", "JOHAB"},
    {10000, L"10000 (MAC - Roman)", "MACINTOSH"},
    {10007, L"10007 (MAC - Cyrillic)", "MAC-CYRILLIC"},
    {10029, L"10029 (MAC - Latin II)", "MAC-CENTRALEUROPE"},
    {10079, L"10079 (MAC - Icelandic)", "MAC-IS"},
    {20127, L"20127 (US-ASCII)", "ASCII"},
    {20273, L"20273 (IBM EBCDIC - Germany)", "IBM273"},
    {20277, L"20277 (IBM EBCDIC - Denmark/Norway)", "IBM277"},
    {20278, L"20278 (IBM EBCDIC - Finland/Sweden)", "IBM278"},
    {20280, L"20280 (IBM EBCDIC - Italy)", "IBM280"},
    {20284, L"20284 (IBM EBCDIC - Latin America/Spain)", "IBM284"},
    {20285, L"20285 (IBM EBCDIC - United Kingdom)", "IBM285"},
    {20290, L"20290 (IBM EBCDIC - Japanese Katakana Extended)", "IBM290"},
    {20297, L"20297 (IBM EBCDIC - France)", "IBM297"},
    {20420, L"20420 (IBM EBCDIC - Arabic)", "IBM420"},
    {20423, L"20423 (IBM EBCDIC - Greek)", "IBM423"},
    {20424, L"20424 (IBM EBCDIC - Hebrew)", "IBM424"},
    {20866, L"20866 (Russian - KOI8)", "KOI8-R"},
    {20871, L"20871 (IBM EBCDIC - Icelandic)", "IBM871"},
    {20880, L"20880 (IBM EBCDIC - Cyrillic (Russian))", "IBM880"},
    {20905, L"20905 (IBM EBCDIC - Turkish)", "IBM905"},
    {20932, L"20932 (JIS X 0208-1990 & 0212-1990)", "EUC-JP"},
    {20936, L"20936 (Simplified Chinese GB2312)", "GB2312"},
    {21025, L"21025 (IBM EBCDIC - Cyrillic (Serbian, Bulgarian))", "IBM1025"},
    {21866, L"21866 (Ukrainian - KOI8-U)", "KOI8-U"},
    {28591, L"28591 (ISO 8859-1 Latin I)", "ISO-8859-1"},
    {28592, L"28592 (ISO 8859-2 Central Europe)", "ISO-8859-2"},
    {28593, L"28593 (ISO 8859-3 Latin 3)", "ISO-8859-3"},
    {28594, L"28594 (ISO 8859-4 Baltic)", "ISO-8859-4"},
    {28595, L"28595 (ISO 8859-5 Cyrillic)", "ISO-8859-5"},
    {28596, L"28596 (ISO 8859-6 Arabic)", "ISO-8859-6"},
    {28597, L"28597 (ISO 8859-7 Greek)", "ISO-8859-7"},
    {28598, L"28598 (ISO 8859-8 Hebrew: Visual Ordering)", "ISO-8859-8"},
    {28599, L"28599 (ISO 8859-9 Latin 5)", "ISO-8859-9"},
    {28603, L"28603 (ISO 8859-13 Latin 7)", "ISO-8859-13"},
    {28605, L"28605 (ISO 8859-15 Latin 9)", "ISO-8859-15"},
    {50220, L"50220 (ISO-2022 Japanese with no halfwidth Katakana)", "ISO-2022-JP"},
    {50225, L"50225 (ISO-2022 Korean)", "ISO-2022-KR"},
    {51932, L"51932 (EUC-Japanese)", "EUC-JP"},
    {51936, L"51936 (EUC-Simplified Chinese)", "EUC-CN"},
    {51949, L"51949 (EUC-Korean)", "EUC-KR"},
    {54936, L"54936 (GB18030 Simplified Chinese)", "GB18030"},
    {65000, L"65000 (UTF-7)", "UTF-7"},
};

constexpr unsigned int kUtf8CodePage = 65001;

}  // namespace

std::span<const VXM_CODE_PAGE> CodePageTable()
{
    return kCodePages;
}

const VXM_CODE_PAGE* FindCodePage(unsigned int number)
{
    for (const VXM_CODE_PAGE& row : kCodePages) {
        if (row.number == number)
            return &row;
    }
    return nullptr;
}

std::string CodePageIconvName(unsigned int number)
{
    if (number == kUtf8CodePage)
        return "UTF-8";
    const VXM_CODE_PAGE* row = FindCodePage(number);
    return row ? row->iconvName : std::string();
}

unsigned int CodePageNumberOfText(const std::wstring& text)
{
    unsigned long long number = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9')
            break;
        number = number * 10 + static_cast<unsigned>(c - L'0');
        if (number > 0xFFFFFFFFull)
            return 0;
    }
    return static_cast<unsigned int>(number);
}

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

bool CodePageToUtf8Strict(std::string_view text, const char* codePage, std::string& out)
{
    out.clear();
    iconv_t converter = iconv_open("UTF-8", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) return false;
    std::string buffer(text.size() + text.size() / 2 + 16, '\0');
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    size_t done = 0;
    bool whole = true;
    while (inLeft > 0) {
        char* to = buffer.data() + done;
        size_t toLeft = buffer.size() - done;
        const bool ok = iconv(converter, &in, &inLeft, &to, &toLeft) != static_cast<size_t>(-1);
        done = static_cast<size_t>(to - buffer.data());
        if (ok) break;
        if (errno != E2BIG) {
            whole = false;
            break;
        }
        buffer.resize(buffer.size() * 2);
    }
    iconv_close(converter);
    if (!whole || inLeft != 0) return false;
    buffer.resize(done);
    out = std::move(buffer);
    return true;
}
