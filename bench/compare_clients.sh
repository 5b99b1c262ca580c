# Sourced by the transfer benchmarks: runs our client and curl alternately and
# reports each one's median rate and peak memory. Uses the caller's $work (a
# scratch folder with local/source.bin), $bytes (the size moved) and $runs.
# Runs one client command under GNU time; sets SECONDS_TAKEN and PEAK_KIB.
timed() {
  local start end
  start="$EPOCHREALTIME"
  "${pin_client[@]}" /usr/bin/time -f "%M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" ||
    { echo "failed: $*" >&2; cat "$work/stderr" >&2; exit 1; }
  end="$EPOCHREALTIME"
  SECONDS_TAKEN="$(awk -v a="$end" -v b="$start" 'BEGIN { printf "%.6f", a - b }')"
  PEAK_KIB="$(tail -n1 "$work/time")"
}

# The median of the durations given as arguments.
median() { printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

mb_per_s() { awk -v n="$bytes" -v s="$1" 'BEGIN { printf "%.1f", n / 1e6 / s }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

# Runs our_cmd and curl_cmd alternately, $runs times each, so that a change in
# the machine's load hits both alike; checks each copy (our_check, curl_check)
# against the source. Sets OUR_RATE and CURL_RATE (MB/s of each one's median
# run) and OUR_PEAK and CURL_PEAK (MiB, the highest of its runs).
compare() {
  local our_times=() curl_times=() our_kib=0 curl_kib=0
  for _ in $(seq 1 "$runs"); do
    rm -f "$our_check"
    timed "${our_cmd[@]}"
    cmp -s "$work/local/source.bin" "$our_check" || { echo "copy differs: $our_check" >&2; exit 1; }
    our_times+=("$SECONDS_TAKEN")
    [ "$PEAK_KIB" -gt "$our_kib" ] && our_kib="$PEAK_KIB"

    rm -f "$curl_check"
    timed "${curl_cmd[@]}"
    cmp -s "$work/local/source.bin" "$curl_check" || { echo "copy differs: $curl_check" >&2; exit 1; }
    curl_times+=("$SECONDS_TAKEN")
    [ "$PEAK_KIB" -gt "$curl_kib" ] && curl_kib="$PEAK_KIB"
  done
  # SHOW_RUNS=1: every run's seconds, to judge the machine's noise.
  [ -z "${SHOW_RUNS:-}" ] || echo "  seconds: ours ${our_times[*]}; curl ${curl_times[*]}" >&2
  OUR_RATE="$(mb_per_s "$(median "${our_times[@]}")")"
  CURL_RATE="$(mb_per_s "$(median "${curl_times[@]}")")"
  OUR_PEAK="$(mib "$our_kib")" CURL_PEAK="$(mib "$curl_kib")"
}
