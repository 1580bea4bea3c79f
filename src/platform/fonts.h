// The scalable fonts installed on the system (fontconfig): one entry per
// font file and face, with the name to show.
#pragma once
#include <string>
#include <vector>

struct CInstalledFont {
    std::wstring name;  // "DejaVu Sans Bold"
    std::wstring file;  // "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
};

// Sorted by name; empty when fontconfig cannot be read.
std::vector<CInstalledFont> ListInstalledFonts();
