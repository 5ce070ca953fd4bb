// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of quirella-cli shares: printing, the argument-error form, and waiting for a
// future while the event loop runs.
#pragma once

#include <QFuture>
#include <QString>

namespace quirella {
struct TagBatchResult;
struct TagBatchOptions;
} // namespace quirella

#include <cstdio>

namespace quirella::cli {

inline constexpr int statusArgumentError = 2;

// Writes the text as UTF-8 and flushes.
void printText(std::FILE* stream, const QString& text);
// "quirella-cli: <message>" and the pointer to --help on standard error; returns statusArgumentError.
int reportArgumentError(const QString& message);
// The outcome of a tag-writing batch: its message on standard output, then each failed and each skipped
// file with its reason on standard error (the window's toast has no room for them).
void printTagBatch(const TagBatchResult& result);
// The tag-writing options of the command line: a file another program saved since it was read is left
// alone and reported.
TagBatchOptions refusingChangedFiles();
// Runs the event loop until the future has finished.
void awaitFinished(const QFuture<void>& future);

template <typename T>
T awaitResult(const QFuture<T>& future) {
    awaitFinished(QFuture<void>(future));
    return future.result();
}

} // namespace quirella::cli
