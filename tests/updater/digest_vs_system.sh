#!/usr/bin/env bash
# Makes files of the sizes where SHA-1 padding changes (around the 64-byte
# block and the 8000-byte read), several megabytes, one under a folder named
# outside any code page and one at the end of a path of over 300 bytes;
# lists what sha1sum and Python's zlib.crc32 say of each; then runs the
# test program (through wine_run.sh, with its arguments) on that list.
set -eu
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
make_file() {
    mkdir -p "$(dirname "$dir/$1")"
    head -c "$2" /dev/urandom >"$dir/$1"
}
for n in 0 1 55 56 63 64 65 8000 8001; do
    make_file "size-$n.bin" "$n"
done
make_file "several-mb.bin" $((5 * 1024 * 1024 + 7))
make_file "Ωμέγα-中文/inside.bin" 1000
long=$(printf 'd%.0s' $(seq 120))
make_file "$long/$long/$long/deep.bin" 777
list=$(mktemp)
(
    cd "$dir"
    find . -type f | sort | while read -r f; do
        sha=$(sha1sum "$f" | cut -d' ' -f1)
        crc=$(python3 -c 'import sys, zlib; print(zlib.crc32(open(sys.argv[1], "rb").read()))' "$f")
        echo "$sha $crc ${f#./}"
    done
) >"$list"
mv "$list" "$dir/expected.txt"
export PATHVEX_DIGEST_DIR=$dir
bash "$(dirname "$0")/../wine_run.sh" "$@"
