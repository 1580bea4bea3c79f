#!/bin/sh
# Lists conversions between std::filesystem::path and wide or UTF-8 text made
# outside src/platform, which holds the one conversion (PathFromWide,
# WideFromPath): path::wstring() and a path made from wide text throw on any
# name past ASCII. Fails when there is one.
# Usage: wide_paths_outside_platform.sh <source root>
root="$1"
wide='\.(generic_)?wstring[[:space:]]*\(|path[[:space:]]*[({][[:space:]]*(L"|std::wstring|std::wstring_view)|[^/]/[[:space:]]*L"|path[[:space:]]*[({][[:space:]]*WideToUtf8[[:space:]]*\(|Utf8ToWide[[:space:]]*\([^()]*\.(string|native|u8string|generic_string)[[:space:]]*\([[:space:]]*\)[[:space:]]*\)'
found=$(cd "$root" && grep -rnE "$wide" --include='*.cpp' --include='*.h' --include='*.c' src include tests |
        grep -v '^src/platform/')
[ -z "$found" ] && exit 0
printf '%s\n' "$found"
exit 1
