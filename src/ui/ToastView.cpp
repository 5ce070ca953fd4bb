// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ToastView.h"

#include "model/ToastManager.h"
#include "ui/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace quirella::ui {

namespace {

constexpr int panelRadius = 12;

// A soft shadow of a rounded panel: the panel's alpha, box-blurred three times (close to a Gaussian).
QImage blurredShadow(QSize panel, int blur, QColor color) {
    const int margin = blur * 2;
    QImage alpha(panel.width() + 2 * margin, panel.height() + 2 * margin, QImage::Format_Alpha8);
    alpha.fill(0);
    {
        QPainter painter(&alpha);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(margin, margin, panel.width(), panel.height()), panelRadius,
                                panelRadius);
    }
    const int width = alpha.width();
    const int height = alpha.height();
    const int radius = qMax(1, blur / 2);
    QList<int> line(qMax(width, height));
    for (int pass = 0; pass < 3; ++pass) {
        for (int y = 0; y < height; ++y) {
            uchar* row = alpha.scanLine(y);
            for (int x = 0; x < width; ++x) {
                line[x] = row[x];
            }
            int sum = 0;
            for (int x = -radius; x <= radius; ++x) {
                sum += line[qBound(0, x, width - 1)];
            }
            for (int x = 0; x < width; ++x) {
                row[x] = uchar(sum / (2 * radius + 1));
                sum += line[qMin(width - 1, x + radius + 1)] - line[qMax(0, x - radius)];
            }
        }
        for (int x = 0; x < width; ++x) {
            for (int y = 0; y < height; ++y) {
                line[y] = alpha.scanLine(y)[x];
            }
            int sum = 0;
            for (int y = -radius; y <= radius; ++y) {
                sum += line[qBound(0, y, height - 1)];
            }
            for (int y = 0; y < height; ++y) {
                alpha.scanLine(y)[x] = uchar(sum / (2 * radius + 1));
                sum += line[qMin(height - 1, y + radius + 1)] - line[qMax(0, y - radius)];
            }
        }
    }
    QImage shadow(alpha.size(), QImage::Format_ARGB32_Premultiplied);
    shadow.fill(Qt::transparent);
    QPainter painter(&shadow);
    painter.drawImage(0, 0, alpha);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(shadow.rect(), color);
    return shadow;
}

} // namespace

ToastView::ToastView(ToastManager& toasts, QWidget* parent)
    : QWidget(parent)
    , m_toasts(toasts)
    , m_colors(themeColors(Theme::deepCharcoal())) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
    m_fade.setStartValue(0.0);
    m_fade.setEndValue(1.0);
    connect(&m_fade, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        const qreal progress = value.toReal();
        m_opacity = progress;
        // Rises from 16 pixels below into place, with a slight overshoot while showing.
        m_lift = m_shown ? 16.0 * (1.0 - progress) : 0.0;
        update();
    });
    connect(&m_fade, &QVariantAnimation::finished, this, [this] {
        if (!m_shown) {
            hide();
        }
    });
    connect(&m_toasts, &ToastManager::isShowingChanged, this, &ToastView::sync);
    connect(&m_toasts, &ToastManager::messageChanged, this, &ToastView::sync);
    sync();
}

QFont ToastView::messageFont() const {
    QFont font = this->font();
    font.setPixelSize(14);
    font.setWeight(QFont::Medium);
    return font;
}

void ToastView::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    update();
}

QSize ToastView::panelSizeFor(const QString& text) const {
    const QFontMetrics metrics(messageFont());
    const int textRoom = maximumWidth - 2 * horizontalPadding - badgeSize - 10;
    const QRect bounds = metrics.boundingRect(QRect(0, 0, textRoom, 1000), Qt::TextWordWrap, text);
    const int width = qMin(maximumWidth, 2 * horizontalPadding + badgeSize + 10 + bounds.width() + 2);
    const int height = 2 * verticalPadding + qMax(badgeSize, bounds.height());
    return QSize(width, height);
}

void ToastView::place(const QRect& area, int bottomOffset) {
    m_area = area;
    m_bottomOffset = bottomOffset;
    relayout();
}

void ToastView::relayout() {
    const QSize panel = panelSizeFor(m_text);
    const QRect panelRect(m_area.x() + (m_area.width() - panel.width()) / 2,
                          m_area.bottom() + 1 - m_bottomOffset - panel.height(), panel.width(),
                          panel.height());
    setGeometry(panelRect.adjusted(-shadowMargin, -shadowMargin, shadowMargin, shadowMargin));
    if (m_shadow.isNull() || m_shadow.size() != panel + QSize(32, 32)) {
        m_shadow = blurredShadow(panel, 8, QColor(0, 0, 0, 38));
    }
    update();
}

QRect ToastView::panelGeometry() const {
    return geometry().adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
}

void ToastView::sync() {
    const bool showing = m_toasts.isShowing();
    if (m_toasts.message() != m_text) {
        m_text = m_toasts.message();
        relayout();
    }
    if (showing == m_shown) {
        return;
    }
    m_shown = showing;
    m_fade.stop();
    if (showing) {
        show(); // stacked below the progress overlay, which the window creates after the toast
        m_fade.setDirection(QAbstractAnimation::Forward);
        m_fade.setDuration(300);
        m_fade.setEasingCurve(QEasingCurve::OutBack);
    } else {
        m_fade.setDirection(QAbstractAnimation::Backward);
        m_fade.setDuration(300);
        m_fade.setEasingCurve(QEasingCurve::InQuad); // ease-out when run backwards
        m_fade.setCurrentTime(m_fade.duration());
    }
    m_fade.start();
}

void ToastView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(qBound(0.0, m_opacity, 1.0));
    painter.translate(0, m_lift);
    const QRectF panel(shadowMargin, shadowMargin, width() - 2 * shadowMargin, height() - 2 * shadowMargin);
    painter.drawImage(QPointF(panel.x() - 16, panel.y() - 16 + 4), m_shadow);

    QPainterPath shape;
    shape.addRoundedRect(panel, panelRadius, panelRadius);
    painter.fillPath(shape, m_colors.panel);
    painter.setPen(QPen(m_colors.panelOutline, 1.5));
    painter.drawPath(shape);

    const QRectF badge(panel.x() + horizontalPadding, panel.center().y() - badgeSize / 2.0, badgeSize,
                       badgeSize);
    QColor badgeFill = m_colors.text;
    badgeFill.setAlphaF(0.1f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(badgeFill);
    painter.drawRoundedRect(badge, 9, 9);
    const QRectF logo(badge.center().x() - logoSize / 2.0, badge.center().y() - logoSize / 2.0, logoSize,
                      logoSize);
    painter.drawPixmap(logo.toRect(), icons::artwork(u"logo", logoSize, devicePixelRatioF()));

    const QRectF textRect(badge.right() + 10, panel.y() + verticalPadding,
                          panel.right() - horizontalPadding - badge.right() - 10,
                          panel.height() - 2 * verticalPadding);
    painter.setFont(messageFont());
    painter.setPen(m_colors.text);
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, m_text);
}

} // namespace quirella::ui
