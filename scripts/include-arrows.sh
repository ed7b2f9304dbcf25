#!/bin/sh
# Prints the include arrows between the folders of src/, one "from -> to" a line, and fails when some run in a circle.
#
# A folder has an arrow to another when one of its files includes a header of the other as
# "folder/name.h". A subfolder is a folder of its own: game/desktop/ is not game/. The program's
# main.cpp, in src/ itself, is "src". tsort names the folders of any circle and fails.
set -e
cd "$(dirname "$0")/../src"
arrows=$(find . -name '*.cpp' -o -name '*.h' | sed 's|^\./||' | sort | while read -r file; do
    from=$(dirname "$file")
    [ "$from" = . ] && from=src
    sed -n 's|^#include "\(.*\)/[^/]*"$|\1|p' "$file" | while read -r to; do
        [ "$from" = "$to" ] || echo "$from $to"
    done
done | sort -u)
echo "$arrows" | sed 's/ / -> /'
echo "$arrows" | tsort > /dev/null
