#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what the repo's .clang-format makes of it.
# One pinned formatter version, so every machine judges alike.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
command -v "$formatter" >/dev/null || bash scripts/install-deps.sh clang-format-14
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! "$formatter" --dry-run --Werror "${files[@]}"; then
  echo "Formatting differs from .clang-format; run: $formatter -i <files>" >&2
  exit 1
fi
echo "Formatting: ${#files[@]} files clean"
