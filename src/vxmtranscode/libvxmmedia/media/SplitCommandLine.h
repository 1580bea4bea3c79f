// Command-line text: splitting a line into arguments and quoting one argument.
// The rules are those of the Windows C runtime, which the engine's command
// lines are written for:
// - white space outside quotes separates arguments;
// - a double quote starts or ends a quoted part; inside quotes a doubled
//   quote ("") gives one literal quote;
// - 2n backslashes before a quote give n backslashes (the quote is a quote),
//   2n+1 give n backslashes and a literal quote; other backslashes are literal;
// - an empty quoted part gives an empty argument; a lone opening quote at the
//   very end gives none.
#pragma once
#include <string>
#include <string_view>
#include <vector>

std::vector<std::string> SplitCommandLine(std::string_view text);
std::vector<std::wstring> SplitCommandLine(std::wstring_view text);

// The text escaped for use between double quotes: quotes become \" and the
// backslashes before a quote (or before the closing quote) are doubled.
std::wstring EscapeQuotedArgument(std::wstring_view text);
// One argument in double quotes: SplitCommandLine gives the text back unchanged.
std::wstring QuoteArgument(std::wstring_view text);
// True when text is exactly one double-quoted argument ("..." with no
// unescaped quote inside).
bool IsQuotedArgument(std::wstring_view text);
