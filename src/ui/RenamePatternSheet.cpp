// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/RenamePatternSheet.h"

#include "model/Paths.h"
#include "ui/KeyboardNavigation.h"
#include "ui/PatternPreview.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTableView>

namespace quirella::ui {

// ---- PatternButton ----

PatternButton::PatternButton(const QString& title, const QString& example, bool isLightTheme, QWidget* parent)
    : QAbstractButton(parent)
    , m_example(example)
    , m_isLightTheme(isLightTheme) {
    setText(title);
    setAccessibleName(title);
    setAccessibleDescription(example);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize PatternButton::sizeHint() const {
    return QSize(300, 54);
}

void PatternButton::enterEvent(QEnterEvent* event) {
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void PatternButton::leaveEvent(QEvent* event) {
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}

void PatternButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = m_isLightTheme ? QColor(Qt::black) : QColor(Qt::white);
    const QColor accent(10, 132, 255);
    QColor fill = isDown() ? accent : ink;
    fill.setAlphaF(isDown() ? 0.35f : (m_hovered ? 0.14f : 0.07f));
    QColor outline = m_hovered || isDown() ? accent : ink;
    outline.setAlphaF(m_hovered || isDown() ? 0.9f : 0.2f);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 10, 10);
    painter.fillPath(shape, fill);
    painter.setPen(QPen(outline, hasFocus() ? 2 : 1));
    painter.drawPath(shape);

    QFont titleFont = font();
    titleFont.setPixelSize(14);
    titleFont.setWeight(QFont::DemiBold);
    painter.setFont(titleFont);
    painter.setPen(ink);
    const QRect inner = rect().adjusted(14, 8, -14, -8);
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignTop, text());
    QFont exampleFont = font();
    exampleFont.setPixelSize(11);
    painter.setFont(exampleFont);
    QColor secondary = ink;
    secondary.setAlphaF(0.65f);
    painter.setPen(secondary);
    painter.drawText(inner, Qt::AlignLeft | Qt::AlignBottom,
                     QFontMetrics(exampleFont).elidedText(m_example, Qt::ElideMiddle, inner.width()));
}

// ---- RenamePatternSheet ----

RenamePatternSheet::RenamePatternSheet(int songCount, const Theme& theme, QWidget* parent, QList<Song> songs)
    : QDialog(parent)
    , m_songs(std::move(songs)) {
    setWindowTitle(tr("Rename Original Files"));
    setFixedWidth(sheetWidth);
    const bool light = isLightTheme(theme);
    const QColor ink = light ? QColor(Qt::black) : QColor(Qt::white);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, themeColors(theme).panel);
    colours.setColor(QPalette::WindowText, ink);
    setPalette(colours);
    setAutoFillBackground(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(12);
    auto* headline = new QLabel(tr("Rename Original Files"), this);
    QFont headlineFont = headline->font();
    headlineFont.setPixelSize(18);
    headlineFont.setWeight(QFont::Bold);
    headline->setFont(headlineFont);
    layout->addWidget(headline);
    auto* prompt = new QLabel(tr("Choose naming pattern for %n files:", nullptr, songCount), this);
    prompt->setObjectName(QStringLiteral("prompt"));
    layout->addWidget(prompt);

    for (const FileNamingPatternInfo& info : fileNamingPatterns) {
        auto* button =
            new PatternButton(QString::fromUtf16(info.title), QString::fromUtf16(info.example), light, this);
        const FileNamingPattern pattern = info.pattern;
        connect(button, &QAbstractButton::clicked, this, [this, pattern] {
            // Closed first, so that the rename's toasts and alert are not covered by the sheet.
            accept();
            emit patternSelected(pattern);
        });
        m_buttons.append(button);
        button->installEventFilter(this);
        layout->addWidget(button);
    }

    addCustomPattern(layout);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    buttons->addWidget(cancel);
    m_cancel = cancel;
    keyboard::tabOnly({cancel});
    cancel->setAutoDefault(false); // Return takes the focused pattern, never "Cancel" by default
    layout->addLayout(buttons);
}

void RenamePatternSheet::addCustomPattern(QBoxLayout* layout) {
    auto* caption = new QLabel(tr("Or write a pattern (%title% %artist% %album% %albumartist% %year% %genre% "
                                  "%track% %disc% %bpm%):"),
                               this);
    caption->setWordWrap(true);
    layout->addWidget(caption);
    m_customField = makePatternField(recentPatterns::Kind::fileNames,
                                     QStringLiteral("%track%. %artist% - %title%"), this);
    m_customField->setObjectName(QStringLiteral("customPattern"));
    // An empty field until the user picks a recent pattern: the sheet opens on the three patterns.
    m_customField->setCurrentIndex(-1);
    layout->addWidget(m_customField);
    m_customMessage = new QLabel(this);
    m_customMessage->setObjectName(QStringLiteral("customMessage"));
    m_customMessage->setWordWrap(true);
    layout->addWidget(m_customMessage);
    m_customModel = new PatternPreviewModel(this);
    m_customTable = makePreviewTable(m_customModel, this);
    m_customTable->setFixedHeight(150);
    layout->addWidget(m_customTable);
    m_customButton = new QPushButton(tr("Rename by Pattern"), this);
    m_customButton->setObjectName(QStringLiteral("customRename"));
    m_customButton->setAutoDefault(false);
    keyboard::tabOnly({m_customButton});
    layout->addWidget(m_customButton, 0, Qt::AlignRight);

    const auto choose = [this] {
        if (!m_custom || !m_customButton->isEnabled()) {
            return;
        }
        recentPatterns::remember(recentPatterns::Kind::fileNames, m_custom->text);
        const NamePattern pattern = *m_custom;
        accept();
        emit customPatternSelected(pattern);
    };
    connect(m_customButton, &QPushButton::clicked, this, choose);
    connect(m_customField->lineEdit(), &QLineEdit::returnPressed, this, choose);
    connect(m_customField, &QComboBox::editTextChanged, this, &RenamePatternSheet::updateCustomPreview);
    updateCustomPreview();
}

void RenamePatternSheet::updateCustomPreview() {
    m_custom.reset();
    m_customButton->setEnabled(false);
    const QString text = m_customField->currentText();
    m_customTable->setVisible(!text.isEmpty());
    if (text.isEmpty()) {
        m_customModel->setContent({}, {});
        m_customMessage->clear();
        return;
    }
    const NamePatternParse parsed = parseNamePattern(text);
    const QString problem = parsed.pattern ? fileNamePatternProblem(*parsed.pattern) : parsed.error;
    if (!problem.isEmpty()) {
        m_customModel->setContent({}, {});
        m_customMessage->setText(problem);
        return;
    }
    QList<PatternPreviewModel::Row> rows;
    rows.reserve(m_songs.size());
    int renamed = 0;
    for (const Song& song : m_songs) {
        const PlannedName plan = planFileName(song, *parsed.pattern);
        const bool skipped = plan.newName.isEmpty();
        renamed += skipped ? 0 : 1;
        rows.append({{paths::displayText(plan.oldName),
                      skipped ? tr("Skipped: %1").arg(plan.skipReason) : paths::displayText(plan.newName)},
                     skipped});
    }
    m_customModel->setContent({tr("Current Name"), tr("New Name")}, std::move(rows));
    m_customMessage->setText(
        tr("%1 of %n files get a new name; the others are skipped.", nullptr, int(m_songs.size()))
            .arg(renamed));
    m_custom = *parsed.pattern;
    m_customButton->setEnabled(renamed > 0);
}

void RenamePatternSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!m_buttons.isEmpty()) {
        m_buttons.first()->setFocus(Qt::OtherFocusReason);
    }
}

bool RenamePatternSheet::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress &&
        keyboard::handleChoiceKey(static_cast<QKeyEvent*>(event), keyboard::asButtons(m_buttons), 1)) {
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quirella::ui
