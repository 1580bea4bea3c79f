#include "SimpleHtml.h"

#include "platform/text.h"

#include <algorithm>
#include <climits>
#include <cwctype>
#include <optional>

namespace {

constexpr size_t kMaxTag = 127;
constexpr size_t kMaxValue = 127;
constexpr size_t kMaxFace = 31;
constexpr size_t kMaxAddress = 127;

struct CFormatState {
    std::wstring face;
    int size = 24;
    int colour = 0;
    int highlight = 1;
    int left = 0, right = 0, top = 0, bottom = 0;
};

enum class EGroup { None, Open, Close };

// An attribute's value: after "=" (HTML form) or ":" (style form). In HTML
// form a name without "=" is present with an empty value.
std::optional<std::wstring> ReadAttribute(const std::wstring& attributes, const std::wstring& name, bool styleForm,
                                          size_t from = 0)
{
    const size_t at = attributes.find(name, from);
    if (at == std::wstring::npos) return std::nullopt;
    size_t p = at + name.size();
    while (p < attributes.size() && std::iswspace(attributes[p])) ++p;
    const wchar_t sign = styleForm ? L':' : L'=';
    if (p >= attributes.size() || attributes[p] != sign) {
        if (styleForm) return std::nullopt;
        return std::wstring();
    }
    ++p;
    while (p < attributes.size() && std::iswspace(attributes[p])) ++p;
    std::wstring value;
    if (p < attributes.size() && (attributes[p] == L'"' || attributes[p] == L'\'')) {
        const wchar_t quote = attributes[p++];
        while (p < attributes.size() && attributes[p] != quote) value += attributes[p++];
    } else {
        while (p < attributes.size() && (std::iswalnum(attributes[p]) || attributes[p] == L'-')) value += attributes[p++];
    }
    if (value.size() > kMaxValue) value.resize(kMaxValue);
    return value;
}

// Pixels in twips, kept within what an RTF number holds.
long long Twips(long long pixels, int twipsPerPixel)
{
    return std::clamp<long long>(pixels * twipsPerPixel, INT_MIN, INT_MAX);
}

// A face name as the RTF font table can hold it: its entries end at ';' and
// its groups at braces, so those (and backslashes and control characters)
// are no part of a name.
std::wstring FontTableName(const std::wstring& face)
{
    std::wstring name;
    for (wchar_t c : face)
        if (c >= 0x20 && c != 0x7F && c != L';' && c != L'{' && c != L'}' && c != L'\\') name += c;
    return name;
}

// Ends with a control word that has no delimiter yet ("\\li120"): text that
// follows would be read as part of it.
bool EndsWithControlWord(const std::wstring& fragment)
{
    size_t at = fragment.size();
    while (at > 0 && std::iswdigit(fragment[at - 1])) --at;
    if (at > 0 && fragment[at - 1] == L'-') --at;
    const size_t letters = at;
    while (at > 0 && fragment[at - 1] >= L'a' && fragment[at - 1] <= L'z') --at;
    return at < letters && at > 0 && fragment[at - 1] == L'\\';
}

int Number(const std::wstring& value)
{
    size_t p = 0;
    bool negative = false;
    if (p < value.size() && (value[p] == L'-' || value[p] == L'+')) negative = value[p++] == L'-';
    long long n = 0;
    while (p < value.size() && value[p] >= L'0' && value[p] <= L'9' && n < 100000000) n = n * 10 + (value[p++] - L'0');
    if (p != value.size()) return 0;  // not a whole number
    return static_cast<int>(negative ? -n : n);
}

HtmlColour ParseColour(const std::wstring& value)
{
    if (!value.empty() && value[0] == L'#') {
        const unsigned long rgb = std::wcstoul(value.c_str() + 1, nullptr, 16) & 0xFFFFFF;
        return static_cast<HtmlColour>(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    }
    if (value == L"window") return kHtmlWindowColour;
    if (value == L"windowtext") return kHtmlWindowTextColour;
    if (value == L"buttonface") return kHtmlButtonFaceColour;
    if (value == L"buttontext") return kHtmlButtonTextColour;
    return 0;
}

int SizeOfHtmlSize(int size)
{
    switch (size) {
    case 1: return 15;
    case 2: return 20;
    case 4: return 27;
    case 5: return 36;
    case 6: return 48;
    case 7: return 72;
    default: return 24;
    }
}

class CConverter {
public:
    CConverter(const CHtmlConversionInput& input, CHtmlConversion& out) : m_out(out)
    {
        m_out = CHtmlConversion();
        m_out.fonts.push_back(input.face);
        m_out.colours = {input.text, input.background};
        m_out.background = input.background;
        m_twips = 1440 / (input.pixelsPerInch > 0 ? input.pixelsPerInch : 96);
        m_out.fonts.front() = FontTableName(input.face);
        m_state.face = m_out.fonts.front().substr(0, kMaxFace);
        m_state.size = HtmlBaseFontSize(input.fontHeight);
    }

    bool Body(const std::wstring& html, std::wstring& body)
    {
        size_t i = 0;
        while (true) {
            while (i < html.size() && html[i] != L'<') Text(html, i, body);
            m_out.length = m_count;
            if (i >= html.size()) return true;
            const size_t close = html.find(L'>', i + 1);
            std::wstring tag = html.substr(i + 1, close == std::wstring::npos ? std::wstring::npos : close - i - 1);
            if (tag.size() > kMaxTag) tag.resize(kMaxTag);
            for (wchar_t& c : tag) c = static_cast<wchar_t>(std::towlower(c));
            if (!Tag(tag, body)) return false;
            m_out.length = m_count;
            if (close == std::wstring::npos) return true;  // cut off: handled, and the end
            i = close + 1;
        }
    }

private:
    void Text(const std::wstring& html, size_t& i, std::wstring& out)
    {
        const wchar_t c = html[i++];
        switch (c) {
        case L' ':
        case L'\t':
            if (!m_lineStart && !m_white) {
                out += L' ';
                ++m_count;
            }
            m_white = true;
            return;
        case L'\n':
            if (!m_white) {
                out += L' ';
                ++m_count;
            }
            return;
        case L'\r':
            return;
        case L'&': {
            static const struct {
                const wchar_t* name;
                const wchar_t* text;
            } entities[] = {{L"&nbsp;", L"\\~"}, {L"&quot;", L"\""}, {L"&amp;", L"&"}, {L"&lt;", L"<"}, {L"&gt;", L">"}};
            for (const auto& entity : entities) {
                const size_t length = std::wcslen(entity.name);
                if (CompareNoCaseW(html.substr(i - 1, length), entity.name) == 0) {
                    out += entity.text;
                    ++m_count;
                    m_white = false;
                    i += length - 1;
                    return;
                }
            }
            break;  // an "&" of no entity stands for itself
        }
        case L'\\':
            out += L"\\\\";
            ++m_count;
            m_white = false;
            return;
        case L'{':
        case L'}':
            out += L'\\';
            out += c;
            ++m_count;
            m_white = false;
            return;
        default:
            break;
        }
        // Positions count UTF-16 units, as the shown document does: a
        // character beyond U+FFFF takes two. No character at all shows as U+FFFD.
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += L'\uFFFD';
            ++m_count;
        } else {
            out += c;
            m_count += c > 0xFFFF ? 2 : 1;
        }
        m_white = m_lineStart = false;
    }

    int ColourIndex(HtmlColour colour)
    {
        for (size_t i = 0; i < m_out.colours.size(); ++i)
            if (m_out.colours[i] == colour) return static_cast<int>(i);
        m_out.colours.push_back(colour);
        return static_cast<int>(m_out.colours.size() - 1);
    }

    int FontIndex(const std::wstring& face)
    {
        for (size_t i = 0; i < m_out.fonts.size(); ++i)
            if (CompareNoCaseW(m_out.fonts[i], face) == 0) return static_cast<int>(i);
        m_out.fonts.push_back(face);
        return static_cast<int>(m_out.fonts.size() - 1);
    }

    void Breaks() { m_lineStart = m_white = true; }

    bool Tag(const std::wstring& tag, std::wstring& out)
    {
        size_t n = 0;
        while (n < tag.size() && (tag[n] == L'/' || std::iswalnum(tag[n]))) ++n;
        const std::wstring name = tag.substr(0, n);
        size_t a = n;
        while (a < tag.size() && std::iswspace(tag[a])) ++a;
        const std::wstring attributes = tag.substr(a);

        const CFormatState previous = m_state;
        const bool wasLineStart = m_lineStart;
        m_lineStart = false;
        std::wstring fragment;
        EGroup group = EGroup::None;
        auto attribute = [&](const wchar_t* key) { return ReadAttribute(attributes, key, false); };

        if (name == L"b" || name == L"strong") fragment = L"\\b1 ";
        else if (name == L"i") fragment = L"\\i1 ";
        else if (name == L"u") fragment = L"\\ul1 ";
        else if (name == L"br") {
            fragment = L"\\line ";
            ++m_count;
            Breaks();
        } else if (name == L"p") {
            if (!wasLineStart) {
                fragment = L"\\par";
                ++m_count;
            }
            fragment += L"\\par ";
            ++m_count;
            Breaks();
        } else if (name == L"body") {
            m_state.left = m_state.right = m_state.top = m_state.bottom = 8;
            if (auto v = attribute(L"leftmargin")) m_state.left = Number(*v);
            if (auto v = attribute(L"rightmargin")) m_state.right = Number(*v);
            if (auto v = attribute(L"topmargin")) m_state.top = Number(*v);
            if (auto v = attribute(L"bottommargin")) m_state.bottom = Number(*v);
            if (auto v = attribute(L"bgcolor")) {
                m_out.background = ParseColour(*v);
                m_state.highlight = ColourIndex(m_out.background);
            }
            fragment = FormatW(L"\\margt%lld\\margb%lld\\li%lld\\ri%lld", Twips(m_state.top, m_twips),
                               Twips(m_state.bottom, m_twips), Twips(m_state.left, m_twips), Twips(m_state.right, m_twips));
            group = EGroup::Open;
        } else if (name == L"font") {
            if (auto v = attribute(L"color")) m_state.colour = ColourIndex(ParseColour(*v));
            if (auto v = attribute(L"size")) m_state.size = SizeOfHtmlSize(Number(*v));
            if (auto v = attribute(L"face")) m_state.face = FontTableName(*v).substr(0, kMaxFace);
            group = EGroup::Open;
        } else if (name == L"a") {
            if (auto v = attribute(L"href")) {
                m_linkAddress = v->substr(0, kMaxAddress);
                m_linkStart = m_count;
                m_hasLink = true;
            }
            group = EGroup::Open;
        } else if (name == L"span") {
            group = EGroup::Open;
        } else if (name == L"div") {
            if (!wasLineStart) {
                fragment = L"\\par ";
                ++m_count;
                Breaks();
            }
            if (auto v = attribute(L"align")) {
                if (*v == L"center") fragment += L"\\qc ";
                else if (*v == L"left") fragment += L"\\ql ";
                else if (*v == L"right") fragment += L"\\qr ";
                else if (*v == L"justify") fragment += L"\\qj ";
            }
            if (attribute(L"nowrap")) fragment += L"\\nowwrap ";
            group = EGroup::Open;
        } else if (name == L"table") {
            const int border = attribute(L"border") ? Number(*attribute(L"border")) : 0;
            fragment = L"\\par\\trowd \\trgaph108\\trleft-108";
            for (const wchar_t* side : {L"t", L"l", L"b", L"r"}) fragment += FormatW(L"\\trbrdr%s\\brdrs\\brdrw%d ", side, border);
            ++m_count;
            m_white = true;
            m_cellEdge = 0;
            group = EGroup::Open;
        } else if (name == L"col") {
            const long width = attribute(L"width") ? Number(*attribute(L"width")) : 0;
            m_cellEdge = std::clamp<long long>(m_cellEdge + Twips(width, m_twips), INT_MIN, INT_MAX);
            fragment = L"\\clbrdrt\\brdrw15\\brdrs\\clbrdrl\\brdrw15\\brdrs\\clbrdrb\\brdrw15\\brdrs\\clbrdrr\\brdrw15\\brdrs" +
                       FormatW(L"\\cellx%lld", m_cellEdge);
            m_white = true;
        } else if (name == L"tr") {
            fragment = L"\\intbl ";
            m_white = true;
        } else if (name == L"td") {
            fragment = L"\\par ";
            ++m_count;
            m_white = true;
        } else if (name == L"/b" || name == L"/strong") fragment = L"\\b0 ";
        else if (name == L"/i") fragment = L"\\i0 ";
        else if (name == L"/u") fragment = L"\\ulnone ";
        else if (name == L"/tr" || name == L"/td") {
            fragment = name == L"/tr" ? L"\\row " : L"\\cell ";
            ++m_count;
            m_white = true;
        } else if (name == L"/body" || name == L"/font" || name == L"/span") {
            group = EGroup::Close;
        } else if (name == L"/a") {
            // Only a link that an "href" opened is recorded.
            if (m_hasLink) m_out.links.push_back({m_linkAddress, m_linkStart, m_count});
            m_hasLink = false;
            group = EGroup::Close;
        } else if (name == L"/div") {
            fragment = L"\\par ";
            ++m_count;
            Breaks();
            group = EGroup::Close;
        } else if (name == L"/table") {
            Breaks();
            group = EGroup::Close;
        }

        if (group == EGroup::Open && attributes.find(L"style=") != std::wstring::npos) {
            if (auto v = ReadAttribute(attributes, L"color", true)) m_state.colour = ColourIndex(ParseColour(*v));
            if (auto v = ReadAttribute(attributes, L"background-color", true)) m_state.highlight = ColourIndex(ParseColour(*v));
        }

        if (group == EGroup::Open) {
            m_stack.push_back(previous);
            out += L"{" + fragment;
            bool any = false;
            if (m_state.colour != previous.colour) out += FormatW(L"\\cf%d", m_state.colour + 1), any = true;
            if (m_state.highlight != previous.highlight) out += FormatW(L"\\highlight%d", m_state.highlight + 1), any = true;
            if (m_state.size != previous.size) out += FormatW(L"\\fs%d", m_state.size), any = true;
            if (m_state.face != previous.face) out += FormatW(L"\\f%d", FontIndex(m_state.face)), any = true;
            if (any || EndsWithControlWord(fragment)) out += L" ";
        } else if (group == EGroup::Close) {
            if (m_stack.empty()) return false;
            m_state = m_stack.back();
            m_stack.pop_back();
            out += fragment + L"}\r\n";
        } else {
            out += fragment;
            if (EndsWithControlWord(fragment)) out += L" ";
        }
        return true;
    }

    CHtmlConversion& m_out;
    CFormatState m_state;
    std::vector<CFormatState> m_stack;
    int m_twips = 15;
    int m_count = 0;
    bool m_lineStart = false;
    bool m_white = true;
    long long m_cellEdge = 0;
    std::wstring m_linkAddress;
    int m_linkStart = 0;
    bool m_hasLink = false;
};

}  // namespace

int HtmlBaseFontSize(int p)
{
    if (p >= 36) return 72;
    if (p >= 24) return 48;
    if (p >= 18) return 36;
    if (p >= 16) return 32;
    if (p >= 14) return 28;
    if (p >= 12) return 24;
    if (p >= 10) return 20;
    if (p >= 8) return 18;
    return 24;
}

bool ConvertHtmlToRtf(const std::wstring& html, const CHtmlConversionInput& input, CHtmlConversion& out)
{
    CConverter converter(input, out);
    std::wstring body;
    body.reserve(std::max<size_t>(2000, html.size() * 2));
    if (!converter.Body(html, body)) {
        out = CHtmlConversion();
        return false;
    }
    std::wstring& rtf = out.rtf;
    rtf = L"{\\rtf1\\ansi\\deff0{\\fonttbl";
    for (size_t i = 0; i < out.fonts.size(); ++i)
        rtf += FormatW(L"{\\f%d\\fnil\\fcharset0 %s;}", static_cast<int>(i), out.fonts[i].c_str());
    rtf += L"}{\\colortbl ;";
    for (HtmlColour c : out.colours) rtf += FormatW(L"\\red%d\\green%d\\blue%d;", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    // A space ends the size's control word: the body's first digits are text.
    rtf += L"}\\pard\\plain\\tx0" + FormatW(L"\\fs%d ", HtmlBaseFontSize(input.fontHeight)) + body + L"}";
    return true;
}
