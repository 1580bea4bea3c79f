// Texts for FFmpeg filter arguments: escaped file names and the style
// options of the subtitle filters.
//
// An escaped text is written between the single quotes of a filter option
// value, inside a double-quoted command-line argument, for example
//   -vf "subtitles='<escaped>'"
// Three readers take it apart in turn, and the escape undoes each of them:
// the command-line splitter (\" and backslashes before a quote), the filter
// graph parser (single quotes: a quote in the name closes, escapes and reopens
// them) and the filter option parser (\\ \' \: \= and white space at the ends).
// Any file name comes through unchanged.
#pragma once
#include <string>

#include "platform/types.h"

std::wstring EscapeFilterText(const std::wstring& text);
// The same escape in place, for paths written into "movie='%s'" and similar.
void EscapeFilterPath(std::wstring& path);

// A subtitle position that is left out: the lines stay where the file puts them.
constexpr int VXM_SUB_POSITION_OWN = -1000;

// The subtitle settings of the engine (kept by the profile manager).
struct VXM_SUBTITLE_STYLE {
    int nPosition = 10;      // -20..100 written, else left out
    int nScale = 100;        // percent; 0..500 but 100 written
    int nEncoding = 1;
    std::wstring strFontFile;  // empty: the default subtitle font
    BOOL bForceColor = FALSE;
    int nPrimaryColour = 0;
    BOOL bForceShadow = FALSE;
    int nShadow = 0;
    BOOL bForceOutLine = FALSE;
    int nOutLine = 0;
    int nOutLineColor = 0;
    BOOL bForceBold = FALSE;
    BOOL bForceItalic = FALSE;
    BOOL bForceUnderline = FALSE;
    BOOL bForceStrikeOut = FALSE;
    int nPixelAspect = 0;
    int nLineSpacing = 0;
};

// The font file used when the setting is empty: the system's match for
// Tahoma (fontconfig), or "/usr/share/fonts/tahoma.ttf" when none is found.
// File of the font fontconfig matches for a family name; empty when none.
std::wstring FindFontFile(const char* family);
std::wstring GetDefaultSubtitleFontFile();

// ":position=..:force_style='..'..:font='..'" for the subtitle filter;
// forConversion FALSE is the preview's form (encoding always 2).
std::wstring BuildSubtitleStyle(BOOL forConversion, const VXM_SUBTITLE_STYLE& style);
// EscapeFilterText(path) + "'" + BuildSubtitleStyle(TRUE, style); the caller
// writes it after its own "subtitles='".
std::wstring BuildSubtitleFilterArg(const std::wstring& subtitlePath, const VXM_SUBTITLE_STYLE& style);
