// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PlayerBar.h"

#include "audio/AudioManager.h"
#include "ui/Icons.h"
#include "ui/SimpleVolumeKnob.h"
#include "ui/SongTableModel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quirella::ui {

namespace {

void setTextColor(QLabel* label, const QColor& color) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
}

} // namespace

// ---- Position bar ----

PositionBar::PositionBar(QWidget* parent)
    : QWidget(parent) {
    setFixedHeight(16);
    setMinimumWidth(60);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
    registerSliders(); // before the name, which makes the interface
    setAccessibleName(tr("Playback position"));
}

QString PositionBar::accessibleValueText() const {
    return SongTableModel::durationText(m_sliderValue);
}

void PositionBar::setTheme(const ThemeColors& colors) {
    m_colors = colors;
    update();
}

void PositionBar::setDuration(std::optional<double> seconds) {
    m_duration = seconds;
    if (!m_isDragging) {
        m_sliderValue = 0;
    }
    update();
}

void PositionBar::follow(double seconds) {
    if (m_isDragging || !std::isfinite(seconds)) {
        return;
    }
    m_sliderValue = std::clamp(seconds, 0.0, std::max(0.0, span()));
    update();
}

void PositionBar::dragTo(double x) {
    m_isDragging = true;
    const double fraction = width() > 0 ? std::clamp(x / double(width()), 0.0, 1.0) : 0.0;
    m_sliderValue = fraction * span();
    update();
}

void PositionBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        dragTo(event->position().x());
    }
}

void PositionBar::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton) {
        dragTo(event->position().x());
    }
}

void PositionBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && m_isDragging) {
        m_isDragging = false;
        emit seekRequested(m_sliderValue);
    }
}

void PositionBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double thickness = 6.0;
    const QRectF track(0, (height() - thickness) / 2.0, width(), thickness);
    QColor empty = m_colors.text;
    empty.setAlphaF(0.2f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(empty);
    painter.drawRoundedRect(track, thickness / 2, thickness / 2);
    const double whole = span();
    const double fraction = whole > 0 ? std::clamp(m_sliderValue / whole, 0.0, 1.0) : 0.0;
    if (fraction > 0) {
        QRectF filled = track;
        filled.setWidth(std::max(thickness, track.width() * fraction));
        painter.setBrush(m_colors.accent);
        painter.drawRoundedRect(filled, thickness / 2, thickness / 2);
    }
}

// ---- Play button ----

RoundPlayButton::RoundPlayButton(QWidget* parent)
    : QAbstractButton(parent) {
    setFixedSize(diameter, diameter);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::NoFocus);
}

void RoundPlayButton::setPlaying(bool playing) {
    m_playing = playing;
    setToolTip(playing ? tr("Pause") : tr("Play"));
    setAccessibleName(toolTip()); // the button shows only a symbol
    update();
}

void RoundPlayButton::setTheme(const ThemeColors& colors) {
    m_colors = colors;
    update();
}

void RoundPlayButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF circle = QRectF(rect()).adjusted(1, 1, -1, -1);
    QLinearGradient gradient(circle.topLeft(), circle.bottomRight());
    QColor face = m_colors.accent;
    gradient.setColorAt(0, face);
    face.setAlphaF(isDown() ? 0.7f : 0.85f);
    gradient.setColorAt(1, face);
    painter.setPen(Qt::NoPen);
    painter.setBrush(gradient);
    painter.drawEllipse(circle);
    const int symbolSize = 22;
    QRect symbolRect((width() - symbolSize) / 2, (height() - symbolSize) / 2, symbolSize, symbolSize);
    if (!m_playing) {
        symbolRect.translate(2, 0); // the triangle's weight sits left of its box
    }
    painter.drawPixmap(symbolRect, icons::symbol(m_playing ? u"pause.fill" : u"play.fill", Qt::white,
                                                 symbolSize, devicePixelRatioF()));
}

// ---- Bar ----

PlayerBar::PlayerBar(AudioManager& audio, QWidget* parent)
    : QWidget(parent)
    , m_audio(audio) {
    setFixedHeight(barHeight);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(16, 10, 16, 10);
    row->setSpacing(14);

    m_playButton = new RoundPlayButton(this);
    connect(m_playButton, &QAbstractButton::clicked, &m_audio, &AudioManager::togglePlayPause);
    row->addWidget(m_playButton);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addStretch(1);
    m_title = new QLabel(this);
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(14);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    m_artist = new QLabel(this);
    QFont artistFont = m_artist->font();
    artistFont.setPixelSize(12);
    m_artist->setFont(artistFont);
    for (QLabel* label : {m_title, m_artist}) {
        label->setFixedWidth(220);
        label->setTextFormat(Qt::PlainText);
        texts->addWidget(label);
    }
    texts->addStretch(1);
    row->addLayout(texts);

    m_position = new PositionBar(this);
    connect(m_position, &PositionBar::seekRequested, &m_audio, &AudioManager::setCurrentTime);
    row->addWidget(m_position, 1);

    m_length = new QLabel(this);
    QFont lengthFont = m_length->font();
    lengthFont.setPixelSize(13);
    m_length->setFont(lengthFont);
    m_length->setMinimumWidth(44);
    m_length->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    row->addWidget(m_length);

    m_knob = new SimpleVolumeKnob(m_audio, this);
    row->addWidget(m_knob);

    connect(&m_audio, &AudioManager::currentSongChanged, this, &PlayerBar::showSong);
    connect(&m_audio, &AudioManager::isPlayingChanged, m_playButton, &RoundPlayButton::setPlaying);
    connect(&m_audio, &AudioManager::currentTimeChanged, m_position, &PositionBar::follow);
    setTheme(Theme::deepCharcoal());
    showSong();
    m_playButton->setPlaying(m_audio.isPlaying());
}

void PlayerBar::showSong() {
    m_song = m_audio.currentSong();
    m_title->setText(m_song ? m_song->name : tr("No Song"));
    m_artist->setText(m_song && !m_song->artist.isEmpty() ? m_song->artist : tr("Unknown Artist"));
    m_length->setText(SongTableModel::durationText(m_song ? m_song->duration : 0.0));
    m_position->setDuration(m_song ? std::optional<double>(m_song->duration) : std::nullopt);
}

QString PlayerBar::titleText() const {
    return m_title->text();
}

QString PlayerBar::artistText() const {
    return m_artist->text();
}

QString PlayerBar::lengthText() const {
    return m_length->text();
}

void PlayerBar::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    setTextColor(m_title, m_colors.text);
    setTextColor(m_artist, m_colors.secondaryText);
    setTextColor(m_length, m_colors.secondaryText);
    m_playButton->setTheme(m_colors);
    m_position->setTheme(m_colors);
    m_knob->setTheme(theme);
    update();
}

void PlayerBar::paintEvent(QPaintEvent*) {
    // A panel strip with a hairline above it, so the bar reads as separate from the last table row.
    QPainter painter(this);
    QColor panel = m_colors.panel;
    panel.setAlphaF(0.55f);
    painter.fillRect(rect(), panel);
    painter.setPen(m_colors.panelOutline);
    painter.drawLine(0, 0, width(), 0);
}

} // namespace quirella::ui
