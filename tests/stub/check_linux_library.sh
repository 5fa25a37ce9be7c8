#!/bin/sh
# Checks libtarnvel.so as the dynamic linker sees it: Broker is the only symbol it
# defines; it needs libOSTRANE.so, looks for it only beside itself ($ORIGIN) and binds
# it at load time. The search path must be DT_RPATH, which the loader tries before
# LD_LIBRARY_PATH; a DT_RUNPATH comes after it and also turns DT_RPATH off.
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
! echo "$dynamic" | grep -q '(RUNPATH)' ||
    fail "libtarnvel.so must not carry RUNPATH, which LD_LIBRARY_PATH overrides"
search=$(echo "$dynamic" | grep -E '\(RPATH\)' || true)
[ "$(printf '%s\n' "$search" | grep -c .)" -eq 1 ] &&
    echo "$search" | grep -Eq 'Library rpath: \[\$ORIGIN\]$' ||
    fail "libtarnvel.so must look for its libraries in \$ORIGIN (RPATH) and nowhere else"
echo "$dynamic" | grep -Eq '\(FLAGS\) .*BIND_NOW|\(FLAGS_1\) .*NOW' ||
    fail "libtarnvel.so does not bind OSTRANE at load time"

echo "libtarnvel.so: defines Broker alone, binds libOSTRANE.so from \$ORIGIN (RPATH) at load"
