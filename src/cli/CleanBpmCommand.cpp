// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli clean-bpm FOLDER: "Clean BPM" on the loaded folder.
#include "FileCommands.h"
#include "FolderCommandSupport.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace quirella::cli {

int runCleanBpmCommand(const QStringList& arguments) {
    for (const QString& argument : arguments) {
        if (argument.startsWith("--"_L1)) {
            return reportArgumentError(QCoreApplication::translate("Cli", "unknown option %1").arg(argument));
        }
    }
    if (arguments.size() != 1) {
        return reportArgumentError(QCoreApplication::translate("Cli", "clean-bpm takes exactly one folder"));
    }
    const std::unique_ptr<LoadedFolder> loaded = loadFolderForCommand(arguments.first());
    if (!loaded) {
        return 1;
    }
    QFuture<FileBatchResult> cleaning = cleanBPMFromFilenames(&loaded->model, {}, commandLineBatchOptions());
    awaitFinished(QFuture<void>(cleaning));
    return reportFileBatch(cleaning.result());
}

} // namespace quirella::cli
