// SPDX-License-Identifier: GPL-3.0-or-later
// The strip below the song table that shows the preview player's song: a round play/pause button, the
// title and artist, a position bar the user drags to seek, the song's length and the volume knob. It only
// reads and changes the AudioManager. While the user is not dragging, the position bar follows playback.
#pragma once

#include "model/Song.h"
#include "ui/SliderAccessibility.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QWidget>

#include <optional>

class QLabel;

namespace quirella {
class AudioManager;
}

namespace quirella::ui {

class SimpleVolumeKnob;

// A rounded bar whose filled part shows `sliderValue` against the song's duration. A drag (a press
// counts) picks a position from where the pointer is, clamped to the ends; the seek happens on release.
class PositionBar : public QWidget, public AccessibleSlider {
    Q_OBJECT

public:
    explicit PositionBar(QWidget* parent = nullptr);
    double accessibleValue() const override { return m_sliderValue; }
    double accessibleMaximum() const override { return span(); }
    QString accessibleValueText() const override;
    void setTheme(const ThemeColors& colors);

    // Seconds of the song; a bar without a song spans 1.
    void setDuration(std::optional<double> seconds);
    double sliderValue() const { return m_sliderValue; }
    // Playback's position; ignored while the user drags.
    void follow(double seconds);
    bool isDragging() const { return m_isDragging; }

signals:
    void seekRequested(double seconds);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void dragTo(double x);
    double span() const { return m_duration.value_or(1.0); }

    ThemeColors m_colors;
    std::optional<double> m_duration;
    double m_sliderValue = 0;
    bool m_isDragging = false;
};

// The 50-point round play/pause button.
class RoundPlayButton : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr int diameter = 50;
    explicit RoundPlayButton(QWidget* parent = nullptr);
    void setPlaying(bool playing);
    bool showsPause() const { return m_playing; }
    void setTheme(const ThemeColors& colors);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    ThemeColors m_colors;
    bool m_playing = false;
};

class PlayerBar : public QWidget {
    Q_OBJECT

public:
    static constexpr int barHeight = 80;

    explicit PlayerBar(AudioManager& audio, QWidget* parent = nullptr);
    void setTheme(const Theme& theme);

    // The shown texts, for the tests.
    QString titleText() const;
    QString artistText() const;
    QString lengthText() const;
    RoundPlayButton* playButton() const { return m_playButton; }
    PositionBar* positionBar() const { return m_position; }
    SimpleVolumeKnob* volumeKnob() const { return m_knob; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showSong();

    AudioManager& m_audio;
    std::optional<Song> m_song;
    ThemeColors m_colors;
    RoundPlayButton* m_playButton = nullptr;
    QLabel* m_title = nullptr;
    QLabel* m_artist = nullptr;
    PositionBar* m_position = nullptr;
    QLabel* m_length = nullptr;
    SimpleVolumeKnob* m_knob = nullptr;
};

} // namespace quirella::ui
