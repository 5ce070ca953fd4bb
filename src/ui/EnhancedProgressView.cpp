// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EnhancedProgressView.h"

#include "model/ProgressManager.h"
#include "model/RemainingTime.h"
#include "ui/Icons.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>

namespace quirella::ui {

namespace {

// The card paints its own rounded panel; the labels on it stay plain.
class ProgressCard : public QWidget {
public:
    explicit ProgressCard(QWidget* parent)
        : QWidget(parent) {}
    ThemeColors colors;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 16, 16);
        painter.fillPath(shape, colors.panel);
        painter.setPen(QPen(colors.panelOutline, 1.5));
        painter.drawPath(shape);
    }
};

} // namespace

bool EnhancedProgressView::usesGlobeLogo(const QString& message) {
    const QString lower = message.toLower();
    for (const QLatin1StringView word :
         {QLatin1StringView("searching"), QLatin1StringView("cover"), QLatin1StringView("genre"),
          QLatin1StringView("year"), QLatin1StringView("online"), QLatin1StringView("metadata")}) {
        if (lower.contains(word)) {
            return true;
        }
    }
    return false;
}

EnhancedProgressView::EnhancedProgressView(ProgressManager& progress, QWidget* parent)
    : QWidget(parent)
    , m_progress(progress)
    , m_colors(themeColors(Theme::deepCharcoal())) {
    hide();
    setFocusPolicy(Qt::StrongFocus); // keys go to the overlay, not to the table under it

    auto* card = new ProgressCard(this);
    card->colors = m_colors;
    m_card = card;
    m_card->setFixedWidth(420);
    auto* layout = new QVBoxLayout(m_card);
    layout->setContentsMargins(26, 24, 26, 22);
    layout->setSpacing(10);

    m_icon = new QLabel(m_card);
    m_icon->setFixedSize(45, 45);
    layout->addWidget(m_icon, 0, Qt::AlignHCenter);

    auto makeLabel = [this](int pixelSize, bool bold) {
        auto* label = new QLabel(m_card);
        label->setAlignment(Qt::AlignCenter);
        label->setWordWrap(true);
        QFont font = label->font();
        font.setPixelSize(pixelSize);
        font.setWeight(bold ? QFont::DemiBold : QFont::Normal);
        label->setFont(font);
        return label;
    };
    m_message = makeLabel(16, true);
    layout->addWidget(m_message);
    m_detail = makeLabel(12, false);
    layout->addWidget(m_detail);

    m_bar = new QProgressBar(m_card);
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    m_bar->setFixedHeight(8);
    m_bar->setAccessibleName(tr("Progress"));
    layout->addWidget(m_bar);

    m_count = makeLabel(12, false);
    layout->addWidget(m_count);

    auto* remainingRow = new QHBoxLayout;
    remainingRow->addStretch(1);
    m_clockIcon = new QLabel(m_card);
    m_clockIcon->setFixedSize(14, 14);
    remainingRow->addWidget(m_clockIcon);
    m_remaining = makeLabel(12, false);
    m_remaining->setWordWrap(false);
    remainingRow->addWidget(m_remaining);
    remainingRow->addStretch(1);
    layout->addLayout(remainingRow);

    m_stop = new QPushButton(tr("Stop Analysis"), m_card);
    m_stop->setIcon(icons::symbolIcon(u"stop.circle.fill", Qt::white));
    m_stop->setCursor(Qt::PointingHandCursor);
    m_stop->setStyleSheet(QStringLiteral("QPushButton { background: #E5393B; color: white; border: none;"
                                         " border-radius: 8px; padding: 6px 16px; font-weight: 600; }"
                                         "QPushButton:hover { background: #F0504F; }"
                                         "QPushButton:pressed { background: #C62828; }"));
    layout->addSpacing(4);
    layout->addWidget(m_stop, 0, Qt::AlignHCenter);
    connect(m_stop, &QPushButton::clicked, this, [this] { m_progress.cancel(); });

    m_opacity = new QGraphicsOpacityEffect(this);
    m_opacity->setOpacity(0);
    m_opacity->setEnabled(false);
    setGraphicsEffect(m_opacity);
    m_fade.setStartValue(0.0);
    m_fade.setEndValue(1.0);
    m_fade.setDuration(200);
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        m_opacity->setEnabled(true);
        m_opacity->setOpacity(value.toReal());
    });
    connect(&m_fade, &QVariantAnimation::finished, this, [this] {
        if (m_shown) {
            m_opacity->setEnabled(false); // children paint faster without the effect
        } else {
            // The keyboard goes back where it was, or to the window's content when that is gone.
            const bool hadKeyboard = isAncestorOf(QApplication::focusWidget()) || hasFocus();
            hide();
            if (hadKeyboard) {
                if (m_focusBefore && m_focusBefore->isVisible() && m_focusBefore->isEnabled()) {
                    m_focusBefore->setFocus(Qt::OtherFocusReason);
                } else {
                    emit keyboardReleased();
                }
            }
        }
    });

    m_clock.setInterval(1000);
    connect(&m_clock, &QTimer::timeout, this, &EnhancedProgressView::refreshRemaining);

    connect(&m_progress, &ProgressManager::isVisibleChanged, this, &EnhancedProgressView::syncVisibility);
    for (auto signal : {&ProgressManager::messageChanged, &ProgressManager::detailedMessageChanged,
                        &ProgressManager::currentChanged, &ProgressManager::totalChanged,
                        &ProgressManager::isCancellableChanged, &ProgressManager::indeterminateChanged}) {
        connect(&m_progress, signal, this, &EnhancedProgressView::syncFields);
    }
    connect(&m_progress, &ProgressManager::progressChanged, this, &EnhancedProgressView::syncProgress);
    setTheme(Theme::deepCharcoal());
    syncFields();
    syncVisibility();
}

QString EnhancedProgressView::messageText() const {
    return m_message->text();
}
QString EnhancedProgressView::detailText() const {
    return m_detail->text();
}
QString EnhancedProgressView::countText() const {
    return m_count->text();
}
QString EnhancedProgressView::remainingText() const {
    return m_remaining->text();
}

void EnhancedProgressView::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    static_cast<ProgressCard*>(m_card)->colors = m_colors;
    QPalette palette = m_card->palette();
    palette.setColor(QPalette::WindowText, m_colors.text);
    m_message->setPalette(palette);
    QPalette secondary = palette;
    secondary.setColor(QPalette::WindowText, m_colors.secondaryText);
    m_detail->setPalette(secondary);
    m_count->setPalette(secondary);
    m_remaining->setPalette(secondary);
    m_clockIcon->setPixmap(icons::symbol(u"clock", m_colors.secondaryText, 14, devicePixelRatioF()));
    QColor track = m_colors.text;
    track.setAlphaF(0.15f);
    m_bar->setStyleSheet(
        QStringLiteral("QProgressBar { background: %1; border: none; border-radius: 4px; }"
                       "QProgressBar::chunk { border-radius: 4px; background: qlineargradient("
                       "x1:0, y1:0, x2:1, y2:0, stop:0 #34C759, stop:1 #0A84FF); }")
            .arg(track.name(QColor::HexArgb)));
    update();
}

void EnhancedProgressView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutCard();
}

void EnhancedProgressView::layoutCard() {
    const QSize card(m_card->width(), m_card->heightForWidth(m_card->width()) > 0
                                          ? m_card->heightForWidth(m_card->width())
                                          : m_card->sizeHint().height());
    m_card->setGeometry((width() - card.width()) / 2, (height() - card.height()) / 2, card.width(),
                        card.height());
}

void EnhancedProgressView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(0, 0, 0, 110));
}

void EnhancedProgressView::syncVisibility() {
    const bool visible = m_progress.isVisible();
    if (visible == m_shown) {
        return;
    }
    m_shown = visible;
    m_fade.stop();
    if (visible) {
        // The estimate starts from the moment the overlay comes into view.
        m_shownSince.start();
        syncFields();
        refreshRemaining();
        m_clock.start();
        if (parentWidget()) {
            setGeometry(parentWidget()->rect());
        }
        show();
        raise();
        QWidget* focus = QApplication::focusWidget();
        m_focusBefore =
            focus && focus != this && !isAncestorOf(focus) && window()->isAncestorOf(focus) ? focus : nullptr;
        setFocus(Qt::OtherFocusReason);
        m_fade.setDirection(QAbstractAnimation::Forward);
    } else {
        m_clock.stop();
        m_fade.setDirection(QAbstractAnimation::Backward);
    }
    m_fade.start();
}

void EnhancedProgressView::syncFields() {
    const QString message = m_progress.message();
    m_iconName = usesGlobeLogo(message) ? QStringLiteral("globlogo") : QStringLiteral("logo");
    m_icon->setPixmap(icons::artwork(m_iconName, 45, devicePixelRatioF()));
    m_message->setText(message);
    m_detail->setText(m_progress.detailedMessage());
    m_detail->setVisible(!m_progress.detailedMessage().isEmpty());
    m_count->setText(tr("%1 / %2 Processed").arg(m_progress.current()).arg(m_progress.total()));
    m_stop->setVisible(m_progress.isCancellable());
    // No measurable progress yet: the bar runs as a busy indicator.
    m_bar->setRange(0, m_progress.indeterminate() ? 0 : 1000);
    syncBar();
    layoutCard();
    update();
}

void EnhancedProgressView::syncProgress() {
    syncBar();
    refreshRemaining();
}

// The bar is set to the value the count shows, at once. It used to ease towards each new value over a
// quarter of a second, restarting from where it stood: the updates of a fast load come quicker than the
// animation's frames, so the bar hardly moved and showed under a third while the count said 800 of 1000.
void EnhancedProgressView::syncBar() {
    m_bar->setValue(qRound(m_progress.progress() * 10));
}

void EnhancedProgressView::refreshRemaining() {
    const double elapsed = m_shownSince.isValid() ? double(m_shownSince.elapsed()) / 1000.0 : 0.0;
    m_remaining->setText(remainingTimeText(m_progress.progress(), elapsed));
}

} // namespace quirella::ui
