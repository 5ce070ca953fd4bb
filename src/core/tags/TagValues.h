// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quirella {

// The values one writer call puts into a file. Absent means "not given"; what an empty or out-of-range
// value writes differs by format and is each writer's business.
struct TagValues {
    std::optional<QString> title;
    std::optional<QString> artist;
    std::optional<qint64> year;
    std::optional<QString> genre;
    std::optional<QString> album;         // the batch never passes one
    std::optional<QByteArray> coverImage; // encoded JPEG or PNG bytes
    // The pictures in the file stay exactly as they are (no cover given does not remove them): the song
    // has a cover whose file could not be read, and the one in the file must not be lost unasked.
    bool keepPictures = false;
    std::optional<qint64> rating;
};

} // namespace quirella
