// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CoverConfirmationOverlay.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace quirella::ui {

namespace {

constexpr int kImageSide = 250;

// The card's own background, drawn with rounded corners.
class Card : public QWidget {
public:
    explicit Card(QWidget* parent)
        : QWidget(parent) {}
    void setColors(const ThemeColors& colors) {
        m_colors = colors;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 16, 16);
        QColor fill = m_colors.panel;
        fill.setAlphaF(0.97f);
        painter.fillPath(shape, fill);
        painter.setPen(QPen(m_colors.panelOutline, 1));
        painter.drawPath(shape);
    }

private:
    ThemeColors m_colors;
};

} // namespace

CoverConfirmationOverlay::CoverConfirmationOverlay(QWidget* parent)
    : QWidget(parent) {
    setAttribute(Qt::WA_NoMousePropagation);
    setFocusPolicy(Qt::StrongFocus);
    auto* outer = new QVBoxLayout(this);
    outer->setAlignment(Qt::AlignCenter);
    auto* card = new Card(this);
    m_card = card;
    outer->addWidget(m_card, 0, Qt::AlignCenter);

    auto* layout = new QVBoxLayout(m_card);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(16);
    m_title = new QLabel(tr("Confirm Cover Image"), m_card);
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(18);
    titleFont.setWeight(QFont::Bold);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_title);

    m_image = new QLabel(m_card);
    m_image->setFixedSize(kImageSide, kImageSide);
    m_image->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_image, 0, Qt::AlignHCenter);

    m_question = new QLabel(tr("Apply this image to all songs?"), m_card);
    m_question->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_question);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(12);
    m_cancel = new QPushButton(tr("Cancel"), m_card);
    m_confirm = new QPushButton(tr("Confirm"), m_card);
    m_confirm->setDefault(true);
    m_confirm->setStyleSheet(QStringLiteral(
        "QPushButton { background: #0A84FF; color: white; border: none; border-radius: 6px;"
        " padding: 6px 18px; font-weight: 600; } QPushButton:pressed { background: #0060DF; }"));
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    buttons->addStretch(1);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &CoverConfirmationOverlay::cancelled);
    connect(m_confirm, &QPushButton::clicked, this, &CoverConfirmationOverlay::confirmed);
    setTheme(Theme::deepCharcoal());
    hide();
}

void CoverConfirmationOverlay::setImage(const QImage& image) {
    if (image.isNull()) {
        m_image->clear();
        return;
    }
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap = QPixmap::fromImage(
        image.scaled(QSize(kImageSide, kImageSide) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    m_image->setPixmap(pixmap);
}

void CoverConfirmationOverlay::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    static_cast<Card*>(m_card)->setColors(m_colors);
    for (QLabel* label : {m_title, m_question}) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, m_colors.text);
        label->setPalette(palette);
    }
    update();
}

void CoverConfirmationOverlay::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

void CoverConfirmationOverlay::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        emit cancelled();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit confirmed();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quirella::ui
