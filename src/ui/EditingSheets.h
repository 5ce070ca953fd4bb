// SPDX-License-Identifier: GPL-3.0-or-later
// The small window-modal sheets that collect a value for a bulk edit. Each only gathers input and calls
// its operation on confirm; "Cancel" closes without a change. Every sheet starts empty except the field
// sheet, which starts with the song's value.
#pragma once

#include "model/Song.h"

#include <QDialog>
#include <QString>

#include <functional>

class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace quirella::ui {

// The frame all sheets share: a headline, the fields, then "Cancel" and the confirm button at the bottom
// right. Widgets carry object names ("headline", "cancelButton", "confirmButton", ...) for the tests.
class EditingSheet : public QDialog {
    Q_OBJECT

public:
    QLabel* headline() const { return m_headline; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* confirmButton() const { return m_confirm; }

protected:
    EditingSheet(const QString& headline, const QString& confirmText, QSize size, QWidget* parent);
    QVBoxLayout* fields() const { return m_fields; }
    QLineEdit* addField(const QString& objectName, const QString& placeholder, const QString& label = {});
    // Called by the confirm button before the sheet closes.
    virtual void confirm() = 0;
    // The keyboard starts in the first field, and Tab goes through the fields before the buttons.
    void showEvent(QShowEvent* event) override;

private:
    QList<QLineEdit*> m_lineEdits;
    QLabel* m_headline = nullptr;
    QVBoxLayout* m_fields = nullptr;
    QPushButton* m_cancel = nullptr;
    QPushButton* m_confirm = nullptr;
};

// "Edit Field": one field ("title", "artist", "genre" or "year") of one song.
class EditFieldSheet : public EditingSheet {
    Q_OBJECT

public:
    using Save = std::function<void(const QUuid& songId, const QString& field, const QString& text)>;
    EditFieldSheet(const Song& song, const QString& field, Save save, QWidget* parent = nullptr);
    QLineEdit* valueField() const { return m_value; }

protected:
    void confirm() override;

private:
    QUuid m_songId;
    QString m_field;
    Save m_save;
    QLineEdit* m_value = nullptr;
};

// Replace All "Column" Values: one value for a whole column.
class ReplaceColumnSheet : public EditingSheet {
    Q_OBJECT

public:
    using Apply = std::function<void(const QString& column, const QString& value)>;
    ReplaceColumnSheet(const QString& column, Apply apply, QWidget* parent = nullptr);
    QLineEdit* valueField() const { return m_value; }
    QLabel* caption() const { return m_caption; } // the year range, for the year column only

    static QString headlineFor(const QString& column);

protected:
    void confirm() override;

private:
    QString m_column;
    Apply m_apply;
    QLineEdit* m_value = nullptr;
    QLabel* m_caption = nullptr;
};

// "Set Genre for All Songs".
class GenreEditSheet : public EditingSheet {
    Q_OBJECT

public:
    using Apply = std::function<void(const QString& genre)>;
    explicit GenreEditSheet(Apply apply, QWidget* parent = nullptr);
    QLineEdit* genreField() const { return m_genre; }

protected:
    void confirm() override;

private:
    Apply m_apply;
    QLineEdit* m_genre = nullptr;
};

// "Remove Text from All Songs" (one term, optional replacement) and "Replace Text in All Songs" (From,
// To): the same operation behind two faces.
class RemoveTextSheet : public EditingSheet {
    Q_OBJECT

public:
    using Apply = std::function<void(const QString& term, const QString& replacement)>;
    explicit RemoveTextSheet(Apply apply, QWidget* parent = nullptr);
    QLineEdit* termField() const { return m_term; }
    QLineEdit* replacementField() const { return m_replacement; }

protected:
    void confirm() override;

private:
    void updateButton();
    Apply m_apply;
    QLineEdit* m_term = nullptr;
    QLineEdit* m_replacement = nullptr;
};

class ReplaceTextSheet : public EditingSheet {
    Q_OBJECT

public:
    using Apply = RemoveTextSheet::Apply;
    explicit ReplaceTextSheet(Apply apply, QWidget* parent = nullptr);
    QLineEdit* fromField() const { return m_from; }
    QLineEdit* toField() const { return m_to; }

protected:
    void confirm() override;

private:
    Apply m_apply;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
};

} // namespace quirella::ui
