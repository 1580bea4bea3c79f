#!/bin/sh
# Fails when an object holds std::filesystem's conversion of a path to or
# from wide text (it throws on any name past ASCII): the compiler makes one
# for `.wstring()`, for a path made from a std::wstring and for a std::wstring
# handed where a path is asked, with or without a name in the source.
# Usage: wide_path_conversions_linked.sh <nm> <objects>... (an argument may
# hold a ';'-separated list, as CMake passes a target's objects)
nm="$1"
shift
symbols=$(printf '%s\n' "$@" | tr ';' '\n' | xargs -d '\n' "$nm" -A -C --defined-only) || exit 2
found=$(printf '%s\n' "$symbols" | grep -F 'filesystem::__cxx11::__detail::__throw_conversion_error' | sed 's/:[^:]*__throw_conversion_error.*//' | sort -u)
[ -z "$found" ] && exit 0
printf 'converts paths and wide text by the C++ locale (use platform/paths.h):\n%s\n' "$found"
exit 1
