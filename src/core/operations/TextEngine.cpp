// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/TextEngine.h"

#include <QHash>
#include <QRegularExpression>

#include <array>

namespace quirella {

namespace {

bool isMark(char32_t codePoint) {
    switch (QChar::category(codePoint)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// The code point starting at `index` and its length in UTF-16 units. A lone surrogate is a code point of
// its own here, so hostile text still advances one unit at a time.
struct CodePoint {
    char32_t value;
    qsizetype length;
};

CodePoint codePointAt(QStringView text, qsizetype index) {
    const QChar unit = text.at(index);
    if (unit.isHighSurrogate() && index + 1 < text.size() && text.at(index + 1).isLowSurrogate()) {
        return {QChar::surrogateToUcs4(unit, text.at(index + 1)), 2};
    }
    return {unit.unicode(), 1};
}

// The end of the character that starts at `index`: the code point with the combining marks after it.
qsizetype clusterEnd(QStringView text, qsizetype index) {
    qsizetype end = index + codePointAt(text, index).length;
    while (end < text.size()) {
        const CodePoint next = codePointAt(text, end);
        if (!isMark(next.value)) {
            break;
        }
        end += next.length;
    }
    return end;
}

// Letters with a stroke or bar do not decompose, yet readers see them as accented plain letters.
char16_t strokeLetterBase(char32_t codePoint) {
    switch (codePoint) {
    case U'ø':
        return u'o';
    case U'Ø':
        return u'O';
    case U'ł':
        return u'l';
    case U'Ł':
        return u'L';
    case U'đ':
        return u'd';
    case U'Đ':
        return u'D';
    case U'ħ':
        return u'h';
    case U'Ħ':
        return u'H';
    default:
        return 0;
    }
}

// Appends one code point without its accents.
void appendWithoutAccents(QString& out, QStringView codePointText, char32_t codePoint) {
    if (codePoint < 0x80) {
        out.append(codePointText);
        return;
    }
    if (const char16_t base = strokeLetterBase(codePoint)) {
        out.append(QChar(base));
        return;
    }
    if (codePointText.size() == 1 && codePointText.front().isSurrogate()) {
        out.append(codePointText); // a lone surrogate has no decomposition; it stays as it is
        return;
    }
    if (isMark(codePoint)) {
        return;
    }
    const QString decomposed = codePointText.toString().normalized(QString::NormalizationForm_D);
    for (qsizetype i = 0; i < decomposed.size();) {
        const CodePoint part = codePointAt(decomposed, i);
        if (!isMark(part.value)) {
            out.append(QStringView(decomposed).mid(i, part.length));
        }
        i += part.length;
    }
}

// The matching form of one character: accents off, then lower case. Lower-casing can bring marks back
// (İ becomes i with a combining dot), so they are dropped once more.
QString foldCluster(QStringView cluster) {
    if (cluster.size() == 1 && cluster.front().unicode() < 0x80) {
        return QString(cluster.front().toLower());
    }
    QString plain;
    for (qsizetype i = 0; i < cluster.size();) {
        const CodePoint point = codePointAt(cluster, i);
        appendWithoutAccents(plain, cluster.mid(i, point.length), point.value);
        i += point.length;
    }
    const QString lower = plain.toLower();
    QString folded;
    for (qsizetype i = 0; i < lower.size();) {
        const CodePoint point = codePointAt(lower, i);
        if (!isMark(point.value) || (point.length == 1 && lower.at(i).isSurrogate())) {
            folded.append(QStringView(lower).mid(i, point.length));
        }
        i += point.length;
    }
    return folded;
}

// The matching form of a whole text, with the way back: every unit of `text` knows the source range of
// the character it came from and whether it is that character's first folded unit. A match is used only
// when it begins and ends on character boundaries, so a replacement never cuts a character, whatever
// length its folded form has.
struct FoldedText {
    QString text;
    QList<qsizetype> sourceStart;
    QList<qsizetype> sourceEnd;
    QList<bool> startsCharacter;

    bool isBoundary(qsizetype index) const { return index == text.size() || startsCharacter.at(index); }
};

// The folded form of one character, remembered per code point for characters without marks: titles
// repeat the same few accented letters, and folding one takes a normalisation.
QString foldCharacter(QStringView cluster) {
    const CodePoint point = codePointAt(cluster, 0);
    if (point.length != cluster.size()) {
        return foldCluster(cluster); // a letter with combining marks
    }
    thread_local QHash<char32_t, QString> cache;
    const auto cached = cache.constFind(point.value);
    if (cached != cache.cend()) {
        return *cached;
    }
    QString folded = foldCluster(cluster);
    if (cache.size() < 4096) {
        cache.insert(point.value, folded);
    }
    return folded;
}

FoldedText foldWithMap(QStringView source) {
    FoldedText folded;
    folded.text.reserve(source.size());
    folded.sourceStart.reserve(source.size());
    folded.sourceEnd.reserve(source.size());
    folded.startsCharacter.reserve(source.size());
    for (qsizetype start = 0; start < source.size();) {
        const qsizetype end = clusterEnd(source, start);
        if (end - start == 1 && source.at(start).unicode() < 0x80) {
            folded.text.append(source.at(start).toLower());
            folded.sourceStart.append(start);
            folded.sourceEnd.append(end);
            folded.startsCharacter.append(true);
            start = end;
            continue;
        }
        const QString part = foldCharacter(source.mid(start, end - start));
        for (qsizetype k = 0; k < part.size(); ++k) {
            folded.text.append(part.at(k));
            folded.sourceStart.append(start);
            folded.sourceEnd.append(end);
            folded.startsCharacter.append(k == 0);
        }
        start = end;
    }
    return folded;
}

QString foldText(QStringView text) {
    QString folded;
    folded.reserve(text.size());
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = clusterEnd(text, start);
        if (end - start == 1 && text.at(start).unicode() < 0x80) {
            folded.append(text.at(start).toLower());
        } else {
            folded.append(foldCharacter(text.mid(start, end - start)));
        }
        start = end;
    }
    return folded;
}

bool isAscii(QStringView text) {
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            return false;
        }
    }
    return true;
}

bool touchesWord(QStringView text, qsizetype start, qsizetype end) {
    return (start > 0 && text.at(start - 1).isLetterOrNumber()) ||
           (end < text.size() && text.at(end).isLetterOrNumber());
}

// Upper case of the first character, lower case of the rest.
QString capitalized(QStringView word) {
    if (word.isEmpty()) {
        return {};
    }
    const qsizetype first = clusterEnd(word, 0);
    return word.left(first).toString().toUpper() + word.mid(first).toString().toLower();
}

// r.e.m. becomes R.E.M.: the first letter of the text and every letter after a full stop in upper case,
// everything else in lower case.
QString capitalizedAfterStops(QStringView core) {
    QString result;
    bool upperNext = true;
    for (qsizetype i = 0; i < core.size();) {
        const CodePoint point = codePointAt(core, i);
        const QStringView unit = core.mid(i, point.length);
        if (point.value == U'.') {
            result.append(u'.');
            upperNext = true;
        } else if (upperNext && QChar::isLetter(point.value)) {
            result.append(unit.toString().toUpper());
            upperNext = false;
        } else {
            result.append(unit.toString().toLower());
        }
        i += point.length;
    }
    return result;
}

bool isSmallWord(QStringView word) {
    static constexpr std::array<QStringView, 15> smallWords{u"a",  u"an",   u"the", u"and", u"but",
                                                            u"or", u"for",  u"nor", u"on",  u"at",
                                                            u"to", u"with", u"in",  u"of",  u"by"};
    if (word.size() > 4) {
        return false;
    }
    for (const QStringView small : smallWords) {
        if (word.compare(small, Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

bool isRoundBracket(QChar c) {
    return c == u'(' || c == u')';
}

} // namespace

// Puts the replacement (one space when empty) over the ranges, in ascending order and apart, then tidies.
template <typename Ranges>
static QString replaceRanges(QStringView text, const Ranges& ranges, QStringView replacement) {
    if (ranges.isEmpty()) {
        return collapseSpacesAndTrim(text);
    }
    const QStringView inserted = replacement.isEmpty() ? QStringView(u" ") : replacement;
    QString result;
    result.reserve(text.size() + ranges.size() * (inserted.size() + 1));
    qsizetype done = 0;
    for (const auto& range : ranges) {
        result.append(text.mid(done, range.start - done));
        result.append(inserted);
        done = range.end;
    }
    result.append(text.mid(done));
    return collapseSpacesAndTrim(result);
}

QString collapseSpacesAndTrim(QStringView text) {
    if (!text.contains(u"  ") && (text.isEmpty() || (!text.front().isSpace() && !text.back().isSpace()))) {
        return text.toString();
    }
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == u' ' && !result.isEmpty() && result.back() == u' ') {
            continue;
        }
        result.append(c);
    }
    return result.trimmed();
}

QString removeAccents(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const CodePoint point = codePointAt(text, i);
        appendWithoutAccents(result, text.mid(i, point.length), point.value);
        i += point.length;
    }
    return result;
}

QString replaceTerm(QStringView text, QStringView term, QStringView replacement, TermMatch match) {
    struct Range {
        qsizetype start;
        qsizetype end;
    };
    QList<Range> ranges;
    if (isAscii(term) && isAscii(text)) {
        // ASCII folds to its lower case letter for letter, so the text is its own matching form.
        if (term.isEmpty()) {
            return collapseSpacesAndTrim(text);
        }
        for (qsizetype from = 0;;) {
            const qsizetype found = text.indexOf(term, from, Qt::CaseInsensitive);
            if (found < 0) {
                break;
            }
            const qsizetype foundEnd = found + term.size();
            if (match == TermMatch::anywhere || !touchesWord(text, found, foundEnd)) {
                ranges.append({found, foundEnd});
                from = foundEnd;
            } else {
                from = found + 1;
            }
        }
        return replaceRanges(text, ranges, replacement);
    }
    const QString needle = foldText(term);
    if (needle.isEmpty() || text.isEmpty()) {
        return collapseSpacesAndTrim(text);
    }
    const FoldedText haystack = foldWithMap(text);
    for (qsizetype from = 0;;) {
        const qsizetype found = haystack.text.indexOf(needle, from);
        if (found < 0) {
            break;
        }
        const qsizetype foundEnd = found + needle.size();
        if (haystack.isBoundary(found) && haystack.isBoundary(foundEnd)) {
            const Range range{haystack.sourceStart.at(found), haystack.sourceEnd.at(foundEnd - 1)};
            if (match == TermMatch::anywhere || !touchesWord(text, range.start, range.end)) {
                ranges.append(range);
                from = foundEnd;
                continue;
            }
        }
        from = found + 1;
    }
    return replaceRanges(text, ranges, replacement);
}

TermReplacer::TermReplacer(QStringList terms, QString replacement)
    : m_terms(std::move(terms))
    , m_replacement(std::move(replacement)) {
    for (const QString& term : std::as_const(m_terms)) {
        m_needles.append(foldText(term));
    }
}

QString TermReplacer::apply(QStringView text) const {
    // The first term searches the text as given, the later ones the tidied text that a term without an
    // occurrence leaves; when no term occurs in either, the tidied text is the whole result.
    const QString tidied = collapseSpacesAndTrim(text);
    bool occurs = false;
    if (isAscii(text)) {
        // ASCII folds to ASCII, so only the needles that are ASCII can occur, and no folding is needed.
        for (const QString& needle : m_needles) {
            if (!needle.isEmpty() && isAscii(needle) &&
                (text.contains(needle, Qt::CaseInsensitive) ||
                 tidied.contains(needle, Qt::CaseInsensitive))) {
                occurs = true;
                break;
            }
        }
    } else {
        const QString foldedText = foldText(text);
        const QString foldedTidied = tidied == text ? foldedText : foldText(tidied);
        for (const QString& needle : m_needles) {
            if (!needle.isEmpty() && (foldedText.contains(needle) || foldedTidied.contains(needle))) {
                occurs = true;
                break;
            }
        }
    }
    if (!occurs) {
        return tidied;
    }
    QString result = text.toString();
    for (const QString& term : m_terms) {
        result = replaceTerm(result, term, m_replacement);
    }
    return result;
}

QString uppercased(QStringView text) {
    return text.toString().toUpper();
}

QString titleCased(QStringView text) {
    const QList<QStringView> words = text.split(u' ');
    const qsizetype count = words.size();
    QString result;
    result.reserve(text.size() + 4);
    for (qsizetype i = 0; i < count; ++i) {
        if (i > 0) {
            result.append(u' ');
        }
        const QStringView word = words.at(i);
        // The runs of round brackets around the core go back exactly as they were.
        qsizetype coreStart = 0;
        while (coreStart < word.size() && isRoundBracket(word.at(coreStart))) {
            ++coreStart;
        }
        qsizetype coreEnd = word.size();
        while (coreEnd > coreStart && isRoundBracket(word.at(coreEnd - 1))) {
            --coreEnd;
        }
        const QStringView core = word.mid(coreStart, coreEnd - coreStart);
        const bool startsWithBracket = word.startsWith(u'(');
        const bool afterOpenBracket = i > 0 && words.at(i - 1).endsWith(u'(');
        result.append(word.left(coreStart));
        if (i > 0 && i < count - 1 && !startsWithBracket && !afterOpenBracket && isSmallWord(core)) {
            result.append(core.toString().toLower());
        } else if (core.contains(u'.')) {
            result.append(capitalizedAfterStops(core));
        } else {
            result.append(capitalized(core));
        }
        result.append(word.mid(coreEnd));
    }
    return result;
}

namespace clean {

QString sanitize(QStringView text) {
    const QString plain = removeAccents(text);
    QString kept;
    kept.reserve(plain.size());
    for (const QChar c : plain) {
        const char16_t u = c.unicode();
        const bool allowed = (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') ||
                             (u >= u'0' && u <= u'9') || u == u'-' || u == u'(' || u == u')' || u == u'.' ||
                             u == u'[' || u == u']' || u == u'{' || u == u'}' || u == u'&' || u == u'\'' ||
                             u == u' ';
        if (allowed) {
            kept.append(c);
        }
    }
    return collapseSpacesAndTrim(kept);
}

QString spaceCaseBoundaries(QStringView text) {
    if (text.size() < 4) {
        return text.toString();
    }
    QString result;
    result.reserve(text.size() + 8);
    int capitals = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        capitals = c.isUpper() ? capitals + 1 : 0;
        result.append(c);
        if (c.isUpper() && capitals >= 2 && i + 1 < text.size() && text.at(i + 1).isLower()) {
            result.append(u' ');
            capitals = 0;
        }
    }
    return collapseSpacesAndTrim(result);
}

QString removeDigits(QStringView text) {
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c < u'0' || c > u'9') {
            result.append(c);
        }
    }
    return collapseSpacesAndTrim(result);
}

QString removeArtist(QStringView title, QStringView artist) {
    QString result = title.toString();
    if (artist.isEmpty()) {
        return result;
    }
    static const QString separators = QStringLiteral("&+,/\\() ");
    qsizetype start = 0;
    for (qsizetype i = 0; i <= artist.size(); ++i) {
        if (i < artist.size() && !separators.contains(artist.at(i))) {
            continue;
        }
        const QStringView part = artist.mid(start, i - start).trimmed();
        if (part.size() > 2) {
            result = replaceTerm(result, part, {}, TermMatch::wholeWords);
        }
        start = i + 1;
    }
    return result;
}

QString cleanDashes(QStringView title) {
    QString result = title.toString();
    result.replace(QStringLiteral(" - "), QStringLiteral(" "));
    result.replace(QStringLiteral("  "), QStringLiteral(" "));
    result.remove(QStringLiteral("- "));
    result.remove(QStringLiteral(" -"));
    return collapseSpacesAndTrim(result);
}

QString removeGenre(QStringView title, QStringView genre) {
    const QString needle = genre.trimmed().toString().toLower();
    if (needle.isEmpty() || !title.trimmed().toString().toLower().contains(needle)) {
        return title.toString();
    }
    return replaceTerm(title, genre.trimmed(), {}, TermMatch::wholeWords);
}

QString removeEmptyBrackets(QStringView text) {
    static const std::array<QRegularExpression, 4> patterns{
        QRegularExpression(QStringLiteral("\\(\\s*\\)")), QRegularExpression(QStringLiteral("\\[\\s*\\]")),
        QRegularExpression(QStringLiteral("\\{\\s*\\}")), QRegularExpression(QStringLiteral("<\\s*>"))};
    QString result = text.toString();
    for (const QRegularExpression& pattern : patterns) {
        result.remove(pattern);
    }
    return collapseSpacesAndTrim(result);
}

QString collapseBracketRuns(QStringView text) {
    const auto isBracket = [](QChar c) {
        return c == u'(' || c == u')' || c == u'[' || c == u']' || c == u'{' || c == u'}';
    };
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && isBracket(text.at(i)) && isBracket(text.at(i - 1))) {
            continue;
        }
        result.append(text.at(i));
    }
    return result;
}

} // namespace clean

void cleanSongCharacters(Song& song) {
    QString name = clean::sanitize(song.name);
    QString artist = clean::sanitize(song.artist);
    QString genre = clean::sanitize(song.genre);
    name = clean::spaceCaseBoundaries(name);
    artist = clean::spaceCaseBoundaries(artist);
    name = clean::removeDigits(name);
    name = clean::removeArtist(name, artist);
    name = clean::cleanDashes(name);
    name = clean::removeGenre(name, genre);
    name = clean::collapseBracketRuns(clean::removeEmptyBrackets(name));
    artist = clean::collapseBracketRuns(clean::removeEmptyBrackets(artist));
    genre = clean::collapseBracketRuns(clean::removeEmptyBrackets(genre));
    song.name = name;
    song.artist = artist;
    song.genre = genre;
}

} // namespace quirella
