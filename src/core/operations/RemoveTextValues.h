// SPDX-License-Identifier: GPL-3.0-or-later
// What the remove-text window remembers between launches: its ten terms and the one replacement, under
// the preference keys "SearchText1" ... "SearchText10" and "GlobalReplaceText".
#pragma once

#include <QString>
#include <QStringList>

namespace quirella {

struct RemoveTextValues {
    static constexpr int termCount = 10;

    QStringList terms{QStringList(termCount)}; // always ten, empty ones included
    QString replacement;

    // The terms an apply uses: the non-empty ones in order (a term of blanks counts and is used as is).
    QStringList usedTerms() const;

    static QString termKey(int index); // "SearchText1" for index 0
    static QString replacementKey();   // "GlobalReplaceText"

    // A missing key reads as empty text.
    static RemoveTextValues load();
    // Writes all eleven values (on whatever thread calls it).
    void store() const;
};

} // namespace quirella
