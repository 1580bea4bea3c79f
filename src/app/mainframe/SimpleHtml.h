// A small subset of HTML (b, i, u, br, p, body, font, a, span, div, tables)
// turned into RTF, with the character ranges of the links. The RTF stays
// Unicode; the simple HTML control (SimpleHtmlCtrl.h) reads it back.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

using HtmlColour = std::uint32_t;  // 0x00BBGGRR, red in the low byte

// System colours the HTML may name.
constexpr HtmlColour kHtmlWindowColour = 0xFFFFFF;
constexpr HtmlColour kHtmlWindowTextColour = 0x000000;
constexpr HtmlColour kHtmlButtonFaceColour = 0xF0F0F0;
constexpr HtmlColour kHtmlButtonTextColour = 0x000000;

struct CHtmlLink {
    std::wstring address;  // lower case, as the whole tag is read
    int start = 0;         // character positions in the shown text
    int end = 0;           // one past the last character
};

struct CHtmlConversion {
    std::wstring rtf;
    std::vector<std::wstring> fonts;    // font table; 0 is the control's font
    std::vector<HtmlColour> colours;    // colour table; 0 text, 1 background
    std::vector<CHtmlLink> links;
    HtmlColour background = 0;          // a body "bgcolor" changes it
    int length = 0;                     // positions of the shown text (UTF-16 units)
};

struct CHtmlConversionInput {
    std::wstring face;           // the control's font
    int fontHeight = -13;        // its height as the system gives it (negative: character height)
    HtmlColour text = kHtmlWindowTextColour;
    HtmlColour background = kHtmlWindowColour;
    int pixelsPerInch = 96;
};

// False when a closing tag finds no open group: nothing is to be shown then.
bool ConvertHtmlToRtf(const std::wstring& html, const CHtmlConversionInput& input, CHtmlConversion& out);

// The RTF base size in half-points for a font height.
int HtmlBaseFontSize(int fontHeight);
