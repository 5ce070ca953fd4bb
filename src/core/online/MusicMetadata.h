// SPDX-License-Identifier: GPL-3.0-or-later
// What a catalogue knows about one recording, and how a look-up can fail.
#pragma once

#include <QJsonObject>
#include <QString>

#include <optional>

namespace quirella {

// A plain value record. An absent field is one the catalogue did not give; a failed look-up is no
// record at all, which differs from a record whose fields are all absent.
struct MusicMetadata {
    std::optional<QString> title;
    std::optional<QString> artist;
    std::optional<int> year; // 1900..2099 when present
    std::optional<QString> coverURL;
    std::optional<QString> genre;

    friend bool operator==(const MusicMetadata&, const MusicMetadata&) = default;
};

enum class MetadataError {
    networkError,
    noResults,
    invalidResponse,
    // Every catalogue that could have answered was busy (rate limit): not the same as "no match", and
    // never cached, so the same look-up is asked again later.
    rateLimitExceeded,
};

QString describe(MetadataError error);

// The record with the fields that are present, under the field names.
QJsonObject toJson(const MusicMetadata& metadata);

} // namespace quirella
