// UTF-8 <-> UTF-32 conversion and printf-style formatting.
#include "platform/text.h"

#include <clocale>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <locale.h>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;
// A byte that is no part of a valid sequence is carried as U+DC80..U+DCFF
// (a lone low surrogate, never a character) and written back as that byte.
constexpr char32_t kEscapeFirst = 0xDC80;
constexpr char32_t kEscapeLast = 0xDCFF;

wchar_t EscapeByte(unsigned char b) { return static_cast<wchar_t>(0xDC00 + b); }

bool IsScalar(char32_t c) { return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF); }

bool IsEscapedByte(char32_t c) { return c >= kEscapeFirst && c <= kEscapeLast; }

// One character of wide text as WideToUtf8 reads it: a UTF-16 pair that
// slipped into a wide string is joined into one code point.
struct CWideChar {
    char32_t code;
    size_t size;  // wide values taken
};

CWideChar ReadWideChar(std::wstring_view text, size_t i)
{
    auto c = static_cast<char32_t>(text[i]);
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
        auto d = static_cast<char32_t>(text[i + 1]);
        if (d >= 0xDC00 && d <= 0xDFFF) return {0x10000 + ((c - 0xD800) << 10) + (d - 0xDC00), 2};
    }
    return {c, 1};
}

// Bytes of one code point in WideToUtf8's output (a non-character becomes
// U+FFFD, three bytes).
size_t Utf8Size(char32_t c)
{
    if (IsEscapedByte(c)) return 1;
    if (!IsScalar(c)) return 3;
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

// Numbers are formatted as the "C" locale does whatever the process locale
// is (a UI toolkit may switch LC_NUMERIC to the user's): command lines and
// stored values need '.' as the decimal point.
locale_t ClassicLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", nullptr);
    return loc;
}

locale_t CaseLocale()
{
    static locale_t loc = [] {
        locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", nullptr);
        return l ? l : newlocale(LC_CTYPE_MASK, "C", nullptr);
    }();
    return loc;
}

class CClassicLocaleScope {
public:
    CClassicLocaleScope() : m_old(ClassicLocale() ? uselocale(ClassicLocale()) : nullptr) {}
    ~CClassicLocaleScope()
    {
        if (m_old) uselocale(m_old);
    }

private:
    locale_t m_old;
};

// Widths and precisions, written or passed with '*', are cut here (the
// translation check of the UI refuses written ones above it).
constexpr int kMaxFormatWidth = 65536;

// Digits of a width or precision, held at most one past the cap (no overflow).
int ReadCount(const wchar_t*& p)
{
    int value = 0;
    for (; *p >= L'0' && *p <= L'9'; ++p)
        if (value <= kMaxFormatWidth) value = value * 10 + (*p - L'0');
    return value > kMaxFormatWidth ? kMaxFormatWidth : value;
}

void AppendPadded(std::wstring& out, std::wstring_view text, int width, bool left)
{
    size_t pad = width > 0 && static_cast<size_t>(width) > text.size() ? width - text.size() : 0;
    if (!left) out.append(pad, L' ');
    out.append(text);
    if (left) out.append(pad, L' ');
}

// Runs a snprintf-like call (which reports the length it needs) into a
// stack buffer, and once more into a buffer of that length when it did not
// fit; empty on an error.
template <class Run>
std::string PrintToString(Run run)
{
    char stack[512];
    int n = run(stack, sizeof stack);
    if (n < 0) return {};
    if (static_cast<size_t>(n) < sizeof stack) return std::string(stack, n);
    std::string out(static_cast<size_t>(n) + 1, '\0');
    n = run(out.data(), out.size());
    out.resize(n < 0 ? 0 : n);
    return out;
}

// Formats one numeric conversion with snprintf and widens the ASCII result.
template <class T>
void AppendNumber(std::wstring& out, const char* spec, int width, int precision, bool starWidth, bool starPrec, T value)
{
    const std::string text = PrintToString([&](char* buf, size_t size) {
        if (starWidth && starPrec) return snprintf(buf, size, spec, width, precision, value);
        if (starWidth) return snprintf(buf, size, spec, width, value);
        if (starPrec) return snprintf(buf, size, spec, precision, value);
        return snprintf(buf, size, spec, value);
    });
    out.append(text.begin(), text.end());
}

// The text with each character mapped in the case locale.
std::wstring MapCase(std::wstring_view text, wint_t (*map)(wint_t, locale_t))
{
    locale_t loc = CaseLocale();
    std::wstring out(text);
    for (auto& c : out) c = static_cast<wchar_t>(map(static_cast<wint_t>(c), loc));
    return out;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c)
{
    if (!IsScalar(c)) c = kReplacement;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::wstring Utf8ToWide(std::string_view text)
{
    std::wstring out;
    out.reserve(text.size());
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = p[i];
        if (b < 0x80) {
            out += static_cast<wchar_t>(b);
            ++i;
            continue;
        }
        // Lead byte: length and the allowed range of the first continuation
        // byte (which rules out overlong forms, surrogates and > U+10FFFF).
        int len;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t c;
        if (b >= 0xC2 && b <= 0xDF) {
            len = 2;
            c = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            len = 3;
            c = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            len = 4;
            c = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            out += EscapeByte(b);  // lone continuation byte, C0/C1, F5..FF
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 1; k < len; ++k, ++j) {
            unsigned char min = k == 1 ? lo : 0x80, max = k == 1 ? hi : 0xBF;
            if (j >= n || p[j] < min || p[j] > max) {
                ok = false;
                break;
            }
            c = (c << 6) | (p[j] & 0x3F);
        }
        // Each byte of a broken sequence is escaped; decoding resumes at the byte that broke it.
        if (ok)
            out += static_cast<wchar_t>(c);
        else
            for (size_t k = i; k < j; ++k) out += EscapeByte(p[k]);
        i = j;
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const CWideChar c = ReadWideChar(text, i);
        i += c.size;
        if (IsEscapedByte(c.code))
            out += static_cast<char>(c.code - 0xDC00);
        else
            AppendUtf8(out, c.code);
    }
    return out;
}

std::wstring CutUtf8Bytes(std::wstring_view text, size_t maxBytes)
{
    size_t bytes = 0, i = 0;
    while (i < text.size()) {
        const CWideChar c = ReadWideChar(text, i);
        bytes += Utf8Size(c.code);
        if (bytes > maxBytes) break;
        i += c.size;
    }
    return std::wstring(text.substr(0, i));
}

std::wstring FormatW(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring out = FormatWV(format, args);
    va_end(args);
    return out;
}

// Walks the format and formats each conversion on its own: strings and
// characters here (so "%s" takes a wide string and "%S" a narrow UTF-8 one,
// as the Windows runtime's wide functions do), numbers through snprintf.
std::wstring FormatWV(const wchar_t* format, va_list argsIn)
{
    std::wstring out;
    if (!format) return out;
    CClassicLocaleScope classic;
    va_list args;
    va_copy(args, argsIn);

    const wchar_t* p = format;
    while (*p) {
        const wchar_t* pct = wcschr(p, L'%');
        if (!pct) {
            out.append(p);
            break;
        }
        out.append(p, pct);
        const wchar_t* start = pct;
        p = pct + 1;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }

        // printf's grammar: flags, width, precision, length, conversion.
        std::string spec = "%";
        bool left = false;
        while (*p && wcschr(L"-+ #0'", *p)) {
            if (*p == L'-') left = true;
            spec += static_cast<char>(*p++);
        }
        int width = 0, precision = -1;
        bool starWidth = false, starPrec = false;
        if (*p == L'*') {
            starWidth = true;
            width = va_arg(args, int);
            if (width < 0) {
                // A negative width pads on the right.
                left = true;
                spec += '-';
                width = width < -kMaxFormatWidth ? kMaxFormatWidth : -width;
            }
            if (width > kMaxFormatWidth) width = kMaxFormatWidth;
            spec += '*';
            ++p;
        } else if (*p >= L'0' && *p <= L'9') {
            width = ReadCount(p);
            spec += std::to_string(width);
        }
        if (*p == L'.') {
            spec += '.';
            ++p;
            precision = 0;
            if (*p == L'*') {
                starPrec = true;
                precision = va_arg(args, int);  // negative: none
                if (precision > kMaxFormatWidth) precision = kMaxFormatWidth;
                spec += '*';
                ++p;
            } else {
                precision = ReadCount(p);
                spec += std::to_string(precision);
            }
        }

        enum ELength { kDefault, kShort, kChar, kLong, kLongLong, kSize, kMax, kDiff, kLongDouble, kWide, kNarrow };
        struct CLengthPrefix {
            const wchar_t* text;
            ELength length;
        };
        // A longer prefix stands before the shorter one it begins with.
        static constexpr CLengthPrefix kLengthPrefixes[] = {
            {L"I64", kLongLong}, {L"I32", kDefault}, {L"I", kSize}, {L"hh", kChar}, {L"ll", kLongLong},
            {L"h", kShort},      {L"l", kLong},      {L"q", kLongLong}, {L"z", kSize}, {L"j", kMax},
            {L"t", kDiff},       {L"L", kLongDouble}, {L"w", kWide}};
        ELength len = kDefault;
        for (const CLengthPrefix& prefix : kLengthPrefixes) {
            const size_t n = wcslen(prefix.text);
            if (wcsncmp(p, prefix.text, n) == 0) {
                len = prefix.length;
                p += n;
                break;
            }
        }

        wchar_t conv = *p;
        if (!conv) {
            out.append(start);  // a lone '%' at the end stays as written
            break;
        }
        ++p;

        switch (conv) {
        case L'%':
            out += L'%';
            break;
        case L's':
        case L'S': {
            bool narrow = conv == L'S' ? (len != kLong && len != kWide) : (len == kShort);
            std::wstring converted;
            std::wstring_view text;
            if (narrow) {
                const char* s = va_arg(args, const char*);
                converted = s ? Utf8ToWide(s) : std::wstring(L"(null)");
                text = converted;
            } else {
                const wchar_t* s = va_arg(args, const wchar_t*);
                text = s ? std::wstring_view(s) : std::wstring_view(L"(null)");
            }
            if (precision >= 0 && static_cast<size_t>(precision) < text.size()) text = text.substr(0, precision);
            AppendPadded(out, text, width, left);
            break;
        }
        case L'c':
        case L'C': {
            int value = va_arg(args, int);
            bool narrow = conv == L'C' ? (len != kLong && len != kWide) : (len == kShort);
            wchar_t ch = narrow ? static_cast<wchar_t>(static_cast<unsigned char>(value)) : static_cast<wchar_t>(value);
            AppendPadded(out, std::wstring_view(&ch, 1), width, left);
            break;
        }
        case L'd':
        case L'i':
        case L'u':
        case L'o':
        case L'x':
        case L'X': {
            char c = static_cast<char>(conv);
            switch (len) {
            case kLongLong:
                AppendNumber(out, (spec + "ll" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, long long));
                break;
            case kLong:
                AppendNumber(out, (spec + "l" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, long));
                break;
            case kSize:
                AppendNumber(out, (spec + "z" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, size_t));
                break;
            case kMax:
                AppendNumber(out, (spec + "j" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, intmax_t));
                break;
            case kDiff:
                AppendNumber(out, (spec + "t" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, ptrdiff_t));
                break;
            case kShort:
                AppendNumber(out, (spec + "h" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, int));
                break;
            case kChar:
                AppendNumber(out, (spec + "hh" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, int));
                break;
            default:
                AppendNumber(out, (spec + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, int));
                break;
            }
            break;
        }
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A': {
            char c = static_cast<char>(conv);
            if (len == kLongDouble)
                AppendNumber(out, (spec + "L" + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, long double));
            else
                AppendNumber(out, (spec + c).c_str(), width, precision, starWidth, starPrec, va_arg(args, double));
            break;
        }
        case L'p':
            AppendNumber(out, (spec + "p").c_str(), width, precision, starWidth, starPrec, va_arg(args, void*));
            break;
        case L'n':
            (void)va_arg(args, void*);  // never written through
            break;
        default:
            out.append(start, p);  // unknown conversion: kept as written
            break;
        }
    }
    va_end(args);
    return out;
}

std::string FormatA(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string out = FormatAV(format, args);
    va_end(args);
    return out;
}

std::string FormatAV(const char* format, va_list args)
{
    if (!format) return {};
    CClassicLocaleScope classic;
    return PrintToString([&](char* buf, size_t size) {
        va_list copy;
        va_copy(copy, args);
        int n = vsnprintf(buf, size, format, copy);
        va_end(copy);
        return n;
    });
}

int CompareNoCaseW(std::wstring_view a, std::wstring_view b)
{
    locale_t loc = CaseLocale();
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        wint_t x = towlower_l(static_cast<wint_t>(a[i]), loc);
        wint_t y = towlower_l(static_cast<wint_t>(b[i]), loc);
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

std::wstring ToLowerW(std::wstring_view text) { return MapCase(text, towlower_l); }
std::wstring ToUpperW(std::wstring_view text) { return MapCase(text, towupper_l); }

// Strict decoding: false on any malformed sequence (a garbled file).
bool Utf8ToWideStrict(std::string_view text, std::wstring& out)
{
    out.clear();
    size_t i = 0;
    while (i < text.size()) {
        auto b = static_cast<unsigned char>(text[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<size_t>(extra) >= text.size())) return false;
        std::uint32_t c = extra == 0 ? b : (b & (0x3F >> extra));
        for (int k = 1; k <= extra; ++k) {
            auto n = static_cast<unsigned char>(text[i + k]);
            if ((n & 0xC0) != 0x80) return false;
            c = (c << 6) | (n & 0x3F);
        }
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        out += static_cast<wchar_t>(c);
        i += extra + 1;
    }
    return true;
}
