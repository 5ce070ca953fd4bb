// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/Year.h"

#include <QRegularExpression>

namespace quirella {

std::optional<int> extractYear(const QString& text) {
    static const QRegularExpression patterns[] = {
        QRegularExpression(QStringLiteral("(19|20)\\d{2}")),
        QRegularExpression(QStringLiteral("\\b\\d{4}\\b")),
    };
    for (const QRegularExpression& pattern : patterns) {
        const QRegularExpressionMatch match = pattern.match(text);
        if (!match.hasMatch()) {
            continue;
        }
        bool ok = false;
        const int value = match.captured(0).toInt(&ok);
        if (ok && isValidYear(value)) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace quirella
