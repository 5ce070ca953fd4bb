// SPDX-License-Identifier: GPL-3.0-or-later
// The command line of quirella-cli, parsed into what a run needs.
#pragma once

#include "model/TrackNumber.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace quirella::cli {

struct HelpCommand {};
struct VersionCommand {};

struct ScanCommand {
    QString folder;
};

// Values that replace the loaded ones; absent means "keep what the file has". An empty text is a value.
struct WriteCommand {
    QStringList paths;
    std::optional<QString> title;
    std::optional<QString> artist;
    std::optional<qint64> year;
    std::optional<QString> genre;
    std::optional<qint64> rating;
    std::optional<QString> coverPath; // --cover
    bool clearCover = false;          // --no-cover
    std::optional<QString> album;
    std::optional<QString> albumArtist;
    std::optional<NumberPair> track;
    std::optional<NumberPair> disc;
    std::optional<qint64> bpm; // written into the tags even when the preference says not to
};

// One look-up through the catalogues: `lookup ARTIST TITLE`.
struct LookupCommand {
    QString artist;
    QString title;
};

// `auto-search FOLDER --covers|--genres|--years [--write]`.
struct AutoSearchCommand {
    enum class Field { covers, genres, years };
    QString folder;
    Field field = Field::covers;
    bool write = false;
};

struct ArgumentError {
    QString message;
};

using Command = std::variant<HelpCommand, VersionCommand, ScanCommand, WriteCommand, LookupCommand,
                             AutoSearchCommand, ArgumentError>;

// Takes `--max-songs N` (or `--max-songs=N`) out of the arguments of a command that loads a folder as a
// drop does (scan, rename, clean-bpm, auto-search): the largest folder the load takes, instead of the
// stored preference. Nothing when the option is not given; an error for a value that is not a count.
struct MaximumSongsOption {
    std::optional<int> maximum;
    std::optional<QString> error;
};
MaximumSongsOption takeMaximumSongs(QStringList& arguments);

// `arguments` without the program name. Only the shape is checked here; whether the paths exist is
// checked when the command runs.
Command parseArguments(const QStringList& arguments);

// The text of --help.
QString usage();
// The line of --version: the program, the application and the version of the build.
QString versionLine();

} // namespace quirella::cli
