#!/bin/sh
# Fails when a folder of the program includes a header of a folder above it
# (the order of src/app/README.md). A header is found by its bare name in
# the program's folders, as the build finds it.
# Usage: app_includes_point_down.sh <src/app folder>
app="$1"
cd "$app" || exit 2
# Each folder with the folders it may include besides itself.
rules='base:
store:base
tags:base
player:base
online:base store
core:base store tags player online
panes:base store tags player online core
mainframe:base store tags player online core panes'
found=$(printf '%s\n' "$rules" | while IFS=: read -r folder allowed; do
    grep -HnoE '^#include "[^"]+"' "$folder"/*.cpp "$folder"/*.h 2>/dev/null |
    while IFS=: read -r file line include; do
        name=${include#\#include \"}
        name=${name%\"}
        owner=
        for other in base store tags player online core panes mainframe; do
            case "$name" in
            "$other"/*) [ -f "$name" ] && owner=$other ;;
            *) [ -f "$other/$name" ] && owner=$other ;;
            esac
        done
        [ -z "$owner" ] || [ "$owner" = "$folder" ] && continue
        case " $allowed " in *" $owner "*) continue ;; esac
        echo "$file:$line: $folder/ includes $owner/ ($name)"
    done
done)
[ -z "$found" ] && exit 0
printf '%s\n' "$found"
exit 1
