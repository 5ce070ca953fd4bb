// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli tag-from-name PATH... --pattern P [--write]: the songs are built as `write` builds them,
// each whose name matches the pattern gets the values it gives (as the window's "Tags from File Names"
// does), and the result is printed as `scan` prints a folder or, with --write, written as `write` writes.
#include "FileCommands.h"
#include "SongTargets.h"
#include "app/FolderLoading.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/Song.h"
#include "model/ToastManager.h"
#include "operations/NamePattern.h"
#include "operations/TagWritingBatch.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace quirella::cli {

int runTagFromNameCommand(const QStringList& arguments) {
    QStringList requested;
    std::optional<QString> patternText;
    bool write = false;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (optionsEnded || !argument.startsWith("--"_L1)) {
            requested.append(argument);
        } else if (argument == "--"_L1) {
            optionsEnded = true;
        } else if (argument == "--write"_L1) {
            write = true;
        } else if (argument == "--pattern"_L1 || argument.startsWith("--pattern="_L1)) {
            if (patternText) {
                return reportArgumentError(
                    QCoreApplication::translate("Cli", "%1 is given more than once").arg(u"--pattern"_s));
            }
            if (argument.contains(u'=')) {
                patternText = argument.mid(argument.indexOf(u'=') + 1);
            } else if (i + 1 < arguments.size()) {
                patternText = arguments.at(++i);
            } else {
                return reportArgumentError(
                    QCoreApplication::translate("Cli", "%1 needs a value").arg(u"--pattern"_s));
            }
        } else {
            return reportArgumentError(QCoreApplication::translate("Cli", "unknown option %1").arg(argument));
        }
    }
    if (requested.isEmpty()) {
        return reportArgumentError(
            QCoreApplication::translate("Cli", "tag-from-name needs at least one file or folder"));
    }
    if (!patternText) {
        return reportArgumentError(QCoreApplication::translate("Cli", "tag-from-name needs --pattern"));
    }
    const NamePatternParse parsed = parseNamePattern(*patternText);
    if (!parsed.pattern) {
        return reportArgumentError(parsed.error);
    }
    for (const QString& path : requested) {
        if (!pathExists(path)) {
            return reportArgumentError(QCoreApplication::translate("Cli", "no such file or folder: %1")
                                           .arg(paths::displayText(path)));
        }
    }

    // The songs, as `write` builds them: a file that no loader takes is named and left out.
    QStringList usable;
    for (const QString& path : requested) {
        if (const std::optional<QString> problem = unusablePath(path)) {
            printText(stderr, u"quirella-cli: "_s + *problem + u'\n');
        } else {
            usable.append(path);
        }
    }
    if (usable.isEmpty()) {
        return 1;
    }
    const WriteTargets targets = awaitResult(QtConcurrent::run(collectFiles, usable));
    if (targets.error) {
        printText(stderr, *targets.error + u'\n');
        return 1;
    }
    QList<Song> songs = awaitResult(QtConcurrent::run(createSongs, targets.files, nullptr));
    bool incomplete = usable.size() < requested.size() || songs.size() < targets.files.size();
    for (Song& song : songs) {
        if (const std::optional<NameValues> values = readNameValues(*parsed.pattern, song)) {
            applyNameValues(song, *values);
        } else {
            printText(stderr, QCoreApplication::translate("Cli", "%1: the name does not match the pattern")
                                      .arg(paths::displayText(song.filePath())) +
                                  u'\n');
            incomplete = true;
        }
    }

    if (!write) {
        const QString first = paths::absolutePath(usable.first());
        const QString location = isFolder(first) ? first : first.left(first.lastIndexOf(u'/'));
        const MusicFolder folder = MusicFolder::make(QUrl::fromLocalFile(location), std::move(songs));
        printText(stdout, QString::fromUtf8(QJsonDocument(toJson(folder)).toJson(QJsonDocument::Indented)));
        return incomplete ? 1 : 0;
    }
    ProgressManager progress;
    ToastManager toasts;
    const TagBatchResult result = awaitResult(writeTagsToSongs(std::move(songs), &progress, &toasts));
    printTagBatch(result);
    return result.errorLines.isEmpty() && !incomplete ? 0 : 1;
}

} // namespace quirella::cli
