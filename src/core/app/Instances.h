// SPDX-License-Identifier: GPL-3.0-or-later
// Several processes of ours may run at once: a window, command-line runs, a second window started by a
// desktop's "Open With". They share the private temporary folder, where cover files and M4A working
// copies live, so no process may clear that folder while another one uses it. Each process registers
// itself there for its lifetime; only one window runs per user, and a second launch hands its folders
// to it.
#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace quirella {

// A process's registration: a lock file in the private temporary folder, locked while the process
// lives. The kernel drops the lock when the process dies, however it dies, so a lock file left by a
// dead process is recognised as stale and ignored.
class ProcessRegistration {
public:
    // Registers in `folder` (the private temporary folder when empty). Registration is best effort: a
    // process that cannot register still runs, it just does not protect its files.
    explicit ProcessRegistration(const QString& folder = {});
    ~ProcessRegistration();
    ProcessRegistration(const ProcessRegistration&) = delete;
    ProcessRegistration& operator=(const ProcessRegistration&) = delete;

    bool isRegistered() const { return m_fd >= 0; }

    // Whether any other live process is registered in `folder`. Stale registrations are removed on the
    // way.
    static bool otherProcessRegistered(const QString& folder = {});

private:
    QString m_folder;
    QString m_path;
    int m_fd = -1;
};

// The one window per user. The first window to `claim` becomes the primary and listens on a local
// socket in the private temporary folder; later launches `handOver` their folders to it and exit.
class WindowInstance : public QObject {
    Q_OBJECT

public:
    explicit WindowInstance(const QString& folder = {}, QObject* parent = nullptr);
    ~WindowInstance() override;

    // Tries to become the primary window. False when another window holds the claim (or the folder is
    // unusable, in which case this process runs on its own: see `isPrimary`).
    bool claim();
    bool isPrimary() const { return m_primary; }

    // Sends the folders (native path bytes) to the primary window and waits for its answer, for up to
    // `timeoutMs`. False when no primary answered.
    bool handOver(const QByteArrayList& folders, int timeoutMs = 5000) const;

signals:
    // In the primary: another launch asked to open these folders (native path bytes), in order.
    void foldersReceived(const QByteArrayList& folders);

private:
    void acceptConnection();

    QString m_folder;
    int m_claimFd = -1;
    bool m_primary = false;
    QLocalServer* m_server = nullptr;
};

} // namespace quirella
