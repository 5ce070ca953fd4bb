// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/RemoveTextValues.h"

#include <QSettings>

namespace quirella {

QStringList RemoveTextValues::usedTerms() const {
    QStringList used;
    for (const QString& term : terms) {
        if (!term.isEmpty()) {
            used.append(term);
        }
    }
    return used;
}

QString RemoveTextValues::termKey(int index) {
    return QStringLiteral("SearchText%1").arg(index + 1);
}

QString RemoveTextValues::replacementKey() {
    return QStringLiteral("GlobalReplaceText");
}

RemoveTextValues RemoveTextValues::load() {
    const QSettings settings;
    RemoveTextValues values;
    for (int i = 0; i < termCount; ++i) {
        values.terms[i] = settings.value(termKey(i)).toString();
    }
    values.replacement = settings.value(replacementKey()).toString();
    return values;
}

void RemoveTextValues::store() const {
    QSettings settings;
    for (int i = 0; i < termCount; ++i) {
        settings.setValue(termKey(i), terms.value(i));
    }
    settings.setValue(replacementKey(), replacement);
}

} // namespace quirella
