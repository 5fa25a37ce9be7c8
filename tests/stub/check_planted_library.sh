#!/bin/sh
# Plants a libOSTRANE.so that announces itself in the working directory and in a folder on
# LD_LIBRARY_PATH, then loads libtarnvel.so under several settings of LD_LIBRARY_PATH: the
# loader must bind the libOSTRANE.so lying beside libtarnvel.so every time.
#
# usage: check_planted_library.sh WHICH_OSTRANE LIBTARNVEL MARKER_LIBRARY
set -eu

which=$(readlink -f "$1") tarnvel=$(readlink -f "$2") marker=$(readlink -f "$3")
expected=$(readlink -f "$(dirname "$tarnvel")/libOSTRANE.so")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/cwd" "$work/onpath"
cp "$marker" "$work/cwd/libOSTRANE.so"
cp "$marker" "$work/onpath/libOSTRANE.so"
cd "$work/cwd"

failed=0
for setting in "." ":/opt/x" "/opt/x:" "/opt/x::/opt/y" "$work/onpath" "$work/onpath:."; do
    if ! bound=$(LD_LIBRARY_PATH=$setting "$which" "$tarnvel" 2>"$work/stderr"); then
        echo "FAIL: LD_LIBRARY_PATH=$setting: libtarnvel.so did not load" >&2
        cat "$work/stderr" >&2
        failed=1
        continue
    fi
    if grep -q PLANTED "$work/stderr" || [ "$bound" != "$expected" ]; then
        echo "FAIL: LD_LIBRARY_PATH=$setting bound: $bound" >&2
        cat "$work/stderr" >&2
        failed=1
    else
        echo "LD_LIBRARY_PATH=$setting: $bound"
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "libtarnvel.so binds only the libOSTRANE.so beside it"
