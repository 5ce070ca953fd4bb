// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the test suites: scratch folders, whole-file bytes, waiting for futures while the
// event loop runs.
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFuture>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <optional>
#include <ostream>

class QProcess;

// Readable texts in the failure messages of every test.
inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace quirella::test {

// A scratch folder that removes itself; files are named relative to it.
class ScratchDir {
public:
    ScratchDir();
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }
    // Writes bytes to a file below the folder (creating subfolders) and returns its absolute path.
    QString write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir m_dir;
};

QByteArray readAll(const QString& path);
bool writeAll(const QString& path, const QByteArray& bytes);
// Bytes of a fixture file (scripts/make-fixtures.sh, made by the build).
QByteArray dataFile(const QString& name);

// Collects the warnings logged while it lives (the console lines the application prints).
class WarningCapture {
public:
    WarningCapture();
    ~WarningCapture();
    WarningCapture(const WarningCapture&) = delete;
    WarningCapture& operator=(const WarningCapture&) = delete;
    const QStringList& warnings() const;

private:
    QtMessageHandler m_previous;
};

// A test binary can also be the helper process of one of its own tests (a writer to kill, a second
// instance): started with QUIRELLA_TEST_CHILD=<name>, it runs the child registered under that name
// instead of the tests, with the job text the parent passed. Registered once per name:
//   static const ChildMain registered("name", [](const QByteArray& job) { ...; return 0; });
class ChildMain {
public:
    using Body = int (*)(const QByteArray& job);
    ChildMain(const char* name, Body body);
    // The exit status of the child `name` when this process was started as one; nothing otherwise.
    static std::optional<int> runIfChild();
    // Starts this binary as the child `name` with `job`, leak checks off (it is killed, not ended).
    static void start(QProcess& process, const char* name, const QByteArray& job);
};

// Runs the event loop until the future finishes (or the timeout passes) and returns whether it did.
template <typename T>
bool waitFor(const QFuture<T>& future, int timeoutMs = 30000) {
    return QTest::qWaitFor([&] { return future.isFinished(); }, timeoutMs);
}

} // namespace quirella::test
