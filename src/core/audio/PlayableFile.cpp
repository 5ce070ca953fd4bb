// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/PlayableFile.h"

#include "audio/AudioDecoder.h"
#include "model/Bookmark.h"
#include "model/Paths.h"

#include <QFile>
#include <QFileInfo>

namespace quirella {

bool isDecodableAudio(const QString& path) {
    return audio::hasDecodableAudio(paths::nativePath(path));
}

std::optional<PlayableFile> preparePlayback(const QByteArray& bookmarkData) {
    const bookmark::Resolution resolved = bookmark::resolve(bookmarkData);
    if (!resolved.path || !QFileInfo::exists(*resolved.path)) {
        return std::nullopt;
    }
    const QString path = *resolved.path;
    // A name that does not survive the trip through a URL would make the player open another file.
    const QUrl location = QUrl::fromLocalFile(path);
    if (!location.isValid() || location.toLocalFile() != path) {
        return std::nullopt;
    }
    if (!bookmark::beginAccess(path)) {
        return std::nullopt;
    }
    PlayableFile file{location, path};
    if (!isDecodableAudio(path)) {
        endPlayback(file);
        return std::nullopt;
    }
    return file;
}

void endPlayback(const PlayableFile& file) {
    bookmark::endAccess(file.accessPath);
}

} // namespace quirella
