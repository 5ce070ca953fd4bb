// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "model/TrackNumber.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace quirella {

// What a file's own tags hold for the fields we edit, as loading shows them. Every format reads them with
// the same parse its writer uses to decide what to keep, so a save never "corrects" a field the user did
// not change towards a value a second reader saw.
struct StoredTags {
    QString title; // empty when the tags hold none
    QString artist;
    QString album;
    QString genre;
    int year = 0;                    // 1900..2099; 0 when the tags hold none
    int rating = 0;                  // whole stars 0..5
    std::optional<QByteArray> cover; // the image bytes of the picture loading shows
    QString albumArtist;
    NumberPair track;
    NumberPair disc;
    int bpm = 0; // the tempo in whole beats per minute, 0 when none

    bool operator==(const StoredTags&) const = default;
};

} // namespace quirella
