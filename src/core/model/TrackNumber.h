// SPDX-License-Identifier: GPL-3.0-or-later
// Track and disc numbers: a number with an optional total ("3" or "3/12").
#pragma once

#include <QString>
#include <QStringView>

#include <optional>

namespace quirella {

struct NumberPair {
    int number = 0; // 1..999; 0 means none
    int total = 0;  // 1..999 and not below the number; 0 means none

    bool isEmpty() const { return number == 0 && total == 0; }
    bool operator==(const NumberPair&) const = default;
};

// What a person types for a track or disc number: "3", "03", "3/12", " 3 / 12 ", or an empty text or 0
// for none. Numbers and totals are whole numbers 1 to 999, the total not below the number; anything else
// ("abc", "3/2", "-1", "1000") is refused with a plain message naming the text.
struct NumberPairInput {
    std::optional<NumberPair> value;
    QString error;
};
NumberPairInput parseNumberPair(QStringView text);

// "3", "3/12", or empty for none.
QString numberPairText(const NumberPair& pair);

// A number as other programs store it in a tag ("03", "3/12", "3 of 12", "7/"): its leading digits and
// the digits after a "/", each 0 when missing or beyond 9999. Never refuses.
NumberPair storedNumberPair(QStringView text);

} // namespace quirella
