// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli bpm PATH...: the tempo of each file, one line per file ("<bpm>\t<path>"); a folder stands
// for its music files in load order.
#include "FileCommands.h"
#include "app/FolderScanner.h"
#include "audio/BPMAnalyzer.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentMap>

using namespace Qt::StringLiterals;

namespace quirella::cli {

int runBpmCommand(const QStringList& arguments) {
    QStringList files;
    bool failed = false;
    for (const QString& argument : arguments) {
        if (argument.startsWith("--"_L1)) {
            return reportArgumentError(QCoreApplication::translate("Cli", "unknown option %1").arg(argument));
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
        const FolderScan scan = scanFolder(QFileInfo(argument).absoluteFilePath());
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
    for (qsizetype i = 0; i < files.size(); ++i) {
        const BPMResult& result = results.at(i);
        if (result.ok()) {
            printText(stdout, QString::number(*result.bpm) + u'\t' + files.at(i) + u'\n');
        } else {
            printText(stderr, files.at(i) + u": "_s + result.error.description + u'\n');
            failed = true;
        }
    }
    return failed ? 1 : 0;
}

} // namespace quirella::cli
