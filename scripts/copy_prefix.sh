#!/usr/bin/env bash
# Makes DEST a Wine prefix of its own from the prefix SOURCE: hard links to
# SOURCE's program files, copies of everything Wine may rewrite (the
# registry, the INI files), an empty temporary folder. A program in DEST has
# its own Wine server, so it shares no named objects (the instance lock, the
# window class) and no display with the programs of SOURCE.
#
# Usage: copy_prefix.sh SOURCE DEST   (DEST is removed first)
set -u
base=$1
prefix=$2
rm -rf "$prefix"
mkdir -p "$prefix"
# The folders as hard links; the files beside them (the registry) as copies.
# Wine's server rewrites a registry file that has a second link in place,
# not through a new file: a copy read meanwhile could be empty, and Wine
# takes a registry without its "#arch" line for a 32-bit prefix.
for entry in "$base"/* "$base"/.[!.]*; do
    [ -e "$entry" ] || continue
    if [ -d "$entry" ] && [ ! -L "$entry" ]; then
        # Other programs may make and delete folders in SOURCE's temporary
        # folder meanwhile, so cp may miss some of them: that is expected,
        # and their copies are removed anyway.
        cp -a --link "$entry" "$prefix/" 2>/dev/null
    else
        cp -a "$entry" "$prefix/"
    fi
done
grep -q '^#arch=' "$prefix/system.reg" 2>/dev/null || exit 1
rm -rf "$prefix"/drive_c/users/*/Temp/* "$prefix"/drive_c/windows/temp/*
# Only program files stay shared; whatever else Wine may rewrite inside the
# linked folders is a copy (the files beside them were copied above).
find "$prefix" -type f -links +1 ! \( -iname '*.dll' -o -iname '*.exe' -o -iname '*.nls' -o -iname '*.drv' \
    -o -iname '*.sys' -o -iname '*.ocx' -o -iname '*.acm' -o -iname '*.cpl' -o -iname '*.tlb' \
    -o -iname '*.ds' -o -iname '*.msstyles' -o -iname '*.ax' -o -iname '*.com' -o -iname '*.mui' \
    -o -iname '*.ttf' -o -iname '*.fon' \) -exec sh -c \
    'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
