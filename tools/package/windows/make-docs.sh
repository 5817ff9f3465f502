#!/usr/bin/env bash
# The texts that go with Fluvia on Windows, written for Windows (CR LF line ends):
#   License.txt  copyright and the licence of Fluvia and of every part of others' work the
#                modules contain (License-notices.txt, then the GNU GPL version 3 of LICENSE)
#   Readme.txt   the README's part for the people who play Fluvia (readme-text.sh)
#
#   make-docs.sh VERSION OUT_DIR
set -euo pipefail
version="${1:?usage: make-docs.sh VERSION OUT_DIR}" out="${2:?usage: make-docs.sh VERSION OUT_DIR}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/../../.." && pwd)"
mkdir -p "$out"
crlf() { sed 's/\r$//; s/$/\r/'; }
{ sed "s/@VERSION@/$version/" "$here/License-notices.txt"; cat "$root/LICENSE"; } | crlf > "$out/License.txt"
bash "$here/readme-text.sh" "$root/README.md" | crlf > "$out/Readme.txt"
