// SPDX-License-Identifier: GPL-3.0-or-later
// The player of one song file, as the preview player uses it. AudioManager creates one per song through a
// factory and releases it when the song ends or playback stops, so its logic (playlists, skipping,
// advancing, fading) can run against a stand-in on a machine without a sound card.
#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <memory>

namespace quirella {

class AudioPlayer : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the file and starts playback at `volume` (0 to 1). Asynchronous: answers with started() once
    // sound is produced, or with failed() when the file cannot be opened or playback does not begin.
    // Called once per player.
    virtual void start(const QUrl& location, float volume) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Takes effect at once; AudioManager builds fades out of many such steps.
    virtual void setVolume(float volume) = 0;
    // Seconds from the start of the song.
    virtual double currentTime() const = 0;
    virtual void setCurrentTime(double seconds) = 0;

signals:
    void started();
    void failed();
    // The end of the song was reached; `successfully` is false when the rest of it could not be played.
    void finished(bool successfully);
    // The file turned out to be damaged after playback had begun.
    void decodeError();
    void currentTimeChanged(double seconds);
};

using AudioPlayerFactory = std::function<std::unique_ptr<AudioPlayer>()>;

} // namespace quirella
