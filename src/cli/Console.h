// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of quirella-cli shares: printing, the argument-error form, and waiting for a
// future while the event loop runs.
#pragma once

#include <QFuture>
#include <QString>

#include <optional>

namespace quirella {
class ContentViewModel;
struct TagBatchResult;
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
// The --max-songs of this run, when given; applied to each view model that loads a folder.
std::optional<int>& maximumSongsOption();
void applyMaximumSongs(ContentViewModel& model);
// Runs the event loop until the future has finished.
void awaitFinished(const QFuture<void>& future);

template <typename T>
T awaitResult(const QFuture<T>& future) {
    awaitFinished(QFuture<void>(future));
    return future.result();
}

} // namespace quirella::cli
