// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Bookmark.h"

#include "model/Paths.h"

#include <QCoreApplication>

#include <sys/stat.h>
#include <unistd.h>

namespace quirella::bookmark {

namespace {

QString displayFileName(const QString& path) {
    return paths::displayText(QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1));
}

} // namespace

Creation create(const QString& filePath) {
    const QString absolute = paths::absolutePath(filePath);
    // The raw bytes of the name, not its text: a name that is not UTF-8 must still find its file.
    const QByteArray native = paths::nativePath(absolute);
    struct stat info {};
    if (::stat(native.constData(), &info) != 0) {
        return {std::nullopt, QCoreApplication::translate("Bookmark", "The file “%1” doesn’t exist.")
                                  .arg(displayFileName(absolute))};
    }
    if (::access(native.constData(), R_OK) != 0) {
        return {std::nullopt,
                QCoreApplication::translate("Bookmark", "You don’t have permission to read the file “%1”.")
                    .arg(displayFileName(absolute))};
    }
    return {native, {}};
}

Resolution resolve(const QByteArray& data) {
    if (data.isEmpty()) {
        return {std::nullopt, QCoreApplication::translate("Bookmark", "The bookmark is empty.")};
    }
    if (data.contains('\0') || !data.startsWith('/')) {
        return {std::nullopt, QCoreApplication::translate("Bookmark", "The bookmark is malformed.")};
    }
    return {paths::fromNativePath(data), {}};
}

bool beginAccess(const QString& filePath) {
    struct stat info {};
    return ::stat(paths::nativePath(filePath).constData(), &info) == 0;
}

void endAccess(const QString& filePath) {
    Q_UNUSED(filePath);
}

ScopedAccess::ScopedAccess(QString filePath)
    : m_path(std::move(filePath))
    , m_granted(beginAccess(m_path)) {}

ScopedAccess::~ScopedAccess() {
    if (m_granted) {
        endAccess(m_path);
    }
}

} // namespace quirella::bookmark
