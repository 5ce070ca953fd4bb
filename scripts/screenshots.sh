#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Regenerates the README's screenshots from the running window: the widget test
# ThemedWindow.ReadmeScreenshots opens the real window on the offscreen platform and saves
# docs/welcome.png, docs/folder-dark.png and docs/folder-system-default.png.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build/asan}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUIRELLA_SANITIZE=ON
fi
cmake --build "$build" --target test_ui
mkdir -p docs
QT_QPA_PLATFORM=offscreen QUIRELLA_SCREENSHOTS="$PWD/docs" ASAN_OPTIONS=detect_leaks=0 \
  "$build/tests/test_ui" --gtest_filter='ThemedWindow.ReadmeScreenshots'
ls -l docs/*.png
