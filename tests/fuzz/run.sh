#!/usr/bin/env bash
# Builds the mesh text fuzz target with clang (libFuzzer, AddressSanitizer, UndefinedBehavior-
# Sanitizer) in its own build folder and runs it from the committed corpus for SECONDS (default 60).
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
seconds="${1:-60}"
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target mesh_text_fuzz
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# New inputs go to a scratch folder so that the committed corpus stays as it is.
./build/fuzz/bin/mesh_text_fuzz -max_total_time="$seconds" -max_len=8192 -rss_limit_mb=2048 \
  -artifact_prefix="$work/" "$work" tests/fuzz/corpus
