// The commands that work on file names and tempi: `bpm`, `rename` and `clean-bpm`, each in its own file.
#pragma once

#include <QFuture>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace quirella::cli {

// Runs the command named by the first argument when it is one of these three; nothing otherwise.
std::optional<int> runFileCommand(const QStringList& arguments);

int runBpmCommand(const QStringList& arguments);
int runRenameCommand(const QStringList& arguments);
int runCleanBpmCommand(const QStringList& arguments);

// ---- Shared by the three ----

inline constexpr int statusArgumentError = 2;

void printText(std::FILE* stream, const QString& text);
// "quirella-cli: <message>" and the pointer to --help on standard error; returns statusArgumentError.
int reportArgumentError(const QString& message);
// Runs the event loop until the future has finished.
void awaitFinished(const QFuture<void>& future);

} // namespace quirella::cli
