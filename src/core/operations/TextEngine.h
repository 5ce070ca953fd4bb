// SPDX-License-Identifier: GPL-3.0-or-later
// The text rules of the bulk tools, as pure functions: term replacement that ignores letter case and
// accents, title case, upper case and the character clean-up of one song's texts.
//
// Every function here works on whole characters: a surrogate pair or a letter with its combining marks
// is either kept or replaced whole, never cut, whatever the input.
#pragma once

#include "model/Song.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace quirella {

// Collapses every run of spaces to one space and trims blanks and line breaks at both ends: the tidy-up
// that ends every text tool.
QString collapseSpacesAndTrim(QStringView text);

// `text` with the accents taken off its letters (canonical decomposition, combining marks dropped, and
// the stroke letters ø, ł, đ, ħ mapped to their plain letters).
QString removeAccents(QStringView text);

// How replaceTerm matches.
enum class TermMatch {
    anywhere,   // literal substring: "feat" matches inside "Feature"
    wholeWords, // only where no letter or digit touches the match on either side
};

// Replaces every occurrence of `term` in `text`, literally (the term is never a pattern), ignoring letter
// case and accents; an empty `replacement` puts one space in place of each occurrence. Ends with
// collapseSpacesAndTrim, occurrence or not. A term that folds to nothing matches nothing.
QString replaceTerm(QStringView text, QStringView term, QStringView replacement,
                    TermMatch match = TermMatch::anywhere);

// replaceTerm with several terms in order, each on the result of the one before, as one pass over a
// text: the remove-text window's apply. The terms are folded once, and a text in which none of them
// occurs is only tidied.
class TermReplacer {
public:
    TermReplacer(QStringList terms, QString replacement);
    QString apply(QStringView text) const;

private:
    QStringList m_terms;
    QStringList m_needles;
    QString m_replacement;
};

// Full Unicode upper case (ß becomes SS).
QString uppercased(QStringView text);
// Title case of the "First Letter" tools: words split at single spaces (empty words kept), small words
// ("of", "the", ...) lower case inside the text, dotted abbreviations as R.E.M., round brackets kept.
QString titleCased(QStringView text);

// The character clean-up of one song: title, artist and genre sanitised to plain letters, digits and a
// few marks; case boundaries spaced; digits, the artist's name, dashes and the genre taken out of the
// title; empty brackets and repeated brackets removed. The year plays no part.
void cleanSongCharacters(Song& song);

// The single steps of the clean-up, for the tests.
namespace clean {
QString sanitize(QStringView text);
QString spaceCaseBoundaries(QStringView text);
QString removeDigits(QStringView text);
QString removeArtist(QStringView title, QStringView artist);
QString cleanDashes(QStringView title);
QString removeGenre(QStringView title, QStringView genre);
QString removeEmptyBrackets(QStringView text);
QString collapseBracketRuns(QStringView text);
} // namespace clean

} // namespace quirella
