// Paths and wide text: the one conversion between std::filesystem::path and
// std::wstring. A path holds the file system's bytes; the wide text holds
// them as Utf8ToWide does (bytes that are not UTF-8 as U+DC80..U+DCFF), so
// every name survives the round trip whatever the process locale.
// std::filesystem::path(std::wstring) and path::wstring() are never used:
// with the C++ "C" locale they throw on any character past ASCII.
#pragma once
#include <filesystem>
#include <string>
#include <string_view>

std::filesystem::path PathFromWide(std::wstring_view text);
std::wstring WideFromPath(const std::filesystem::path& path);
