#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test. Then builds the threaded tests with ThreadSanitizer and runs those.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
jobs=$(nproc)

cmake --preset asan >/dev/null
cmake --build --preset asan -j"$jobs"
(cd build/asan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs")

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j"$jobs" --target threaded_tests
(cd build/tsan && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$jobs" -L threads)
