// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/EditingSheets.h"

#include "model/Columns.h"
#include "ui/KeyboardNavigation.h"
#include "ui/SongTableModel.h"

#include <QBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quirella::ui {

namespace {

QString capitalizedColumn(const QString& column) {
    return column.isEmpty() ? column : column.left(1).toUpper() + column.mid(1);
}

} // namespace

EditingSheet::EditingSheet(const QString& headline, const QString& confirmText, QSize size, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(headline);
    setFixedSize(size);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(8);

    m_headline = new QLabel(headline, this);
    m_headline->setObjectName(QStringLiteral("headline"));
    QFont font = m_headline->font();
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    m_headline->setFont(font);
    layout->addWidget(m_headline);

    m_fields = new QVBoxLayout;
    m_fields->setSpacing(4);
    layout->addLayout(m_fields);
    layout->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_cancel = new QPushButton(tr("Cancel"), this);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));
    m_confirm = new QPushButton(confirmText, this);
    m_confirm->setObjectName(QStringLiteral("confirmButton"));
    // Return in a field confirms; a button the user has tabbed to answers Return itself.
    m_confirm->setDefault(true);
    keyboard::tabOnly({m_cancel, m_confirm});
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_confirm);
    layout->addLayout(buttons);

    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_confirm, &QPushButton::clicked, this, [this] {
        // Return in a field presses the default button even while it is disabled.
        if (!m_confirm->isEnabled()) {
            return;
        }
        confirm();
        accept();
    });
}

QLineEdit* EditingSheet::addField(const QString& objectName, const QString& placeholder,
                                  const QString& label) {
    if (!label.isEmpty()) {
        auto* caption = new QLabel(label, this);
        caption->setObjectName(objectName + QStringLiteral("Label"));
        m_fields->addWidget(caption);
    }
    auto* field = new QLineEdit(this);
    field->setObjectName(objectName);
    field->setPlaceholderText(placeholder);
    field->setAccessibleName(label.isEmpty() ? placeholder : label); // a screen reader reads no placeholder
    m_fields->addWidget(field);
    m_lineEdits.append(field);
    return field;
}

void EditingSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (m_lineEdits.isEmpty()) {
        return;
    }
    // The fields are made after the buttons, so the order of creation would put the buttons first.
    QWidget* previous = m_lineEdits.first();
    for (qsizetype i = 1; i < m_lineEdits.size(); ++i) {
        QWidget::setTabOrder(previous, m_lineEdits.at(i));
        previous = m_lineEdits.at(i);
    }
    QWidget::setTabOrder(previous, m_cancel);
    QWidget::setTabOrder(m_cancel, m_confirm);
    m_lineEdits.first()->setFocus(Qt::OtherFocusReason);
}

// ---- Edit Field ----

EditFieldSheet::EditFieldSheet(const Song& song, const QString& field, Save save, QWidget* parent)
    : EditingSheet(tr("Edit Field"), tr("Save"), QSize(300, 150), parent)
    , m_songId(song.id)
    , m_field(field)
    , m_save(std::move(save)) {
    m_value = addField(QStringLiteral("valueField"), tr("New value"));
    QString current;
    if (field == column::title) {
        current = song.name;
    } else if (field == column::artist) {
        current = song.artist;
    } else if (field == column::genre) {
        current = song.genre;
    } else if (field == column::year) {
        current = song.year < 1 ? QString() : QString::number(song.year); // as the year cell shows it
    }
    m_value->setText(current);
    m_value->selectAll();
}

void EditFieldSheet::confirm() {
    if (m_save) {
        m_save(m_songId, m_field, m_value->text());
    }
}

// ---- Replace column ----

QString ReplaceColumnSheet::headlineFor(const QString& column) {
    // The column as its header names it, so that the headline speaks the window's language.
    return tr("Replace All \"%1\" Values")
        .arg(SongTableModel::isEditable(column) ? SongTableModel::headerLabel(column)
                                                : capitalizedColumn(column));
}

ReplaceColumnSheet::ReplaceColumnSheet(const QString& column, Apply apply, QWidget* parent)
    : EditingSheet(headlineFor(column), tr("Apply to All"), QSize(350, 180), parent)
    , m_column(column)
    , m_apply(std::move(apply)) {
    const bool year = column == column::year;
    m_value = addField(QStringLiteral("valueField"),
                       year ? tr("Year (e.g., 2024)") : tr("New value for all songs"));
    if (year) {
        m_caption = new QLabel(tr("Enter a year between 1900 and 2099"), this);
        m_caption->setObjectName(QStringLiteral("caption"));
        QPalette gray = m_caption->palette();
        gray.setColor(QPalette::WindowText, Qt::gray);
        m_caption->setPalette(gray);
        QFont font = m_caption->font();
        font.setPixelSize(11);
        m_caption->setFont(font);
        fields()->addWidget(m_caption);
    }
}

void ReplaceColumnSheet::confirm() {
    if (m_apply) {
        m_apply(m_column, m_value->text());
    }
}

// ---- Genre ----

GenreEditSheet::GenreEditSheet(Apply apply, QWidget* parent)
    : EditingSheet(tr("Set Genre for All Songs"), tr("Apply"), QSize(300, 150), parent)
    , m_apply(std::move(apply)) {
    m_genre = addField(QStringLiteral("genreField"), tr("Enter genre name"));
}

void GenreEditSheet::confirm() {
    if (m_apply) {
        m_apply(m_genre->text());
    }
}

// ---- Remove text ----

RemoveTextSheet::RemoveTextSheet(Apply apply, QWidget* parent)
    : EditingSheet(tr("Remove Text from All Songs"), tr("Remove"), QSize(350, 300), parent)
    , m_apply(std::move(apply)) {
    m_term = addField(QStringLiteral("termField"),
                      tr("Enter text to remove (separate multiple items with commas)"), tr("Text to remove"));
    m_replacement =
        addField(QStringLiteral("replacementField"), tr("Replacement text"), tr("Replace with (optional)"));
    connect(m_term, &QLineEdit::textChanged, this, &RemoveTextSheet::updateButton);
    connect(m_replacement, &QLineEdit::textChanged, this, &RemoveTextSheet::updateButton);
    updateButton();
}

void RemoveTextSheet::updateButton() {
    confirmButton()->setText(m_replacement->text().isEmpty() ? tr("Remove") : tr("Replace"));
    confirmButton()->setEnabled(!m_term->text().isEmpty());
}

void RemoveTextSheet::confirm() {
    // The whole entered text is one term: a comma inside it is matched as a comma.
    if (m_apply) {
        m_apply(m_term->text(), m_replacement->text());
    }
}

// ---- Replace text ----

ReplaceTextSheet::ReplaceTextSheet(Apply apply, QWidget* parent)
    : EditingSheet(tr("Replace Text in All Songs"), tr("Replace"), QSize(300, 200), parent)
    , m_apply(std::move(apply)) {
    m_from = addField(QStringLiteral("fromField"), QString(), tr("From"));
    m_to = addField(QStringLiteral("toField"), QString(), tr("To"));
    confirmButton()->setEnabled(false);
    connect(m_from, &QLineEdit::textChanged, this,
            [this](const QString& text) { confirmButton()->setEnabled(!text.isEmpty()); });
}

void ReplaceTextSheet::confirm() {
    if (m_apply) {
        m_apply(m_from->text(), m_to->text());
    }
}

} // namespace quirella::ui
