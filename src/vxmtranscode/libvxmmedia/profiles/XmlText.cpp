// Text helpers of the XML model: entities, numbers, patterns and UTF forms.
#include "XmlDocument.h"
#include "platform/text.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

bool StartsWith(std::string_view text, std::size_t at, std::string_view what)
{
    return text.size() - at >= what.size() && text.compare(at, what.size(), what) == 0;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A numeric reference after "&#" at pos: appends the character and returns the
// position after the reference, or 0 when the text is no reference.
std::size_t DecodeNumeric(std::string_view text, std::size_t pos, std::string& out)
{
    std::size_t i = pos;
    bool hex = false;
    if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    }
    // The code is a 16-bit unit: keep the low 16 bits of any digit run.
    std::uint32_t code = 0;
    std::size_t digits = 0;
    for (; i < text.size(); ++i, ++digits) {
        int d = hex ? HexDigit(text[i]) : (std::isdigit(static_cast<unsigned char>(text[i])) ? text[i] - '0' : -1);
        if (d < 0)
            break;
        code = (code * (hex ? 16 : 10) + static_cast<std::uint32_t>(d)) & 0xFFFF;
    }
    if (digits == 0)
        return 0;
    if (i < text.size())
        ++i;  // the terminator, normally ';'
    AppendUtf8(out, code == 0 ? 0xFFFD : code);
    return i;
}

// Length of the longest prefix of at most max bytes that ends on a character boundary.
std::size_t Utf8Boundary(std::string_view text, std::size_t max)
{
    if (text.size() <= max)
        return text.size();
    std::size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Where a number's digits start: after leading white space and one sign.
std::size_t NumberStart(std::string_view text, bool& negative)
{
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i]))
        ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    return i;
}

template <typename T>
T ParseInteger(std::string_view text)
{
    bool negative = false;
    std::size_t i = NumberStart(text, negative);
    // Accumulate as a negative number so that the minimum fits; saturate.
    T value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        int d = text[i] - '0';
        if (value < (std::numeric_limits<T>::min() + d) / 10) {
            value = std::numeric_limits<T>::min();
            break;
        }
        value = value * 10 - d;
    }
    if (negative)
        return value;
    return value == std::numeric_limits<T>::min() ? std::numeric_limits<T>::max() : -value;
}

}  // namespace

XML_VERSION XmlGetVersion()
{
    return XML_VERSION{};
}

std::string XmlDecodeEntities(std::string_view source, std::size_t maxBytes)
{
    std::string out;
    out.reserve(source.size());
    static constexpr struct {
        std::string_view name;
        char ch;
    } kNamed[] = {{"amp;", '&'}, {"quot;", '"'}, {"apos;", '\''}, {"lt;", '<'}, {"gt;", '>'}};

    std::size_t i = 0;
    while (i < source.size() && out.size() < maxBytes) {
        std::size_t amp = source.find('&', i);
        if (amp == std::string_view::npos)
            amp = source.size();
        out.append(source, i, amp - i);
        i = amp;
        if (i >= source.size())
            break;
        ++i;  // past '&'
        bool done = false;
        for (const auto& e : kNamed) {
            if (StartsWith(source, i, e.name)) {
                out += e.ch;
                i += e.name.size();
                done = true;
                break;
            }
        }
        if (!done && i < source.size() && source[i] == '#') {
            if (std::size_t next = DecodeNumeric(source, i + 1, out)) {
                i = next;
                done = true;
            }
        }
        if (!done)
            out += '&';
    }
    if (out.size() > maxBytes)
        out.resize(Utf8Boundary(out, maxBytes));
    return out;
}

std::string XmlEncodeEntities(std::string_view source)
{
    std::string out;
    out.reserve(source.size() + source.size() / 8);
    for (std::size_t i = 0; i < source.size(); ++i) {
        char c = source[i];
        switch (c) {
        case '&':
            if (i + 1 < source.size() && source[i + 1] == '#')
                out += '&';
            else
                out += "&amp;";
            break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c; break;
        }
    }
    return out;
}

bool XmlMatchPattern(std::string_view text, std::string_view pattern)
{
    // Greedy match with one backtrack point: linear in practice, never exponential.
    auto fold = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
    std::size_t t = 0, p = 0;
    std::size_t starP = std::string_view::npos, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || (pattern[p] != '*' && fold(pattern[p]) == fold(text[t])))) {
            ++t;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starT = t;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            t = ++starT;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

bool XmlIsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view XmlTrimRight(std::string_view s)
{
    while (!s.empty() && XmlIsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view XmlTrim(std::string_view s)
{
    while (!s.empty() && XmlIsBlank(s.front()))
        s.remove_prefix(1);
    return XmlTrimRight(s);
}

int XmlParseInt(std::string_view text)
{
    return ParseInteger<int>(text);
}

std::int64_t XmlParseInt64(std::string_view text)
{
    return ParseInteger<std::int64_t>(text);
}

double XmlParseFloat(std::string_view text)
{
    bool negative = false;
    std::size_t i = NumberStart(text, negative);
    double value = 0.0;
    auto res = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range)
        value = HUGE_VAL;
    else if (res.ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

namespace {

// A high surrogate in `c` followed by the low surrogate `lo` becomes the one
// code point they stand for; true when they were joined.
bool JoinSurrogates(char32_t& c, char32_t lo)
{
    if (c < 0xD800 || c > 0xDBFF || lo < 0xDC00 || lo > 0xDFFF) return false;
    c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
    return true;
}

}  // namespace

std::string XmlWideToUtf8(std::wstring_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (i + 1 < text.size() && JoinSurrogates(c, static_cast<char32_t>(text[i + 1]))) ++i;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string XmlUtf16LeToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 2);
    std::size_t units = bytes.size() / 2;  // a trailing odd byte is dropped
    auto unit = [&](std::size_t k) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * k]) |
                                     (static_cast<unsigned char>(bytes[2 * k + 1]) << 8));
    };
    for (std::size_t k = 0; k < units; ++k) {
        char32_t c = unit(k);
        if (k + 1 < units && JoinSurrogates(c, unit(k + 1))) ++k;
        AppendUtf8(out, c);
    }
    return out;
}

std::string XmlUtf8ToUtf16Le(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char b = static_cast<unsigned char>(text[i]);
        char32_t c;
        std::size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        } else {
            put(0xFFFD);
            ++i;
            continue;
        }
        bool ok = i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            unsigned char cb = static_cast<unsigned char>(text[i + k]);
            if ((cb & 0xC0) != 0x80)
                ok = false;
            else
                c = (c << 6) | (cb & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            put(0xFFFD);
            ++i;
            continue;
        }
        i += len;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(0xD800 + (c >> 10));
            put(0xDC00 + (c & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}
