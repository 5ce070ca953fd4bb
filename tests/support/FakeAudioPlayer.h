// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in for the sound output of the preview player: it records what AudioManager asks of it and
// answers as the test says, so the player's logic runs on machines without a sound card.
#pragma once

#include "audio/AudioPlayer.h"

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <memory>

namespace quirella::test {

struct FakePlayers;

class FakeAudioPlayer : public AudioPlayer {
public:
    explicit FakeAudioPlayer(FakePlayers& hub)
        : m_hub(hub) {}

    void start(const QUrl& file, float level) override;
    void pause() override { paused = true; }
    void resume() override { paused = false; }
    void setVolume(float level) override { volumes.append(level); }
    double currentTime() const override { return time; }
    void setCurrentTime(double seconds) override {
        time = seconds;
        seeks.append(seconds);
    }

    // What the sound output would report.
    void reachEnd(bool successfully = true) { emit finished(successfully); }
    void breakDecoding() { emit decodeError(); }
    void beginPlaying() { emit started(); }
    void advance(double seconds) {
        time = seconds;
        emit currentTimeChanged(seconds);
    }

    QList<float> volumes; // the start volume, then every later change
    QList<double> seeks;
    bool paused = false;
    double time = 0;

private:
    FakePlayers& m_hub;
};

// Makes fake players and keeps track of them. Files named in `refusedFiles` are refused at start; with
// `startsBySelf` off the test decides when each player starts.
struct FakePlayers {
    bool startsBySelf = true;
    QSet<QString> refusedFiles;
    QList<QPointer<FakeAudioPlayer>> made;
    QStringList startedFiles; // file names, in the order players were started for them

    AudioPlayerFactory factory() {
        return [this]() -> std::unique_ptr<AudioPlayer> {
            auto player = std::make_unique<FakeAudioPlayer>(*this);
            made.append(player.get());
            return player;
        };
    }
    FakeAudioPlayer* last() const { return made.isEmpty() ? nullptr : made.last().data(); }
};

inline void FakeAudioPlayer::start(const QUrl& file, float level) {
    volumes.append(level);
    m_hub.startedFiles.append(file.fileName());
    // Like a real player, it answers later, from the event loop.
    if (m_hub.refusedFiles.contains(file.fileName())) {
        QTimer::singleShot(0, this, [this] { emit failed(); });
    } else if (m_hub.startsBySelf) {
        QTimer::singleShot(0, this, [this] { emit started(); });
    }
}

} // namespace quirella::test
