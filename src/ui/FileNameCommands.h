// SPDX-License-Identifier: GPL-3.0-or-later
// The sidebar's "Search BPM", "Clean BPM" and "Rename Original": the tempo batch, the cleaning of tempo
// tags from file names, and the rename pattern sheet with the rename it starts. The work is the core's
// (operations/BPMBatch.h, operations/FileRenaming.h); this object wires it to the window.
#pragma once

#include "operations/FileRenaming.h"
#include "ui/RenamePatternSheet.h"

#include <QFuture>
#include <QObject>
#include <QPointer>

namespace quirella::ui {

class MainWindow;

class FileNameCommands : public QObject {
    Q_OBJECT

public:
    // Takes over the three sidebar buttons of `window`, which must outlive this object.
    explicit FileNameCommands(MainWindow& window);

    // Each does nothing without a loaded folder, and while one of these commands still runs: two of them
    // at once would move or analyse the same files.
    void searchBpm();
    void cleanBpm();
    // Stops the preview player if it plays, then opens the pattern sheet.
    void renameOriginal();
    void rename(FileNamingPattern pattern);
    void renameByPattern(const NamePattern& pattern);

    bool showRenameSheet() const { return m_sheet != nullptr; }
    RenamePatternSheet* renameSheet() const { return m_sheet; }
    bool isRunning() const { return m_running; }
    // The command that ran last (tests wait for it).
    QFuture<void> lastCommand() const { return m_lastCommand; }

signals:
    void showRenameSheetChanged();

private:
    bool canStart() const;
    template <typename T>
    void track(QFuture<T> command);

    MainWindow& m_window;
    QPointer<RenamePatternSheet> m_sheet;
    bool m_running = false;
    QFuture<void> m_lastCommand;
};

} // namespace quirella::ui
