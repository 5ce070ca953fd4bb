// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/FileRenaming.h"

#include "app/ContentViewModel.h"
#include "app/FolderLoading.h"
#include "model/Bookmark.h"
#include "model/Continuation.h"
#include "model/NoReplaceMove.h"
#include "model/Paths.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"

#include <QCoreApplication>
#include <QFile>
#include <QPointer>
#include <QPromise>
#include <QRegularExpression>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quirella {

// ---- Names ----

QString generateFileName(const Song& song, FileNamingPattern pattern) {
    // Whitespace is content here: only an artist without any character is left out.
    const QString core = song.artist.isEmpty() ? song.name : song.artist + u" - "_s + song.name;
    QString name;
    switch (pattern) {
    case FileNamingPattern::artistTitle:
        name = core;
        break;
    case FileNamingPattern::artistTitleYear:
        name = song.year >= 1 ? core + u" ("_s + QString::number(song.year) + u')' : core;
        break;
    case FileNamingPattern::bpmArtistTitle:
        name = song.bpm >= 1 ? u"["_s + QString::number(song.bpm) + u" BPM] "_s + core : core;
        break;
    }
    for (const char16_t forbidden : u"\\/:*?\"<>|") {
        if (forbidden != u'\0') {
            name.replace(QChar(forbidden), u'_');
        }
    }
    return name;
}

QString cleanBPMPrefix(const QString& baseName) {
    // Without Unicode properties \d and \s match ASCII only, so the expressions work on any bytes
    // viewed as Latin-1.
    static const QRegularExpression taggedTempo(uR"(^\[\d+\s*BPM\]\s*)"_s,
                                                QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bracketedNumber(uR"(^\[\d+\]\s*)"_s);
    QString result = baseName;
    result.remove(taggedTempo);
    result.remove(bracketedNumber);
    qsizetype start = 0;
    qsizetype end = result.size();
    const auto blank = [&](qsizetype at) { return result.at(at) == u' ' || result.at(at) == u'\t'; };
    while (start < end && blank(start)) {
        ++start;
    }
    while (end > start && blank(end - 1)) {
        --end;
    }
    return result.mid(start, end - start);
}

namespace {

// Error lines listed in the alert; the rest are counted.
constexpr int kListedErrorLines = 10;
// Suffixes "_1" … "_98" are tried for a name that is taken.
constexpr int kLastSuffix = 98;

// A file's location split the way the moves need it, as the file system's bytes (which need not be
// UTF-8).
struct FileLocation {
    QByteArray path;
    QByteArray directory; // without the trailing slash
    QByteArray baseName;  // the file name without its extension
    QByteArray extension; // after the last dot, letter case kept; empty without a dot
};

FileLocation locate(const QString& resolvedPath) {
    FileLocation location;
    location.path = paths::nativePath(resolvedPath);
    const qsizetype slash = location.path.lastIndexOf('/');
    location.directory = location.path.left(slash);
    const QByteArray fileName = location.path.mid(slash + 1);
    const qsizetype dot = fileName.lastIndexOf('.');
    location.baseName = dot < 0 ? fileName : fileName.left(dot);
    location.extension = dot < 0 ? QByteArray() : fileName.mid(dot + 1);
    return location;
}

QByteArray pathFor(const FileLocation& location, const QByteArray& baseName) {
    QByteArray path = location.directory + '/' + baseName;
    if (!location.extension.isEmpty()) {
        path += '.' + location.extension;
    }
    return path;
}

bool fileExists(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0;
}

// Moves the file to `baseName` with its extension, or to the first free "_n" variant. Nothing when the
// file already has that name. Returns the failure's line suffix, if any.
// `baseName` cut so that it and `tailBytes` more fit `limit` bytes, at the end of a UTF-8 character.
QByteArray fitBaseName(const QByteArray& baseName, qsizetype tailBytes, int limit) {
    qsizetype room = std::max<qsizetype>(0, limit - tailBytes);
    if (baseName.size() <= room) {
        return baseName;
    }
    while (room > 0 && (static_cast<unsigned char>(baseName.at(room)) & 0xC0) == 0x80) {
        --room;
    }
    return baseName.left(room);
}

// The longest file name the folder's file system takes, in bytes.
int nameLimitOf(const QByteArray& directory) {
    const long limit = ::pathconf(directory.isEmpty() ? "/" : directory.constData(), _PC_NAME_MAX);
    return limit > 0 && limit < 1 << 16 ? int(limit) : 255;
}

std::optional<QString> moveToFreeName(const FileLocation& location, const QByteArray& baseName,
                                      std::optional<int> nameLimit = std::nullopt) {
    const qsizetype extensionBytes = location.extension.isEmpty() ? 0 : location.extension.size() + 1;
    for (int suffix = 0; suffix <= kLastSuffix; ++suffix) {
        const QByteArray suffixBytes = suffix == 0 ? QByteArray() : '_' + QByteArray::number(suffix);
        const QByteArray base =
            nameLimit ? fitBaseName(baseName, suffixBytes.size() + extensionBytes, *nameLimit) : baseName;
        const QByteArray name = base + suffixBytes;
        const QByteArray target = pathFor(location, name);
        // A file that already carries a name the pattern allows keeps it: running a rename twice
        // changes nothing the second time.
        if (target == location.path) {
            return std::nullopt;
        }
        const MoveResult moved = moveWithoutReplacing(location.path, target);
        switch (moved.code) {
        case MoveResult::Code::moved:
            return std::nullopt;
        case MoveResult::Code::targetExists:
            continue;
        case MoveResult::Code::failed:
            return u" - "_s + moved.description;
        }
    }
    return u" - "_s + QCoreApplication::translate("FileRenaming", "Too many duplicates");
}

QByteArray nativeName(const QString& baseName) {
    QByteArray name = QFile::encodeName(baseName);
    // A zero byte would silently cut the name short in every system call.
    name.replace('\0', '_');
    return name;
}

// The steps every song goes through before its own work: bookmark, file, access. `work` gets the
// file's location and returns a failure suffix, if any.
std::optional<QString> withSongFile(const Song& song,
                                    const std::function<std::optional<QString>(const FileLocation&)>& work) {
    const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
    if (!resolved.path) {
        return u" - "_s + QCoreApplication::translate("FileRenaming", "Invalid bookmark");
    }
    const FileLocation location = locate(*resolved.path);
    if (!fileExists(location.path)) {
        return u" - "_s + QCoreApplication::translate("FileRenaming", "File not found");
    }
    const bookmark::ScopedAccess access(*resolved.path);
    if (!access.granted()) {
        return u" - "_s + QCoreApplication::translate("FileRenaming", "Access denied");
    }
    return work(location);
}

std::optional<QString> renameSong(const Song& song, FileNamingPattern pattern) {
    return withSongFile(song, [&](const FileLocation& location) -> std::optional<QString> {
        const QString baseName = generateFileName(song, pattern);
        if (baseName.isEmpty()) {
            return u" - "_s + QCoreApplication::translate("FileRenaming", "Invalid name generated");
        }
        return moveToFreeName(location, nativeName(baseName));
    });
}

std::optional<QString> renameSongByPattern(const Song& song, const NamePattern& pattern) {
    return withSongFile(song, [&](const FileLocation& location) -> std::optional<QString> {
        return moveToFreeName(location, nativeName(nameFromTags(pattern, song).baseName),
                              nameLimitOf(location.directory));
    });
}

std::optional<QString> cleanSong(const Song& song) {
    return withSongFile(song, [](const FileLocation& location) -> std::optional<QString> {
        // Latin-1 maps every byte to one character and back, so names that are not UTF-8 survive.
        const QByteArray cleaned = cleanBPMPrefix(QString::fromLatin1(location.baseName)).toLatin1();
        if (cleaned.isEmpty() || cleaned == location.baseName) {
            return std::nullopt;
        }
        return moveToFreeName(location, cleaned);
    });
}

// The texts that tell a rename from a clean.
struct BatchTexts {
    QString overlayMessage;
    QString startToast; // the small batch's info toast
    QString detailText; // "Renaming file %1 of %2": the file's number and the count
    QString alertTitle; // the alert's first line, with its line break
    std::function<QString(int done)> successToast;
    bool progressOnlyAfterSuccess = false;
};

void composeReport(FileBatchResult& result, const BatchTexts& texts) {
    const auto errors = static_cast<int>(result.errorLines.size());
    if (result.notDoneCount > 0) {
        // Stopped by the user: the alert counts every kind, the files not reached too.
        QString message = QCoreApplication::translate("FileRenaming", "Stopped:") + u"\n"_s;
        message +=
            QCoreApplication::translate("FileRenaming", "✅ Success: %n files", nullptr, result.doneCount) +
            u"\n"_s;
        message +=
            QCoreApplication::translate("FileRenaming", "❌ Failed: %n files", nullptr, result.failureCount) +
            u"\n"_s;
        message += QCoreApplication::translate("FileRenaming", "⏹ Not done: %n files (names unchanged)",
                                               nullptr, result.notDoneCount);
        if (errors > 0) {
            message += u"\n\n"_s + QCoreApplication::translate("FileRenaming", "Failed files:") + u"\n"_s;
            message += result.errorLines.mid(0, kListedErrorLines).join(u'\n');
        }
        result.report = FileBatchResult::Report::alert;
        result.message = message;
        return;
    }
    if (result.failureCount < 1 || errors == 0) {
        result.report = FileBatchResult::Report::successToast;
        result.message = texts.successToast(result.doneCount);
        if (!result.skippedLines.isEmpty()) {
            result.message += u' ' + QCoreApplication::translate("FileRenaming", "(%n skipped)", nullptr,
                                                                 int(result.skippedLines.size()));
        }
        return;
    }
    QString message = texts.alertTitle;
    message += QCoreApplication::translate("FileRenaming", "✅ Success: %n files", nullptr, result.doneCount) +
               u"\n"_s;
    message +=
        QCoreApplication::translate("FileRenaming", "❌ Failed: %n files", nullptr, result.failureCount) +
        u"\n\n"_s;
    message += QCoreApplication::translate("FileRenaming", "Failed files:") + u"\n"_s;
    message += result.errorLines.mid(0, kListedErrorLines).join(u'\n');
    if (errors > kListedErrorLines) {
        message += u"\n"_s + QCoreApplication::translate("FileRenaming", "...and %n more", nullptr,
                                                         errors - kListedErrorLines);
    }
    result.report = FileBatchResult::Report::alert;
    result.message = message;
}

// What became of one song: renamed or cleaned, failed, or left alone; with the line's suffix.
struct SongOutcome {
    enum class Kind { done, failed, skipped };
    Kind kind = Kind::done;
    QString suffix;

    static SongOutcome of(const std::optional<QString>& failure) {
        return failure ? SongOutcome{Kind::failed, *failure} : SongOutcome{};
    }
};

QFuture<FileBatchResult> runFileBatch(ContentViewModel* viewModel, BatchTexts texts,
                                      std::function<SongOutcome(const Song&)> perSong,
                                      FileBatchOptions options) {
    Q_ASSERT(viewModel);
    if (!viewModel->currentFolder()) {
        return QtFuture::makeReadyFuture(FileBatchResult{});
    }
    const QList<Song> songs = viewModel->currentFolder()->songs;
    const auto count = static_cast<int>(songs.size());
    const bool largeBatch = count > ProgressManager::minimumSongsForProgress;
    ProgressManager* progress = &viewModel->progressManager();
    auto stop = std::make_shared<std::atomic<bool>>(false);
    if (largeBatch) {
        // Beyond the default folder size (allowed by the user) the batch can be stopped.
        const bool stoppable = count > defaultMaximumSongsPerFolder;
        progress->startOperation(
            {ProgressManager::OperationType::customOperation, texts.overlayMessage, QString(), count,
             stoppable,
             stoppable ? std::function<void()>([stop] { *stop = true; }) : std::function<void()>()});
    } else {
        viewModel->toastManager().show(texts.startToast, ToastManager::ToastType::info);
    }

    // The renames and the reload after them are ours: the folder watch waits until the reload is done.
    auto hold = viewModel->holdFileWork();
    auto done = std::make_shared<QPromise<FileBatchResult>>();
    done->start();
    QFuture<FileBatchResult> finished = done->future();
    continueOn(QtConcurrent::run([songs, largeBatch, progress, texts, perSong = std::move(perSong), stop] {
                   FileBatchResult result;
                   const auto total = static_cast<int>(songs.size());
                   for (int i = 0; i < total; ++i) {
                       if (*stop) {
                           result.notDoneCount = total - i;
                           break;
                       }
                       const Song& song = songs.at(i);
                       const SongOutcome outcome = perSong(song);
                       switch (outcome.kind) {
                       case SongOutcome::Kind::done:
                           ++result.doneCount;
                           break;
                       case SongOutcome::Kind::failed:
                           result.errorLines.append(song.name + outcome.suffix);
                           ++result.failureCount;
                           break;
                       case SongOutcome::Kind::skipped:
                           result.skippedLines.append(song.name + outcome.suffix);
                           break;
                       }
                       const bool renamed = outcome.kind == SongOutcome::Kind::done;
                       if (largeBatch && (renamed || !texts.progressOnlyAfterSuccess) &&
                           (i % 5 == 0 || i == total - 1)) {
                           progress->updateProgress(i + 1, total, texts.detailText.arg(i + 1).arg(total));
                       }
                   }
                   return result;
               }),
               viewModel, [viewModel, largeBatch, texts, options, done, hold](FileBatchResult result) {
                   composeReport(result, texts);
                   if (largeBatch) {
                       viewModel->progressManager().finishOperation();
                   }
                   if (result.report == FileBatchResult::Report::alert) {
                       viewModel->showAlert(result.message);
                   } else {
                       viewModel->toastManager().show(result.message, ToastManager::ToastType::success);
                   }
                   // The files have new names: the folder is read again rather than patched, so names,
                   // locations and bookmarks all come from the disk.
                   QTimer::singleShot(options.reloadDelay, viewModel, [viewModel, result, done, hold] {
                       continueOn(viewModel->reloadFolder(), viewModel, [result, done, hold] {
                           hold->release();
                           done->addResult(result);
                           done->finish();
                       });
                   });
               });
    return finished;
}

BatchTexts renameTexts(ContentViewModel* viewModel) {
    const int count = viewModel->currentFolder() ? int(viewModel->currentFolder()->songs.size()) : 0;
    BatchTexts texts;
    texts.overlayMessage = QCoreApplication::translate("FileRenaming", "Renaming files...");
    texts.startToast = QCoreApplication::translate("FileRenaming", "📝 Renaming %n files...", nullptr, count);
    texts.detailText = QCoreApplication::translate("FileRenaming", "Renaming file %1 of %2");
    texts.alertTitle =
        QCoreApplication::translate("FileRenaming", "Rename operation completed with issues:") + u"\n"_s;
    texts.successToast = [](int done) {
        return QCoreApplication::translate("FileRenaming", "✅ %n files renamed successfully!", nullptr, done);
    };
    texts.progressOnlyAfterSuccess = true;
    return texts;
}

QString skipReason(const NameFromTags& name) {
    if (name.missing) {
        return QCoreApplication::translate("FileRenaming", "%1 is empty").arg(nameFieldToken(*name.missing));
    }
    return QCoreApplication::translate("FileRenaming", "Invalid name generated");
}

QString resolvedPath(const Song& song) {
    const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
    return resolved.path ? *resolved.path : song.filePath();
}

} // namespace

PlannedName planFileName(const Song& song, const RenamePattern& pattern, int nameLimit) {
    const FileLocation location = locate(resolvedPath(song));
    PlannedName plan;
    plan.oldName = paths::fromNativePath(location.path.mid(location.directory.size() + 1));
    QByteArray base;
    if (const auto* fixed = std::get_if<FileNamingPattern>(&pattern)) {
        const QString name = generateFileName(song, *fixed);
        if (name.isEmpty()) {
            plan.skipReason = QCoreApplication::translate("FileRenaming", "Invalid name generated");
            return plan;
        }
        base = nativeName(name);
    } else {
        const NameFromTags name = nameFromTags(std::get<NamePattern>(pattern), song);
        if (name.baseName.isEmpty()) {
            plan.skipReason = skipReason(name);
            return plan;
        }
        const qsizetype extensionBytes = location.extension.isEmpty() ? 0 : location.extension.size() + 1;
        base = fitBaseName(nativeName(name.baseName), extensionBytes, nameLimit);
    }
    plan.newName =
        paths::fromNativePath(location.extension.isEmpty() ? base : base + '.' + location.extension);
    return plan;
}

QFuture<FileBatchResult> renameFiles(ContentViewModel* viewModel, FileNamingPattern pattern,
                                     FileBatchOptions options) {
    return runFileBatch(
        viewModel, renameTexts(viewModel),
        [pattern](const Song& song) { return SongOutcome::of(renameSong(song, pattern)); }, options);
}

QFuture<FileBatchResult> renameFiles(ContentViewModel* viewModel, const NamePattern& pattern,
                                     FileBatchOptions options) {
    return runFileBatch(
        viewModel, renameTexts(viewModel),
        [pattern](const Song& song) {
            const NameFromTags name = nameFromTags(pattern, song);
            if (name.baseName.isEmpty()) {
                return SongOutcome{SongOutcome::Kind::skipped, u" - "_s + skipReason(name)};
            }
            return SongOutcome::of(renameSongByPattern(song, pattern));
        },
        options);
}

QFuture<FileBatchResult> cleanBPMFromFilenames(ContentViewModel* viewModel, PlaybackHooks playback,
                                               FileBatchOptions options) {
    if (!viewModel->currentFolder()) {
        return QtFuture::makeReadyFuture(FileBatchResult{});
    }
    if (playback.isPlaying && playback.isPlaying() && playback.stop) {
        playback.stop();
    }
    const int count = int(viewModel->currentFolder()->songs.size());
    BatchTexts texts;
    texts.overlayMessage = QCoreApplication::translate("FileRenaming", "Cleaning BPM from filenames...");
    texts.startToast =
        QCoreApplication::translate("FileRenaming", "🧹 Cleaning BPM from %n files...", nullptr, count);
    texts.detailText = QCoreApplication::translate("FileRenaming", "Cleaning file %1 of %2");
    texts.alertTitle =
        QCoreApplication::translate("FileRenaming", "BPM cleaning completed with issues:") + u"\n"_s;
    texts.successToast = [](int done) {
        return QCoreApplication::translate("FileRenaming", "✅ BPM cleaned from %n files!", nullptr, done);
    };
    return runFileBatch(
        viewModel, std::move(texts), [](const Song& song) { return SongOutcome::of(cleanSong(song)); },
        options);
}

} // namespace quirella
