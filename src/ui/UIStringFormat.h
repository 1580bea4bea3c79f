// Formatting of translated texts that carry printf placeholders: a
// translation is used only when its placeholders take the same arguments
// as the English text; otherwise the English text is used, so a bad
// translation can never read the wrong arguments.
#pragma once
#include <cstdarg>
#include <string>

// The widest width or precision the formatter (FormatW) takes.
inline constexpr int kMaxFormatWidth = 65536;

// The kinds of the arguments a format consumes, in order (one letter per
// argument, with its length prefix); false when the format is malformed
// (a lone '%', an unknown conversion, "%n", positional arguments, or a
// written width or precision above kMaxFormatWidth).
bool GetFormatSignature(const std::wstring& format, std::wstring* signature);
// True when both formats are well formed and take the same arguments.
bool HasSameFormatSignature(const std::wstring& translated, const std::wstring& english);

// Formats with `translated` when it matches `english`, else with `english`.
std::wstring FormatCheckedV(const std::wstring& translated, const std::wstring& english, va_list args);
std::wstring FormatChecked(const std::wstring& translated, const std::wstring& english, ...);
