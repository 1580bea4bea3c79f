#pragma once
// Code pages a subtitle file may be written in: the Windows code-page numbers
// the settings store, the text shown for each, and the name glibc's iconv
// (and so the player's "-subcp") knows it by.
#include <cstddef>
#include <span>
#include <string>

struct VXM_CODE_PAGE {
    unsigned int number;     // Windows code-page number, the stored value
    const wchar_t* name;     // shown text, beginning with the number
    const char* iconvName;   // glibc iconv name
};

// Two fixed rows first (0 Unicode, 1 UTF-8), then every other code page
// in number order; 65001 (UTF-8 again) is not a row of its own.
std::span<const VXM_CODE_PAGE> CodePageTable();

// The row of a number; null when the table has none.
const VXM_CODE_PAGE* FindCodePage(unsigned int number);

// The iconv name of a number; UTF-8 for 65001; empty when unknown.
std::string CodePageIconvName(unsigned int number);

// The leading number of a shown text ("1252 (ANSI - Latin I)" gives 1252);
// 0 when the text does not begin with a digit.
unsigned int CodePageNumberOfText(const std::wstring& text);
