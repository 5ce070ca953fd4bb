// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/TrackNumber.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quirella {

// The fields one writer call changes. An absent field is not touched: whatever the file holds for it
// (every frame, item, chunk or comment loading reads for it) stays exactly as stored. A given field
// replaces all of those with the new value in the format's own layout; an empty text, a year outside
// 1900..2099 or a rating of 0 removes them.
struct TagValues {
    std::optional<QString> title;
    std::optional<QString> artist;
    std::optional<qint64> year;
    std::optional<QString> genre;
    std::optional<QString> album;
    // Encoded JPEG or PNG bytes replace the picture loading shows (a new one is added when there is
    // none); empty bytes remove it. Other pictures are never touched.
    std::optional<QByteArray> coverImage;
    std::optional<qint64> rating;
    std::optional<QString> albumArtist;
    std::optional<NumberPair> track; // an empty pair removes the number and the total
    std::optional<NumberPair> disc;
    std::optional<qint64> bpm; // 0 removes the tempo

    // Whether the call changes anything at all: a write without a given field leaves the file alone.
    bool any() const {
        return title || artist || year || genre || album || coverImage || rating || albumArtist || track ||
               disc || bpm;
    }
};

} // namespace quirella
