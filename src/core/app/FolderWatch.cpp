// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/FolderWatch.h"

#include "app/ContentViewModel.h"
#include "app/FolderChanges.h"
#include "model/Continuation.h"
#include "model/ToastManager.h"

#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace quirella {

namespace {

// A comparison takes at most a tenth of the time on a large folder.
constexpr int kIdleFactor = 10;

} // namespace

FolderWatch::FolderWatch(ContentViewModel& model, QObject* parent)
    : QObject(parent)
    , m_model(model) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { checkNow(); });
    m_timer.start(m_interval);
}

FolderWatch::~FolderWatch() = default;

void FolderWatch::setInterval(std::chrono::milliseconds interval) {
    m_interval = interval;
    if (!m_checking) {
        m_timer.start(m_interval);
    }
}

bool FolderWatch::mustWait() const {
    // A cell being edited would lose what the user typed when the rows are replaced under it.
    return m_model.isLoadQueued() || m_model.isDoingFileWork() || m_model.editingField().has_value();
}

void FolderWatch::scheduleNext(std::chrono::milliseconds took) {
    m_timer.start(std::max(m_interval, took * kIdleFactor));
}

QFuture<void> FolderWatch::checkNow() {
    const std::optional<MusicFolder>& folder = m_model.currentFolder();
    if (m_checking || !folder || !folder->path.isLocalFile() || mustWait()) {
        if (!m_checking) {
            scheduleNext({});
        }
        return QtFuture::makeReadyFuture();
    }
    if (folder->id != m_folderId) {
        m_folderId = folder->id;
        m_seen.clear();
    }
    QList<WatchedSong> known;
    known.reserve(folder->songs.size());
    for (const Song& song : folder->songs) {
        const bool own = song.fileValues && song.fileValues->identity.size >= 0;
        known.append({song.id, song.filePath(), song.fileValues,
                      own ? song.fileValues->identity : m_seen.value(song.id)});
    }
    const qsizetype room = std::max<qsizetype>(0, m_model.maximumSongs() - folder->songs.size());
    const QString path = folder->path.toLocalFile();
    const QUuid folderId = folder->id;
    const quint64 generation = m_model.fileWorkGeneration();
    const auto started = std::chrono::steady_clock::now();
    m_checking = true;
    m_timer.stop();
    return continueOn(QtConcurrent::run([path, known, room] { return findFolderChanges(path, known, room); }),
                      this, [this, folderId, generation, started](const FolderChanges& changes) {
                          m_checking = false;
                          scheduleNext(std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started));
                          const std::optional<MusicFolder>& now = m_model.currentFolder();
                          if (!now || now->id != folderId || mustWait() ||
                              m_model.fileWorkGeneration() != generation) {
                              return;
                          }
                          for (const auto& [id, identity] : changes.seen) {
                              m_seen.insert(id, identity);
                          }
                          if (changes.isEmpty()) {
                              return;
                          }
                          m_model.applyOutsideChanges(changes);
                          if (const QString text = describeFolderChanges(changes); !text.isEmpty()) {
                              m_model.toastManager().show(text, ToastManager::ToastType::info);
                          }
                      });
}

} // namespace quirella
