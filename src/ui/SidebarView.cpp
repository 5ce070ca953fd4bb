// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SidebarView.h"

#include "ui/Icons.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace quirella::ui {

namespace {

QList<QColor> hexes(std::initializer_list<QStringView> values) {
    QList<QColor> colors;
    for (const QStringView value : values) {
        colors.append(colorFromHex(value));
    }
    return colors;
}

} // namespace

// ---- SidebarButton ----

SidebarButton::SidebarButton(const QString& title, const QString& symbol, QList<QColor> gradient, int height,
                             int fontPixelSize, QWidget* parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_gradient(std::move(gradient))
    , m_height(height)
    , m_fontPixelSize(fontPixelSize) {
    setText(title);
    setToolTip(title);
    setAccessibleName(title); // the icon-only button names itself where it is made
    setCursor(Qt::PointingHandCursor);
    // Reached by Tab; a click leaves the keyboard with the table and its editor.
    setFocusPolicy(Qt::TabFocus);
    setFixedHeight(height);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void SidebarButton::setGradient(QList<QColor> gradient) {
    m_gradient = std::move(gradient);
    update();
}

void SidebarButton::setMagic(bool magic) {
    m_magic = magic;
    update();
}

QSize SidebarButton::sizeHint() const {
    return QSize(60, m_height);
}

void SidebarButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void SidebarButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void SidebarButton::keyPressEvent(QKeyEvent* event) {
    // Space presses a button everywhere; Return and Enter press the keyboard's button too.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !event->modifiers()) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void SidebarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF face = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QPainterPath shape;
    shape.addRoundedRect(face, 6, 6);

    QLinearGradient gradient(face.topLeft(), face.topRight());
    const qsizetype stops = m_gradient.size();
    for (qsizetype i = 0; i < stops; ++i) {
        QColor color = m_gradient.at(i);
        if (isDown()) {
            color = color.darker(120);
        } else if (m_hovered) {
            color = color.lighter(112);
        }
        gradient.setColorAt(stops > 1 ? double(i) / double(stops - 1) : 0.0, color);
    }
    painter.fillPath(shape, gradient);
    // The keyboard's button wears a ring of the accent colour.
    painter.setPen(hasFocus() ? QPen(QColor(10, 132, 255), 2.5) : QPen(QColor(255, 255, 255, 40), 1));
    painter.drawPath(shape);

    QFont font = this->font();
    font.setPixelSize(m_fontPixelSize);
    font.setWeight(m_magic ? QFont::Black : QFont::DemiBold);
    const int iconSize = m_fontPixelSize + 2;
    const bool hasSymbol = !m_symbol.isEmpty();
    const bool hasTitle = !text().isEmpty();
    const int gap = hasSymbol && hasTitle ? 6 : 0;
    const int available = width() - 8 - (hasSymbol ? iconSize : 0) - gap;
    // Rounded up: an advance rounded down elides a title that fits.
    const auto titleWidth = [&] {
        return hasTitle ? int(std::ceil(QFontMetricsF(font).horizontalAdvance(text()))) + 1 : 0;
    };
    // A longer title (in another language, say) is set up to a quarter smaller before it is cut short.
    for (int size = m_fontPixelSize; titleWidth() > available && size * 4 > m_fontPixelSize * 3;) {
        font.setPixelSize(--size);
    }
    const QFontMetrics metrics(font);
    const int textWidth = qMin(titleWidth(), available);
    const int contentWidth = (hasSymbol ? iconSize : 0) + gap + textWidth;
    int x = (width() - contentWidth) / 2;
    if (hasSymbol) {
        const QRect iconRect(x, (height() - iconSize) / 2, iconSize, iconSize);
        if (m_magic) {
            painter.drawPixmap(iconRect.translated(0, 1),
                               icons::symbol(m_symbol, QColor(0, 0, 0, 120), iconSize, devicePixelRatioF()));
        }
        painter.drawPixmap(iconRect, icons::symbol(m_symbol, Qt::white, iconSize, devicePixelRatioF()));
        x += iconSize + gap;
    }
    if (hasTitle) {
        painter.setFont(font);
        const QRect textRect(x, 0, textWidth, height());
        const QString shown = metrics.elidedText(text(), Qt::ElideRight, textWidth);
        if (m_magic) {
            painter.setPen(QColor(0, 0, 0, 150));
            painter.drawText(textRect.translated(0, 1), Qt::AlignVCenter | Qt::AlignLeft, shown);
        }
        painter.setPen(Qt::white);
        painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, shown);
    }
}

// ---- SidebarView ----

SidebarView::SidebarView(QWidget* parent)
    : QWidget(parent) {
    setFixedWidth(width);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    const int groupGap = 14;

    layout->addWidget(add(Action::editRemove, tr("Edit Remove"), QStringLiteral("scissors"),
                          hexes({u"C0392B", u"E74C3C"})));
    layout->addWidget(add(Action::editRename, tr("Edit Rename"),
                          QStringLiteral("arrow.triangle.2.circlepath"), hexes({u"D35400", u"E67E22"})));
    layout->addWidget(add(Action::setGenre, tr("Set Genre"), QStringLiteral("music.note.list"),
                          hexes({u"E67E22", u"F39C12"})));
    layout->addSpacing(groupGap);

    layout->addWidget(add(Action::uppercase, tr("UPPERCASE"), QStringLiteral("textformat.size"),
                          hexes({u"F39C12", u"F1C40F"})));
    layout->addWidget(add(Action::firstLetter, tr("First Letter"),
                          QStringLiteral("textformat.abc.dottedunderline"), hexes({u"F1C40F", u"F4D03F"})));
    layout->addWidget(add(Action::characters, tr("Characters"), QStringLiteral("trash.fill"),
                          hexes({u"F4D03F", u"58D68D"})));
    layout->addSpacing(groupGap);

    layout->addWidget(
        add(Action::searchBpm, tr("Search BPM"), QStringLiteral("waveform"), hexes({u"58D68D", u"3498DB"})));
    layout->addWidget(add(Action::cleanBpm, tr("Clean BPM"), QStringLiteral("waveform.slash"),
                          hexes({u"3498DB", u"2980B9"})));
    layout->addSpacing(groupGap);

    SidebarButton* writeTags = add(Action::writeTags, tr("WRITE TAGS"), QStringLiteral("wand.and.stars"),
                                   {QColor::fromRgbF(0.0f, 0.2f, 0.7f), QColor::fromRgbF(1.0f, 0.9f, 0.0f),
                                    QColor::fromRgbF(0.8f, 0.0f, 0.2f)},
                                   34, 14);
    writeTags->setMagic(true);
    layout->addWidget(writeTags);
    layout->addWidget(add(Action::setCover, tr("Set Cover"), QStringLiteral("photo.fill"), {}, 52));
    layout->addWidget(
        add(Action::renameOriginal, tr("Rename Original"), QStringLiteral("exclamationmark.triangle"), {}));
    layout->addStretch(1);

    const QList<QColor> orange = hexes({u"E67E22", u"D35400"});
    layout->addWidget(
        add(Action::clean, tr("Clean"), QStringLiteral("trash.fill"), hexes({u"E53935", u"D32F2F"})));
    auto* columnsAndTheme = new QHBoxLayout;
    columnsAndTheme->setSpacing(6);
    SidebarButton* columns = add(Action::columns, QString(), QStringLiteral("tablecells"), orange, 23, 12);
    columns->setFixedWidth(60);
    columns->setToolTip(tr("Select Visible Columns"));
    columns->setAccessibleName(tr("Select Visible Columns"));
    columnsAndTheme->addWidget(columns);
    columnsAndTheme->addWidget(add(Action::theme, tr("THEME"), QString(), orange, 23, 11));
    layout->addLayout(columnsAndTheme);
    auto* undoRedo = new QHBoxLayout;
    undoRedo->setSpacing(6);
    undoRedo->addWidget(add(Action::undo, tr("Undo"), QStringLiteral("arrow.uturn.backward"), orange));
    undoRedo->addWidget(add(Action::redo, tr("Redo"), QStringLiteral("arrow.uturn.forward"), orange));
    layout->addLayout(undoRedo);

    setTheme(Theme::deepCharcoal());
}

SidebarButton* SidebarView::add(Action action, const QString& title, const QString& symbol,
                                QList<QColor> gradient, int height, int fontPixelSize) {
    auto* button = new SidebarButton(title, symbol, std::move(gradient), height, fontPixelSize, this);
    connect(button, &QAbstractButton::clicked, this, [this, action] { emit triggered(action); });
    m_buttons.insert(action, button);
    return button;
}

void SidebarView::setTheme(const Theme& theme) {
    const QColor base = theme.mainGradient.isEmpty() ? QColor(0x44, 0x44, 0x44) : theme.mainGradient.last();
    const bool light = isLightTheme(theme);
    // Lifted well above the background so both read as buttons on it.
    // White titles need a face well away from the background: much darker on a light theme.
    const QList<QColor> face{light ? base.darker(230) : base.lighter(190),
                             light ? base.darker(280) : base.lighter(150)};
    m_buttons.value(Action::setCover)->setGradient(face);
    m_buttons.value(Action::renameOriginal)->setGradient(face);
}

} // namespace quirella::ui
