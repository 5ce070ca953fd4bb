// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>

namespace quirella::test {

ScratchDir::ScratchDir()
    : m_dir(QDir::tempPath() + QStringLiteral("/scratch-XXXXXX")) {}

QString ScratchDir::write(const QString& name, const QByteArray& bytes) const {
    const QString path = m_dir.filePath(name);
    QDir().mkpath(QFileInfo(path).absolutePath());
    writeAll(path, bytes);
    return path;
}

namespace {

QStringList capturedWarnings;

void captureWarning(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg) {
        capturedWarnings.append(message);
    }
}

} // namespace

WarningCapture::WarningCapture()
    : m_previous(qInstallMessageHandler(captureWarning)) {
    capturedWarnings.clear();
}

WarningCapture::~WarningCapture() {
    qInstallMessageHandler(m_previous);
}

const QStringList& WarningCapture::warnings() const {
    return capturedWarnings;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return file.readAll();
}

bool writeAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        return false;
    }
    return file.write(bytes) == bytes.size();
}

namespace {

constexpr char kChildVariable[] = "QUIRELLA_TEST_CHILD";
constexpr char kJobVariable[] = "QUIRELLA_TEST_CHILD_JOB";

QMap<QByteArray, ChildMain::Body>& children() {
    static QMap<QByteArray, ChildMain::Body> registered;
    return registered;
}

} // namespace

ChildMain::ChildMain(const char* name, Body body) {
    children().insert(name, body);
}

std::optional<int> ChildMain::runIfChild() {
    const QByteArray name = qgetenv(kChildVariable);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    const Body body = children().value(name);
    return body ? body(qgetenv(kJobVariable)) : 3;
}

void ChildMain::start(QProcess& process, const char* name, const QByteArray& job) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QString::fromLatin1(kChildVariable), QString::fromLatin1(name));
    environment.insert(QString::fromLatin1(kJobVariable), QString::fromUtf8(job));
    // Leak checks would not get to run in a killed process anyway.
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    process.setProcessEnvironment(environment);
    process.start(QCoreApplication::applicationFilePath(), {});
}

QByteArray dataFile(const QString& name) {
    return readAll(QStringLiteral(QUIRELLA_TEST_DATA) + QLatin1Char('/') + name);
}

} // namespace quirella::test
