// Text conversion between UTF-8 and wide strings, and printf-style formatting.
#pragma once
#include <cstdarg>
#include <string>
#include <string_view>

// Invalid input never throws. Bytes that are not UTF-8 (a file name in
// another encoding) are carried as U+DC80..U+DCFF and written back as the
// same bytes, so every byte string survives Utf8ToWide and WideToUtf8.
// Other wide values that are no character become U+FFFD.
std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);
// Strict decoding for stored files: false on any malformed sequence.
bool Utf8ToWideStrict(std::string_view text, std::wstring& out);

// The longest start of `text` whose UTF-8 form (as WideToUtf8 writes it) has
// at most `maxBytes` bytes, cut between characters: a file name's limit is in
// bytes. A carried byte (U+DC80..U+DCFF) counts as the one byte it stands for.
std::wstring CutUtf8Bytes(std::wstring_view text, size_t maxBytes);

// Wide formatting with the Windows runtime's conventions, which the code
// base's format strings use: in a wide format "%s" is a wide string and "%S"
// a narrow one, "%c" a wide character; "%I64d"/"%I64u" are 64-bit.
// "%ls"/"%hs" work too. Narrow strings are read as UTF-8. Numbers come out as
// in the "C" locale (a '.' decimal point) whatever the process locale; "%ld"
// takes a `long`, which is 64-bit here.
std::wstring FormatW(const wchar_t* format, ...);
std::wstring FormatWV(const wchar_t* format, va_list args);
// Narrow formatting (plain C conventions).
std::string FormatA(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatAV(const char* format, va_list args);

// Appends one code point as UTF-8; a surrogate or a value past U+10FFFF
// becomes U+FFFD.
void AppendUtf8(std::string& out, char32_t c);

// Case-insensitive comparison of wide texts (simple case folding).
int CompareNoCaseW(std::wstring_view a, std::wstring_view b);
std::wstring ToLowerW(std::wstring_view text);
std::wstring ToUpperW(std::wstring_view text);
