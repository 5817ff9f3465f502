#!/usr/bin/env bash
# The person-facing part of the README as plain text, for the Windows install folder:
#   readme-text.sh README.md > Readme.txt
# Every section but the developers' (building, testing, packaging, the command-line tools of
# the source tree, its layout) and the licence note is kept; Markdown marks become plain text: headings are underlined, code
# is indented, backticks and bold marks go, links show their address in brackets. Line ends
# stay LF; the installer script turns them into CR LF.
set -euo pipefail
readme="${1:?usage: readme-text.sh README.md}"
awk '
  BEGIN {
    # Sections for people working on Fluvia rather than with it; the licence has its own
    # file beside this one.
    split("Set up and test|Building by hand|Making the packages|Playing from the command line|" \
          "Factory presets and the library|Looking at the editor|Layout|Licence", names, "|")
    for (i in names) developers[names[i]] = 1
  }
  function underline(text, mark,   line) {
    line = text
    gsub(/./, mark, line)
    return line
  }
  function plain(text) {
    gsub(/\*\*/, "", text)
    gsub(/`/, "", text)
    while (match(text, /\[[^]]*\]\([^)]*\)/)) {
      link = substr(text, RSTART, RLENGTH)
      split(link, parts, /\]\(/)
      label = substr(parts[1], 2)
      target = substr(parts[2], 1, length(parts[2]) - 1)
      text = substr(text, 1, RSTART - 1) label " (" target ")" substr(text, RSTART + RLENGTH)
    }
    return text
  }
  # Code first: a "#" inside it is a shell comment, not a heading.
  /^```/ { code = !code; next }
  code { if (!skipping) print "    " $0; next }
  /^## / {
    title = substr($0, 4)
    skipping = (title in developers)
    if (!skipping) { print title; print underline(title, "-") }
    next
  }
  skipping { next }
  /^# / {
    title = substr($0, 3)
    # The part for developers, under a heading of its own.
    skipping = (title == "For developers")
    if (!skipping) { print title; print underline(title, "=") }
    next
  }
  { print plain($0) }
  END {
    print ""
    print "This is the part of Fluvia'"'"'s README for the people who play it; the whole README,"
    print "with how to build and test Fluvia, comes with its source code. Copyright and"
    print "licences: License.txt, next to this file."
  }
' "$readme" | cat -s
