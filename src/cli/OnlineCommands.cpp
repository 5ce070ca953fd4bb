// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineCommands.h"

#include "Console.h"
#include "app/ContentViewModel.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "online/MusicMetadataManager.h"
#include "online/NetworkModeManager.h"
#include "operations/AutoSearchCommand.h"
#include "operations/TagWritingBatch.h"

#include <QJsonDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace quirella::cli {

namespace {

// A command line that waits for an answer may wait this long for the catalogues' transfers.
constexpr qint64 lookupBudgetMs = 30000;

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
    awaitFinished(QFuture<void>(lookup));
    const LookupResult result = lookup.result();
    if (!result.ok()) {
        printText(stderr, describe(result.error) + u'\n');
        return 1;
    }
    printText(stdout,
              QString::fromUtf8(QJsonDocument(toJson(*result.metadata)).toJson(QJsonDocument::Indented)));
    return 0;
}

int runAutoSearch(const AutoSearchCommand& command) {
    ProgressManager progress;
    ToastManager toasts;
    ContentViewModel model;
    model.setFeedback(&progress, &toasts);
    applyMaximumSongs(model);
    const TerminalProgress progressLine(progress);
    if (!NetworkModeManager::instance().isOnlineMode()) {
        AutoSearchHooks offline;
        offline.progress = &progress;
        offline.toasts = &toasts;
        offline.isOnlineMode = false;
        awaitFinished(QFuture<void>(startAutoSearch(fieldOf(command.field), std::nullopt, offline)));
        printText(stderr, toasts.message() + u'\n');
        return 1;
    }
    awaitFinished(QFuture<void>(model.loadFolder(QUrl::fromLocalFile(paths::canonicalPath(command.folder)))));
    if (model.showExportAlert()) {
        printText(stderr, model.exportAlertMessage() + u'\n');
        return 1;
    }
    if (!model.currentFolder()) {
        return 1;
    }
    const QFuture<AutoSearchOutcome> search =
        autoSearchAll(model, fieldOf(command.field), true, MusicMetadataManager::instance());
    awaitFinished(QFuture<void>(search));
    const AutoSearchOutcome outcome = search.result();
    if (!outcome.toast.isEmpty()) {
        printText(stderr, outcome.toast + u'\n');
    }
    if (!command.write) {
        printText(stdout, QString::fromUtf8(
                              QJsonDocument(toJson(*model.currentFolder())).toJson(QJsonDocument::Indented)));
        return 0;
    }
    QFuture<TagBatchResult> writing =
        writeTagsToSongs(model.currentFolder()->songs, &progress, &toasts, {}, refusingChangedFiles());
    awaitFinished(QFuture<void>(writing));
    const TagBatchResult result = writing.result();
    printTagBatch(result);
    return result.errorLines.isEmpty() ? 0 : 1;
}

} // namespace quirella::cli
