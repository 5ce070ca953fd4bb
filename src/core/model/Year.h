// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace quirella {

// The year rule for free text everywhere: the first match of "(19|20)\d{2}", else of "\b\d{4}\b",
// accepted only within 1900..2099. The first pattern has no word boundary on purpose, so it finds the
// year inside "2003-05-12T07:00:00Z" or a longer run of digits.
std::optional<int> extractYear(const QString& text);

// A year the model accepts (1900..2099); everything else means "no year".
constexpr bool isValidYear(qint64 year) {
    return year >= 1900 && year <= 2099;
}

} // namespace quirella
