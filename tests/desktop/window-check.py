#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
# window-check.py WINDOW FIXTURES, run by scripts/headless-desktop.sh: the real window on a headless
# Weston or on Xvfb, seen over AT-SPI as a screen reader sees it. Once its table reports a row per fixture
# song, every control of the window and of each sheet must have a name, and the window must still answer,
# quit cleanly on SIGTERM and have printed no Qt warning. Exits 77 (skipped) without python3-pyatspi.
import importlib.util, os, re, shutil, signal, subprocess, sys, time

SONGS = ["ffmpeg-v23.mp3", "m4a-tagged.m4a", "xiph-tone.ogg"]
SHEETS = ["Edit Remove", "Edit Rename", "Set Genre", "Set Cover", "Select Visible Columns", "THEME"]
NAMED = {"push button", "toggle button", "text", "entry", "password text", "slider", "spin button",
         "check box", "radio button", "combo box", "table", "progress bar"}
QT_MESSAGE = re.compile(r"qt\.|wl_display|wayland|xcb|Q[A-Z]\w+:|Could not|Failed|warning|error|Sanitizer", re.I)


def wait_for(what, condition):
    deadline = time.monotonic() + 90
    while time.monotonic() < deadline:
        if value := condition():
            return value
        time.sleep(0.1)
    sys.exit("FAIL: timed out waiting for " + what)


def children(node):
    return list(filter(None, map(node.getChildAtIndex, range(node.childCount))))


def walk(node, path=""):
    yield node, path
    for child in children(node):
        yield from walk(child, "%s > %s %r" % (path, child.getRoleName(), child.name))


def windows(pyatspi, app):  # those on screen, the main window first; a closed sheet may stay, hidden
    def showing(window):
        try:
            return pyatspi.STATE_SHOWING in window.getState().getStates()
        except Exception:  # deleted on closing
            return False
    return list(filter(showing, children(app)))


def press(node):
    action = node.queryAction()
    action.doAction([action.getName(index) for index in range(action.nActions)].index("Press"))


def check_names(pyatspi, app, table):
    unnamed = lambda node: [p for n, p in walk(node) if n.getRoleName() in NAMED and not n.name.strip()]
    missing = unnamed(app)
    buttons = {node.name: node for node, _ in walk(app) if node.getRoleName() == "push button"}
    for name in SHEETS:  # each sheet is a window of its own: open it, look at it, close it
        press(buttons[name])
        sheet = wait_for(name, lambda: (windows(pyatspi, app)[1:] or [None])[0])
        missing += unnamed(sheet)
        press(next(n for n, _ in walk(sheet) if n.getRoleName() == "push button" and n.name in {"Cancel", "Close", "Done"}))
        wait_for(name + " to close", lambda: len(windows(pyatspi, app)) == 1)
    headers = [table.getColumnHeader(column).name for column in range(table.nColumns)]
    cells = [table.getAccessibleAt(row, column).name for row in range(table.nRows) for column in range(table.nColumns)]
    if missing or len(headers) < 3 or not all(headers + cells):
        sys.exit("FAIL: without a name:\n%s\ncolumns %r, cells %r" % ("\n".join(missing), headers, cells))
    print("every control has a name; the table has %d rows and the columns %s" % (table.nRows, headers))


def main():
    if not importlib.util.find_spec("pyatspi"):
        print("SKIP: python3-pyatspi not installed (scripts/setup.sh installs it)")
        sys.exit(77)
    import pyatspi
    window, fixtures = sys.argv[1:3]
    music = os.path.join(os.environ["QUIRELLA_DESKTOP_DIR"], "Album")
    os.mkdir(music)
    for song in SONGS:
        shutil.copy(os.path.join(fixtures, song), music)
    # libxkbcommon-x11 strndup()s names out of X replies that have no NUL after them: strndup allows that,
    # AddressSanitizer's strict string checks do not.
    asan = os.environ.get("ASAN_OPTIONS", "").replace("strict_string_checks=1", "strict_string_checks=0")
    log = open(os.path.join(os.environ["QUIRELLA_DESKTOP_DIR"], "window.log"), "w+")
    process = subprocess.Popen([window, music], stdout=log, stderr=log, env=dict(
        os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", ASAN_OPTIONS=asan))

    def table():  # the application and its table once that has a row per song
        apps = [app for app in children(pyatspi.Registry.getDesktop(0)) if app.get_process_id() == process.pid]
        tables = [node.queryTable() for node, _ in walk(apps[0]) if node.getRole() == pyatspi.ROLE_TABLE] if apps else []
        return tables and tables[0].nRows == len(SONGS) and (apps[0], tables[0])
    try:
        wait_for("the folder to load", lambda: process.poll() is not None or table())
        if process.poll() is None:
            check_names(pyatspi, *table())
        status = "%s, after the load" % process.poll()
        if process.poll() is None and table():  # still up and answering
            process.send_signal(signal.SIGTERM)
            status = process.wait(60)
    finally:
        if process.poll() is None:
            process.kill()
    log.seek(0)
    if status != 0 or QT_MESSAGE.search(output := log.read()):
        sys.exit("FAIL: the window ended with status %s and printed:\n%s" % (status, output))
    print("%s: the window loaded %d songs, answered, and quit cleanly" % (os.environ["QT_QPA_PLATFORM"], len(SONGS)))


if __name__ == "__main__":
    main()
