// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli rename FOLDER --pattern artist-title|artist-title-year|bpm-artist-title|PATTERN
// [--analyze-bpm] [--dry-run]: loads the folder, optionally runs "Search BPM", then renames as the pattern
// sheet does, by one of its three patterns or by a written one; or only prints what it would do.
#include "FileCommands.h"
#include "FolderCommandSupport.h"
#include "model/Paths.h"
#include "operations/BPMBatch.h"

#include <QCoreApplication>

#include <cstdio>

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
    bool dryRun = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == "--analyze-bpm"_L1) {
            analyzeBpm = true;
        } else if (argument == "--dry-run"_L1) {
            dryRun = true;
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
            "Cli", "rename needs --pattern artist-title, artist-title-year, bpm-artist-title or a pattern"));
    }
    // The three names first; anything else is a pattern of the user's own.
    std::optional<RenamePattern> pattern;
    if (const std::optional<FileNamingPattern> fixed = patternNamed(*patternName)) {
        pattern = *fixed;
    } else {
        const NamePatternParse parsed = parseNamePattern(*patternName);
        const QString problem = parsed.pattern ? fileNamePatternProblem(*parsed.pattern) : parsed.error;
        if (!problem.isEmpty()) {
            return reportArgumentError(problem);
        }
        pattern = *parsed.pattern;
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
    if (dryRun) {
        // "old<TAB>new", with the names' own bytes; what would be skipped goes to standard error.
        for (const Song& song : loaded->model.currentFolder()->songs) {
            const PlannedName plan = planFileName(song, *pattern);
            if (plan.newName.isEmpty()) {
                printText(stderr, paths::displayText(plan.oldName) + u": "_s +
                                      QCoreApplication::translate("Cli", "skipped: %1").arg(plan.skipReason) +
                                      u'\n');
                continue;
            }
            const QByteArray line =
                paths::nativePath(plan.oldName) + '\t' + paths::nativePath(plan.newName) + '\n';
            std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        }
        std::fflush(stdout);
        return bpmFailed ? 1 : 0;
    }
    QFuture<FileBatchResult> renaming =
        std::holds_alternative<NamePattern>(*pattern)
            ? renameFiles(&loaded->model, std::get<NamePattern>(*pattern), commandLineBatchOptions())
            : renameFiles(&loaded->model, std::get<FileNamingPattern>(*pattern), commandLineBatchOptions());
    awaitFinished(QFuture<void>(renaming));
    for (const QString& skipped : renaming.result().skippedLines) {
        printText(stderr, QCoreApplication::translate("Cli", "skipped: %1").arg(skipped) + u'\n');
    }
    const int status = reportFileBatch(renaming.result());
    return bpmFailed ? 1 : status;
}

} // namespace quirella::cli
