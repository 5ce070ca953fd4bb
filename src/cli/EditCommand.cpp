// SPDX-License-Identifier: GPL-3.0-or-later
// The songs are built as `write` builds them, then the operations run in the order given, each through
// the same BulkEditor call as the window's command. The result is printed as `scan` prints a folder, or
// with --write goes through the tag-writing batch.
#include "EditCommand.h"

#include "CoverEdits.h"
#include "FileCommands.h"
#include "SongTargets.h"
#include "app/ContentViewModel.h"
#include "app/FolderLoading.h"
#include "app/FolderScanner.h"
#include "model/EditingManager.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/BulkEditor.h"
#include "operations/BulkOperations.h"
#include "operations/TagWritingBatch.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace quirella::cli {

namespace {

using Operation = std::function<void(BulkEditor& editor, ContentViewModel& model)>;

struct EditRequest {
    QStringList paths;
    QList<Operation> operations;
    bool write = false;
    std::shared_ptr<CoverEditState> covers = std::make_shared<CoverEditState>();
};

struct ParseError {
    QString message;
};

// The column a COLUMN argument names: the table's ids, with "album-artist" for "albumArtist".
QString columnOf(const QString& argument) {
    return argument == "album-artist"_L1 ? u"albumArtist"_s : argument;
}

// The remove-text window's apply: every --remove term, in order, at the place of the first --remove.
struct RemoveApply {
    QStringList terms;
    QString replacement;
};

std::variant<EditRequest, ParseError> parseEdit(const QStringList& arguments) {
    EditRequest request;
    auto removal = std::make_shared<RemoveApply>();
    bool removeAdded = false;
    bool replacementGiven = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith("--"_L1)) {
            request.paths.append(argument);
            continue;
        }
        // The values an option takes; a missing one is an error.
        const auto values = [&](int count) -> std::optional<QStringList> {
            if (arguments.size() - i - 1 < count) {
                return std::nullopt;
            }
            const QStringList taken = arguments.mid(i + 1, count);
            i += count;
            return taken;
        };
        const auto needs = [&](const QString& what) {
            return ParseError{QCoreApplication::translate("Cli", "%1 needs %2").arg(argument, what)};
        };
        if (argument == "--"_L1) {
            optionsEnded = true;
        } else if (argument == "--write"_L1) {
            request.write = true;
        } else if (argument == "--uppercase"_L1 || argument == "--title-case"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value) {
                return needs(
                    QCoreApplication::translate("Cli", "title, artist, genre, album, album-artist or all"));
            }
            const QString target = columnOf(value->first());
            const bool upper = argument == "--uppercase"_L1;
            if (target == "all"_L1) {
                request.operations.append([upper](BulkEditor& e, ContentViewModel&) {
                    upper ? e.uppercaseAll() : e.titleCaseAll();
                });
            } else if (isBulkTextColumn(target)) {
                request.operations.append([upper, target](BulkEditor& e, ContentViewModel&) {
                    upper ? e.uppercaseColumn(target) : e.titleCaseColumn(target);
                });
            } else {
                return ParseError{
                    QCoreApplication::translate(
                        "Cli", "%1 takes title, artist, genre, album, album-artist or all, not \"%2\"")
                        .arg(argument, value->first())};
            }
        } else if (argument == "--clean-characters"_L1) {
            request.operations.append(
                [](BulkEditor& e, ContentViewModel&) { e.cleanCharactersInAllSongs(); });
        } else if (argument == "--swap"_L1) {
            request.operations.append([](BulkEditor& e, ContentViewModel& model) {
                QList<QUuid> ids;
                for (const Song& song : model.currentFolder()->songs) {
                    ids.append(song.id);
                }
                for (const QUuid& id : ids) {
                    e.swapArtistAndTitle(id);
                }
            });
        } else if (argument == "--clear"_L1 || argument == "--replace"_L1) {
            const bool replace = argument == "--replace"_L1;
            const std::optional<QStringList> value = values(replace ? 2 : 1);
            if (!value) {
                return needs(
                    replace ? QCoreApplication::translate(
                                  "Cli",
                                  "a column (title, artist, genre, year, album or album-artist) and a value")
                            : QCoreApplication::translate(
                                  "Cli", "a column: title, artist, genre, year, album or album-artist"));
            }
            const QString target = columnOf(value->first());
            if (!isBulkColumn(target)) {
                return ParseError{
                    QCoreApplication::translate(
                        "Cli", "%1 takes title, artist, genre, year, album or album-artist, not \"%2\"")
                        .arg(argument, value->first())};
            }
            if (!replace) {
                request.operations.append(
                    [target](BulkEditor& e, ContentViewModel&) { e.clearColumn(target); });
                continue;
            }
            const QString text = value->at(1);
            request.operations.append([target, text](BulkEditor& e, ContentViewModel&) {
                // As in the window, a text that is no year changes nothing; saying so saves a puzzled user.
                if (target == "year"_L1 && parseYearText(text) == 0) {
                    printText(stderr,
                              u"quirella-cli: "_s +
                                  QCoreApplication::translate(
                                      "Cli", "\"%1\" is no year from 1900 to 2099; no year was changed")
                                      .arg(text) +
                                  u'\n');
                }
                e.replaceColumn(target, text);
            });
        } else if (argument == "--set-genre"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value) {
                return needs(QCoreApplication::translate("Cli", "a genre"));
            }
            request.operations.append(
                [genre = value->first()](BulkEditor& e, ContentViewModel&) { e.setGenreForAll(genre); });
        } else if (argument == "--set-rating"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value) {
                return needs(QCoreApplication::translate("Cli", "a number of stars from 1 to 4"));
            }
            bool ok = false;
            const int stars = value->first().toInt(&ok);
            if (!ok || stars < 1 || stars > 4) {
                return ParseError{QCoreApplication::translate(
                                      "Cli", "--set-rating takes a number of stars from 1 to 4, not \"%1\"")
                                      .arg(value->first())};
            }
            request.operations.append(
                [stars](BulkEditor& e, ContentViewModel&) { e.setRatingForAll(stars); });
        } else if (argument == "--number-tracks"_L1) {
            request.operations.append([](BulkEditor& e, ContentViewModel&) { e.numberTracks(); });
        } else if (argument == "--clear-ratings"_L1) {
            request.operations.append([](BulkEditor& e, ContentViewModel&) { e.clearRatings(); });
        } else if (argument == "--remove"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value || value->first().isEmpty()) {
                return needs(QCoreApplication::translate("Cli", "a text to remove"));
            }
            removal->terms.append(value->first());
            if (!removeAdded) {
                removeAdded = true;
                request.operations.append([removal](BulkEditor& e, ContentViewModel&) {
                    e.removeTerms(removal->terms, removal->replacement);
                });
            }
        } else if (argument == "--remove-replacement"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value) {
                return needs(QCoreApplication::translate("Cli", "a replacement text"));
            }
            if (replacementGiven) {
                return ParseError{QCoreApplication::translate("Cli", "%1 is given more than once")
                                      .arg(u"--remove-replacement"_s)};
            }
            replacementGiven = true;
            removal->replacement = value->first();
        } else if (argument == "--replace-text"_L1) {
            const std::optional<QStringList> value = values(2);
            if (!value || value->first().isEmpty()) {
                return needs(QCoreApplication::translate("Cli", "a text to replace and its replacement"));
            }
            request.operations.append(
                [from = value->at(0), to = value->at(1)](BulkEditor& e, ContentViewModel&) {
                    e.replaceTextInFields(from, to);
                });
        } else if (argument == "--cover-all"_L1) {
            const std::optional<QStringList> value = values(1);
            if (!value) {
                return needs(QCoreApplication::translate("Cli", "an image file"));
            }
            request.covers->images.append(value->first());
            request.operations.append(
                [covers = request.covers, image = value->first()](BulkEditor&, ContentViewModel& model) {
                    applyCoverImageToAllSongs(model, *covers, image);
                });
        } else if (argument == "--clear-covers"_L1) {
            request.operations.append(
                [](BulkEditor&, ContentViewModel& model) { clearCoversOfAllSongs(model); });
        } else {
            return ParseError{QCoreApplication::translate("Cli", "unknown option %1").arg(argument)};
        }
    }
    if (replacementGiven && !removeAdded) {
        return ParseError{
            QCoreApplication::translate("Cli", "--remove-replacement needs at least one --remove")};
    }
    if (request.paths.isEmpty()) {
        return ParseError{QCoreApplication::translate("Cli", "edit needs at least one file or folder")};
    }
    if (request.operations.isEmpty()) {
        return ParseError{QCoreApplication::translate("Cli", "edit needs at least one operation")};
    }
    return request;
}

} // namespace

std::optional<int> runEditCommand(const QStringList& arguments) {
    if (arguments.value(0) != "edit"_L1 || arguments.contains("--help"_L1) || arguments.contains("-h"_L1)) {
        return std::nullopt;
    }
    const auto parsed = parseEdit(arguments.mid(1));
    if (const auto* error = std::get_if<ParseError>(&parsed)) {
        return reportArgumentError(error->message);
    }
    const EditRequest& request = std::get<EditRequest>(parsed);
    for (const QString& path : request.paths) {
        if (!pathExists(path)) {
            return reportArgumentError(
                QCoreApplication::translate("Cli", "no such file or folder: %1").arg(path));
        }
    }

    // A picture the window's picker would refuse is refused before anything else, with its words.
    if (const std::optional<QString> refused = checkCoverImages(*request.covers)) {
        printText(stderr, *refused + u'\n');
        return 1;
    }

    // The songs, as `write` builds them: a file that no loader takes is named and left out.
    QStringList paths;
    for (const QString& path : request.paths) {
        if (const std::optional<QString> problem = unusablePath(path)) {
            printText(stderr, u"quirella-cli: "_s + *problem + u'\n');
        } else {
            paths.append(path);
        }
    }
    if (paths.isEmpty()) {
        return 1;
    }
    const WriteTargets targets = awaitResult(QtConcurrent::run(collectFiles, paths));
    if (targets.error) {
        printText(stderr, *targets.error + u'\n');
        return 1;
    }
    ProgressManager progress;
    const TerminalProgress progressLine(progress);
    QList<Song> songs = awaitResult(QtConcurrent::run(createSongs, targets.files, &progress));
    const bool someLeftOut = paths.size() < request.paths.size() || songs.size() < targets.files.size();

    ToastManager toasts;
    const QMetaObject::Connection toastLines =
        QObject::connect(&toasts, &ToastManager::messageChanged, [&toasts] {
            if (!toasts.message().isEmpty()) {
                printText(stderr, toasts.message() + u'\n');
            }
        });
    ContentViewModel model;
    model.setFeedback(&progress, &toasts);
    const QString first = quirella::paths::canonicalPath(paths.first());
    const QString location =
        isFolder(first) ? first : first.left(std::max<qsizetype>(1, first.lastIndexOf(u'/')));
    // In the order built, not re-sorted: the operations see the songs as `write` would write them.
    model.setCurrentFolder(MusicFolder::make(QUrl::fromLocalFile(location), std::move(songs)));
    model.refreshVisibleSongs();

    BulkEditor editor(model);
    for (const Operation& operation : request.operations) {
        operation(editor, model);
    }
    // A cover that could not be prepared is written nowhere: the files stay as they are.
    for (const QString& failure : request.covers->failures) {
        printText(stderr, failure + u'\n');
    }
    if (!request.covers->failures.isEmpty()) {
        return 1;
    }

    if (!request.write) {
        printText(stdout, QString::fromUtf8(
                              QJsonDocument(toJson(*model.currentFolder())).toJson(QJsonDocument::Indented)));
        return someLeftOut ? 1 : 0;
    }
    QObject::disconnect(toastLines); // the batch's own toasts are summed up by its final message
    const TagBatchResult result = awaitResult(
        writeTagsToSongs(model.currentFolder()->songs, &progress, &toasts, {}, refusingChangedFiles()));
    printTagBatch(result);
    return result.errorLines.isEmpty() && !someLeftOut ? 0 : 1;
}

} // namespace quirella::cli
