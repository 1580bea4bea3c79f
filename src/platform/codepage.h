// Text in a legacy code page (a Windows one such as CP932), decoded by the
// C library's converter.
#pragma once
#include <string>
#include <string_view>

// Strict decoding by the code page's converter name ("CP932"): false when the
// name is unknown or a sequence is no text of that code page.
bool CodePageToWideStrict(std::string_view text, const char* codePage, std::wstring& out);
