// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/MediaAudioPlayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QPointer>
#include <QThread>

namespace quirella {

namespace {

// Lives on the media thread and owns the QMediaPlayer there. Reports back through its signals, which
// reach the UI-thread proxy queued.
class MediaWorker : public QObject {
    Q_OBJECT

public:
    void start(const QUrl& location, float volume) {
        m_player = new QMediaPlayer(this);
        m_output = new QAudioOutput(this);
        m_output->setVolume(volume);
        m_player->setAudioOutput(m_output);
        connect(m_player, &QMediaPlayer::mediaStatusChanged, this, &MediaWorker::onStatus);
        connect(m_player, &QMediaPlayer::playbackStateChanged, this,
                [this](QMediaPlayer::PlaybackState state) {
                    if (state == QMediaPlayer::PlayingState && !m_started && !m_over) {
                        m_started = true;
                        emit started();
                    }
                });
        connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
            if (error != QMediaPlayer::NoError) {
                fail();
            }
        });
        connect(m_player, &QMediaPlayer::positionChanged, this,
                [this](qint64 milliseconds) { emit currentTimeChanged(double(milliseconds) / 1000.0); });
        if (!m_player->isAvailable()) {
            fail(); // no media backend on this machine: nothing would ever answer
            return;
        }
        m_player->setSource(location);
    }
    void pause() {
        if (m_player) {
            m_player->pause();
        }
    }
    void resume() {
        if (m_player) {
            m_player->play();
        }
    }
    void setVolume(float volume) {
        if (m_output) {
            m_output->setVolume(volume);
        }
    }
    void setCurrentTime(double seconds) {
        if (m_player) {
            m_player->setPosition(qint64(seconds * 1000.0));
        }
    }

signals:
    void started();
    void failed();
    void finished(bool successfully);
    void decodeError();
    void currentTimeChanged(double seconds);

private:
    void onStatus(QMediaPlayer::MediaStatus status) {
        switch (status) {
        case QMediaPlayer::LoadedMedia:
            if (!m_started && !m_over) {
                m_player->play();
            }
            break;
        case QMediaPlayer::EndOfMedia:
            if (m_started && !m_over) {
                m_over = true;
                emit finished(true);
            }
            break;
        case QMediaPlayer::InvalidMedia:
            fail();
            break;
        default:
            break;
        }
    }
    // Before playback began the song could not be played; after, the rest of it cannot be decoded.
    void fail() {
        if (m_over) {
            return;
        }
        m_over = true;
        if (m_started) {
            emit decodeError();
        } else {
            emit failed();
        }
    }

    QMediaPlayer* m_player = nullptr;
    QAudioOutput* m_output = nullptr;
    bool m_started = false;
    bool m_over = false; // one ending is reported, the first
};

// Quits and joins the media thread when the last user lets go of it. Players still on it are deleted as
// the thread finishes (their deletion was posted before it quit).
struct MediaThread {
    QThread thread;
    MediaThread() {
        thread.setObjectName(QStringLiteral("quirella.media"));
        thread.start();
    }
    ~MediaThread() {
        thread.quit();
        thread.wait();
    }
};

// The UI-thread side: forwards every command to the worker and keeps the last reported position.
class MediaAudioPlayer : public AudioPlayer {
public:
    explicit MediaAudioPlayer(std::shared_ptr<MediaThread> mediaThread)
        : m_thread(std::move(mediaThread))
        , m_worker(new MediaWorker) {
        m_worker->moveToThread(&m_thread->thread);
        connect(m_worker, &MediaWorker::started, this, &AudioPlayer::started);
        connect(m_worker, &MediaWorker::failed, this, &AudioPlayer::failed);
        connect(m_worker, &MediaWorker::finished, this, &AudioPlayer::finished);
        connect(m_worker, &MediaWorker::decodeError, this, &AudioPlayer::decodeError);
        connect(m_worker, &MediaWorker::currentTimeChanged, this, [this](double seconds) {
            m_currentTime = seconds;
            emit currentTimeChanged(seconds);
        });
    }
    ~MediaAudioPlayer() override {
        disconnect(m_worker, nullptr, this, nullptr);
        // Deleted on its own thread, after every command already sent to it.
        m_worker->deleteLater();
    }

    void start(const QUrl& location, float volume) override {
        send([location, volume](MediaWorker* worker) { worker->start(location, volume); });
    }
    void pause() override {
        send([](MediaWorker* worker) { worker->pause(); });
    }
    void resume() override {
        send([](MediaWorker* worker) { worker->resume(); });
    }
    void setVolume(float volume) override {
        send([volume](MediaWorker* worker) { worker->setVolume(volume); });
    }
    double currentTime() const override { return m_currentTime; }
    void setCurrentTime(double seconds) override {
        m_currentTime = seconds;
        send([seconds](MediaWorker* worker) { worker->setCurrentTime(seconds); });
    }

private:
    template <typename Command>
    void send(Command command) {
        MediaWorker* worker = m_worker;
        QMetaObject::invokeMethod(
            worker, [worker, command] { command(worker); }, Qt::QueuedConnection);
    }

    std::shared_ptr<MediaThread> m_thread;
    MediaWorker* m_worker;
    double m_currentTime = 0;
};

} // namespace

AudioPlayerFactory mediaPlayerFactory() {
    auto mediaThread = std::make_shared<MediaThread>();
    return [mediaThread]() -> std::unique_ptr<AudioPlayer> {
        return std::make_unique<MediaAudioPlayer>(mediaThread);
    };
}

} // namespace quirella

#include "MediaAudioPlayer.moc"
