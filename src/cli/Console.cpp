// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/RemainingTime.h"
#include "operations/TagWritingBatch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quirella::cli {

void printText(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

std::optional<int>& maximumSongsOption() {
    static std::optional<int> maximum;
    return maximum;
}

void applyMaximumSongs(ContentViewModel& model) {
    if (maximumSongsOption()) {
        model.overrideMaximumSongs(*maximumSongsOption());
    }
}

TerminalProgress::TerminalProgress()
    : m_enabled(::isatty(STDERR_FILENO) == 1) {
    m_started.start();
}

TerminalProgress::TerminalProgress(const ProgressManager& progress)
    : TerminalProgress() {
    if (!m_enabled) {
        return;
    }
    const auto follow = [this, &progress] { update(progress.current(), progress.total()); };
    connect(&progress, &ProgressManager::currentChanged, this, follow);
    connect(&progress, &ProgressManager::totalChanged, this, follow);
    connect(&progress, &ProgressManager::isVisibleChanged, this, [this, &progress] {
        if (!progress.isVisible()) {
            clear();
        }
    });
}

TerminalProgress::~TerminalProgress() {
    clear();
}

void TerminalProgress::update(int current, int total) {
    if (!m_enabled || total <= 0) {
        return;
    }
    // A new stage (building the songs, then writing them) starts its own estimate.
    if (total != m_lastTotal || current < m_lastCurrent) {
        m_started.restart();
    }
    m_lastCurrent = current;
    m_lastTotal = total;
    if (m_lastDrawn.isValid() && m_lastDrawn.elapsed() < 100 && current < total) {
        return;
    }
    m_lastDrawn.start();
    const double percent = 100.0 * current / total;
    const QString line = QCoreApplication::translate("Cli", "%1 of %2 (%3%), %4")
                             .arg(current)
                             .arg(total)
                             .arg(static_cast<int>(percent))
                             .arg(remainingTimeText(percent, m_started.elapsed() / 1000.0));
    // Back to the start of the line, the text, and the rest of the line erased.
    printText(stderr, u'\r' + line + u"\x1b[K"_s);
    m_shown = true;
}

void TerminalProgress::clear() {
    if (m_shown) {
        printText(stderr, u"\r\x1b[K"_s);
        m_shown = false;
    }
}

int reportArgumentError(const QString& message) {
    printText(stderr, u"quirella-cli: "_s + message + u'\n' +
                          QCoreApplication::translate("Cli", "Try 'quirella-cli --help'.") + u'\n');
    return statusArgumentError;
}

void printTagBatch(const TagBatchResult& result) {
    if (!result.message.isEmpty()) {
        printText(stdout, result.message + u'\n');
    }
    for (const TagBatchResult::Failure& failure : result.failures) {
        printText(stderr, failure.path + u": "_s + failure.reason + u'\n');
    }
    for (const TagBatchResult::Failure& skip : result.skipped) {
        printText(stderr, skip.path + u": "_s +
                              QCoreApplication::translate("Cli", "skipped: %1").arg(skip.reason) + u'\n');
    }
}

void awaitFinished(const QFuture<void>& future) {
    if (future.isFinished()) {
        return;
    }
    QEventLoop loop;
    QFutureWatcher<void> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) {
        loop.exec();
    }
}

TagBatchOptions refusingChangedFiles() {
    TagBatchOptions options;
    options.refuseChangedFiles = true;
    return options;
}

} // namespace quirella::cli
