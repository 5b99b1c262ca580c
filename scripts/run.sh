#!/usr/bin/env bash
# Builds Scrivlet and opens its window.
#
#   scripts/run.sh            starts a demo FTP server on this machine (a copy of
#                             scripts/demo, user brimol, password pelrosta) and
#                             opens the window; closing the window stops the server
#   scripts/run.sh SERVER     opens the window for your own server (a host name,
#                             or host:port); no demo server is started
#
# Installs what is missing first (apt-get, as root or through sudo) and builds
# with the release preset into build/release. Double-clicked files open in the
# editor the window finds (SCRIVLET_EDITOR, VISUAL, EDITOR, the desktop's default
# for the file type, gedit); when none of those is set and gedit is missing, a
# blocking editor found installed is chosen and named on the terminal.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "$#" -gt 1 ] || [ "${1:-}" = "-h" ] || [ "${1:-}" = "--help" ]; then
  sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
  exit 0
fi
server="${1:-}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] &&
   [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "No display: Scrivlet's window needs a graphical session (DISPLAY or WAYLAND_DISPLAY is unset)." >&2
  echo "Run this from a desktop terminal (or over ssh -X), or start it on a virtual display:" >&2
  echo "  apt-get install -y xvfb && xvfb-run -a $0${server:+ $server}" >&2
  exit 1
fi

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build build/release --target scrivlet -j"$(nproc)"
app=build/release/src/app/scrivlet

# Saves are uploaded only while the editor runs, so the command must not return
# before the user closes the file: each candidate is started in its blocking mode.
if [ -z "${SCRIVLET_EDITOR:-}${VISUAL:-}${EDITOR:-}" ] && ! command -v gedit >/dev/null 2>&1; then
  for candidate in "kate --block" "mousepad --disable-server" "gvim -f" \
                   "geany -i" "code --wait" "emacs"; do
    if command -v "${candidate%% *}" >/dev/null 2>&1; then
      SCRIVLET_EDITOR=$candidate
      break
    fi
  done
fi
if [ -z "${SCRIVLET_EDITOR:-}${VISUAL:-}${EDITOR:-}" ] && ! command -v gedit >/dev/null 2>&1 &&
   command -v xterm >/dev/null 2>&1; then
  for candidate in nano vi; do
    if command -v "$candidate" >/dev/null 2>&1; then
      SCRIVLET_EDITOR="xterm -e $candidate"
      break
    fi
  done
fi
if [ -n "${SCRIVLET_EDITOR:-}" ]; then
  export SCRIVLET_EDITOR
  echo "Files open in: $SCRIVLET_EDITOR (set SCRIVLET_EDITOR to choose another editor)."
elif [ -n "${VISUAL:-}${EDITOR:-}" ] || command -v gedit >/dev/null 2>&1; then
  echo "Files open in your editor (VISUAL, EDITOR, the desktop's default, or gedit; SCRIVLET_EDITOR overrides)."
else
  echo "No blocking editor found (gedit, kate, mousepad, gvim, geany, code, emacs, or xterm" >&2
  echo "with nano or vi): opened files will not reach an editor. Install gedit, or set" >&2
  echo "SCRIVLET_EDITOR to a command that waits until the file is closed." >&2
fi

if [ -n "$server" ]; then
  echo "Type $server in Server, your user name and password, and tick Connect."
  exec "$app"
fi

workdir=$(mktemp -d -t scrivlet-run-XXXXXX)
demo_pid=""
cleanup() {
  if [ -n "$demo_pid" ] && kill -0 "$demo_pid" 2>/dev/null; then
    kill "$demo_pid" 2>/dev/null || true
    wait "$demo_pid" 2>/dev/null || true
  fi
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

/usr/bin/python3 scripts/demo_server.py >"$workdir/demo.out" 2>"$workdir/demo.log" &
demo_pid=$!

# The server's first line is its port, the second what to type in Server.
for _ in $(seq 100); do
  [ "$(wc -l <"$workdir/demo.out")" -ge 2 ] && break
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.2
done
if [ "$(wc -l <"$workdir/demo.out")" -lt 2 ]; then
  echo "The demo FTP server did not start:" >&2
  cat "$workdir/demo.log" >&2
  exit 1
fi
port=$(head -n 1 "$workdir/demo.out")
echo "Demo FTP server on 127.0.0.1 port $port, serving a copy of scripts/demo."
tail -n 1 "$workdir/demo.out"

"$app"
