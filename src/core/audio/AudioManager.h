// SPDX-License-Identifier: GPL-3.0-or-later
// The preview player: plays the songs of the loaded folder one file at a time while the user tags them,
// and continues with the next song when one ends. It exposes the current song, the playing state and the
// volume to the views (the play cells of the song rows, the player bar and its volume knob); batches that
// rewrite files stop it first. One exists for the whole application, created at start-up.
//
// All state lives on the UI thread. The file work of starting a song (bookmark, file checks, probing the
// audio) runs on the thread pool, and the sound itself is the AudioPlayer's business, so no call here
// waits for a disk or a sound device.
#pragma once

#include "audio/AudioPlayer.h"
#include "audio/PlayableFile.h"
#include "model/Song.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantAnimation>

#include <chrono>
#include <memory>
#include <optional>
#include <vector>

namespace quirella {

class AudioManager : public QObject {
    Q_OBJECT

public:
    static inline const QString playerVolumeKey = QStringLiteral("PlayerVolume");
    static constexpr std::chrono::milliseconds volumeFadeDuration{100};

    // Plays through Qt Multimedia unless given another kind of player. Restores "PlayerVolume".
    explicit AudioManager(AudioPlayerFactory players = {}, QObject* parent = nullptr);
    ~AudioManager() override;

    // The play button of a song row: the current song toggles between playing and paused; any other song
    // stops what plays and starts a playlist of `folderSongs` (a snapshot, in folder order) at that song.
    void play(const Song& song, const QList<Song>& folderSongs);
    // Without a started player nothing happens.
    void togglePlayPause();
    // Releases the player; no current song afterwards.
    void stop();
    // stop(), and the playlist is forgotten (the application reset).
    void stopAndClear();
    // Clamped to 0..1. A playing song fades to the new level over volumeFadeDuration.
    void setVolume(float volume);
    // Stores the volume under "PlayerVolume" (at exit; changing the volume does not store it).
    void storeVolume() const;

    const std::optional<Song>& currentSong() const { return m_currentSong; }
    bool isPlaying() const { return m_isPlaying; }
    float volume() const { return m_volume; }
    bool hasPlayer() const { return m_player != nullptr; }
    const QList<Song>& playlist() const { return m_playlist; }
    qsizetype currentIndex() const { return m_currentIndex; }

    // Position in the current song in seconds; 0 without a player.
    double currentTime() const;
    // Seeks the current song; nothing without a player.
    void setCurrentTime(double seconds);

signals:
    void currentSongChanged();
    void isPlayingChanged(bool playing);
    void volumeChanged(float volume);
    void currentTimeChanged(double seconds);

private:
    void restoreVolume();
    void playCurrent();
    void startPrepared(quint64 attempt, const Song& song, std::optional<PlayableFile> file);
    void onStarted(quint64 attempt, const Song& song);
    void skipCurrent();
    void onFinished(bool successfully);
    void releasePlayers();
    void dropPending();
    // A player may be released from inside one of its own signals: it is deleted from the event loop.
    void retire(std::unique_ptr<AudioPlayer> player);
    void setCurrentSong(std::optional<Song> song);
    void setPlaying(bool playing);
    void assertUiThread() const;

    AudioPlayerFactory m_players;
    QList<Song> m_playlist;
    qsizetype m_currentIndex = 0;
    std::optional<Song> m_currentSong;
    bool m_isPlaying = false;
    float m_volume = 1.0f;

    // The player of the song that plays or is paused, and the one being started for the next song. Each
    // keeps the file access it was started with until it is released.
    std::unique_ptr<AudioPlayer> m_player;
    std::optional<PlayableFile> m_playerFile;
    std::unique_ptr<AudioPlayer> m_pending;
    std::optional<PlayableFile> m_pendingFile;
    // Bumped whenever a start is abandoned, so that answers for an older start are ignored.
    quint64 m_attempt = 0;
    std::vector<std::unique_ptr<AudioPlayer>> m_retired;

    QVariantAnimation m_fade;
    float m_playerVolume = 1.0f; // the level last given to m_player
};

} // namespace quirella
