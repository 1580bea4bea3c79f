// Text in a legacy code page (a Windows one such as CP932): the code pages a
// subtitle or cue file may be written in, by the Windows numbers the settings
// store, with the text shown for each and the name the C library's
// converter (iconv, and so the player's "-subcp" and FFmpeg's "sub_charenc")
// knows it by; and strict decoding through that converter.
#pragma once
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

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

// Strict decoding by the code page's converter name ("CP932"): false when the
// name is unknown or a sequence is no text of that code page.
bool CodePageToWideStrict(std::string_view text, const char* codePage, std::wstring& out);
// The same into UTF-8.
bool CodePageToUtf8Strict(std::string_view text, const char* codePage, std::string& out);
