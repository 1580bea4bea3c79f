// Reading the small INI files the update server hands out ("[General]",
// "key=value" lines, ';' or '#' comments; UTF-8, a byte-order mark allowed).
#pragma once
#include <optional>
#include <string>

// The value of `key` in `section` (names compared without regard to case);
// none when the file, the section or the key is missing.
std::optional<std::wstring> ReadIniValue(const std::wstring& path, const std::wstring& section, const std::wstring& key);
// A decimal value; `fallback` when missing or not a number.
int ReadIniInt(const std::wstring& path, const std::wstring& section, const std::wstring& key, int fallback);
