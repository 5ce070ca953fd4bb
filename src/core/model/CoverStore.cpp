#include "model/CoverStore.h"

#include "model/Paths.h"

#include <QFileInfo>
#include <QHash>
#include <QSaveFile>

namespace quirella {

quint64 coverHash(const QByteArray& bytes) {
    // Only the seed 0 gives the same hash in every process: Qt mixes its per-process random seed into the
    // hash of bytes under any other seed, and each run would then write every cover once more.
    return static_cast<quint64>(qHash(QByteArrayView(bytes), size_t{0}));
}

std::optional<QString> saveCoverToTemp(const QByteArray& bytes, const QString& prefix) {
    const QString dir = paths::privateTempDir();
    if (dir.isEmpty()) {
        return std::nullopt;
    }
    const QString path = dir + QLatin1Char('/') + prefix + QLatin1Char('_') +
                         QString::number(coverHash(bytes)) + QStringLiteral(".jpg");
    if (QFileInfo::exists(path)) {
        return path;
    }
    // Written under a temporary name and renamed, so a reader never sees half a picture.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        return std::nullopt;
    }
    return path;
}

} // namespace quirella
