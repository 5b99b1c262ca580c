#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test. Then builds the threaded tests with ThreadSanitizer and runs those.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
ctest --preset asan -j"$jobs"

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs" --target threaded_tests
ctest --preset tsan -j"$jobs"
