// SPDX-License-Identifier: GPL-3.0-or-later
// The pattern language that turns file and folder names into tags and tags into file names, for the
// window and the command line alike. A pattern is literal text with fields in it: %title% %artist%
// %album% %albumartist% %year% %genre% %track% %disc% %bpm%, and %ignore% for text to skip. "/" parts
// folder levels: "%artist%/%album% (%year%)/%track%. %title%" reads the file name and the two folders
// above it. Everything here is a pure function.
#pragma once

#include "model/Song.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

namespace quirella {

enum class NameField { title, artist, album, albumArtist, year, genre, track, disc, bpm, ignore };

struct NamePattern {
    // One piece is either a field or literal text (which may hold "/").
    struct Piece {
        std::optional<NameField> field;
        QString literal;
    };
    QList<Piece> pieces;
    int folderLevels = 0; // how many folders above the file the pattern reads
    QString text;         // as the user wrote it

    bool uses(NameField field) const;
};

// A pattern, or the plain reason it is refused: an unknown field, no field at all, two fields with
// nothing between them (where one ends could not be told), or an empty folder level.
struct [[nodiscard]] NamePatternParse {
    std::optional<NamePattern> pattern;
    QString error;
};
NamePatternParse parseNamePattern(const QString& text);

// The token of a field as patterns write it ("%albumartist%").
QString nameFieldToken(NameField field);

struct NameValue {
    NameField field;
    QString text; // trimmed; a year as four digits, a track or disc as numberPairText gives it
};
using NameValues = QList<NameValue>;

// What the name of the file at `path` (absolute, names that are not UTF-8 escaped as Paths.h keeps them)
// gives: the file name without its extension, with the folders above it that the pattern reads. Literal
// text matches exactly; %year% takes four digits, %track% and %disc% digits with an optional "/total",
// %bpm% digits; a text field takes the shortest text that lets the rest of the pattern match, and never a
// "/". Nothing when the name does not match. A value the song model would refuse (a year outside
// 1900..2099, a track of 0, a tempo beyond 999, a text that is blank) is left out; %ignore% gives none.
// Bytes that are not UTF-8 come out as U+FFFD, as loading shows them.
std::optional<NameValues> readNameValues(const NamePattern& pattern, QStringView path);
// The same for the song's file, by the raw path its bookmark holds.
std::optional<NameValues> readNameValues(const NamePattern& pattern, const Song& song);

// Sets the song's fields the values name.
void applyNameValues(Song& song, const NameValues& values);

// A file name (without extension) from the song's tags, or the field that is empty and leaves it
// without one (in `missing`, with an empty name). Track and disc numbers have at least two digits
// ("03"); each of \ / : * ? " < > | becomes "_". A pattern that cannot make a file name (see
// fileNamePatternProblem) gives an empty name.
struct NameFromTags {
    QString baseName;
    std::optional<NameField> missing;
};
NameFromTags nameFromTags(const NamePattern& pattern, const Song& song);

// Why the pattern cannot name files, or empty: files are renamed within their folder, so a "/" has no
// place, and %ignore% has no value to write.
QString fileNamePatternProblem(const NamePattern& pattern);

} // namespace quirella
