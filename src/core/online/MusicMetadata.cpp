// SPDX-License-Identifier: GPL-3.0-or-later
#include "online/MusicMetadata.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace quirella {

QString describe(MetadataError error) {
    switch (error) {
    case MetadataError::networkError:
        return QCoreApplication::translate("MusicMetadata", "Network error");
    case MetadataError::noResults:
        return QCoreApplication::translate("MusicMetadata", "No results");
    case MetadataError::invalidResponse:
        return QCoreApplication::translate("MusicMetadata", "Invalid response");
    case MetadataError::rateLimitExceeded:
        return QCoreApplication::translate("MusicMetadata", "The music catalogues are busy; try again later");
    }
    return {};
}

QJsonObject toJson(const MusicMetadata& metadata) {
    QJsonObject object;
    if (metadata.title) {
        object.insert(u"title"_s, *metadata.title);
    }
    if (metadata.artist) {
        object.insert(u"artist"_s, *metadata.artist);
    }
    if (metadata.year) {
        object.insert(u"year"_s, *metadata.year);
    }
    if (metadata.coverURL) {
        object.insert(u"coverURL"_s, *metadata.coverURL);
    }
    if (metadata.genre) {
        object.insert(u"genre"_s, *metadata.genre);
    }
    return object;
}

} // namespace quirella
