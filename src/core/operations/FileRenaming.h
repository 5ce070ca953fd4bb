// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming the song files of the loaded folder after their tags, and removing a leading tempo tag
// ("[120 BPM] ") from their names. Both move files in place, in their own folder, keep each file's
// extension, never replace an existing file (the next free "_1" … "_98" suffix is taken instead), report
// per-file failures at the end, and then reload the folder so the table shows the new names.
#pragma once

#include "model/Song.h"
#include "operations/NamePattern.h"
#include "operations/TagWritingBatch.h"

#include <QByteArray>
#include <QFuture>
#include <QString>
#include <QStringList>

#include <chrono>
#include <variant>

namespace quirella {

class ContentViewModel;

// The rename patterns, in the order the sheet shows them (stored as 0, 1, 2).
enum class FileNamingPattern { artistTitle, artistTitleYear, bpmArtistTitle };

struct FileNamingPatternInfo {
    FileNamingPattern pattern;
    const char16_t* title;   // as the sheet shows it
    const char16_t* example; // a file name it produces
};
inline constexpr FileNamingPatternInfo fileNamingPatterns[] = {
    {FileNamingPattern::artistTitle, u"Artist - Title", u"ABBA - Dancing Queen.mp3"},
    {FileNamingPattern::artistTitleYear, u"Artist - Title (Year)", u"ABBA - Dancing Queen (1976).mp3"},
    {FileNamingPattern::bpmArtistTitle, u"[BPM] Artist - Title", u"[120 BPM] ABBA - Dancing Queen.mp3"},
};

// The base name (without extension) the pattern gives the song: "Artist - Title" (the title alone when
// the artist is empty), with " (Year)" for a year of 1 or more, or "[BPM BPM] " before it for a tempo of 1
// or more. Each of \ / : * ? " < > | becomes "_"; nothing else changes. May be empty.
QString generateFileName(const Song& song, FileNamingPattern pattern);

// One of the three patterns, or a pattern the user wrote (which fileNamePatternProblem accepts).
using RenamePattern = std::variant<FileNamingPattern, NamePattern>;

// What a rename would do with one song's file, as the preview shows it: the file name now and the one it
// gets (with the file's own extension, within `nameLimit` bytes for a written pattern: the base name is
// cut at a character's end), or why it is skipped: a written pattern that needs a field the song has
// empty, or an empty name. A "_1" … "_98" suffix for a taken name is found only by the rename. Names keep
// the bytes that are not UTF-8 escaped as Paths.h does (paths::displayText shows them).
struct PlannedName {
    QString oldName;
    QString newName;
    QString skipReason; // set when newName is empty
};
PlannedName planFileName(const Song& song, const RenamePattern& pattern, int nameLimit = 255);

// A base name without its leading tempo tag: "[128 BPM] " (any case, blanks optional), then "[12] ",
// then blanks and tabs trimmed at both ends.
QString cleanBPMPrefix(const QString& baseName);

// What a rename or clean reports at its end.
struct FileBatchResult {
    enum class Report { none, successToast, alert };
    int doneCount = 0; // files renamed or cleaned, including those that kept their name
    int failureCount = 0;
    QStringList errorLines;   // "<song name> - <reason>", in folder order
    QStringList skippedLines; // songs a written pattern left alone, "<song name> - <reason>"
    // Files not reached because the user stopped the batch (possible beyond the default folder size):
    // they keep their names.
    int notDoneCount = 0;
    Report report = Report::none;
    QString message; // the toast or alert text
};

struct FileBatchOptions {
    // The pause before the folder is read again.
    std::chrono::milliseconds reloadDelay{500};
};

// Renames every song file of the current folder by `pattern`. File work runs off the UI thread; the
// progress overlay (more than 20 songs) or toasts, the alert and the reload go through the view model.
// The future finishes once the folder has been reloaded. Without a folder it finishes at once.
QFuture<FileBatchResult> renameFiles(ContentViewModel* viewModel, FileNamingPattern pattern,
                                     FileBatchOptions options = {});
// The same by a written pattern: songs it cannot name are skipped (not failed), and every name keeps
// within the file system's length limit in bytes.
QFuture<FileBatchResult> renameFiles(ContentViewModel* viewModel, const NamePattern& pattern,
                                     FileBatchOptions options = {});

// Removes the leading tempo tag from every song file name of the current folder, the same way. Stops
// the preview player first when it plays.
QFuture<FileBatchResult> cleanBPMFromFilenames(ContentViewModel* viewModel, PlaybackHooks playback = {},
                                               FileBatchOptions options = {});

} // namespace quirella
