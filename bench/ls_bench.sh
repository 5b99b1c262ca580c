#!/usr/bin/env bash
# Listing benchmark: `scrivlet-ftp ls` (listing, parsing and printing every
# entry) against `scrivlet-ftp raw-ls` (the same listing printed as received)
# of one folder of ENTRIES entries (default 100000) on a local FTP server, in
# the same run. Runs each RUNS times (default 5, alternating; the median run
# counts) and prints both times and their ratio (ls / raw-ls), and the median
# of the ratios of the runs' pairs.
#
#   bash bench/ls_bench.sh
#   SERVER=pure-ftpd RUNS=21 bash bench/ls_bench.sh    (pyftpdlib, vsftpd or pure-ftpd)
#   ENTRIES=20000 RUNS=3 bash bench/ls_bench.sh                (a quicker look)
#   SCRIVLET_FTP=build/bench/tools/scrivlet-ftp/scrivlet-ftp bash bench/ls_bench.sh
#   REFERENCE_FTP=/path/to/older/scrivlet-ftp bash bench/ls_bench.sh
#
# Without SCRIVLET_FTP it builds scrivlet-ftp (Release) into BUILD_DIR (default
# build/bench-ls). With REFERENCE_FTP it also checks that the other binary's
# `ls` prints the very same bytes, and times it too. The servers are those of
# bench/ftp_server.sh. The folder and the server live under a temporary folder
# in /tmp that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

entries="${ENTRIES:-100000}"
runs="${RUNS:-5}"
build_dir="${BUILD_DIR:-build/bench-ls}"

cli="${SCRIVLET_FTP:-}"
if [ -z "$cli" ]; then
  source "$(dirname "$0")/build_cli.sh"
fi
reference="${REFERENCE_FTP:-}"

source "$(dirname "$0")/ftp_server.sh"
work="$(mktemp -d /tmp/scrivlet-ls-bench-XXXXXX)"
# Every step may fail without stopping the rest (errexit holds inside a trap).
cleanup() {
  stop_ftp_server
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

start_ftp_server "$work/root" "$work"
common=(--port "$server_port" --user "$server_user" --password "$server_password" --passive 127.0.0.1)

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

ls_times=() raw_times=() ref_times=() ratios=()
for run in $(seq 1 "$runs"); do
  # Which of the two goes first alternates too, so neither always meets a
  # server just woken by the other.
  if [ $((run % 2)) -eq 1 ]; then
    timed "$work/ls.out" "$cli" "${common[@]}" ls
    ls_s="$SECONDS_TAKEN"
    timed "$work/raw.out" "$cli" "${common[@]}" raw-ls
    raw_s="$SECONDS_TAKEN"
  else
    timed "$work/raw.out" "$cli" "${common[@]}" raw-ls
    raw_s="$SECONDS_TAKEN"
    timed "$work/ls.out" "$cli" "${common[@]}" ls
    ls_s="$SECONDS_TAKEN"
  fi
  ls_times+=("$ls_s")
  raw_times+=("$raw_s")
  ratios+=("$(awk -v a="$ls_s" -v b="$raw_s" 'BEGIN { print a / b }')")
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
if [ -n "$reference" ]; then
  ref_s="$(median "${ref_times[@]}")"
  printf "%-22s %10.3f\n" "ls (reference)" "$ref_s"
fi
printf "ls / raw-ls: %.3f (of the medians), %.3f (median of the pairs' ratios)\n" \
  "$(awk -v a="$ls_s" -v b="$raw_s" 'BEGIN { print a / b }')" "$(median "${ratios[@]}")"
[ -n "$reference" ] && printf "reference ls / raw-ls: %.3f\n" "$(awk -v a="$ref_s" -v b="$raw_s" 'BEGIN { print a / b }')"
echo "Folder: $entries entries; median of $runs run(s) each, alternating; server: $server_label."
