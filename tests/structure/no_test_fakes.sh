#!/bin/sh
# Fails when a shipped binary or library holds a class named CFake* (the
# tests' stand-ins). Usage: no_test_fakes.sh <nm> <file>...
nm="$1"
shift
symbols=$("$nm" -C "$@") || exit 2
found=$(printf '%s\n' "$symbols" | grep -E '(^|[^A-Za-z0-9_])CFake[A-Za-z]')
[ -z "$found" ] && exit 0
printf '%s\n' "$found" | head -20
exit 1
