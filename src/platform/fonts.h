// The scalable fonts installed on the system (fontconfig): one entry per
// family and style, with the name to show and the file of that face.
#pragma once
#include <string>
#include <vector>

struct CInstalledFont {
    std::wstring name;  // "DejaVu Sans Bold"
    std::wstring file;  // "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
};

// Sorted by name; empty when fontconfig cannot be read.
std::vector<CInstalledFont> ListInstalledFonts();
// The file of the font fontconfig gives for a family name (its nearest
// substitute when the family is not installed); empty when none.
std::wstring MatchFontFile(const std::wstring& family);
