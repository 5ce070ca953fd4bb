#include "model/Bookmark.h"

#include <QDir>
#include <QFileInfo>

namespace quirella::bookmark {

Creation create(const QString& filePath) {
    const QFileInfo info(filePath);
    if (!info.exists()) {
        return {std::nullopt, QStringLiteral("The file “%1” doesn’t exist.").arg(info.fileName())};
    }
    if (!info.isReadable()) {
        return {std::nullopt,
                QStringLiteral("You don’t have permission to read the file “%1”.").arg(info.fileName())};
    }
    return {info.absoluteFilePath().toUtf8(), {}};
}

Resolution resolve(const QByteArray& data) {
    if (data.isEmpty()) {
        return {std::nullopt, QStringLiteral("The bookmark is empty.")};
    }
    if (data.contains('\0')) {
        return {std::nullopt, QStringLiteral("The bookmark is malformed.")};
    }
    const QString path = QString::fromUtf8(data);
    // Bytes that are not valid UTF-8 do not survive the round trip.
    if (path.toUtf8() != data || !QDir::isAbsolutePath(path)) {
        return {std::nullopt, QStringLiteral("The bookmark is malformed.")};
    }
    return {path, {}};
}

bool beginAccess(const QString& filePath) {
    return QFileInfo::exists(filePath);
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
