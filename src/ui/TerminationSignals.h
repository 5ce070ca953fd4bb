// SPDX-License-Identifier: GPL-3.0-or-later
// SIGTERM (a desktop session that ends, `kill`) and SIGINT (Ctrl+C in the terminal that started the
// window) quit the application through its event loop, as closing the window does, so the exit steps
// still run and the preferences are stored. Any display server: nothing here is X11's or Wayland's.
#pragma once

namespace quirella::ui {

// Installs the handlers. Call once, after the application object exists; the event loop quits when
// one of the signals arrives.
void quitOnTerminationSignals();

} // namespace quirella::ui
