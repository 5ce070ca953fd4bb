#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fails when the German catalogue is out of step with the sources: a text of the sources it lacks, a text
# the sources no longer have, or a text without its translation. lupdate runs on a copy, so the
# catalogue itself is never touched; `cmake --build <build> --target translations-update` brings it in line.
# Usage: check-catalogue.sh LUPDATE SOURCE_ROOT
set -euo pipefail
lupdate=$1
root=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$root/translations/quirella_de.ts" "$work/"
if ! "$lupdate" -locations none "$root/src" -ts "$work/quirella_de.ts" >"$work/lupdate.log" 2>&1 ||
  grep -qiE 'warning|error' "$work/lupdate.log"; then
  cat "$work/lupdate.log"
  exit 1
fi
awk '
  /<message/ { message = ""; inside = 1 }
  inside { message = message $0 "\n" }
  /<\/message>/ {
    inside = 0
    if (message ~ /type="(unfinished|vanished|obsolete)"/ || message ~ /<(translation|numerusform)><\//) {
      printf "%s", message
      bad++
    }
  }
  END {
    if (bad) { print bad " message(s) of translations/quirella_de.ts are new, gone or untranslated" > "/dev/stderr"; exit 1 }
  }' "$work/quirella_de.ts"
