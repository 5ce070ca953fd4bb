// SPDX-License-Identifier: GPL-3.0-or-later
// What the application does once at start-up and once at exit, as ordered lists of named steps, and the
// "Clean" command that empties the window and resets the application. This is the one place where
// clean-up work joins either sequence; the window's main and the tests run them.
#pragma once

#include <QFuture>
#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

namespace quirella {
class ContentViewModel;
}

namespace quirella::lifecycle {

struct Step {
    QString name;
    std::function<void()> run;
};

// Whether another live process of ours is registered. Its cover files and M4A working copies lie in
// the same private temporary folder and may still be in use, so files are removed only when this is
// false.
bool otherProcessRegistered();

// The in-memory caches: converted covers, tempi, look-ups.
QList<Step> cacheClearSteps();
// At launch, before the window is set up: the leftover files of earlier runs (only while no other
// process of ours runs), then the caches, then the M4A working copies.
QList<Step> startupSteps();
// When the application is about to quit. No file is removed at exit.
QList<Step> exitSteps();

// Runs the steps in order.
void run(const QList<Step>& steps);
void runStartup();
void runExit();

// The "Clean" command. On the UI thread, at once: the folder is closed (no songs shown), the preview
// player stopped and emptied through `stopPlayer`, the history forgotten and the caches cleared. Then,
// on a worker, the leftover files are removed (unless another process of ours runs) and the preferences
// reset to the kept keys. The success toast "🧹 Application cleaned and reset" follows 0.3 s after the
// call, or when the work ends if that takes longer. The future ends when the toast has been shown.
QFuture<void> cleanAndReset(ContentViewModel& model, const std::function<void()>& stopPlayer = {});

} // namespace quirella::lifecycle
