// SPDX-License-Identifier: GPL-3.0-or-later
// The text rules of the bulk edits over arbitrary tag text: the input is read as UTF-16 units (lone
// surrogates, controls and marks included) and split at the first two NUL units into a text, a term and
// a replacement. Checks that no rule breaks a surrogate pair the text did not already break, that the
// character clean-up keeps only its allowed characters, and that the one-pass replacer agrees with the
// terms applied one after another.
#include "FuzzSupport.h"
#include "operations/TextEngine.h"

#include <QString>

#include <cstddef>
#include <cstdint>

using namespace quirella;
using quirella::fuzz::check;

namespace {

// Broken surrogate pairs: a high one without its low one or a low one on its own.
int brokenPairs(const QString& text) {
    int broken = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            ++i;
        } else if (text.at(i).isSurrogate()) {
            ++broken;
        }
    }
    return broken;
}

bool onlyCleanCharacters(const QString& text) {
    static const QString allowed = QStringLiteral("-().[]{}&' ");
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool letterOrDigit =
            (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9');
        if (!letterOrDigit && !allowed.contains(c)) {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString input(reinterpret_cast<const QChar*>(data), static_cast<qsizetype>(size / 2));
    const QList<QStringView> parts = QStringView(input).split(QChar(0));
    const QStringView text = parts.value(0);
    const QStringView term = parts.value(1);
    const QStringView replacement = parts.value(2);
    const int broken = brokenPairs(text.toString()) + brokenPairs(replacement.toString());

    const QString replaced = replaceTerm(text, term, replacement);
    check(brokenPairs(replaced) <= broken * qMax<qsizetype>(1, text.size()));
    check(brokenPairs(replaceTerm(text, term, replacement, TermMatch::wholeWords)) <=
          broken * qMax<qsizetype>(1, text.size()));
    if (broken == 0) {
        check(brokenPairs(replaced) == 0);
        check(brokenPairs(titleCased(text)) == 0);
        check(brokenPairs(uppercased(text)) == 0);
    }
    const TermReplacer replacer({term.toString(), replacement.toString()}, text.toString());
    QString oneByOne = replacement.toString();
    oneByOne = replaceTerm(oneByOne, term, text);
    oneByOne = replaceTerm(oneByOne, replacement, text);
    check(replacer.apply(replacement) == oneByOne);

    Song song;
    song.name = text.toString();
    song.artist = term.toString();
    song.genre = replacement.toString();
    song.year = 1999;
    cleanSongCharacters(song);
    check(onlyCleanCharacters(song.name) && onlyCleanCharacters(song.artist) &&
          onlyCleanCharacters(song.genre));
    check(song.year == 1999);
    return 0;
}
