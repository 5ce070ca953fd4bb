// SPDX-License-Identifier: GPL-3.0-or-later
// "Tags from File Names": a pattern ("%artist% - %title%", with folder levels after "/") and a live preview
// of what each song would get; songs whose name does not match are marked and left alone. Apply hands the
// pattern to its operation (BulkEditor::tagsFromNames) and remembers it among the recent ones.
#pragma once

#include "model/Song.h"
#include "operations/NamePattern.h"

#include <QDialog>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace quirella::ui {

class PatternPreviewModel;

class TagsFromNamesSheet : public QDialog {
    Q_OBJECT

public:
    using Apply = std::function<void(const NamePattern& pattern)>;
    // `songs`: the ones the operation works on, in the table's order.
    TagsFromNamesSheet(QList<Song> songs, Apply apply, QWidget* parent = nullptr);

    QComboBox* patternField() const { return m_pattern; }
    QLabel* message() const { return m_message; } // the refusal's reason, or how many songs match
    QTableView* preview() const { return m_preview; }
    PatternPreviewModel* previewModel() const { return m_model; }
    QPushButton* applyButton() const { return m_apply; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void updatePreview();

    QList<Song> m_songs;
    Apply m_applyPattern;
    std::optional<NamePattern> m_current;
    QComboBox* m_pattern = nullptr;
    QLabel* m_message = nullptr;
    QTableView* m_preview = nullptr;
    PatternPreviewModel* m_model = nullptr;
    QPushButton* m_apply = nullptr;
};

// The column header a field's values appear under.
QString fieldHeader(NameField field);
// The last `levels` folders and the file name of `song`, as the pattern reads them, for people.
QString nameAsRead(const Song& song, int levels);

} // namespace quirella::ui
