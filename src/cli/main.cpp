// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli: the folder loading and the tag writing of the window, from a shell.
#include "CliArguments.h"
#include "Console.h"
#include "EditCommand.h"
#include "FileCommands.h"
#include "OnlineCommands.h"
#include "SongTargets.h"
#include "app/ContentViewModel.h"
#include "app/FolderLoading.h"
#include "app/FolderScanner.h"
#include "app/Instances.h"
#include "app/MemoryTuning.h"
#include "app/Translations.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/Song.h"
#include "model/ToastManager.h"
#include "operations/TagWritingBatch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace quirella;

namespace {

int runScan(const cli::ScanCommand& command) {
    ContentViewModel model;
    cli::applyMaximumSongs(model);
    const cli::TerminalProgress progressLine(ProgressManager::instance());
    cli::awaitFinished(
        QFuture<void>(model.loadFolder(QUrl::fromLocalFile(paths::canonicalPath(command.folder)))));
    if (model.showExportAlert()) {
        cli::printText(stderr, model.exportAlertMessage() + u'\n');
        return 1;
    }
    const ToastManager& toasts = ToastManager::instance();
    if (toasts.isShowing() && toasts.type() == ToastManager::ToastType::warning) {
        cli::printText(stderr, toasts.message() + u'\n');
    }
    if (!model.currentFolder()) {
        return 1;
    }
    // Written as the UTF-8 it is made in: a folder of 1000 songs is over half a megabyte of text.
    const QByteArray json = QJsonDocument(toJson(*model.currentFolder())).toJson(QJsonDocument::Indented);
    std::fwrite(json.constData(), 1, static_cast<size_t>(json.size()), stdout);
    std::fflush(stdout);
    return 0;
}

void applyValues(Song& song, const cli::WriteCommand& command, const std::optional<QString>& coverPath) {
    if (command.title) {
        song.name = *command.title;
    }
    if (command.artist) {
        song.artist = *command.artist;
    }
    if (command.year) {
        song.year = *command.year;
    }
    if (command.genre) {
        song.genre = *command.genre;
    }
    if (command.rating) {
        song.rating = *command.rating;
    }
    if (command.album) {
        song.album = *command.album;
    }
    if (command.albumArtist) {
        song.albumArtist = *command.albumArtist;
    }
    if (command.track) {
        song.track = *command.track;
    }
    if (command.disc) {
        song.disc = *command.disc;
    }
    if (command.bpm) {
        song.bpm = *command.bpm;
    }
    if (coverPath) {
        song.coverImagePath = coverPath;
    } else if (command.clearCover) {
        song.coverImagePath.reset();
    }
}

int runWrite(const cli::WriteCommand& command) {
    for (const QString& path : command.paths) {
        if (!cli::pathExists(path)) {
            return cli::reportArgumentError(QCoreApplication::translate("Cli", "no such file or folder: %1")
                                                .arg(paths::displayText(path)));
        }
    }
    std::optional<QString> coverPath;
    if (command.coverPath) {
        const QFileInfo cover(*command.coverPath);
        if (!cover.isFile()) {
            return cli::reportArgumentError(
                QCoreApplication::translate("Cli", "no such image file: %1").arg(*command.coverPath));
        }
        coverPath = cover.absoluteFilePath();
    }

    // A file that no loader or writer takes is named, and the others are still written.
    QStringList paths;
    for (const QString& path : command.paths) {
        if (const std::optional<QString> problem = cli::unusablePath(path)) {
            cli::printText(stderr, u"quirella-cli: "_s + *problem + u'\n');
        } else {
            paths.append(path);
        }
    }
    const bool someUnsupported = paths.size() < command.paths.size();
    if (paths.isEmpty()) {
        return 1;
    }

    QFuture<cli::WriteTargets> collecting = QtConcurrent::run(cli::collectFiles, paths);
    cli::awaitFinished(QFuture<void>(collecting));
    const cli::WriteTargets targets = collecting.result();
    if (targets.error) {
        cli::printText(stderr, *targets.error + u'\n');
        return 1;
    }
    ProgressManager progress;
    ToastManager toasts;
    const cli::TerminalProgress progressLine(progress);
    QFuture<QList<Song>> building = QtConcurrent::run(createSongs, targets.files, &progress);
    cli::awaitFinished(QFuture<void>(building));
    QList<Song> songs = building.result();
    // A file that gave no song has had its line on standard error already.
    const bool someNotBuilt = songs.size() < targets.files.size();
    for (Song& song : songs) {
        applyValues(song, command, coverPath);
    }

    TagBatchOptions options;
    options.writeBpm = options.writeBpm || command.bpm.has_value();
    options.refuseChangedFiles = true; // another program's save since the songs were read is not undone
    QFuture<TagBatchResult> writing = writeTagsToSongs(std::move(songs), &progress, &toasts, {}, options);
    cli::awaitFinished(QFuture<void>(writing));
    const TagBatchResult result = writing.result();
    cli::printTagBatch(result);
    return result.errorLines.isEmpty() && !someNotBuilt && !someUnsupported ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    keepFreedMemoryForReuse();
    QCoreApplication app(argc, argv);
    // The window's names, so that a scan applies the sort the window stored.
    QCoreApplication::setOrganizationName(u"Quirella"_s);
    QCoreApplication::setApplicationName(u"Quirella Tag-Editor"_s);
    installTranslations(app);

    // Registered while running: the window's launch clean-up then leaves our cover files and M4A
    // working copies in the shared private folder alone.
    const ProcessRegistration registration;
    // From the raw bytes: QCoreApplication::arguments() would replace bytes of names that are not UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(paths::fromNativePath(QByteArray(argv[i])));
    }
    const cli::MaximumSongsOption maximumSongs = cli::takeMaximumSongs(arguments);
    if (maximumSongs.error) {
        return cli::reportArgumentError(*maximumSongs.error);
    }
    cli::maximumSongsOption() = maximumSongs.maximum;
    if (const std::optional<int> status = cli::runEditCommand(arguments)) {
        return *status;
    }
    if (const std::optional<int> status = cli::runFileCommand(arguments)) {
        return *status;
    }
    const cli::Command command = cli::parseArguments(arguments);
    if (std::holds_alternative<cli::HelpCommand>(command)) {
        cli::printText(stdout, cli::usage());
        return 0;
    }
    if (std::holds_alternative<cli::VersionCommand>(command)) {
        cli::printText(stdout, cli::versionLine());
        return 0;
    }
    if (const auto* error = std::get_if<cli::ArgumentError>(&command)) {
        return cli::reportArgumentError(error->message);
    }
    if (const auto* scan = std::get_if<cli::ScanCommand>(&command)) {
        return runScan(*scan);
    }
    if (const auto* lookup = std::get_if<cli::LookupCommand>(&command)) {
        return cli::runLookup(*lookup);
    }
    if (const auto* search = std::get_if<cli::AutoSearchCommand>(&command)) {
        return cli::runAutoSearch(*search);
    }
    return runWrite(std::get<cli::WriteCommand>(command));
}
