// What the application does once at start-up and once at exit, as ordered lists of named steps. This is
// the one place where clean-up work joins either sequence; the window's main and the tests run them.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>

namespace quirella::lifecycle {

struct Step {
    QString name;
    std::function<void()> run;
};

// At launch, before the window is set up.
QList<Step> startupSteps();
// When the application is about to quit. No file is removed at exit.
QList<Step> exitSteps();

// Runs the steps in order.
void run(const QList<Step>& steps);
void runStartup();
void runExit();

// Names of the files we leave in the private temporary folder: cover files ("Cover_", "WAV_Cover_",
// "AutoCover_", "Quirella_Cover_" + ".jpg") and the M4A writer's working copies ("Quirella_M4A_" +
// ".m4a"). Compared case-sensitively: these are the exact names we write.
bool isStaleTemporaryFileName(QStringView name);
// Removes such files, not recursively, from `folder`; folders and every other name are left alone.
// Returns how many were removed. Best effort: an unlistable folder or an unremovable file is skipped.
int removeStaleTemporaryFiles(const QString& folder);

} // namespace quirella::lifecycle
