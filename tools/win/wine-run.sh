#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix, creating the prefix on first use.
#   tools/win/wine-run.sh STATE_DIR PROGRAM.exe [ARGS...]
# STATE_DIR holds the prefix (STATE_DIR/prefix) and the HOME Wine sees (STATE_DIR/home), so
# nothing of the user's own Wine setup or home folder is touched. Programs needing a display
# run under the caller's DISPLAY (wrap the call in xvfb-run -a when there is none).
set -euo pipefail
state="${1:?usage: wine-run.sh STATE_DIR PROGRAM [ARGS...]}"
shift
mkdir -p "$state/home"
state="$(cd "$state" && pwd)"
export WINEPREFIX="$state/prefix"
export HOME="$state/home"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# No Mono or Gecko installer prompts: the programs here need neither.
export WINEDLLOVERRIDES="mscoree=;mshtml="
unset XDG_CONFIG_HOME XDG_DATA_HOME

# One creation at a time, even with tests running in parallel.
exec 9>"$state/prefix.lock"
flock 9
if [ ! -f "$WINEPREFIX/.fluvia-ready" ]; then
  rm -rf "$WINEPREFIX"
  run_boot=(wine wineboot --init)
  [ -n "${DISPLAY:-}" ] || run_boot=(xvfb-run -a "${run_boot[@]}")
  "${run_boot[@]}" >/dev/null 2>&1
  # Without a window manager every top-level DestroyWindow would wait 2 s for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.fluvia-ready"
fi
flock -u 9
exec 9>&-

exec wine "$@"
