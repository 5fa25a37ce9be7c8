#!/bin/sh
# Builds tarnvel.dll for 32-bit Windows from the same C source and checks its shape:
# one export, Broker at ordinal 1; one import from OSTRANE.dll, by ordinal 1; Broker
# removes its own 16 bytes of arguments and calls through that import.
#
# usage: check_windows_dll.sh GCC DLLTOOL OBJDUMP STUB_DIR OSTRANE_DEF WORK_DIR
# OSTRANE_DEF may name a missing file; an equivalent one is then written to WORK_DIR.
set -eu

gcc=$1 dlltool=$2 objdump=$3 stub_dir=$4 ostrane_def=$5 work=$6

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in "$gcc" "$dlltool" "$objdump"; do
    [ -x "$tool" ] || fail "cross tool not found: $tool"
done

rm -rf "$work"
mkdir -p "$work"
cd "$work"

"$dlltool" -d "$ostrane_def" -l libOSTRANE.a
"$gcc" -std=c11 -O2 -Wall -Wextra -Wpedantic -Werror -shared -o tarnvel.dll \
    "$stub_dir/tarnvel.c" "$stub_dir/tarnvel.def" libOSTRANE.a

"$objdump" -p tarnvel.dll >headers.txt
"$objdump" -d tarnvel.dll >disassembly.txt

# --- export table -----------------------------------------------------------------------
grep -q '^Ordinal Base[[:space:]]*1$' headers.txt || fail "ordinal base is not 1"
# Every numbered row of the export address table and of the name table.
sed -n '/^Export Address Table -- Ordinal Base/,/^$/p' headers.txt | grep '^[[:space:]]*\[' \
    >export_addresses.txt || true
sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' headers.txt | sed 1d | grep '^[[:space:]]*\[' \
    >export_names.txt || true
cat export_addresses.txt export_names.txt
[ "$(wc -l <export_addresses.txt)" -eq 1 ] || fail "export address table must hold one entry"
grep -Eq '^[[:space:]]*\[ *0\] \+base\[ *1\] [0-9a-f]+ Export RVA$' export_addresses.txt ||
    fail "the one export is not at ordinal 1"
[ "$(wc -l <export_names.txt)" -eq 1 ] || fail "export name table must hold one entry"
grep -Eq '^[[:space:]]*\[ *0\] Broker$' export_names.txt || fail "the one exported name is not Broker"

# --- import from OSTRANE.dll ------------------------------------------------------------
[ "$(grep -c 'DLL Name: OSTRANE.dll$' headers.txt)" -eq 1 ] || fail "OSTRANE.dll not imported once"
# The block under "DLL Name: OSTRANE.dll" ends at the next empty line; skip its header.
sed -n '/DLL Name: OSTRANE.dll$/,/^$/p' headers.txt |
    grep -v -e 'DLL Name:' -e 'vma:  Hint/Ord' -e '^$' >ostrane_imports.txt || true
cat ostrane_imports.txt
[ "$(wc -l <ostrane_imports.txt)" -eq 1 ] || fail "OSTRANE.dll must be imported from once"
grep -Eq '^[[:space:]]*80000001[[:space:]]+1[[:space:]]+<none>$' ostrane_imports.txt ||
    fail "the OSTRANE.dll import is not by ordinal 1"

# --- Broker's code ----------------------------------------------------------------------
image_base=$(awk '$1 == "ImageBase" { print $2 }' headers.txt)
export_rva=$(awk '$NF == "RVA" && $(NF-1) == "Export" { print $(NF-2) }' export_addresses.txt)
# The import directory row just above "DLL Name: OSTRANE.dll"; its last column is the
# first thunk, the address-table slot Broker must call through.
first_thunk=$(awk '/^ [0-9a-f]+\t[0-9a-f]+ / { row = $NF } /DLL Name: OSTRANE.dll$/ { print row; exit }' \
    headers.txt)
sed -n '/^[0-9a-f]* <_Broker@16>:$/,/^$/p' disassembly.txt >broker.txt
cat broker.txt
[ -s broker.txt ] || fail "no stdcall symbol _Broker@16 in the disassembly"
broker_address=$(awk 'NR == 1 { print $1 }' broker.txt)
[ $((0x$broker_address - 0x$image_base)) -eq $((0x$export_rva)) ] ||
    fail "the export Broker does not point at _Broker@16"
slot=$(printf '%x' $((0x$image_base + 0x$first_thunk)))
grep -Eq "call +\\*0x0*$slot$" broker.txt || fail "Broker does not call through the OSTRANE import"
grep -E '\bret' broker.txt >returns.txt || true
[ "$(wc -l <returns.txt)" -eq 1 ] && grep -Eq 'ret +\$0x10$' returns.txt ||
    fail "Broker must end with ret \$0x10 (stdcall, 16 bytes of arguments)"

echo "tarnvel.dll: one export Broker @1, one import OSTRANE.dll @1, stdcall"
