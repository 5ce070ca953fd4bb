#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs every libFuzzer binary in a folder for a few seconds each, starting from its saved corpus.
# A crash fails the run and leaves the crashing input in build/fuzz/crashes/.
set -euo pipefail
dir=$1
seconds=${2:-15}
root=$(cd "$(dirname "$0")/.." && pwd)
crashes="$root/build/fuzz/crashes"
mkdir -p "$crashes"
status=0
for binary in "$dir"/fuzz_*; do
    [ -f "$binary" ] && [ -x "$binary" ] || continue
    name=$(basename "$binary"); name=${name#fuzz_}
    work=$(mktemp -d)
    seeds=()
    [ -d "$root/fuzz/corpus/$name" ] && seeds+=("$root/fuzz/corpus/$name")
    echo "== fuzzing $name for ${seconds}s"
    if ! "$binary" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -artifact_prefix="$crashes/$name-" \
        "$work" "${seeds[@]}" 2>"$work.log"; then
        tail -n 40 "$work.log"
        echo "fuzz target $name failed" >&2
        status=1
    else
        grep -E '^(#[0-9]+\s+DONE|Done)' "$work.log" | tail -n 1 || true
    fi
    rm -rf "$work" "$work.log"
done
exit $status
