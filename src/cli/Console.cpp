// SPDX-License-Identifier: GPL-3.0-or-later
#include "Console.h"

#include "app/ContentViewModel.h"
#include "operations/TagWritingBatch.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>

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

} // namespace quirella::cli
