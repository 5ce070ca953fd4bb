// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/AudioManager.h"

#include "audio/MediaAudioPlayer.h"
#include "model/Continuation.h"

#include <QSettings>
#include <QThread>
#include <QTimer>
#include <QtConcurrent>

#include <algorithm>
#include <cmath>

namespace quirella {

AudioManager::AudioManager(AudioPlayerFactory players, QObject* parent)
    : QObject(parent)
    , m_players(players ? std::move(players) : mediaPlayerFactory()) {
    m_fade.setDuration(int(volumeFadeDuration.count()));
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        if (m_player) {
            m_playerVolume = value.toFloat();
            m_player->setVolume(m_playerVolume);
        }
    });
    restoreVolume();
}

AudioManager::~AudioManager() {
    ++m_attempt;
    m_fade.stop();
    m_retired.clear();
    releasePlayers();
}

void AudioManager::assertUiThread() const {
    Q_ASSERT_X(QThread::currentThread() == thread(), "AudioManager", "used off its own thread");
}

void AudioManager::restoreVolume() {
    const QVariant stored = QSettings().value(playerVolumeKey);
    bool isNumber = false;
    const double level = stored.toDouble(&isNumber);
    if (stored.isValid() && isNumber && std::isfinite(level)) {
        m_volume = float(std::clamp(level, 0.0, 1.0));
    }
}

void AudioManager::storeVolume() const {
    QSettings().setValue(playerVolumeKey, double(m_volume));
}

void AudioManager::play(const Song& song, const QList<Song>& folderSongs) {
    assertUiThread();
    if (m_currentSong && m_currentSong->id == song.id) {
        togglePlayPause();
        return;
    }
    stop();
    m_playlist = folderSongs;
    m_currentIndex = std::max<qsizetype>(0, indexOfSong(m_playlist, song.id));
    playCurrent();
}

void AudioManager::playCurrent() {
    if (m_currentIndex < 0 || m_currentIndex >= m_playlist.size()) {
        stop();
        return;
    }
    dropPending();
    const quint64 attempt = ++m_attempt;
    const Song song = m_playlist.at(m_currentIndex);
    continueOn(
        QtConcurrent::run([bookmarkData = song.bookmarkData] { return preparePlayback(bookmarkData); }), this,
        [this, attempt, song](std::optional<PlayableFile> file) {
            // A check that is over before this continuation is attached runs it at once, inside play(). The
            // start still waits for the event loop, so that play() never makes a player itself and a stop
            // right after it finds the start pending.
            QMetaObject::invokeMethod(
                this,
                [this, attempt, song, file = std::move(file)]() mutable {
                    startPrepared(attempt, song, std::move(file));
                },
                Qt::QueuedConnection);
        });
}

void AudioManager::startPrepared(quint64 attempt, const Song& song, std::optional<PlayableFile> file) {
    if (attempt != m_attempt) {
        if (file) {
            endPlayback(*file); // abandoned meanwhile
        }
        return;
    }
    if (!file) {
        skipCurrent();
        return;
    }
    m_pending = m_players();
    m_pendingFile = std::move(file);
    AudioPlayer* player = m_pending.get();
    connect(player, &AudioPlayer::started, this, [this, attempt, song] { onStarted(attempt, song); });
    connect(player, &AudioPlayer::failed, this, [this, attempt] {
        if (attempt == m_attempt) {
            skipCurrent();
        }
    });
    player->start(m_pendingFile->location, m_volume);
}

void AudioManager::onStarted(quint64 attempt, const Song& song) {
    if (attempt != m_attempt || !m_pending) {
        return;
    }
    m_fade.stop();
    retire(std::move(m_player));
    if (m_playerFile) {
        endPlayback(*m_playerFile);
    }
    m_player = std::move(m_pending);
    m_playerFile = std::move(m_pendingFile);
    m_pendingFile.reset();
    // The volume may have changed while the file was opening.
    m_playerVolume = m_volume;
    m_player->setVolume(m_volume);
    AudioPlayer* player = m_player.get();
    connect(player, &AudioPlayer::finished, this, &AudioManager::onFinished);
    connect(player, &AudioPlayer::decodeError, this, &AudioManager::stop);
    connect(player, &AudioPlayer::currentTimeChanged, this, &AudioManager::currentTimeChanged);
    setCurrentSong(song);
    setPlaying(true);
}

void AudioManager::skipCurrent() {
    dropPending();
    if (m_currentIndex >= m_playlist.size() - 1) {
        stop();
        return;
    }
    ++m_currentIndex;
    playCurrent();
}

void AudioManager::onFinished(bool successfully) {
    if (!successfully || m_currentIndex >= m_playlist.size() - 1) {
        stop();
        return;
    }
    // The finished song stays current until the next one starts (or none can).
    m_fade.stop();
    retire(std::move(m_player));
    if (m_playerFile) {
        endPlayback(*m_playerFile);
        m_playerFile.reset();
    }
    ++m_currentIndex;
    playCurrent();
}

void AudioManager::togglePlayPause() {
    assertUiThread();
    if (!m_player) {
        return;
    }
    if (m_isPlaying) {
        m_player->pause();
        setPlaying(false);
    } else {
        m_player->resume();
        setPlaying(true);
    }
}

void AudioManager::stop() {
    assertUiThread();
    ++m_attempt;
    releasePlayers();
    setCurrentSong(std::nullopt);
    setPlaying(false);
}

void AudioManager::stopAndClear() {
    stop();
    m_playlist.clear();
    m_currentIndex = 0;
}

void AudioManager::setVolume(float volume) {
    assertUiThread();
    if (!std::isfinite(volume)) {
        return;
    }
    volume = std::clamp(volume, 0.0f, 1.0f);
    if (volume != m_volume) {
        m_volume = volume;
        emit volumeChanged(m_volume);
    }
    if (!m_player) {
        return;
    }
    // A fade already under way continues from wherever it has got to.
    m_fade.stop();
    m_fade.setStartValue(double(m_playerVolume));
    m_fade.setEndValue(double(m_volume));
    m_fade.start();
}

double AudioManager::currentTime() const {
    return m_player ? m_player->currentTime() : 0.0;
}

void AudioManager::setCurrentTime(double seconds) {
    assertUiThread();
    if (m_player && std::isfinite(seconds)) {
        m_player->setCurrentTime(std::max(0.0, seconds));
    }
}

void AudioManager::dropPending() {
    retire(std::move(m_pending));
    if (m_pendingFile) {
        endPlayback(*m_pendingFile);
        m_pendingFile.reset();
    }
}

void AudioManager::releasePlayers() {
    m_fade.stop();
    dropPending();
    retire(std::move(m_player));
    if (m_playerFile) {
        endPlayback(*m_playerFile);
        m_playerFile.reset();
    }
}

void AudioManager::retire(std::unique_ptr<AudioPlayer> player) {
    if (!player) {
        return;
    }
    player->disconnect(this);
    m_retired.push_back(std::move(player));
    QTimer::singleShot(0, this, [this] { m_retired.clear(); });
}

void AudioManager::setCurrentSong(std::optional<Song> song) {
    const bool changed =
        song.has_value() != m_currentSong.has_value() || (song && song->id != m_currentSong->id);
    m_currentSong = std::move(song);
    if (changed) {
        emit currentSongChanged();
    }
}

void AudioManager::setPlaying(bool playing) {
    if (playing != m_isPlaying) {
        m_isPlaying = playing;
        emit isPlayingChanged(playing);
    }
}

} // namespace quirella
