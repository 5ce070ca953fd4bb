// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliArguments.h"

#include "model/Year.h"

#include <QCoreApplication>

#include <limits>

using namespace Qt::StringLiterals;

namespace quirella::cli {

QString usage() {
    return QCoreApplication::translate("Cli", R"(Usage:
  quirella-cli scan FOLDER [--max-songs N]
  quirella-cli write PATH... [--title T] [--artist A] [--year N] [--genre G] [--rating N]
                             [--cover IMAGE | --no-cover] [--album A] [--album-artist A]
                             [--track N[/T]] [--disc N[/T]] [--bpm N]
  quirella-cli bpm PATH... [--write]
  quirella-cli rename FOLDER --pattern artist-title|artist-title-year|bpm-artist-title|PATTERN
                         [--analyze-bpm] [--dry-run] [--max-songs N]
  quirella-cli clean-bpm FOLDER [--max-songs N]
  quirella-cli tag-from-name PATH... --pattern PATTERN [--write]
  quirella-cli lookup ARTIST TITLE
  quirella-cli auto-search FOLDER --covers|--genres|--years [--write] [--max-songs N]
  quirella-cli edit PATH... OPERATION... [--write]
  quirella-cli --help
  quirella-cli --version

Music files are MP3, M4A, WAV, AIFF, FLAC, Ogg Vorbis and Opus files (.mp3, .m4a, .wav, .aiff, .aif,
.flac, .ogg, .oga, .opus).

scan   Loads FOLDER as dropping it on the window does and prints the loaded folder as one JSON
       document on standard output. A folder the window would refuse is reported on standard
       error with status 1; a folder loaded only in part gets its warning on standard error.

  --max-songs N  the largest folder taken (scan, rename, clean-bpm, auto-search); without it, the
                 window's preference "Largest folder" (1000 unless raised)

write  Builds a song from each PATH as loading does (a folder stands for the music files below
       it), replaces the values given, and writes the tags into the files. Prints the outcome,
       then each file that failed with its reason on standard error. A PATH that is not a music
       file is named on standard error and the others are written. The status is 0 when every
       song was written or skipped, 1 when one failed or a PATH is not a music file.

  --title T      the title (an empty text is written as empty)
  --artist A     the artist
  --year N       the year, 1900 to 2099, or 0 for none
  --genre G      the genre
  --rating N     the star rating, 0 to 5
  --cover IMAGE  the cover, from an image file
  --no-cover     no cover
  --album A      the album
  --album-artist A
                 the album's artist
  --track N[/T]  the track number, 1 to 999, with the number of tracks after "/" (0 for none)
  --disc N[/T]   the disc number, likewise
  --bpm N        the tempo, 1 to 999, written into the tags even when "Write BPM into tags" is off

Only what differs from a file's tags is written: a file whose tags already hold the values is left
as it is.

bpm    Analyses the tempo of each PATH (a folder stands for its music files in load order) and
       prints one line per file: the whole-number tempo, a tab, the path. A file whose analysis
       fails gets its error on standard error; the status is 1 when any failed. With --write the
       tempi also go into the files' tags (as "Write BPM into tags" does), and the outcome is printed
       as write prints it.

rename Loads FOLDER as dropping it does and renames its files by the pattern, as the window's
       pattern sheet does; with --analyze-bpm "Search BPM" runs first. Prints the final message;
       the status is 0 when nothing failed, 1 otherwise. PATTERN is a pattern of your own (see
       below): a song it needs an empty field for is skipped and named on standard error. With
       --dry-run nothing is renamed: each file's old and new name are printed, parted by a tab.

clean-bpm
       Loads FOLDER and removes a leading tempo tag ("[120 BPM] ") from its file names, printing
       the same way.

tag-from-name
       Builds the songs as write does and gives each the values its name yields by PATTERN, as
       the window's "Tags from File Names" does. Prints the songs as scan does, or with --write
       writes the tags and prints the outcome as write does. A song whose name does not match is
       named on standard error, keeps its values, and makes the status 1.

Patterns: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% %bpm%, and
%ignore% for text to skip; any other text is literal. "/" reads the folders above the file:
"%artist%/%album% (%year%)/%track%. %title%". Reading a name, the extension is left out,
%year% takes four digits, %track% and %disc% digits with an optional "/total", %bpm% digits,
and a text field the shortest text that lets the rest match. Writing a name, %track% and
%disc% get two digits ("03"). A pattern with an unknown field, no field, or two fields with
nothing between them is refused with status 2.

lookup       Asks the music catalogues (iTunes, then MusicBrainz) about one recording and prints
             what was found as JSON (title, artist, year, coverURL, genre; absent fields left
             out). Nothing found: "No results" on standard error and status 1.

auto-search  Loads FOLDER, then looks up the missing covers, genres or years of its songs as the
             window's "Auto-Search All ..." does. The final summary goes to standard error; then
             the folder is printed as JSON, or with --write its tags are written into the files.
             Offline mode (the window's switch) is honoured: status 1.

edit   Builds the songs as write does, then runs the operations in the order given, each as the
       window's command does (COLUMN is title, artist, genre, year, album or album-artist). Prints
       the folder as scan does, or with --write writes the tags and prints the outcome as write
       does. Messages of the operations go to standard error; an edit that changes nothing is no
       error.

  --uppercase COLUMN|all      upper case (all: title, artist, genre, album and album artist)
  --title-case COLUMN|all     first letters in capitals ("First Letter")
  --clean-characters          the sidebar's "Characters" clean-up
  --swap                      swap artist and title of every song
  --clear COLUMN              empty the column
  --replace COLUMN VALUE      one value for the whole column (a year only from 1900 to 2099)
  --set-genre TEXT            one genre for every song
  --set-rating N              N stars (1 to 4) for every song
  --clear-ratings             no rating for any song
  --number-tracks             track numbers 1 to N, and the total N, in the order of the songs
  --remove TERM               take TERM out of every text field (repeatable: all terms
                              apply together, in order, where the first --remove stands)
  --remove-replacement TEXT   put TEXT where a --remove term was, instead of a space
  --replace-text FROM TO      replace FROM by TO in every text field
  --cover-all IMAGE           IMAGE (PNG or JPEG, at most 1,000,000 bytes and 2000 x 2000) as the
                              cover of every song without a cover file, as "Set Cover" does
  --clear-covers              no cover for any song

The catalogues' addresses can be replaced with QUIRELLA_ITUNES_URL, QUIRELLA_MUSICBRAINZ_URL and
QUIRELLA_COVERART_URL (https, or http on a loopback address).

Wrong arguments give status 2.
)");
}

QString versionLine() {
    return u"quirella-cli (Quirella Tag-Editor) "_s + QStringLiteral(QUIRELLA_VERSION) + u'\n';
}

namespace {

std::optional<qint64> parseInteger(const QString& text) {
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(value) : std::nullopt;
}

// Sets an option once; a second time is an error rather than a silent override.
template <typename T>
bool setOnce(std::optional<T>& slot, T value, const QString& option, ArgumentError& error) {
    if (slot) {
        error.message = QCoreApplication::translate("Cli", "%1 is given more than once").arg(option);
        return false;
    }
    slot = std::move(value);
    return true;
}

Command parseWrite(const QStringList& arguments) {
    WriteCommand command;
    ArgumentError error;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith("--"_L1)) {
            command.paths.append(argument);
            continue;
        }
        if (argument == "--"_L1) {
            optionsEnded = true;
            continue;
        }
        if (argument == "--no-cover"_L1) {
            if (command.clearCover) {
                return ArgumentError{
                    QCoreApplication::translate("Cli", "%1 is given more than once").arg(u"--no-cover"_s)};
            }
            command.clearCover = true;
            continue;
        }
        // "--title T" or "--title=T".
        std::optional<QString> value;
        if (const qsizetype equals = argument.indexOf(u'='); equals > 0) {
            value = argument.mid(equals + 1);
            argument.truncate(equals);
        }
        static const QStringList valueOptions = {
            u"--title"_s, u"--artist"_s,       u"--year"_s,  u"--genre"_s, u"--rating"_s, u"--cover"_s,
            u"--album"_s, u"--album-artist"_s, u"--track"_s, u"--disc"_s,  u"--bpm"_s};
        if (!valueOptions.contains(argument)) {
            return ArgumentError{QCoreApplication::translate("Cli", "unknown option %1").arg(argument)};
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                return ArgumentError{QCoreApplication::translate("Cli", "%1 needs a value").arg(argument)};
            }
            value = arguments.at(++i);
        }
        bool ok = true;
        if (argument == "--title"_L1) {
            ok = setOnce(command.title, *value, argument, error);
        } else if (argument == "--artist"_L1) {
            ok = setOnce(command.artist, *value, argument, error);
        } else if (argument == "--genre"_L1) {
            ok = setOnce(command.genre, *value, argument, error);
        } else if (argument == "--album"_L1) {
            ok = setOnce(command.album, *value, argument, error);
        } else if (argument == "--album-artist"_L1) {
            ok = setOnce(command.albumArtist, *value, argument, error);
        } else if (argument == "--track"_L1 || argument == "--disc"_L1) {
            const NumberPairInput number = parseNumberPair(*value);
            if (!number.value) {
                return ArgumentError{argument + u": "_s + number.error};
            }
            ok = setOnce(argument == "--track"_L1 ? command.track : command.disc, *number.value, argument,
                         error);
        } else if (argument == "--bpm"_L1) {
            const std::optional<qint64> bpm = parseInteger(*value);
            if (!bpm || *bpm < 1 || *bpm > 999) {
                return ArgumentError{
                    QCoreApplication::translate("Cli", "--bpm takes a tempo from 1 to 999, not \"%1\"")
                        .arg(*value)};
            }
            ok = setOnce(command.bpm, *bpm, argument, error);
        } else if (argument == "--cover"_L1) {
            if (value->isEmpty()) {
                return ArgumentError{QCoreApplication::translate("Cli", "--cover needs an image file")};
            }
            ok = setOnce(command.coverPath, *value, argument, error);
        } else if (argument == "--year"_L1) {
            const std::optional<qint64> year = parseInteger(*value);
            if (!year || (*year != 0 && !isValidYear(*year))) {
                return ArgumentError{
                    QCoreApplication::translate(
                        "Cli", "--year takes a year from 1900 to 2099, or 0 for none, not \"%1\"")
                        .arg(*value)};
            }
            ok = setOnce(command.year, *year, argument, error);
        } else if (argument == "--rating"_L1) {
            const std::optional<qint64> rating = parseInteger(*value);
            if (!rating || *rating < 0 || *rating > 5) {
                return ArgumentError{
                    QCoreApplication::translate("Cli", "--rating takes a number from 0 to 5, not \"%1\"")
                        .arg(*value)};
            }
            ok = setOnce(command.rating, *rating, argument, error);
        }
        if (!ok) {
            return error;
        }
    }
    if (command.coverPath && command.clearCover) {
        return ArgumentError{
            QCoreApplication::translate("Cli", "--cover and --no-cover cannot be used together")};
    }
    if (command.paths.isEmpty()) {
        return ArgumentError{QCoreApplication::translate("Cli", "write needs at least one file or folder")};
    }
    return command;
}

Command parseLookup(const QStringList& arguments) {
    QStringList values;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (!optionsEnded && argument == "--"_L1) {
            optionsEnded = true;
        } else if (!optionsEnded && argument.startsWith("--"_L1)) {
            return ArgumentError{QCoreApplication::translate("Cli", "unknown option %1").arg(argument)};
        } else {
            values.append(argument);
        }
    }
    if (values.size() != 2) {
        return ArgumentError{QCoreApplication::translate("Cli", "lookup takes an artist and a title")};
    }
    return LookupCommand{values.at(0), values.at(1)};
}

Command parseAutoSearch(const QStringList& arguments) {
    AutoSearchCommand command;
    std::optional<AutoSearchCommand::Field> field;
    QStringList folders;
    for (const QString& argument : arguments) {
        std::optional<AutoSearchCommand::Field> chosen;
        if (argument == "--covers"_L1) {
            chosen = AutoSearchCommand::Field::covers;
        } else if (argument == "--genres"_L1) {
            chosen = AutoSearchCommand::Field::genres;
        } else if (argument == "--years"_L1) {
            chosen = AutoSearchCommand::Field::years;
        } else if (argument == "--write"_L1) {
            command.write = true;
            continue;
        } else if (argument.startsWith("--"_L1)) {
            return ArgumentError{QCoreApplication::translate("Cli", "unknown option %1").arg(argument)};
        } else {
            folders.append(argument);
            continue;
        }
        if (field) {
            return ArgumentError{QCoreApplication::translate(
                "Cli", "auto-search takes one of --covers, --genres and --years")};
        }
        field = chosen;
    }
    if (!field) {
        return ArgumentError{
            QCoreApplication::translate("Cli", "auto-search needs --covers, --genres or --years")};
    }
    if (folders.size() != 1) {
        return ArgumentError{QCoreApplication::translate("Cli", "auto-search takes exactly one folder")};
    }
    command.folder = folders.first();
    command.field = *field;
    return command;
}

} // namespace

MaximumSongsOption takeMaximumSongs(QStringList& arguments) {
    static const QStringList folderCommands = {u"scan"_s, u"rename"_s, u"clean-bpm"_s, u"auto-search"_s};
    MaximumSongsOption option;
    if (arguments.isEmpty() || !folderCommands.contains(arguments.first())) {
        return option;
    }
    for (qsizetype i = 1; i < arguments.size() && arguments.at(i) != "--"_L1;) {
        const QString argument = arguments.at(i);
        std::optional<QString> value;
        qsizetype taken = 1;
        if (argument.startsWith("--max-songs="_L1)) {
            value = argument.mid(12);
        } else if (argument == "--max-songs"_L1) {
            if (i + 1 >= arguments.size()) {
                option.error = QCoreApplication::translate("Cli", "%1 needs a value").arg(argument);
                return option;
            }
            value = arguments.at(i + 1);
            taken = 2;
        } else {
            ++i;
            continue;
        }
        const std::optional<qint64> count = parseInteger(*value);
        if (!count || *count < 1 || *count > std::numeric_limits<int>::max()) {
            option.error =
                QCoreApplication::translate("Cli", "--max-songs takes a count of songs, not \"%1\"")
                    .arg(*value);
            return option;
        }
        if (option.maximum) {
            option.error =
                QCoreApplication::translate("Cli", "%1 is given more than once").arg(u"--max-songs"_s);
            return option;
        }
        option.maximum = static_cast<int>(*count);
        arguments.remove(i, taken);
    }
    return option;
}

Command parseArguments(const QStringList& arguments) {
    if (arguments.contains("--help"_L1) || arguments.contains("-h"_L1)) {
        return HelpCommand{};
    }
    if (arguments.value(0) == "--version"_L1) {
        return VersionCommand{};
    }
    if (arguments.isEmpty()) {
        return ArgumentError{
            QCoreApplication::translate("Cli", "a command is needed: scan, write, bpm, rename, clean-bpm, "
                                               "tag-from-name, lookup or auto-search")};
    }
    const QString& command = arguments.first();
    const QStringList rest = arguments.mid(1);
    if (command == "scan"_L1) {
        if (rest.size() != 1) {
            return ArgumentError{QCoreApplication::translate("Cli", "scan takes exactly one folder")};
        }
        if (rest.first().startsWith("--"_L1)) {
            return ArgumentError{QCoreApplication::translate("Cli", "unknown option %1").arg(rest.first())};
        }
        return ScanCommand{rest.first()};
    }
    if (command == "write"_L1) {
        return parseWrite(rest);
    }
    if (command == "lookup"_L1) {
        return parseLookup(rest);
    }
    if (command == "auto-search"_L1) {
        return parseAutoSearch(rest);
    }
    return ArgumentError{QCoreApplication::translate("Cli", "unknown command %1").arg(command)};
}

} // namespace quirella::cli
