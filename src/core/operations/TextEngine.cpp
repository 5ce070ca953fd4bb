#include "operations/TextEngine.h"

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

FoldedText foldWithMap(QStringView source) {
    FoldedText folded;
    folded.text.reserve(source.size());
    folded.sourceStart.reserve(source.size());
    folded.sourceEnd.reserve(source.size());
    folded.startsCharacter.reserve(source.size());
    for (qsizetype start = 0; start < source.size();) {
        const qsizetype end = clusterEnd(source, start);
        const QString part = foldCluster(source.mid(start, end - start));
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
    for (qsizetype start = 0; start < text.size();) {
        const qsizetype end = clusterEnd(text, start);
        folded.append(foldCluster(text.mid(start, end - start)));
        start = end;
    }
    return folded;
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

bool isSmallWord(QStringView lowerWord) {
    static constexpr std::array<QStringView, 15> smallWords{u"a",  u"an",   u"the", u"and", u"but",
                                                            u"or", u"for",  u"nor", u"on",  u"at",
                                                            u"to", u"with", u"in",  u"of",  u"by"};
    for (const QStringView small : smallWords) {
        if (lowerWord == small) {
            return true;
        }
    }
    return false;
}

bool isRoundBracket(QChar c) {
    return c == u'(' || c == u')';
}

} // namespace

QString collapseSpacesAndTrim(QStringView text) {
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
    const QString needle = foldText(term);
    if (needle.isEmpty() || text.isEmpty()) {
        return collapseSpacesAndTrim(text);
    }
    const FoldedText haystack = foldWithMap(text);
    struct Range {
        qsizetype start;
        qsizetype end;
    };
    QList<Range> ranges;
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
    if (ranges.isEmpty()) {
        return collapseSpacesAndTrim(text);
    }
    const QString inserted = replacement.isEmpty() ? QStringLiteral(" ") : replacement.toString();
    QString result = text.toString();
    // From the last occurrence to the first, so the earlier positions stay valid.
    for (auto it = ranges.crbegin(); it != ranges.crend(); ++it) {
        result.replace(it->start, it->end - it->start, inserted);
    }
    return collapseSpacesAndTrim(result);
}

QString uppercased(QStringView text) {
    return text.toString().toUpper();
}

QString titleCased(QStringView text) {
    const QList<QStringView> words = text.split(u' ');
    const qsizetype count = words.size();
    QStringList result;
    result.reserve(count);
    for (qsizetype i = 0; i < count; ++i) {
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
        const QStringView leading = word.left(coreStart);
        const QStringView core = word.mid(coreStart, coreEnd - coreStart);
        const QStringView trailing = word.mid(coreEnd);
        const bool startsWithBracket = word.startsWith(u'(');
        const bool afterOpenBracket = i > 0 && words.at(i - 1).endsWith(u'(');
        const QString lowerCore = core.toString().toLower();
        QString transformed;
        if (i > 0 && i < count - 1 && !startsWithBracket && !afterOpenBracket && isSmallWord(lowerCore)) {
            transformed = lowerCore;
        } else if (core.contains(u'.')) {
            transformed = capitalizedAfterStops(core);
        } else {
            transformed = capitalized(core);
        }
        result.append(leading.toString() + transformed + trailing.toString());
    }
    return result.join(u' ');
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
