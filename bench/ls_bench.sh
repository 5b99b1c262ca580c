#!/usr/bin/env bash
# Listing benchmark: `scrivlet-ftp ls` (listing, parsing and printing every
# entry) against `scrivlet-ftp raw-ls` (the same listing printed as received)
# of one folder of ENTRIES entries (default 100000) on a local pyftpdlib server,
# in the same run. Runs each RUNS times (default 5, alternating; the median run
# counts) and prints both times and their ratio (ls / raw-ls).
#
#   bash bench/ls_bench.sh
#   ENTRIES=20000 RUNS=3 bash bench/ls_bench.sh                (a quicker look)
#   SCRIVLET_FTP=build/bench/tools/scrivlet-ftp/scrivlet-ftp bash bench/ls_bench.sh
#   REFERENCE_FTP=/path/to/older/scrivlet-ftp bash bench/ls_bench.sh
#
# Without SCRIVLET_FTP it builds scrivlet-ftp (Release) into BUILD_DIR (default
# build/bench-ls). With REFERENCE_FTP it also checks that the other binary's
# `ls` prints the very same bytes, and times it too. Needs python3-pyftpdlib
# (scripts/install-deps.sh installs it). The folder and the server live under
# a temporary folder in /tmp that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

entries="${ENTRIES:-100000}"
runs="${RUNS:-5}"
build_dir="${BUILD_DIR:-build/bench-ls}"

/usr/bin/python3 -c "import pyftpdlib" 2>/dev/null ||
  { echo "missing: python3-pyftpdlib (run scripts/install-deps.sh)" >&2; exit 1; }

cli="${SCRIVLET_FTP:-}"
if [ -z "$cli" ]; then
  source "$(dirname "$0")/build_cli.sh"
fi
reference="${REFERENCE_FTP:-}"

work="$(mktemp -d /tmp/scrivlet-ls-bench-XXXXXX)"
server_pid=""
# Every step may fail without stopping the rest (errexit holds inside a trap).
cleanup() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

echo "Making a folder of $entries entries ..."
# Mostly files with a few bytes each, every tenth a folder, every 25th a link,
# names with a blank inside (one only: a version of scrivlet-ftp that folded
# runs of blanks would otherwise differ from today's for a reason other than
# its printing).
/usr/bin/python3 - "$work/root" "$entries" <<'PY'
import os, sys
root, count = sys.argv[1], int(sys.argv[2])
os.makedirs(root)
for i in range(count):
    path = os.path.join(root, "entry %06d" % i if i % 7 == 0 else "entry %06d.txt" % i)
    if i % 10 == 0:
        os.mkdir(path)
    elif i % 25 == 1:
        os.symlink("target-%d" % i, path)
    else:
        with open(path, "wb") as f:
            f.write(b"x" * (i % 100))
PY

/usr/bin/python3 tests/support/pyftpd_server.py --root "$work/root" >"$work/port" 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 1 200); do
  [ -s "$work/port" ] && break
  sleep 0.05
done
port="$(head -n1 "$work/port")"
[ -n "$port" ] || { echo "the FTP server did not start" >&2; cat "$work/server.log" >&2; exit 1; }
common=(--port "$port" --user brimol --password pelrosta --passive 127.0.0.1)

# Runs one command with its output to $2; sets SECONDS_TAKEN.
timed() {
  local out="$1" start end
  shift
  start="$EPOCHREALTIME"
  "$@" >"$out" 2>"$work/stderr" || { echo "failed: $*" >&2; cat "$work/stderr" >&2; exit 1; }
  end="$EPOCHREALTIME"
  SECONDS_TAKEN="$(awk -v a="$end" -v b="$start" 'BEGIN { printf "%.6f", a - b }')"
}

median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

ls_times=() raw_times=() ref_times=()
for _ in $(seq 1 "$runs"); do
  timed "$work/ls.out" "$cli" "${common[@]}" ls
  ls_times+=("$SECONDS_TAKEN")
  timed "$work/raw.out" "$cli" "${common[@]}" raw-ls
  raw_times+=("$SECONDS_TAKEN")
  if [ -n "$reference" ]; then
    timed "$work/ref.out" "$reference" "${common[@]}" ls
    ref_times+=("$SECONDS_TAKEN")
    cmp -s "$work/ls.out" "$work/ref.out" ||
      { echo "ls output differs from $reference" >&2; exit 1; }
  fi
done
lines="$(wc -l <"$work/ls.out")"
[ "$lines" -eq "$entries" ] || { echo "ls printed $lines lines, expected $entries" >&2; exit 1; }

ls_s="$(median "${ls_times[@]}")"
raw_s="$(median "${raw_times[@]}")"
echo
printf "%-22s %10s\n" command "median s"
printf "%-22s %10.3f\n" "ls" "$ls_s" "raw-ls" "$raw_s"
[ -n "$reference" ] && printf "%-22s %10.3f\n" "ls (reference)" "$(median "${ref_times[@]}")"
printf "ls / raw-ls: %.3f\n" "$(awk -v a="$ls_s" -v b="$raw_s" 'BEGIN { print a / b }')"
echo "Folder: $entries entries; median of $runs run(s) each, alternating; server: pyftpdlib on 127.0.0.1."
