// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli rename FOLDER --pattern artist-title|artist-title-year|bpm-artist-title [--analyze-bpm]:
// loads the folder, optionally runs "Search BPM", then renames as the pattern sheet does.
#include "FileCommands.h"
#include "FolderCommandSupport.h"
#include "operations/BPMBatch.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace quirella::cli {

namespace {

std::optional<FileNamingPattern> patternNamed(const QString& name) {
    if (name == "artist-title"_L1) {
        return FileNamingPattern::artistTitle;
    }
    if (name == "artist-title-year"_L1) {
        return FileNamingPattern::artistTitleYear;
    }
    if (name == "bpm-artist-title"_L1) {
        return FileNamingPattern::bpmArtistTitle;
    }
    return std::nullopt;
}

} // namespace

int runRenameCommand(const QStringList& arguments) {
    QStringList folders;
    std::optional<QString> patternName;
    bool analyzeBpm = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == "--analyze-bpm"_L1) {
            analyzeBpm = true;
        } else if (argument == "--pattern"_L1 || argument.startsWith("--pattern="_L1)) {
            if (patternName) {
                return reportArgumentError(
                    QCoreApplication::translate("Cli", "%1 is given more than once").arg(u"--pattern"_s));
            }
            if (argument.contains(u'=')) {
                patternName = argument.mid(argument.indexOf(u'=') + 1);
            } else if (i + 1 < arguments.size()) {
                patternName = arguments.at(++i);
            } else {
                return reportArgumentError(
                    QCoreApplication::translate("Cli", "%1 needs a value").arg(u"--pattern"_s));
            }
        } else if (argument.startsWith("--"_L1)) {
            return reportArgumentError(QCoreApplication::translate("Cli", "unknown option %1").arg(argument));
        } else {
            folders.append(argument);
        }
    }
    if (folders.size() != 1) {
        return reportArgumentError(QCoreApplication::translate("Cli", "rename takes exactly one folder"));
    }
    if (!patternName) {
        return reportArgumentError(QCoreApplication::translate(
            "Cli", "rename needs --pattern artist-title, artist-title-year or bpm-artist-title"));
    }
    const std::optional<FileNamingPattern> pattern = patternNamed(*patternName);
    if (!pattern) {
        return reportArgumentError(
            QCoreApplication::translate(
                "Cli", "--pattern takes artist-title, artist-title-year or bpm-artist-title, not \"%1\"")
                .arg(*patternName));
    }

    const std::unique_ptr<LoadedFolder> loaded = loadFolderForCommand(folders.first());
    if (!loaded) {
        return 1;
    }
    bool bpmFailed = false;
    if (analyzeBpm) {
        QFuture<BPMBatchResult> analysis = analyzeBPMForAllSongs(&loaded->model);
        awaitFinished(QFuture<void>(analysis));
        const BPMBatchResult result = analysis.result();
        bpmFailed = result.failureCount > 0;
        if (bpmFailed) {
            printText(stderr, QCoreApplication::translate("BPMBatch", "⚠️ BPM: %1 analyzed, %2 failed")
                                      .arg(result.analyzedCount)
                                      .arg(result.failureCount) +
                                  u'\n');
        }
    }
    QFuture<FileBatchResult> renaming = renameFiles(&loaded->model, *pattern, commandLineBatchOptions());
    awaitFinished(QFuture<void>(renaming));
    const int status = reportFileBatch(renaming.result());
    return bpmFailed ? 1 : status;
}

} // namespace quirella::cli
