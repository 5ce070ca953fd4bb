// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli bpm PATH... [--write]: the tempo of each file, one line per file ("<bpm>\t<path>"); a folder
// stands for its music files in load order. With --write the tempi go into the files' tags.
#include "FileCommands.h"
#include "app/FolderLoading.h"
#include "app/FolderScanner.h"
#include "audio/BPMAnalyzer.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/TagWritingBatch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentMap>
#include <QtConcurrent/QtConcurrentRun>

using namespace Qt::StringLiterals;

namespace quirella::cli {

int runBpmCommand(const QStringList& options) {
    QStringList files;
    bool failed = false;
    QStringList arguments;
    bool write = false;
    for (const QString& argument : options) {
        if (argument == "--write"_L1) {
            write = true;
        } else if (argument.startsWith("--"_L1)) {
            return reportArgumentError(QCoreApplication::translate("Cli", "unknown option %1").arg(argument));
        } else {
            arguments.append(argument);
        }
    }
    if (arguments.isEmpty()) {
        return reportArgumentError(
            QCoreApplication::translate("Cli", "bpm needs at least one file or folder"));
    }
    for (const QString& argument : arguments) {
        if (!QFileInfo(argument).isDir()) {
            files.append(argument);
            continue;
        }
        const FolderScan scan = scanFolder(paths::canonicalPath(argument));
        if (!scan.ok()) {
            printText(stderr,
                      argument + u": "_s +
                          QCoreApplication::translate("Cli", "Error loading folder: %1").arg(*scan.error) +
                          u'\n');
            failed = true;
            continue;
        }
        files.append(scan.files);
    }
    // Side by side, one file per processor; the lines keep the order of the files.
    QFuture<BPMResult> analysing = QtConcurrent::mapped(files, [](const QString& path) {
        return BPMAnalyzer::analyzeBPM(QFileInfo(path).absoluteFilePath());
    });
    TerminalProgress progressLine;
    QFutureWatcher<BPMResult> watcher;
    QObject::connect(&watcher, &QFutureWatcherBase::progressValueChanged, &progressLine,
                     [&progressLine, &files](int done) { progressLine.update(done, int(files.size())); });
    watcher.setFuture(analysing);
    awaitFinished(QFuture<void>(analysing));
    progressLine.clear();
    const QList<BPMResult> results = analysing.results();
    QStringList analysed;
    QList<qint64> tempi;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const BPMResult& result = results.at(i);
        if (result.ok()) {
            printText(stdout, QString::number(*result.bpm) + u'\t' + files.at(i) + u'\n');
            analysed.append(QFileInfo(files.at(i)).absoluteFilePath());
            tempi.append(*result.bpm);
        } else {
            printText(stderr, files.at(i) + u": "_s + result.error.description + u'\n');
            failed = true;
        }
    }
    if (write && !analysed.isEmpty()) {
        // The tempi go into the files' tags, whatever the preference says; nothing else changes.
        QList<Song> songs = awaitResult(QtConcurrent::run(createSongs, analysed, nullptr));
        for (Song& song : songs) {
            song.bpm = tempi.at(analysed.indexOf(song.filePath()));
        }
        ProgressManager progress;
        ToastManager toasts;
        TagBatchOptions batchOptions;
        batchOptions.writeBpm = true;
        batchOptions.refuseChangedFiles = true;
        const TagBatchResult written =
            awaitResult(writeTagsToSongs(std::move(songs), &progress, &toasts, {}, batchOptions));
        printTagBatch(written);
        failed = failed || !written.errorLines.isEmpty();
    }
    return failed ? 1 : 0;
}

} // namespace quirella::cli
