// SPDX-License-Identifier: GPL-3.0-or-later
// Folders handed to the window, by a drop or on the command line, are loaded one after the other in the
// order given, each load finishing before the next begins. Whether a location is a folder is checked off
// the UI thread; anything that is not an existing folder is passed over without a message.
#pragma once

#include <QFuture>
#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>

namespace quirella::ui {

class FolderDropQueue : public QObject {
    Q_OBJECT

public:
    using Loader = std::function<QFuture<void>(const QUrl&)>;

    explicit FolderDropQueue(Loader loader, QObject* parent = nullptr);

    // Appends the locations; folders dropped while earlier ones still load wait their turn.
    void enqueue(const QList<QUrl>& locations);
    bool isBusy() const { return m_busy; }

signals:
    // The queue ran empty.
    void idle();

private:
    void next();
    void loadIfFolder(const QUrl& location, bool isFolder);

    Loader m_loader;
    QList<QUrl> m_pending;
    bool m_busy = false;
};

} // namespace quirella::ui
