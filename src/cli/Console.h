// SPDX-License-Identifier: GPL-3.0-or-later
// What every command of quirella-cli shares: printing, the argument-error form, and waiting for a
// future while the event loop runs.
#pragma once

#include <QElapsedTimer>
#include <QFuture>
#include <QObject>
#include <QString>

#include <optional>

namespace quirella {
class ContentViewModel;
class ProgressManager;
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
// The --max-songs of this run, when given; applied to each view model that loads a folder.
std::optional<int>& maximumSongsOption();
void applyMaximumSongs(ContentViewModel& model);
// One progress line on standard error while a long command runs (count, total, remaining time), redrawn
// in place at most ten times a second and cleared when the work ends; nothing at all when standard
// error is not a terminal, so the output of a pipe or a log is what it always was.
class TerminalProgress : public QObject {
public:
    TerminalProgress();
    // Follows the counts of this overlay state (the batches and loading report there).
    explicit TerminalProgress(const ProgressManager& progress);
    ~TerminalProgress() override;
    TerminalProgress(const TerminalProgress&) = delete;
    TerminalProgress& operator=(const TerminalProgress&) = delete;

    void update(int current, int total);
    void clear();

private:
    bool m_enabled = false;
    bool m_shown = false;
    int m_lastCurrent = 0;
    int m_lastTotal = 0;
    QElapsedTimer m_started; // since the present stage began
    QElapsedTimer m_lastDrawn;
};

// Runs the event loop until the future has finished.
void awaitFinished(const QFuture<void>& future);

template <typename T>
T awaitResult(const QFuture<T>& future) {
    awaitFinished(QFuture<void>(future));
    return future.result();
}

} // namespace quirella::cli
