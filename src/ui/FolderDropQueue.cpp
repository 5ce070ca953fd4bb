// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FolderDropQueue.h"

#include "model/Continuation.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace quirella::ui {

FolderDropQueue::FolderDropQueue(Loader loader, QObject* parent)
    : QObject(parent)
    , m_loader(std::move(loader)) {}

void FolderDropQueue::enqueue(const QList<QUrl>& locations) {
    for (const QUrl& location : locations) {
        if (location.isLocalFile()) {
            m_pending.append(location);
        }
    }
    if (!m_busy) {
        next();
    }
}

void FolderDropQueue::next() {
    if (m_pending.isEmpty()) {
        m_busy = false;
        emit idle();
        return;
    }
    m_busy = true;
    const QUrl location = m_pending.takeFirst();
    continueOn(QtConcurrent::run([path = location.toLocalFile()] { return QFileInfo(path).isDir(); }), this,
               [this, location](bool isFolder) { loadIfFolder(location, isFolder); });
}

void FolderDropQueue::loadIfFolder(const QUrl& location, bool isFolder) {
    if (!isFolder) {
        next();
        return;
    }
    // A watcher sees every ending of the load, cancelled or failed included.
    auto* watcher = new QFutureWatcher<void>(this);
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, watcher] {
        watcher->deleteLater();
        next();
    });
    watcher->setFuture(m_loader(location));
}

} // namespace quirella::ui
