// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/AutoSearch.h"

#include "model/Continuation.h"
#include "model/CoverStore.h"
#include "model/ProgressManager.h"
#include "online/MusicMetadataManager.h"

#include <QCoreApplication>
#include <QImage>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

struct Texts {
    QString allHave;
    QString progress;
    const char* found = ""; // "✅ Found %n covers, %1 failed": the found count and the failed count
};

Texts textsFor(AutoSearchField field) {
    switch (field) {
    case AutoSearchField::covers:
        return {QCoreApplication::translate("AutoSearch", "ℹ️ All songs already have covers"),
                QCoreApplication::translate("AutoSearch", "Searching for covers..."),
                QT_TRANSLATE_N_NOOP("AutoSearch", "✅ Found %n covers, %1 failed")};
    case AutoSearchField::genres:
        return {QCoreApplication::translate("AutoSearch", "ℹ️ All songs already have genres"),
                QCoreApplication::translate("AutoSearch", "Searching for genres..."),
                QT_TRANSLATE_N_NOOP("AutoSearch", "✅ Found %n genres, %1 failed")};
    case AutoSearchField::years:
        return {QCoreApplication::translate("AutoSearch", "ℹ️ All songs already have years"),
                QCoreApplication::translate("AutoSearch", "Searching for years..."),
                QT_TRANSLATE_N_NOOP("AutoSearch", "✅ Found %n years, %1 failed")};
    }
    return {};
}

struct WorkItem {
    QUuid songId;
    QString artist;
    QString title;
};

// One song's search, on a worker thread. Absent when nothing usable was found.
std::optional<AutoSearchValue> searchOne(AutoSearchField field, const WorkItem& item,
                                         MusicMetadataManager* manager, const StopFlag& stop) {
    if (item.artist.isEmpty() || item.title.isEmpty()) {
        return std::nullopt;
    }
    const LookupResult lookup = manager->lookup(item.artist, item.title, &stop);
    if (!lookup.ok()) {
        return std::nullopt;
    }
    const MusicMetadata& metadata = *lookup.metadata;
    AutoSearchValue value{item.songId, {}, 0};
    switch (field) {
    case AutoSearchField::genres:
        if (!metadata.genre || metadata.genre->trimmed().isEmpty()) {
            return std::nullopt;
        }
        value.text = *metadata.genre;
        return value;
    case AutoSearchField::years:
        if (!metadata.year) {
            return std::nullopt;
        }
        value.year = *metadata.year;
        return value;
    case AutoSearchField::covers: {
        if (!metadata.coverURL) {
            return std::nullopt;
        }
        const DownloadResult download = manager->download(*metadata.coverURL, &stop);
        if (!download.ok()) {
            return std::nullopt;
        }
        // Bytes that do not decode as an image never become a song's cover.
        QImage image;
        if (!image.loadFromData(*download.bytes)) {
            return std::nullopt;
        }
        const std::optional<QString> path = saveCoverToTemp(*download.bytes, u"AutoCover"_s);
        if (!path) {
            return std::nullopt;
        }
        value.text = *path;
        return value;
    }
    }
    return std::nullopt;
}

// The state of one run; lives on the UI thread and is touched only there.
class Run : public QObject {
public:
    Run(AutoSearchField field, QList<WorkItem> work, AutoSearchHooks hooks)
        : m_field(field)
        , m_texts(textsFor(field))
        , m_work(std::move(work))
        , m_hooks(std::move(hooks)) {}

    QFuture<AutoSearchOutcome> start() {
        m_promise.start();
        const int n = int(m_work.size());
        m_outcome.searched = n;
        if (n >= ProgressManager::minimumSongsForProgress) {
            ProgressManager::Operation operation;
            operation.type = ProgressManager::OperationType::customOperation;
            operation.message = m_texts.progress;
            operation.total = n;
            operation.isCancellable = true;
            StopFlag stop = m_stop;
            operation.cancellationHandler = [stop]() mutable { stop.request(); };
            m_hooks.progress->startOperation(std::move(operation));
            m_overlay = true;
        }
        QFuture<AutoSearchOutcome> future = m_promise.future();
        fill();
        return future;
    }

private:
    bool stopRequested() const {
        return m_stop.isRequested() || (m_overlay && m_hooks.progress->isCancelled());
    }

    // Adds items until eight are in flight or the list or the run has ended.
    void fill() {
        while (m_inFlight < m_hooks.maxInFlight && m_next < m_work.size() && !stopRequested()) {
            const WorkItem item = m_work.at(m_next++);
            ++m_inFlight;
            const AutoSearchField field = m_field;
            MusicMetadataManager* manager = m_hooks.manager;
            const StopFlag stop = m_stop;
            continueOn(
                QtConcurrent::run(&manager->pool(), [field, item, manager,
                                                     stop] { return searchOne(field, item, manager, stop); }),
                this, [this](std::optional<AutoSearchValue> value) { account(std::move(value)); });
        }
        if (m_inFlight == 0) {
            end();
        }
    }

    void account(std::optional<AutoSearchValue> value) {
        --m_inFlight;
        if (value) {
            m_outcome.values.append(std::move(*value));
            ++m_outcome.found;
        } else {
            ++m_outcome.failed;
        }
        if (m_overlay) {
            m_hooks.progress->updateProgress(m_outcome.found + m_outcome.failed, int(m_work.size()),
                                             QCoreApplication::translate("AutoSearch", "Found %1, Failed %2")
                                                 .arg(m_outcome.found)
                                                 .arg(m_outcome.failed));
        }
        fill();
    }

    void end() {
        const bool cancelled = stopRequested();
        if (!cancelled && m_hooks.apply) {
            m_hooks.apply(m_outcome.values);
        }
        if (m_overlay) {
            m_hooks.progress->finishOperation();
        }
        if (cancelled) {
            m_outcome.ending = AutoSearchOutcome::Ending::cancelled;
            m_outcome.values.clear();
            m_outcome.toast = QCoreApplication::translate("AutoSearch", "❌ Operation cancelled");
            m_outcome.toastType = ToastManager::ToastType::warning;
        } else {
            m_outcome.ending = AutoSearchOutcome::Ending::finished;
            m_outcome.toast =
                QCoreApplication::translate("AutoSearch", m_texts.found, nullptr, m_outcome.found)
                    .arg(m_outcome.failed);
            m_outcome.toastType =
                m_outcome.found < 1 ? ToastManager::ToastType::warning : ToastManager::ToastType::success;
        }
        m_hooks.toasts->show(m_outcome.toast, m_outcome.toastType);
        // The overlay's changes are posted to its thread: the run ends after they have been applied.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_promise.addResult(m_outcome);
                m_promise.finish();
                deleteLater();
            },
            Qt::QueuedConnection);
    }

    AutoSearchField m_field;
    Texts m_texts;
    QList<WorkItem> m_work;
    AutoSearchHooks m_hooks;
    StopFlag m_stop;
    bool m_overlay = false;
    qsizetype m_next = 0;
    int m_inFlight = 0;
    AutoSearchOutcome m_outcome;
    QPromise<AutoSearchOutcome> m_promise;
};

QFuture<AutoSearchOutcome> finishedWith(AutoSearchOutcome outcome) {
    QPromise<AutoSearchOutcome> promise;
    promise.start();
    promise.addResult(std::move(outcome));
    promise.finish();
    return promise.future();
}

} // namespace

QString autoSearchTitle(AutoSearchField field) {
    switch (field) {
    case AutoSearchField::covers:
        return QCoreApplication::translate("AutoSearch", "Auto-Search All Covers");
    case AutoSearchField::genres:
        return QCoreApplication::translate("AutoSearch", "Auto-Search All Genres");
    case AutoSearchField::years:
        return QCoreApplication::translate("AutoSearch", "Auto-Search All Years");
    }
    return {};
}

bool needsAutoSearch(AutoSearchField field, const Song& song) {
    switch (field) {
    case AutoSearchField::covers:
        return !song.coverImagePath.has_value();
    case AutoSearchField::genres:
        return song.genre.isEmpty();
    case AutoSearchField::years:
        return song.year == 0;
    }
    return false;
}

void applyAutoSearchValues(MusicFolder& folder, AutoSearchField field, const QList<AutoSearchValue>& values) {
    for (const AutoSearchValue& value : values) {
        Song* song = findSong(folder.songs, value.songId);
        if (!song) {
            continue;
        }
        switch (field) {
        case AutoSearchField::covers:
            song->coverImagePath = value.text;
            break;
        case AutoSearchField::genres:
            song->genre = value.text;
            break;
        case AutoSearchField::years:
            song->year = value.year;
            break;
        }
    }
}

QFuture<AutoSearchOutcome> startAutoSearch(AutoSearchField field, const std::optional<MusicFolder>& folder,
                                           AutoSearchHooks hooks) {
    AutoSearchOutcome outcome;
    if (!hooks.isOnlineMode) {
        outcome.ending = AutoSearchOutcome::Ending::offline;
        outcome.toast = QCoreApplication::translate(
            "AutoSearch", "⚠️ Online Mode is disabled. Enable it from the top-left button.");
        outcome.toastType = ToastManager::ToastType::warning;
        hooks.toasts->show(outcome.toast, outcome.toastType);
        return finishedWith(outcome);
    }
    if (!folder) {
        return finishedWith(outcome);
    }
    QList<WorkItem> work;
    for (const Song& song : folder->songs) {
        if (needsAutoSearch(field, song)) {
            work.append({song.id, song.artist, song.name});
        }
    }
    if (work.isEmpty()) {
        outcome.ending = AutoSearchOutcome::Ending::nothingToSearch;
        outcome.toast = textsFor(field).allHave;
        outcome.toastType = ToastManager::ToastType::info;
        hooks.toasts->show(outcome.toast, outcome.toastType);
        return finishedWith(outcome);
    }
    auto* run = new Run(field, std::move(work), std::move(hooks));
    return run->start();
}

} // namespace quirella
