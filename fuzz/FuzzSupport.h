// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the fuzz targets: an invariant check that libFuzzer reports as a crash, and a set of tag
// values with text outside ASCII and Latin-1, a year and a rating.
#pragma once

#include "tags/TagValues.h"

#include <cstdlib>

namespace quirella::fuzz {

inline void check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

inline TagValues sampleValues() {
    TagValues values;
    values.title = QStringLiteral("Café");
    values.artist = QStringLiteral("日本");
    values.year = 1999;
    values.genre = QStringLiteral("Jazz");
    values.rating = 3;
    return values;
}

} // namespace quirella::fuzz
