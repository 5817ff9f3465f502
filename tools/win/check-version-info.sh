#!/usr/bin/env bash
# Checks the version resource of Windows binaries as Windows itself reads it: company
# "VelmoraAudio", product "Fluvia", the given description, the file name it ships as, the
# copyright, and file and product version equal to VERSION (as text and as the four numbers).
#
#   check-version-info.sh VERSION FILE DESCRIPTION [FILE DESCRIPTION ...] -- READER...
#
# READER... is the command that prints one binary's resource as "Key=Value" lines when given
# "version FILE" (fluvia-module-check.exe under Wine, for example
# "tools/win/wine-run.sh STATE fluvia-module-check.exe"). FILE is a Unix path.
set -euo pipefail
version="${1:?usage: check-version-info.sh VERSION FILE DESCRIPTION ... -- READER...}"
shift
files=() descriptions=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  [ $# -ge 2 ] || { echo "check-version-info: FILE without DESCRIPTION" >&2; exit 2; }
  files+=("$1") descriptions+=("$2")
  shift 2
done
[ "${1:-}" = "--" ] && [ $# -ge 2 ] || { echo "check-version-info: no READER after --" >&2; exit 2; }
shift
reader=("$@")

# Four numbers, as many as the version has and zeros after.
numbers="$version"
while [ "$(tr -cd . <<<"$numbers" | wc -c)" -lt 3 ]; do numbers="$numbers.0"; done

status=0
for i in "${!files[@]}"; do
  file="${files[$i]}" description="${descriptions[$i]}"
  name="$(basename "$file")"
  case "${name,,}" in *.exe) type=app ;; *) type=dll ;; esac
  # Windows programs write their line ends as CR LF.
  if ! info="$("${reader[@]}" version "$file" </dev/null | tr -d '\r')"; then
    echo "FAIL: $name: its version resource cannot be read" >&2
    status=1
    continue
  fi
  value() { sed -n "s/^$1=//p" <<<"$info"; }
  problems=()
  expect() {  # KEY EXPECTED
    local got
    got="$(value "$1")"
    [ "$got" = "$2" ] || problems+=("$1 is '$got', not '$2'")
  }
  expect FixedFileVersion "$numbers"
  expect FixedProductVersion "$numbers"
  expect FileType "$type"
  expect Translation 040904b0
  expect CompanyName VelmoraAudio
  expect ProductName Fluvia
  expect FileVersion "$version"
  expect ProductVersion "$version"
  expect FileDescription "$description"
  expect OriginalFilename "$name"
  copyright="$(value LegalCopyright)"
  [[ "$copyright" == *"Velmora Audio"* && "$copyright" == *"General Public License"* ]] \
    || problems+=("LegalCopyright is '$copyright'")
  if [ ${#problems[@]} -gt 0 ]; then
    echo "FAIL: $name: $(printf '%s; ' "${problems[@]}")" >&2
    status=1
  else
    echo "$name: $description, version $version"
  fi
done
exit $status
