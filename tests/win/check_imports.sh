#!/usr/bin/env bash
# A Windows binary must load with nothing beside it: it may import only DLLs every Windows
# system has, never the compiler's runtime (libstdc++, libgcc, libwinpthread). With names of
# exported functions after the binary, each must be exported.
#   check_imports.sh OBJDUMP BINARY [EXPORT...]
set -euo pipefail
objdump="$1" binary="$2"
shift 2
dump="$("$objdump" -p "$binary")"
status=0
while read -r dll; do
  case "${dll,,}" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|shell32.dll|ole32.dll|comdlg32.dll|\
    comctl32.dll|msvcrt.dll|wininet.dll|version.dll|api-ms-win-crt-*.dll|ucrtbase.dll) ;;
    *) echo "FAIL: $binary imports $dll" >&2; status=1 ;;
  esac
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")
exports="$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump")"
for name in "$@"; do
  grep -q "\] $name\$" <<<"$exports" || { echo "FAIL: $binary does not export $name" >&2; status=1; }
done
[ $status -ne 0 ] || echo "$(basename "$binary"): imports only system DLLs"
exit $status
