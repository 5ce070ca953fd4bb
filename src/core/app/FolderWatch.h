// SPDX-License-Identifier: GPL-3.0-or-later
// Keeps the loaded folder current while other programs change its files: a player saving play counts,
// another tagger, a download finishing. The files are compared every few seconds off the UI thread (an
// in-place save gives no directory event, and a network share gives none at all); what changed is laid
// over the folder without losing the user's unsaved edits, and a toast says what changed.
#pragma once

#include <QFuture>
#include <QHash>
#include <QObject>
#include <QTimer>
#include <QUuid>

#include <chrono>

namespace quirella {

class ContentViewModel;
struct FileIdentity;

class FolderWatch : public QObject {
    Q_OBJECT

public:
    // Starts comparing at once; `model` must outlive the watch.
    explicit FolderWatch(ContentViewModel& model, QObject* parent = nullptr);
    ~FolderWatch() override;

    // The pause between two comparisons; a folder that takes long to compare waits longer.
    void setInterval(std::chrono::milliseconds interval);
    // Compares now and applies what it finds. Nothing happens while a comparison, a load, our own work on
    // the files or the edit of a cell runs, and a comparison that one of them overtook is thrown away. The
    // future ends once the outcome is applied or discarded.
    QFuture<void> checkNow();

private:
    void scheduleNext(std::chrono::milliseconds took);
    bool mustWait() const;

    ContentViewModel& m_model;
    QTimer m_timer;
    std::chrono::milliseconds m_interval{2000};
    bool m_checking = false;
    QUuid m_folderId;
    // Identities of files whose songs carry none of their own (tags that could not be read).
    QHash<QUuid, FileIdentity> m_seen;
};

} // namespace quirella
