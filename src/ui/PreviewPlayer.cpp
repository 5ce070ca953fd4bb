// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PreviewPlayer.h"

#include "audio/AudioManager.h"
#include "ui/MainWindow.h"
#include "ui/PlayerBar.h"
#include "ui/SongTableView.h"

namespace quirella::ui {

PlayerBar* attachPreviewPlayer(MainWindow& window, AudioManager& audio) {
    PreviewHooks hooks;
    hooks.play = [&window, &audio](const Song& song) {
        const std::optional<MusicFolder>& folder = window.viewModel().currentFolder();
        audio.play(song, folder ? folder->songs : QList<Song>{song});
    };
    hooks.togglePlayPause = [&audio] { audio.togglePlayPause(); };
    hooks.currentSong = [&audio]() -> std::optional<QUuid> {
        return audio.currentSong() ? std::optional<QUuid>(audio.currentSong()->id) : std::nullopt;
    };
    hooks.isPlaying = [&audio] { return audio.isPlaying(); };
    hooks.stop = [&audio] { audio.stop(); };
    window.setPreviewHooks(std::move(hooks));
    window.setPlayerReset([&audio] { audio.stopAndClear(); });

    auto* bar = new PlayerBar(audio);
    window.setPlayerBar(bar);
    bar->setTheme(window.theme());
    QObject::connect(&window, &MainWindow::themeChanged, bar, &PlayerBar::setTheme);

    SongTableView* table = window.songTable();
    auto showPlaying = [table, &audio] {
        table->setPlayingSong(audio.isPlaying() && audio.currentSong()
                                  ? std::optional<QUuid>(audio.currentSong()->id)
                                  : std::nullopt);
    };
    QObject::connect(&audio, &AudioManager::currentSongChanged, table, showPlaying);
    QObject::connect(&audio, &AudioManager::isPlayingChanged, table, showPlaying);
    showPlaying();
    return bar;
}

} // namespace quirella::ui
