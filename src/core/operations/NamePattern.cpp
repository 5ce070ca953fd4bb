// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/NamePattern.h"

#include "model/Bookmark.h"
#include "model/Paths.h"
#include "model/TrackNumber.h"
#include "model/Year.h"

#include <QCoreApplication>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace quirella {

namespace {

struct FieldName {
    NameField field;
    QLatin1StringView name;
};
constexpr FieldName kFieldNames[] = {
    {NameField::title, "title"_L1}, {NameField::artist, "artist"_L1},
    {NameField::album, "album"_L1}, {NameField::albumArtist, "albumartist"_L1},
    {NameField::year, "year"_L1},   {NameField::genre, "genre"_L1},
    {NameField::track, "track"_L1}, {NameField::disc, "disc"_L1},
    {NameField::bpm, "bpm"_L1},     {NameField::ignore, "ignore"_L1},
};

bool isAsciiLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Memoised backtracking over the pieces: a state (piece, position) that failed once fails again, so a
// name with many separators costs pieces × length² steps at worst, never an exponential search.
class Matcher {
public:
    Matcher(const QList<NamePattern::Piece>& pieces, QStringView subject)
        : m_pieces(pieces)
        , m_subject(subject)
        , m_failed(size_t(pieces.size() + 1) * size_t(subject.size() + 1), false)
        , m_spans(size_t(pieces.size())) {}

    bool match() { return matchFrom(0, 0); }
    QStringView span(qsizetype piece) const {
        return m_subject.mid(m_spans[size_t(piece)].first, m_spans[size_t(piece)].second);
    }

private:
    bool matchFrom(qsizetype piece, qsizetype at) {
        if (piece == m_pieces.size()) {
            return at == m_subject.size();
        }
        std::vector<bool>::reference failed =
            m_failed[size_t(piece) * size_t(m_subject.size() + 1) + size_t(at)];
        if (failed) {
            return false;
        }
        for (const qsizetype length : candidateLengths(m_pieces.at(piece), at)) {
            m_spans[size_t(piece)] = {at, length};
            if (matchFrom(piece + 1, at + length)) {
                return true;
            }
        }
        failed = true;
        return false;
    }

    // The lengths this piece may take at `at`, in the order they are tried.
    QList<qsizetype> candidateLengths(const NamePattern::Piece& piece, qsizetype at) const {
        const QStringView rest = m_subject.sliced(at);
        if (!piece.field) {
            return rest.startsWith(piece.literal) ? QList<qsizetype>{piece.literal.size()}
                                                  : QList<qsizetype>{};
        }
        qsizetype digits = 0;
        while (digits < rest.size() && isDigit(rest.at(digits))) {
            ++digits;
        }
        switch (*piece.field) {
        case NameField::year:
            return digits >= 4 ? QList<qsizetype>{4} : QList<qsizetype>{};
        case NameField::bpm:
            return longestFirst(digits);
        case NameField::track:
        case NameField::disc: {
            // Digits, then an optional "/" and more digits; the longest is tried first.
            QList<qsizetype> lengths;
            if (digits > 0 && digits < rest.size() && rest.at(digits) == u'/') {
                qsizetype total = 0;
                while (digits + 1 + total < rest.size() && isDigit(rest.at(digits + 1 + total))) {
                    ++total;
                }
                for (qsizetype t = total; t >= 1; --t) {
                    lengths.append(digits + 1 + t);
                }
            }
            return lengths + longestFirst(digits);
        }
        default: {
            // The shortest text first, never across a folder level.
            QList<qsizetype> lengths;
            for (qsizetype length = 1; length <= rest.size() && rest.at(length - 1) != u'/'; ++length) {
                lengths.append(length);
            }
            return lengths;
        }
        }
    }

    static QList<qsizetype> longestFirst(qsizetype digits) {
        QList<qsizetype> lengths;
        for (qsizetype length = digits; length >= 1; --length) {
            lengths.append(length);
        }
        return lengths;
    }

    const QList<NamePattern::Piece>& m_pieces;
    QStringView m_subject;
    std::vector<bool> m_failed;
    std::vector<std::pair<qsizetype, qsizetype>> m_spans;
};

// The value as the song model takes it, or nothing.
std::optional<QString> acceptedValue(NameField field, const QString& text) {
    if (text.isEmpty() || field == NameField::ignore) {
        return std::nullopt;
    }
    switch (field) {
    case NameField::year:
        return isValidYear(text.toInt()) ? std::optional<QString>(text) : std::nullopt;
    case NameField::track:
    case NameField::disc: {
        const NumberPairInput number = parseNumberPair(text);
        if (!number.value || number.value->isEmpty()) {
            return std::nullopt;
        }
        return numberPairText(*number.value);
    }
    case NameField::bpm: {
        const int bpm = text.toInt();
        return bpm >= 1 && bpm <= 999 ? std::optional<QString>(QString::number(bpm)) : std::nullopt;
    }
    default:
        return text;
    }
}

} // namespace

bool NamePattern::uses(NameField field) const {
    return std::any_of(pieces.begin(), pieces.end(),
                       [field](const Piece& piece) { return piece.field == field; });
}

QString nameFieldToken(NameField field) {
    for (const FieldName& name : kFieldNames) {
        if (name.field == field) {
            return u'%' + QString(name.name) + u'%';
        }
    }
    return {};
}

NamePatternParse parseNamePattern(const QString& text) {
    NamePattern pattern;
    pattern.text = text;
    const auto addLiteral = [&](QStringView literal) {
        if (!pattern.pieces.isEmpty() && !pattern.pieces.last().field) {
            pattern.pieces.last().literal += literal;
        } else {
            pattern.pieces.append({std::nullopt, literal.toString()});
        }
    };
    for (qsizetype at = 0; at < text.size();) {
        // A token is "%", letters, "%"; any other "%" is literal text ("100% Hits").
        const bool percent = text.at(at) == u'%';
        qsizetype end = at + 1;
        while (percent && end < text.size() && isAsciiLetter(text.at(end))) {
            ++end;
        }
        if (!percent || end == at + 1 || end >= text.size() || text.at(end) != u'%') {
            addLiteral(QStringView(text).sliced(at, 1));
            ++at;
            continue;
        }
        const QString name = text.mid(at + 1, end - at - 1).toLower();
        const auto known = std::find_if(std::begin(kFieldNames), std::end(kFieldNames),
                                        [&](const FieldName& each) { return name == each.name; });
        if (known == std::end(kFieldNames)) {
            return {std::nullopt,
                    QCoreApplication::translate("NamePattern",
                                                "“%1” is no field: use %title%, %artist%, %album%, "
                                                "%albumartist%, %year%, %genre%, %track%, %disc%, %bpm% or "
                                                "%ignore%.")
                        .arg(text.mid(at, end - at + 1))};
        }
        if (!pattern.pieces.isEmpty() && pattern.pieces.last().field) {
            return {std::nullopt,
                    QCoreApplication::translate("NamePattern",
                                                "%1 and %2 have nothing between them, so where "
                                                "one ends cannot be told.")
                        .arg(nameFieldToken(*pattern.pieces.last().field), nameFieldToken(known->field))};
        }
        pattern.pieces.append({known->field, {}});
        at = end + 1;
    }
    if (!std::any_of(pattern.pieces.begin(), pattern.pieces.end(),
                     [](const NamePattern::Piece& piece) { return piece.field.has_value(); })) {
        return {std::nullopt, QCoreApplication::translate(
                                  "NamePattern", "The pattern has no field such as %artist% or %title%.")};
    }
    const QStringList levels = text.split(u'/');
    if (std::any_of(levels.begin(), levels.end(), [](const QString& level) { return level.isEmpty(); })) {
        return {std::nullopt,
                QCoreApplication::translate("NamePattern",
                                            "A folder level of the pattern is empty: remove the extra “/”.")};
    }
    pattern.folderLevels = int(levels.size()) - 1;
    return {pattern, {}};
}

std::optional<NameValues> readNameValues(const NamePattern& pattern, QStringView path) {
    // The file name without its extension and the folders above it, as many as the pattern reads.
    qsizetype start = path.size();
    for (int level = 0; level <= pattern.folderLevels; ++level) {
        start = start > 0 ? path.lastIndexOf(u'/', start - 1) : -1;
        if (start < 0) {
            return std::nullopt;
        }
    }
    QStringView subject = path.sliced(start + 1);
    const qsizetype slash = subject.lastIndexOf(u'/');
    const qsizetype dot = subject.lastIndexOf(u'.');
    if (dot > slash + 1) {
        subject.truncate(dot);
    }
    Matcher matcher(pattern.pieces, subject);
    if (!matcher.match()) {
        return std::nullopt;
    }
    NameValues values;
    for (qsizetype i = 0; i < pattern.pieces.size(); ++i) {
        const std::optional<NameField> field = pattern.pieces.at(i).field;
        if (!field) {
            continue;
        }
        if (const std::optional<QString> value =
                acceptedValue(*field, paths::displayText(matcher.span(i)).trimmed())) {
            values.append({*field, *value});
        }
    }
    return values;
}

std::optional<NameValues> readNameValues(const NamePattern& pattern, const Song& song) {
    const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
    return readNameValues(pattern, resolved.path ? *resolved.path : song.filePath());
}

void applyNameValues(Song& song, const NameValues& values) {
    for (const NameValue& value : values) {
        switch (value.field) {
        case NameField::title:
            song.name = value.text;
            break;
        case NameField::artist:
            song.artist = value.text;
            break;
        case NameField::album:
            song.album = value.text;
            break;
        case NameField::albumArtist:
            song.albumArtist = value.text;
            break;
        case NameField::genre:
            song.genre = value.text;
            break;
        case NameField::year:
            song.year = value.text.toInt();
            break;
        case NameField::track:
        case NameField::disc:
            if (const NumberPairInput number = parseNumberPair(value.text); number.value) {
                (value.field == NameField::track ? song.track : song.disc) = *number.value;
            }
            break;
        case NameField::bpm:
            song.bpm = value.text.toInt();
            break;
        case NameField::ignore:
            break;
        }
    }
}

QString fileNamePatternProblem(const NamePattern& pattern) {
    if (pattern.folderLevels > 0) {
        return QCoreApplication::translate(
            "NamePattern", "Files are renamed within their folder: a file name pattern cannot hold “/”.");
    }
    if (pattern.uses(NameField::ignore)) {
        return QCoreApplication::translate("NamePattern", "%ignore% has no value to write into a file name.");
    }
    return {};
}

NameFromTags nameFromTags(const NamePattern& pattern, const Song& song) {
    if (!fileNamePatternProblem(pattern).isEmpty()) {
        return {};
    }
    const auto twoDigits = [](int number) { return QString::number(number).rightJustified(2, u'0'); };
    QString name;
    for (const NamePattern::Piece& piece : pattern.pieces) {
        if (!piece.field) {
            name += piece.literal;
            continue;
        }
        QString value;
        switch (*piece.field) {
        case NameField::title:
            value = song.name;
            break;
        case NameField::artist:
            value = song.artist;
            break;
        case NameField::album:
            value = song.album;
            break;
        case NameField::albumArtist:
            value = song.albumArtist;
            break;
        case NameField::genre:
            value = song.genre;
            break;
        case NameField::year:
            value = song.year >= 1 ? QString::number(song.year) : QString();
            break;
        case NameField::track:
            value = song.track.number >= 1 ? twoDigits(song.track.number) : QString();
            break;
        case NameField::disc:
            value = song.disc.number >= 1 ? twoDigits(song.disc.number) : QString();
            break;
        case NameField::bpm:
            value = song.bpm >= 1 ? QString::number(song.bpm) : QString();
            break;
        case NameField::ignore:
            break;
        }
        if (value.trimmed().isEmpty()) {
            return {{}, *piece.field};
        }
        name += value;
    }
    for (const char16_t forbidden : u"\\/:*?\"<>|") {
        if (forbidden != u'\0') {
            name.replace(QChar(forbidden), u'_');
        }
    }
    name.replace(QChar(u'\0'), u'_');
    return {name, std::nullopt};
}

} // namespace quirella
