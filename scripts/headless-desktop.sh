#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command on a desktop of its own without a screen: a headless Weston (wayland) or Xvfb (x11), a
# private D-Bus session (its accessibility bus starts when asked), and private home, settings, cache,
# runtime and temporary folders, all removed afterwards. tests/desktop runs the window on it; by hand:
#   scripts/headless-desktop.sh wayland build/release/src/ui/quirella ~/Music/Album
# The command gets DISPLAY or WAYLAND_DISPLAY, QT_QPA_PLATFORM and QUIRELLA_DESKTOP_DIR (the private
# folder). Exits 77 when weston, Xvfb or dbus-run-session is missing (scripts/setup.sh installs them).
set -euo pipefail
mode=${1:?usage: headless-desktop.sh wayland|x11 COMMAND [ARGUMENT...]}
shift
if [ -z "${QUIRELLA_DESKTOP_DIR:-}" ]; then
  for tool in dbus-run-session "$([ "$mode" = wayland ] && echo weston || echo Xvfb)"; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool not installed (scripts/setup.sh installs it)"; exit 77; }
  done
  QUIRELLA_DESKTOP_DIR=$(mktemp -d "${TMPDIR:-/tmp}/quirella-desktop-XXXXXX")
  trap 'rm -rf "$QUIRELLA_DESKTOP_DIR"' EXIT
  # Mode 0700: Wayland clients and Qt refuse a runtime folder that others can open.
  for name in HOME XDG_CONFIG_HOME XDG_CACHE_HOME XDG_DATA_HOME XDG_RUNTIME_DIR TMPDIR; do
    mkdir -m 0700 "$QUIRELLA_DESKTOP_DIR/${name,,}"
    export "$name=$QUIRELLA_DESKTOP_DIR/${name,,}"
  done
  unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM LANGUAGE
  export LANG=C.UTF-8 LC_ALL=C.UTF-8 QUIRELLA_DESKTOP_DIR
  status=0
  dbus-run-session -- bash "$0" "$mode" "$@" || status=$?
  exit "$status"
fi

# Inside the D-Bus session.
if [ "$mode" = wayland ]; then
  weston --backend=headless-backend.so --socket=quirella --no-config --idle-time=0 \
    --log="$QUIRELLA_DESKTOP_DIR/weston.log" &
  # A headless Weston has no seat, and Qt 6.4's Wayland text input then crashes as soon as a text field
  # takes the keyboard (QWaylandInputDevice::textInput() on no device); every real desktop has a seat.
  # Typing goes through Qt's own compose input here instead.
  export WAYLAND_DISPLAY=quirella QT_QPA_PLATFORM=wayland QT_IM_MODULE=compose
  ready() { [ -S "$XDG_RUNTIME_DIR/quirella" ]; }
else
  # Xvfb picks a free display and writes its number into the file.
  Xvfb -displayfd 3 -nolisten tcp 3>"$QUIRELLA_DESKTOP_DIR/display" 2>/dev/null &
  export QT_QPA_PLATFORM=xcb
  ready() { [ -s "$QUIRELLA_DESKTOP_DIR/display" ]; }
fi
server=$!
for _ in $(seq 300); do
  ready && break
  kill -0 "$server" 2>/dev/null || { echo "error: the $mode server did not start" >&2; exit 1; }
  sleep 0.1
done
ready || { echo "error: the $mode server did not start within 30 s" >&2; exit 1; }
if [ "$mode" != wayland ]; then
  export DISPLAY=":$(head -n 1 "$QUIRELLA_DESKTOP_DIR/display")"
fi
status=0
"$@" || status=$?
kill "$server" 2>/dev/null || true
wait "$server" 2>/dev/null || true
exit "$status"
