// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ColumnSelectorDialog.h"

#include "ui/Icons.h"
#include "ui/KeyboardNavigation.h"
#include "ui/VisibleColumns.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

namespace quirella::ui {

// ---- CardToggle ----

CardToggle::CardToggle(QString columnId, const QString& title, QString symbol, bool isLightTheme,
                       QWidget* parent)
    : QAbstractButton(parent)
    , m_columnId(std::move(columnId))
    , m_symbol(std::move(symbol))
    , m_isLightTheme(isLightTheme) {
    setText(title);
    setCheckable(true);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(title);
}

QSize CardToggle::sizeHint() const {
    return QSize(110, 84);
}

void CardToggle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = m_isLightTheme ? QColor(Qt::black) : QColor(Qt::white);
    const QColor accent(10, 132, 255);
    QColor fill = isChecked() ? accent : ink;
    fill.setAlphaF(isChecked() ? (underMouse() ? 0.95f : 0.85f) : (underMouse() ? 0.12f : 0.07f));
    QColor outline = isChecked() ? accent.lighter(130) : ink;
    outline.setAlphaF(isChecked() ? 1.0f : 0.2f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 12, 12);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(outline, hasFocus() ? 2 : 1));
    painter.drawPath(shape);

    const QColor content = isChecked() ? QColor(Qt::white) : ink;
    const int iconSize = 24;
    painter.drawPixmap(QRect((width() - iconSize) / 2, 16, iconSize, iconSize),
                       icons::symbol(m_symbol, content, iconSize, devicePixelRatioF()));
    QFont font = this->font();
    font.setPixelSize(13);
    font.setWeight(QFont::DemiBold);
    painter.setFont(font);
    painter.setPen(content);
    painter.drawText(QRect(4, 16 + iconSize + 8, width() - 8, 20), Qt::AlignHCenter | Qt::AlignTop, text());
}

// ---- ColumnSelectorDialog ----

QList<ColumnSelectorDialog::Card> ColumnSelectorDialog::cards() {
    return {
        {QStringLiteral("cover"), tr("Cover"), QStringLiteral("photo.fill")},
        {QStringLiteral("bpm"), tr("BPM"), QStringLiteral("metronome.fill")},
        {QStringLiteral("artist"), tr("Artist"), QStringLiteral("person.fill")},
        {QStringLiteral("title"), tr("Title"), QStringLiteral("music.note")},
        {QStringLiteral("genre"), tr("Genre"), QStringLiteral("guitars.fill")},
        {QStringLiteral("rating"), tr("Rating"), QStringLiteral("star.fill")},
        {QStringLiteral("year"), tr("Year"), QStringLiteral("calendar")},
        {QStringLiteral("duration"), tr("Duration"), QStringLiteral("clock.fill")},
        {QStringLiteral("extension"), tr("Type"), QStringLiteral("doc.fill")},
        {QStringLiteral("album"), tr("Album"), QStringLiteral("music.note.list")},
        {QStringLiteral("albumArtist"), tr("Album Artist"), QStringLiteral("person.fill")},
        {QStringLiteral("track"), tr("Track"), QStringLiteral("number")},
        {QStringLiteral("disc"), tr("Disc"), QStringLiteral("opticaldisc")},
    };
}

ColumnSelectorDialog::ColumnSelectorDialog(VisibleColumns& columns, const Theme& theme, QWidget* parent)
    : QDialog(parent)
    , m_columns(columns) {
    setWindowTitle(tr("Select Visible Columns"));
    setWindowModality(Qt::WindowModal);
    const bool light = isLightTheme(theme);
    const ThemeColors colors = themeColors(theme);
    applyPanelPalette(*this, colors);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(16);
    auto* heading = new QLabel(tr("Select Visible Columns"), this);
    QFont headingFont = heading->font();
    headingFont.setPixelSize(18);
    headingFont.setWeight(QFont::Bold);
    heading->setFont(headingFont);
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    auto* grid = new QGridLayout;
    grid->setSpacing(12);
    const QList<Card> all = cards();
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Card& card = all.at(i);
        auto* toggle = new CardToggle(card.columnId, card.title, card.symbol, light, this);
        connect(toggle, &QAbstractButton::clicked, this, [this, id = card.columnId] {
            m_columns.toggle(id);
            sync();
        });
        grid->addWidget(toggle, int(i / 3), int(i % 3));
        toggle->installEventFilter(this);
        m_toggles.append(toggle);
    }
    layout->addLayout(grid);

    auto* done = new QPushButton(tr("Done"), this);
    done->setDefault(true);
    done->setMinimumWidth(100);
    keyboard::tabOnly({done});
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(done, 0, Qt::AlignHCenter);

    connect(&m_columns, &VisibleColumns::changed, this, &ColumnSelectorDialog::sync);
    sync();
}

void ColumnSelectorDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_toggles.isEmpty()) {
        m_toggles.first()->setFocus(Qt::OtherFocusReason);
    }
}

bool ColumnSelectorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool confirms = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (!confirms && keyboard::handleChoiceKey(key, keyboard::asButtons(m_toggles), 3)) {
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

CardToggle* ColumnSelectorDialog::toggle(const QString& columnId) const {
    for (CardToggle* card : m_toggles) {
        if (card->columnId() == columnId) {
            return card;
        }
    }
    return nullptr;
}

void ColumnSelectorDialog::sync() {
    for (CardToggle* card : std::as_const(m_toggles)) {
        card->setChecked(m_columns.contains(card->columnId()));
    }
}

} // namespace quirella::ui
