// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLifecycle.h"

#include "app/ContentViewModel.h"
#include "app/Instances.h"
#include "audio/BPMAnalyzer.h"
#include "covers/CleanupManager.h"
#include "model/Continuation.h"
#include "model/ToastManager.h"
#include "online/MetadataCache.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPromise>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

namespace quirella::lifecycle {

namespace {

constexpr int kResetToastDelayMs = 300;

// The file clean-ups of launch and "Clean", in their order. Only our own folders: /tmp is shared with
// other programs.
void removeLeftoverFiles() {
    if (otherProcessRegistered()) {
        return;
    }
    CleanupManager::cleanTemporaryDirectory();
    CleanupManager::cleanCacheFolder();
    CleanupManager::cleanLibraryTmpFolder();
}

void removeWorkingCopies() {
    if (!otherProcessRegistered()) {
        CleanupManager::removeTemporaryM4AFiles();
    }
}

} // namespace

bool otherProcessRegistered() {
    return ProcessRegistration::otherProcessRegistered();
}

QList<Step> cacheClearSteps() {
    return {
        {QStringLiteral("clear the image cache"), [] { CleanupManager::clearImageCache(); }},
        {QStringLiteral("clear the tempo cache"), [] { BPMAnalyzer::clearBPMCache(); }},
        {QStringLiteral("clear the look-up cache"), [] { MetadataCache::instance().clear(); }},
    };
}

QList<Step> startupSteps() {
    QList<Step> steps{{QStringLiteral("remove leftover files"), [] { removeLeftoverFiles(); }}};
    steps.append(cacheClearSteps());
    steps.append({QStringLiteral("remove temporary M4A files"), [] { removeWorkingCopies(); }});
    return steps;
}

QList<Step> exitSteps() {
    return cacheClearSteps();
}

void run(const QList<Step>& steps) {
    for (const Step& step : steps) {
        step.run();
    }
}

void runStartup() {
    run(startupSteps());
}

void runExit() {
    run(exitSteps());
}

QFuture<void> cleanAndReset(ContentViewModel& model, const std::function<void()>& stopPlayer) {
    QElapsedTimer sincePressed;
    sincePressed.start();
    model.setVisibleSongs({});
    model.setCurrentFolder(std::nullopt);
    model.setSelectedSongIds({});
    if (stopPlayer) {
        stopPlayer();
    }
    model.historyManager().clear();
    run(cacheClearSteps());

    auto shown = std::make_shared<QPromise<void>>();
    QFuture<void> result = shown->future();
    shown->start();
    continueOn(QtConcurrent::run([] {
                   removeLeftoverFiles();
                   removeWorkingCopies();
                   CleanupManager::resetUserDefaults();
               }),
               &model, [&model, shown, sincePressed] {
                   const int remaining = qMax(0, kResetToastDelayMs - int(sincePressed.elapsed()));
                   QTimer::singleShot(remaining, &model, [&model, shown] {
                       model.toastManager().show(
                           QCoreApplication::translate("AppLifecycle", "🧹 Application cleaned and reset"),
                           ToastManager::ToastType::success);
                       shown->finish();
                   });
               });
    return result;
}

} // namespace quirella::lifecycle
