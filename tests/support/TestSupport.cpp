#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString dataPath(const QString& name) {
    return QStringLiteral(QUIRELLA_TEST_DATA) + QLatin1Char('/') + name;
}

QByteArray dataFile(const QString& name) {
    return readAll(dataPath(name));
}

} // namespace quirella::test
