// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThemeSettingsView.h"

#include "ui/Icons.h"
#include "ui/KeyboardNavigation.h"
#include "ui/Theme.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QToolButton>

namespace quirella::ui {

namespace {

constexpr int captionHeight = 22;

} // namespace

// ---- ThemeRowView ----

ThemeRowView::ThemeRowView(const Theme& theme, bool isCurrent, bool isLight, QWidget* parent)
    : QAbstractButton(parent)
    , m_theme(theme)
    , m_current(isCurrent)
    , m_light(isLight) {
    setText(theme.name);
    setAccessibleName(theme.name);
    setAccessibleDescription(isCurrent ? tr("Current theme") : QString());
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(previewHeight + captionHeight);
}

QSize ThemeRowView::sizeHint() const {
    return QSize(120, previewHeight + captionHeight);
}

QSize ThemeRowView::minimumSizeHint() const {
    return QSize(minimumWidth, previewHeight + captionHeight);
}

void ThemeRowView::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void ThemeRowView::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void ThemeRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF preview = QRectF(0, 0, width(), previewHeight).adjusted(1, 1, -1, -1);
    QPainterPath shape;
    shape.addRoundedRect(preview, 10, 10);
    QLinearGradient gradient(preview.topLeft(), preview.bottomLeft());
    const qsizetype stops = m_theme.mainGradient.size();
    for (qsizetype i = 0; i < stops; ++i) {
        gradient.setColorAt(stops > 1 ? double(i) / double(stops - 1) : 0.0, m_theme.mainGradient.at(i));
    }
    painter.fillPath(shape, stops > 0 ? QBrush(gradient) : QBrush(Qt::black));
    // The outline sets a preview apart from a sheet of the same colour ("System Default" on its own sheet).
    const QColor ink = m_light ? QColor(0, 0, 0) : QColor(255, 255, 255);
    QColor outline = ink;
    outline.setAlphaF(m_current ? 0.75f : (m_hovered ? 0.5f : 0.22f));
    painter.setPen(QPen(outline, m_current ? 2.0 : 1.0));
    painter.drawPath(shape);
    if (hasFocus()) {
        // The keyboard's place in the grid: an accent ring just inside the preview.
        QPainterPath ring;
        ring.addRoundedRect(preview.adjusted(2.5, 2.5, -2.5, -2.5), 8, 8);
        painter.setPen(QPen(QColor(10, 132, 255), 3.0));
        painter.drawPath(ring);
    }

    // A sample of the theme's text on its own colours.
    QFont sample = font();
    sample.setPixelSize(20);
    sample.setWeight(QFont::DemiBold);
    painter.setFont(sample);
    const QColor sampleColor =
        m_theme.textColor.value_or(isLightTheme(m_theme) ? QColor(Qt::black) : QColor(Qt::white));
    painter.setPen(sampleColor);
    painter.drawText(preview, Qt::AlignCenter, QStringLiteral("Aa"));

    if (m_current) {
        const int size = 22;
        const QRect badge(int(preview.right()) - size - 6, int(preview.top()) + 6, size, size);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QRectF(badge).adjusted(3, 3, -3, -3));
        painter.drawPixmap(
            badge, icons::symbol(u"checkmark.circle.fill", QColor(52, 199, 89), size, devicePixelRatioF()));
    }

    QFont caption = font();
    caption.setPixelSize(12);
    caption.setWeight(m_current ? QFont::DemiBold : QFont::Normal);
    painter.setFont(caption);
    painter.setPen(ink);
    const QRect captionRect(0, previewHeight, width(), captionHeight);
    painter.drawText(captionRect, Qt::AlignCenter,
                     QFontMetrics(caption).elidedText(text(), Qt::ElideRight, width()));
}

// ---- ThemeSettingsView ----

ThemeSettingsView::ThemeSettingsView(ThemeManager& themes, QWidget* parent)
    : QDialog(parent)
    , m_themes(themes) {
    setWindowTitle(tr("Select Theme"));
    setWindowModality(Qt::WindowModal);
    resize(620, 560);
    setMinimumSize(300, 300);
    const Theme& current = themes.currentTheme();
    const ThemeColors colors = themeColors(current);
    applyPanelPalette(*this, colors);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(14);
    auto* top = new QHBoxLayout;
    m_heading = new QLabel(tr("Select Theme"), this);
    QFont headingFont = m_heading->font();
    headingFont.setPixelSize(18);
    headingFont.setWeight(QFont::Bold);
    m_heading->setFont(headingFont);
    top->addWidget(m_heading, 1);
    auto* close = new QToolButton(this);
    close->setAutoRaise(true);
    close->setIcon(icons::symbolIcon(u"xmark", colors.text));
    close->setIconSize(QSize(16, 16));
    close->setToolTip(tr("Close"));
    close->setAccessibleName(tr("Close"));
    close->setShortcut(QKeySequence(Qt::Key_Escape));
    connect(close, &QToolButton::clicked, this, &QDialog::reject);
    m_close = close;
    top->addWidget(close);
    layout->addLayout(top);

    auto* scroll = new QScrollArea(this);
    m_scroll = scroll;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    m_gridHost = new QWidget(scroll);
    m_gridHost->setAutoFillBackground(false);
    m_grid = new QGridLayout(m_gridHost);
    m_grid->setContentsMargins(0, 0, 0, 0);
    m_grid->setSpacing(spacing);
    scroll->setWidget(m_gridHost);
    layout->addWidget(scroll, 1);

    rebuild();
    // The grid marks the current theme; a theme change while the sheet is open (the desktop switching
    // under "System Default") redraws it.
    connect(&m_themes, &ThemeManager::themeChanged, this, &ThemeSettingsView::rebuild);
}

ThemeRowView* ThemeSettingsView::row(QStringView themeName) const {
    for (ThemeRowView* candidate : m_rows) {
        if (candidate->theme().name == themeName) {
            return candidate;
        }
    }
    return nullptr;
}

void ThemeSettingsView::rebuild() {
    // Later, not now: a row's own click may be what changed the theme.
    for (ThemeRowView* old : std::as_const(m_rows)) {
        m_grid->removeWidget(old);
        old->hide();
        old->deleteLater();
    }
    m_rows.clear();
    m_columns = 0;
    const Theme& current = m_themes.currentTheme();
    const bool light = isLightTheme(current);
    for (const Theme& theme : m_themes.availableThemes()) {
        auto* row = new ThemeRowView(theme, theme == current, light, m_gridHost);
        row->installEventFilter(this);
        connect(row, &QAbstractButton::clicked, this, [this, theme] {
            m_themes.setCurrentTheme(theme);
            accept();
        });
        m_rows.append(row);
    }
    arrange();
    if (isVisible()) {
        focusCurrentRow();
    }
}

void ThemeSettingsView::focusCurrentRow() {
    for (ThemeRowView* row : std::as_const(m_rows)) {
        if (row->isCurrent()) {
            row->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
    if (!m_rows.isEmpty()) {
        m_rows.first()->setFocus(Qt::OtherFocusReason);
    }
}

void ThemeSettingsView::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    focusCurrentRow();
}

bool ThemeSettingsView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        keyboard::handleChoiceKey(static_cast<QKeyEvent*>(event), keyboard::asButtons(m_rows), m_columns)) {
        if (QWidget* focused = focusWidget()) {
            m_scroll->ensureWidgetVisible(focused);
        }
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void ThemeSettingsView::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    arrange();
}

void ThemeSettingsView::arrange() {
    // Adaptive columns: as many of at least 100 pixels as the width holds, sharing the rest.
    const int available = qMax(ThemeRowView::minimumWidth, width() - 40 - 12);
    const int columns = qMax(1, (available + spacing) / (ThemeRowView::minimumWidth + spacing));
    if (columns == m_columns) {
        return;
    }
    m_columns = columns;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_grid->removeWidget(m_rows.at(i));
    }
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        m_grid->addWidget(m_rows.at(i), int(i / columns), int(i % columns));
    }
    for (int column = 0; column < m_grid->columnCount(); ++column) {
        m_grid->setColumnStretch(column, column < columns ? 1 : 0);
    }
    m_grid->setRowStretch(int((m_rows.size() + columns - 1) / columns), 1);
}

} // namespace quirella::ui
