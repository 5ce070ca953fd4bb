// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WelcomeView.h"

#include "ui/Icons.h"

#include <QBoxLayout>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace quirella::ui {

namespace {

bool offersFileLocations(const QMimeData* data) {
    if (!data || !data->hasUrls()) {
        return false;
    }
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

// ---- DragDropArea ----

DragDropArea::DragDropArea(QWidget* parent)
    : QWidget(parent)
    , m_colors(themeColors(Theme::deepCharcoal())) {
    setAcceptDrops(true);
    setAccessibleName(tr("Drag & Drop Your Music Folder Here"));
    setMinimumSize(280, 150);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

QSize DragDropArea::sizeHint() const {
    return QSize(460, 180);
}

void DragDropArea::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    update();
}

void DragDropArea::setDragging(bool dragging) {
    if (m_dragging != dragging) {
        m_dragging = dragging;
        update();
    }
}

void DragDropArea::dragEnterEvent(QDragEnterEvent* event) {
    if (offersFileLocations(event->mimeData())) {
        event->acceptProposedAction();
        setDragging(true);
    } else {
        event->ignore();
    }
}

void DragDropArea::dragMoveEvent(QDragMoveEvent* event) {
    if (offersFileLocations(event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DragDropArea::dragLeaveEvent(QDragLeaveEvent* event) {
    setDragging(false);
    QWidget::dragLeaveEvent(event);
}

void DragDropArea::dropEvent(QDropEvent* event) {
    setDragging(false);
    if (!offersFileLocations(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit dropped(event->mimeData()->urls());
}

void DragDropArea::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF frame = QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5);
    QColor fill = m_colors.text;
    fill.setAlphaF(m_dragging ? 0.12f : 0.05f);
    QColor outline = m_colors.text;
    outline.setAlphaF(m_dragging ? 0.8f : 0.35f);
    QPainterPath shape;
    shape.addRoundedRect(frame, 16, 16);
    painter.fillPath(shape, fill);
    QPen pen(outline, 2, Qt::DashLine);
    pen.setDashPattern({4, 3});
    painter.setPen(pen);
    painter.drawPath(shape);

    const int iconSize = 48;
    const QString symbol =
        m_dragging ? QStringLiteral("arrow.down.circle.fill") : QStringLiteral("arrow.down.circle");
    QColor iconColor = m_colors.text;
    iconColor.setAlphaF(m_dragging ? 1.0f : 0.85f);
    const int top = (height() - iconSize - 16 - 22) / 2;
    painter.drawPixmap(QRect((width() - iconSize) / 2, top, iconSize, iconSize),
                       icons::symbol(symbol, iconColor, iconSize, devicePixelRatioF()));
    QFont font = this->font();
    font.setPixelSize(16);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(m_colors.text);
    painter.drawText(QRect(8, top + iconSize + 16, width() - 16, 22), Qt::AlignCenter,
                     tr("Drag & Drop Your Music Folder Here"));
}

// ---- WelcomeView ----

WelcomeView::WelcomeView(QWidget* parent)
    : QWidget(parent) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->addStretch(1);

    m_logo = new QLabel(this);
    m_logo->setAlignment(Qt::AlignCenter);
    m_logo->setPixmap(icons::artwork(u"logo", 96, devicePixelRatioF()));
    m_logo->setAccessibleName(tr("Quirella Tag-Editor logo"));
    outer->addWidget(m_logo);
    outer->addSpacing(14);

    m_greeting = new QLabel(tr("Organize your music collection"), this);
    m_greeting->setAlignment(Qt::AlignCenter);
    QFont greetingFont = m_greeting->font();
    greetingFont.setPixelSize(22);
    greetingFont.setWeight(QFont::DemiBold);
    m_greeting->setFont(greetingFont);
    outer->addWidget(m_greeting);
    outer->addSpacing(22);

    m_dropArea = new DragDropArea(this);
    auto* dropRow = new QHBoxLayout;
    dropRow->addStretch(1);
    dropRow->addWidget(m_dropArea, 4);
    dropRow->addStretch(1);
    outer->addLayout(dropRow);
    m_dropArea->setMaximumWidth(520);
    connect(m_dropArea, &DragDropArea::dropped, this, &WelcomeView::foldersDropped);
    outer->addSpacing(12);

    m_openFolder = new QPushButton(tr("Open Folder…"), this);
    m_openFolder->setToolTip(tr("Open Folder… (Ctrl+O)"));
    m_openFolder->setAccessibleName(tr("Open Folder…"));
    m_openFolder->setCursor(Qt::PointingHandCursor);
    m_openFolder->setFlat(true);
    m_openFolder->setIconSize(QSize(16, 16));
    connect(m_openFolder, &QPushButton::clicked, this, &WelcomeView::openFolderRequested);
    outer->addWidget(m_openFolder, 0, Qt::AlignHCenter);
    outer->addSpacing(16);

    const QStringList notes{
        tr("Supported: MP3, M4A, WAV, AIFF, FLAC, Ogg Vorbis, Opus"),
        tr("Note: This app works on your <b>original files</b>. Keep a backup if needed."),
        tr("Features: tag editing • cover art • ratings • BPM detection • file renaming"),
    };
    for (const QString& text : notes) {
        auto* note = new QLabel(text, this);
        note->setTextFormat(Qt::RichText);
        note->setAlignment(Qt::AlignCenter);
        note->setWordWrap(true);
        QFont noteFont = note->font();
        noteFont.setPixelSize(13);
        note->setFont(noteFont);
        outer->addWidget(note);
        m_notes.append(note);
    }
    outer->addStretch(1);
    setTheme(Theme::deepCharcoal());
}

void WelcomeView::setTheme(const Theme& theme) {
    const ThemeColors colors = themeColors(theme);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, colors.text);
    m_greeting->setPalette(palette);
    QPalette secondary = palette;
    secondary.setColor(QPalette::WindowText, colors.secondaryText);
    for (QLabel* note : std::as_const(m_notes)) {
        note->setPalette(secondary);
    }
    m_dropArea->setTheme(theme);
    m_openFolder->setIcon(icons::symbolIcon(u"folder", colors.text));
    QColor face = colors.text;
    face.setAlphaF(0.08f);
    QColor hover = colors.text;
    hover.setAlphaF(0.16f);
    m_openFolder->setStyleSheet(
        QStringLiteral("QPushButton { color: %1; background: %2; border: 1px solid %3; border-radius: 14px;"
                       " padding: 5px 16px; font-size: 13px; }"
                       "QPushButton:hover { background: %4; }")
            .arg(colors.text.name(QColor::HexArgb), face.name(QColor::HexArgb),
                 colors.panelOutline.name(QColor::HexArgb), hover.name(QColor::HexArgb)));
}

} // namespace quirella::ui
