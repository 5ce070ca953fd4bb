#include "OnlineCommands.h"

#include "app/ContentViewModel.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/MusicMetadataManager.h"
#include "online/NetworkModeManager.h"
#include "operations/AutoSearchCommand.h"
#include "operations/TagWritingBatch.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QJsonDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace quirella::cli {

namespace {

// A command line that waits for an answer may wait this long for the catalogues' transfers.
constexpr qint64 lookupBudgetMs = 30000;

void print(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

template <typename T>
void await(const QFuture<T>& future) {
    QEventLoop loop;
    QFutureWatcher<T> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    watcher.setFuture(future);
    if (!future.isFinished()) {
        loop.exec();
    }
}

AutoSearchField fieldOf(AutoSearchCommand::Field field) {
    switch (field) {
    case AutoSearchCommand::Field::covers:
        return AutoSearchField::covers;
    case AutoSearchCommand::Field::genres:
        return AutoSearchField::genres;
    case AutoSearchCommand::Field::years:
        return AutoSearchField::years;
    }
    return AutoSearchField::covers;
}

} // namespace

int runLookup(const LookupCommand& command) {
    const QFuture<LookupResult> lookup =
        MusicMetadataManager::instance().fetchMetadata(command.artist, command.title, lookupBudgetMs);
    await(lookup);
    const LookupResult result = lookup.result();
    if (!result.ok()) {
        print(stderr, describe(result.error) + u'\n');
        return 1;
    }
    print(stdout, QString::fromUtf8(QJsonDocument(toJson(*result.metadata)).toJson(QJsonDocument::Indented)));
    return 0;
}

int runAutoSearch(const AutoSearchCommand& command) {
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel model;
    model.setFeedback(&progress, &toasts);
    if (!NetworkModeManager::instance().isOnlineMode()) {
        AutoSearchHooks offline;
        offline.progress = &progress;
        offline.toasts = &toasts;
        offline.isOnlineMode = false;
        await(startAutoSearch(fieldOf(command.field), std::nullopt, offline));
        print(stderr, toasts.message() + u'\n');
        return 1;
    }
    await(model.loadFolder(QUrl::fromLocalFile(QFileInfo(command.folder).absoluteFilePath())));
    if (model.showExportAlert()) {
        print(stderr, model.exportAlertMessage() + u'\n');
        return 1;
    }
    if (!model.currentFolder()) {
        return 1;
    }
    const QFuture<AutoSearchOutcome> search =
        autoSearchAll(model, fieldOf(command.field), true, MusicMetadataManager::instance());
    await(search);
    const AutoSearchOutcome outcome = search.result();
    if (!outcome.toast.isEmpty()) {
        print(stderr, outcome.toast + u'\n');
    }
    if (!command.write) {
        print(stdout, QString::fromUtf8(
                          QJsonDocument(toJson(*model.currentFolder())).toJson(QJsonDocument::Indented)));
        return 0;
    }
    QFuture<TagBatchResult> writing = writeTagsToSongs(model.currentFolder()->songs, &progress, &toasts);
    await(writing);
    const TagBatchResult result = writing.result();
    if (!result.message.isEmpty()) {
        print(stdout, result.message + u'\n');
    }
    for (const TagBatchResult::Failure& failure : result.failures) {
        print(stderr, failure.path + u": "_s + failure.reason + u'\n');
    }
    return result.errorLines.isEmpty() ? 0 : 1;
}

} // namespace quirella::cli
