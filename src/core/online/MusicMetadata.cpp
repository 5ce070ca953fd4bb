#include "online/MusicMetadata.h"

using namespace Qt::StringLiterals;

namespace quirella {

QString describe(MetadataError error) {
    switch (error) {
    case MetadataError::networkError:
        return u"Network error"_s;
    case MetadataError::noResults:
        return u"No results"_s;
    case MetadataError::invalidResponse:
        return u"Invalid response"_s;
    case MetadataError::rateLimitExceeded:
        return u"The music catalogues are busy; try again later"_s;
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
