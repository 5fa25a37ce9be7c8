#!/bin/sh
# Checks libtarnvel.so as the dynamic linker sees it: Broker is the only symbol it
# defines; it needs libOSTRANE.so, looks for it only beside itself ($ORIGIN) and binds
# it at load time.
#
# usage: check_linux_library.sh NM READELF LIBTARNVEL
set -eu

nm=$1 readelf=$2 library=$3

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Every defined dynamic symbol, whatever its type: nothing is left out of the count.
defined=$("$nm" -D --defined-only "$library")
echo "$defined"
[ "$(printf '%s\n' "$defined" | grep -c .)" -eq 1 ] || fail "libtarnvel.so must define one symbol"
printf '%s\n' "$defined" | grep -Eq '^[0-9a-f]+ [TW] Broker$' ||
    fail "the one defined symbol must be the function Broker"

dynamic=$("$readelf" -d "$library")
echo "$dynamic" | grep -E 'NEEDED|RPATH|RUNPATH|FLAGS'
echo "$dynamic" | grep -Eq '\(NEEDED\) +Shared library: \[libOSTRANE\.so\]$' ||
    fail "libtarnvel.so does not need libOSTRANE.so"
search=$(echo "$dynamic" | grep -E '\((RPATH|RUNPATH)\)' || true)
[ "$(printf '%s\n' "$search" | grep -c .)" -eq 1 ] &&
    echo "$search" | grep -Eq 'path: \[\$ORIGIN\]$' ||
    fail "libtarnvel.so must look for its libraries in \$ORIGIN and nowhere else"
echo "$dynamic" | grep -Eq '\(FLAGS\) .*BIND_NOW|\(FLAGS_1\) .*NOW' ||
    fail "libtarnvel.so does not bind OSTRANE at load time"

echo "libtarnvel.so: defines Broker alone, binds libOSTRANE.so from \$ORIGIN at load"
