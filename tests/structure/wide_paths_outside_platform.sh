#!/bin/sh
# Lists conversions between std::filesystem::path and wide text made outside
# src/platform, which holds the one conversion (PathFromWide, WideFromPath):
# path::wstring() and a path made from wide text throw on any name past
# ASCII. Product code (src, include) also makes no conversion of its own
# through UTF-8. Fails when there is one. Conversions the compiler makes
# without a name in the source are found in the objects by
# wide_path_conversions_linked.sh.
# Usage: wide_paths_outside_platform.sh <source root>
root="$1"
id='[A-Za-z_][A-Za-z0-9_]*'
made="path[[:space:]]*(${id}[[:space:]]*)?[({][[:space:]]*"
throwing="\\.(generic_)?wstring[[:space:]]*\\(|${made}(L\"|std::wstring)|[^/]/[[:space:]]*L\""
ownUtf8="${made}WideToUtf8[[:space:]]*\\(|Utf8ToWide[[:space:]]*\\(.*\\.(string|native|generic_string)[[:space:]]*\\([[:space:]]*\\)[[:space:]]*\\)"
cd "$root" || exit 2
found=$( (grep -rnE "$throwing" --include='*.cpp' --include='*.h' --include='*.c' src include tests
          grep -rnE "$ownUtf8" --include='*.cpp' --include='*.h' --include='*.c' src include) |
        grep -v '^src/platform/' | sort -u)
[ -z "$found" ] && exit 0
printf '%s\n' "$found"
exit 1
