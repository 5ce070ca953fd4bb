#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# How large the tests are beside the code: non-blank lines of the tracked files under tests/ and under
# src/ (fuzz targets and benchmarks count on neither side), and their ratio. Informs; never fails.
set -euo pipefail
cd "$(dirname "$0")/.."
count() { git ls-files -z -- "$1" | xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true; }
src=$(count src)
tests=$(count tests)
awk -v t="$tests" -v s="$src" 'BEGIN {
  printf "non-blank lines: src %d, tests %d, tests/src %.3f (aim: a quarter to a third, at most 0.35)\n", s, t, (s ? t / s : 0)
}'
