#include "FilterText.h"

#include <fontconfig/fontconfig.h>

#include "platform/text.h"

namespace {

bool IsOptionBlank(wchar_t c)
{
    return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r';
}

// Escapes for the three readers, innermost first (see the header).
std::wstring EscapeForFilter(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\'') {
            // Leave the graph parser's quotes, write \' for the option
            // parser as \\ and \' , and quote again.
            out += L"'\\\\\\''";
            continue;
        }
        const bool atEnd = i == 0 || i + 1 == text.size();
        if (c == L'\\' || c == L':' || c == L'=' || (atEnd && IsOptionBlank(c)))
            out += L'\\';
        out += c;
    }
    return out;
}

// Inside a double-quoted command-line argument: \" for a quote, and the
// backslashes before it doubled.
std::wstring EscapeForCommandLine(const std::wstring& text)
{
    std::wstring out;
    out.reserve(text.size() + 8);
    size_t run = 0;
    for (wchar_t c : text) {
        if (c == L'\\') {
            ++run;
            out += c;
            continue;
        }
        if (c == L'"') {
            out.append(run + 1, L'\\');
        }
        run = 0;
        out += c;
    }
    return out;
}


}  // namespace

std::wstring EscapeFilterText(const std::wstring& text)
{
    return EscapeForCommandLine(EscapeForFilter(text));
}

void EscapeFilterPath(std::wstring& path)
{
    path = EscapeFilterText(path);
}

std::wstring FindFontFile(const char* family)
{
    std::wstring result;
    FcConfig* config = FcInitLoadConfigAndFonts();
    if (!config)
        return result;
    FcPattern* pattern = FcNameParse(reinterpret_cast<const FcChar8*>(family));
    if (pattern) {
        FcConfigSubstitute(config, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult res = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, pattern, &res);
        if (match) {
            FcChar8* file = nullptr;
            if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file)
                result = Utf8ToWide(reinterpret_cast<const char*>(file));
            FcPatternDestroy(match);
        }
        FcPatternDestroy(pattern);
    }
    FcConfigDestroy(config);
    return result;
}

std::wstring GetDefaultSubtitleFontFile()
{
    static const std::wstring font = [] {
        std::wstring found = FindFontFile("Tahoma");
        return found.empty() ? std::wstring(L"/usr/share/fonts/tahoma.ttf") : found;
    }();
    return font;
}

std::wstring BuildSubtitleStyle(BOOL forConversion, const VXM_SUBTITLE_STYLE& style)
{
    std::wstring out;
    if (style.nPosition >= -20 && style.nPosition <= 100)
        out += FormatW(L":position=%d", style.nPosition);
    if (style.nScale != 100 && style.nScale >= 0 && style.nScale <= 500)
        out += FormatW(L":scale=%0.2f", style.nScale / 100.0);

    std::wstring block;
    if (style.bForceColor)
        block += L",PrimaryColour=" + FormatW(L"&H%x", style.nPrimaryColour);
    if (style.bForceShadow)
        block += FormatW(L",Shadow=%d", style.nShadow);
    // Unforced, the file's own outline (or the reader's, for plain text) stands.
    if (style.bForceOutLine)
        block += FormatW(L",OutLine=%d,OutLineColour=&H%x", style.nOutLine, style.nOutLineColor);
    if (style.bForceBold)
        block += L",Bold=1";
    if (style.bForceItalic)
        block += L",Italic=1";
    if (style.bForceUnderline)
        block += L",Underline=1";
    if (style.bForceStrikeOut)
        block += L",StrikeOut=1";
    if (!block.empty())
        out += L":force_style='" + block + L"'";

    if (style.nPixelAspect != 0)
        out += FormatW(L":pixel_aspect=%d", style.nPixelAspect);
    if (style.nLineSpacing != 0)
        out += FormatW(L":line_spacing=%d", style.nLineSpacing);
    if (!forConversion)
        out += FormatW(L":encoding=%d", 2);
    else if (style.nEncoding > 1)
        out += FormatW(L":encoding=%d", style.nEncoding);

    const std::wstring font = style.strFontFile.empty() ? GetDefaultSubtitleFontFile() : style.strFontFile;
    out += L":font='" + EscapeFilterText(font) + L"'";
    return out;
}

std::wstring BuildSubtitleFilterArg(const std::wstring& subtitlePath, const VXM_SUBTITLE_STYLE& style)
{
    return EscapeFilterText(subtitlePath) + L"'" + BuildSubtitleStyle(TRUE, style);
}
