// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CoverPickerDialog.h"

#include "covers/CoverPicker.h"
#include "model/Continuation.h"
#include "ui/Icons.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QtConcurrent/QtConcurrentRun>

namespace quirella::ui {

namespace {

// Only drops that carry a file location are taken; of several, the first local file.
std::optional<QString> firstLocalFile(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return std::nullopt;
    }
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile()) {
            return url.toLocalFile();
        }
    }
    return std::nullopt;
}

} // namespace

// ---- CoverDropArea ----

CoverDropArea::CoverDropArea(const Theme& theme, QWidget* parent)
    : QWidget(parent)
    , m_colors(themeColors(theme)) {
    setAcceptDrops(true);
    setFixedSize(300, 200);
}

void CoverDropArea::setDragging(bool dragging) {
    if (m_dragging != dragging) {
        m_dragging = dragging;
        update();
    }
}

void CoverDropArea::setPreview(const QImage& image) {
    m_preview = image;
    update();
}

void CoverDropArea::dragEnterEvent(QDragEnterEvent* event) {
    if (firstLocalFile(event->mimeData())) {
        event->acceptProposedAction();
        setDragging(true);
    } else {
        event->ignore();
    }
}

void CoverDropArea::dragMoveEvent(QDragMoveEvent* event) {
    if (firstLocalFile(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CoverDropArea::dragLeaveEvent(QDragLeaveEvent* event) {
    setDragging(false);
    QWidget::dragLeaveEvent(event);
}

void CoverDropArea::dropEvent(QDropEvent* event) {
    setDragging(false);
    const std::optional<QString> path = firstLocalFile(event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit fileDropped(*path);
}

void CoverDropArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QPainterPath shape;
    shape.addRoundedRect(frame, 12, 12);
    QColor fill = m_dragging ? QColor(10, 132, 255) : m_colors.text;
    fill.setAlphaF(m_dragging ? 0.18f : 0.05f);
    painter.fillPath(shape, fill);
    QColor outline = m_dragging ? QColor(10, 132, 255) : m_colors.text;
    outline.setAlphaF(m_dragging ? 1.0f : 0.35f);
    QPen pen(outline, 2, Qt::DashLine);
    pen.setDashPattern({4, 3});
    painter.setPen(pen);
    painter.drawPath(shape);

    if (!m_preview.isNull()) {
        const QRect box((width() - 280) / 2, (height() - 180) / 2, 280, 180);
        const QSize fitted = m_preview.size().scaled(box.size(), Qt::KeepAspectRatio);
        const QRect target(box.x() + (box.width() - fitted.width()) / 2,
                           box.y() + (box.height() - fitted.height()) / 2, fitted.width(), fitted.height());
        painter.drawImage(target, m_preview);
        return;
    }
    const int iconSize = 44;
    const int top = (height() - iconSize - 12 - 20 - 4 - 16) / 2;
    painter.drawPixmap(QRect((width() - iconSize) / 2, top, iconSize, iconSize),
                       icons::symbol(u"arrow.down.circle", m_colors.text, iconSize, devicePixelRatioF()));
    QFont title = font();
    title.setPixelSize(15);
    title.setWeight(QFont::DemiBold);
    painter.setFont(title);
    painter.setPen(m_colors.text);
    painter.drawText(QRect(8, top + iconSize + 12, width() - 16, 20), Qt::AlignCenter,
                     tr("Drag & Drop Cover Image Here"));
    QFont hint = font();
    hint.setPixelSize(12);
    painter.setFont(hint);
    painter.setPen(m_colors.secondaryText);
    painter.drawText(QRect(8, top + iconSize + 36, width() - 16, 16), Qt::AlignCenter,
                     tr("PNG/JPEG • Max 1MB"));
}

// ---- CoverPickerDialog ----

CoverPickerDialog::CoverPickerDialog(const Theme& theme, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(tr("Select Cover Image"));
    const ThemeColors colors = themeColors(theme);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 20);
    layout->setSpacing(12);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("Select Cover Image"), this);
    QFont titleFont = title->font();
    titleFont.setPixelSize(18);
    titleFont.setWeight(QFont::Bold);
    title->setFont(titleFont);
    header->addWidget(title, 1);
    m_close = new QToolButton(this);
    m_close->setIcon(icons::symbolIcon(u"xmark.circle.fill", colors.secondaryText));
    m_close->setIconSize(QSize(20, 20));
    m_close->setAutoRaise(true);
    m_close->setToolTip(tr("Close"));
    m_close->setAccessibleName(tr("Close"));
    connect(m_close, &QToolButton::clicked, this, &QDialog::reject);
    header->addWidget(m_close);
    layout->addLayout(header);

    m_dropArea = new CoverDropArea(theme, this);
    layout->addWidget(m_dropArea, 0, Qt::AlignHCenter);
    connect(m_dropArea, &CoverDropArea::fileDropped, this,
            [this](const QString& path) { (void)pickFile(path); });

    m_error = new QLabel(this);
    m_error->setAlignment(Qt::AlignCenter);
    m_error->setWordWrap(true);
    QPalette red = m_error->palette();
    red.setColor(QPalette::WindowText, QColor(255, 59, 48));
    m_error->setPalette(red);
    m_error->hide();
    layout->addWidget(m_error);
}

QString CoverPickerDialog::errorMessage() const {
    return m_error->isHidden() ? QString() : m_error->text();
}

QFuture<void> CoverPickerDialog::pickFile(const QString& path) {
    return continueOn(QtConcurrent::run([path] { return checkCoverImageFile(path); }), this,
                      [this](const CoverPick& pick) {
                          if (!pick.accepted()) {
                              m_error->setText(pick.errorMessage);
                              m_error->show();
                              return;
                          }
                          m_error->clear();
                          m_error->hide();
                          m_dropArea->setPreview(*pick.image);
                          emit imageSelected(*pick.image, pick.bytes);
                      });
}

} // namespace quirella::ui
