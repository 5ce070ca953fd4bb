// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/TagsFromNamesSheet.h"

#include "model/Bookmark.h"
#include "model/Columns.h"
#include "model/Paths.h"
#include "operations/RecentPatterns.h"
#include "ui/KeyboardNavigation.h"
#include "ui/PatternPreview.h"
#include "ui/SongTableModel.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

namespace quirella::ui {

QString fieldHeader(NameField field) {
    static const QHash<NameField, QStringView> columns = {
        {NameField::title, column::title}, {NameField::artist, column::artist},
        {NameField::album, column::album}, {NameField::albumArtist, column::albumArtist},
        {NameField::year, column::year},   {NameField::genre, column::genre},
        {NameField::track, column::track}, {NameField::disc, column::disc},
        {NameField::bpm, column::bpm}};
    return SongTableModel::headerLabel(columns.value(field));
}

QString nameAsRead(const Song& song, int levels) {
    const bookmark::Resolution resolved = bookmark::resolve(song.bookmarkData);
    const QString path = resolved.path ? *resolved.path : song.filePath();
    qsizetype start = path.size();
    for (int level = 0; level <= levels && start > 0; ++level) {
        start = path.lastIndexOf(u'/', start - 1);
    }
    return paths::displayText(QStringView(path).sliced(start + 1));
}

TagsFromNamesSheet::TagsFromNamesSheet(QList<Song> songs, Apply apply, QWidget* parent)
    : QDialog(parent)
    , m_songs(std::move(songs))
    , m_applyPattern(std::move(apply)) {
    setWindowTitle(tr("Tags from File Names"));
    resize(620, 440);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 20, 20, 20);
    layout->setSpacing(8);
    auto* headline = new QLabel(tr("Tags from File Names"), this);
    QFont font = headline->font();
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    headline->setFont(font);
    layout->addWidget(headline);
    auto* hint =
        new QLabel(tr("Fields: %title% %artist% %album% %albumartist% %year% %genre% %track% %disc% "
                      "%bpm%, and %ignore% for text to skip. \"/\" reads the folders above the file."),
                   this);
    hint->setWordWrap(true);
    layout->addWidget(hint);

    m_pattern =
        makePatternField(recentPatterns::Kind::tagsFromNames, QStringLiteral("%artist% - %title%"), this);
    m_pattern->setObjectName(QStringLiteral("patternField"));
    layout->addWidget(m_pattern);
    m_message = new QLabel(this);
    m_message->setObjectName(QStringLiteral("patternMessage"));
    m_message->setWordWrap(true);
    layout->addWidget(m_message);
    m_model = new PatternPreviewModel(this);
    m_preview = makePreviewTable(m_model, this);
    m_preview->setObjectName(QStringLiteral("preview"));
    layout->addWidget(m_preview, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    m_apply = new QPushButton(tr("Apply"), this);
    m_apply->setObjectName(QStringLiteral("confirmButton"));
    m_apply->setDefault(true); // Return in the pattern field applies
    keyboard::tabOnly({cancel, m_apply});
    buttons->addWidget(cancel);
    buttons->addWidget(m_apply);
    layout->addLayout(buttons);

    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_apply, &QPushButton::clicked, this, [this] {
        // Return presses the default button even while it is disabled.
        if (!m_apply->isEnabled() || !m_current) {
            return;
        }
        recentPatterns::remember(recentPatterns::Kind::tagsFromNames, m_current->text);
        if (m_applyPattern) {
            m_applyPattern(*m_current);
        }
        accept();
    });
    connect(m_pattern, &QComboBox::editTextChanged, this, &TagsFromNamesSheet::updatePreview);
    updatePreview();
}

void TagsFromNamesSheet::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_pattern->lineEdit()->setFocus(Qt::OtherFocusReason);
    m_pattern->lineEdit()->selectAll();
}

void TagsFromNamesSheet::updatePreview() {
    m_current.reset();
    const QString text = m_pattern->currentText();
    if (text.isEmpty()) {
        m_model->setContent({}, {});
        m_message->setText(tr("Write a pattern, for example %artist% - %title%."));
        m_apply->setEnabled(false);
        return;
    }
    const NamePatternParse parsed = parseNamePattern(text);
    if (!parsed.pattern) {
        m_model->setContent({}, {});
        m_message->setText(parsed.error);
        m_apply->setEnabled(false);
        return;
    }
    const NamePattern& pattern = *parsed.pattern;
    QList<NameField> fields;
    QStringList headers{tr("File")};
    for (const NamePattern::Piece& piece : pattern.pieces) {
        if (piece.field && *piece.field != NameField::ignore && !fields.contains(*piece.field)) {
            fields.append(*piece.field);
            headers.append(fieldHeader(*piece.field));
        }
    }
    QList<PatternPreviewModel::Row> rows;
    rows.reserve(m_songs.size());
    int matching = 0;
    for (const Song& song : m_songs) {
        PatternPreviewModel::Row row;
        row.cells.append(nameAsRead(song, pattern.folderLevels));
        const std::optional<NameValues> values = readNameValues(pattern, song);
        if (!values) {
            row.marked = true;
            row.cells.append(tr("No match: left as it is"));
        } else {
            ++matching;
            for (const NameField field : fields) {
                // A field given twice keeps its last value, as applying does.
                QString cell;
                for (const NameValue& value : *values) {
                    cell = value.field == field ? value.text : cell;
                }
                row.cells.append(cell);
            }
        }
        rows.append(std::move(row));
    }
    m_model->setContent(headers, std::move(rows));
    m_message->setText(tr("%1 of %n songs match.", nullptr, int(m_songs.size())).arg(matching));
    m_current = pattern;
    m_apply->setEnabled(matching > 0);
}

} // namespace quirella::ui
