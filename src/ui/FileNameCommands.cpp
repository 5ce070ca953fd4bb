// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileNameCommands.h"

#include "model/Continuation.h"
#include "operations/BPMBatch.h"
#include "ui/KeyboardNavigation.h"
#include "ui/MainWindow.h"
#include "ui/RenamePatternSheet.h"

namespace quirella::ui {

namespace {

PlaybackHooks playbackOf(const PreviewHooks& preview) {
    PlaybackHooks playback;
    if (preview.isPlaying && preview.stop) {
        playback.isPlaying = preview.isPlaying;
        playback.stop = preview.stop;
    }
    return playback;
}

} // namespace

FileNameCommands::FileNameCommands(MainWindow& window)
    : QObject(&window)
    , m_window(window) {
    window.setActionHandler(SidebarView::Action::searchBpm, [this] { searchBpm(); });
    window.setActionHandler(SidebarView::Action::cleanBpm, [this] { cleanBpm(); });
    window.setActionHandler(SidebarView::Action::renameOriginal, [this] { renameOriginal(); });
}

bool FileNameCommands::canStart() const {
    return !m_running && m_window.viewModel().currentFolder().has_value();
}

template <typename T>
void FileNameCommands::track(QFuture<T> command) {
    m_running = true;
    m_lastCommand = continueOn(command, this, [this](const T&) { m_running = false; });
}

void FileNameCommands::searchBpm() {
    if (canStart()) {
        track(analyzeBPMForAllSongs(&m_window.viewModel(), playbackOf(m_window.previewHooks())));
    }
}

void FileNameCommands::cleanBpm() {
    if (canStart()) {
        track(cleanBPMFromFilenames(&m_window.viewModel(), playbackOf(m_window.previewHooks())));
    }
}

void FileNameCommands::renameOriginal() {
    if (!canStart() || m_sheet) {
        return;
    }
    const PreviewHooks& preview = m_window.previewHooks();
    if (preview.playing() && preview.stop) {
        preview.stop();
    }
    const QList<Song>& songs = m_window.viewModel().currentFolder()->songs;
    auto* sheet = new RenamePatternSheet(int(songs.size()), m_window.theme(), &m_window, songs);
    sheet->setWindowModality(Qt::WindowModal);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    connect(sheet, &RenamePatternSheet::patternSelected, this, &FileNameCommands::rename);
    connect(sheet, &RenamePatternSheet::customPatternSelected, this, &FileNameCommands::renameByPattern);
    connect(sheet, &QDialog::finished, this, [this, sheet] {
        if (m_sheet == sheet) {
            m_sheet = nullptr;
            emit showRenameSheetChanged();
        }
    });
    m_sheet = sheet;
    emit showRenameSheetChanged();
    keyboard::openWithKeyboard(sheet);
}

void FileNameCommands::rename(FileNamingPattern pattern) {
    if (canStart()) {
        track(renameFiles(&m_window.viewModel(), pattern));
    }
}

void FileNameCommands::renameByPattern(const NamePattern& pattern) {
    if (canStart()) {
        track(renameFiles(&m_window.viewModel(), pattern));
    }
}

} // namespace quirella::ui
