// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags/TextDecoding.h"

#include "model/Year.h"

#include <QStringDecoder>

#include <algorithm>

namespace quirella {

QString decodeUtf8OrLatin1(QByteArrayView bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError()) {
        return QString::fromLatin1(bytes);
    }
    return text;
}

std::optional<int> yearOfDate(QStringView text) {
    const auto isDigit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    const auto first = std::find_if(text.begin(), text.end(), isDigit);
    if (text.end() - first < 4) {
        return std::nullopt;
    }
    int year = 0;
    for (auto digit = first; digit != first + 4; ++digit) {
        if (!isDigit(*digit)) {
            return std::nullopt;
        }
        year = year * 10 + (digit->unicode() - u'0');
    }
    return isValidYear(year) ? std::optional<int>(year) : std::nullopt;
}

} // namespace quirella
