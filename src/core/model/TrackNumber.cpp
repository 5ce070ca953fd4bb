// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/TrackNumber.h"

#include <QCoreApplication>

namespace quirella {

namespace {

constexpr int kMaxNumber = 999;

// The whole number `text` spells in decimal digits alone, or nothing.
std::optional<int> wholeNumber(QStringView text) {
    if (text.isEmpty() || text.size() > 4) {
        return std::nullopt;
    }
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

// The leading digits of `text` (at most four of them count), or 0.
int leadingNumber(QStringView text) {
    text = text.trimmed();
    int value = 0;
    qsizetype digits = 0;
    for (; digits < text.size() && text.at(digits) >= u'0' && text.at(digits) <= u'9'; ++digits) {
        value = digits < 4 ? value * 10 + (text.at(digits).unicode() - u'0') : 0;
    }
    return digits > 4 ? 0 : value;
}

} // namespace

NumberPairInput parseNumberPair(QStringView text) {
    const QStringView trimmed = text.trimmed();
    const qsizetype slash = trimmed.indexOf(u'/');
    const std::optional<int> number = wholeNumber(slash < 0 ? trimmed : trimmed.first(slash).trimmed());
    const std::optional<int> total =
        slash < 0 ? std::optional<int>(0) : wholeNumber(trimmed.sliced(slash + 1).trimmed());
    if (trimmed.isEmpty()) {
        return {NumberPair{}, {}};
    }
    if (number && total && *number <= kMaxNumber && *total <= kMaxNumber &&
        (*total == 0 || (*number >= 1 && *total >= *number))) {
        return {NumberPair{*number, *number == 0 ? 0 : *total}, {}};
    }
    return {std::nullopt,
            QCoreApplication::translate(
                "TrackNumber", "“%1” is not a number for a track or disc: use a whole number from 1 to "
                               "999, with a total after “/” if you like that is not below it (“3” or "
                               "“3/12”).")
                .arg(text.toString())};
}

QString numberPairText(const NumberPair& pair) {
    if (pair.number == 0) {
        return {};
    }
    return pair.total == 0 ? QString::number(pair.number)
                           : QStringLiteral("%1/%2").arg(pair.number).arg(pair.total);
}

NumberPair storedNumberPair(QStringView text) {
    const qsizetype slash = text.indexOf(u'/');
    return {leadingNumber(slash < 0 ? text : text.first(slash)),
            slash < 0 ? 0 : leadingNumber(text.sliced(slash + 1))};
}

} // namespace quirella
