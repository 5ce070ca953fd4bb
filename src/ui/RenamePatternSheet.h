// SPDX-License-Identifier: GPL-3.0-or-later
// "Rename Original Files": the sheet that asks which naming pattern the song files get: one of three, or a
// pattern the user writes, whose preview lists old and new names (and the songs it would skip) before
// anything is renamed. It only collects the choice; the rename itself is the core's
// (operations/FileRenaming.h).
#pragma once

#include "operations/FileRenaming.h"
#include "ui/Theme.h"

#include <QAbstractButton>
#include <QDialog>
#include <QList>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

class QBoxLayout;

namespace quirella::ui {

class PatternPreviewModel;

// A full-width button with a title over an example, lit while hovered or pressed.
class PatternButton : public QAbstractButton {
    Q_OBJECT

public:
    PatternButton(const QString& title, const QString& example, bool isLightTheme, QWidget* parent = nullptr);
    const QString& example() const { return m_example; }
    bool isHovered() const { return m_hovered; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_example;
    bool m_isLightTheme;
    bool m_hovered = false;
};

class RenamePatternSheet : public QDialog {
    Q_OBJECT

public:
    static constexpr int sheetWidth = 420;

    // `songs`: the folder's, for the written pattern's preview.
    RenamePatternSheet(int songCount, const Theme& theme, QWidget* parent = nullptr, QList<Song> songs = {});

    // One per pattern, in the order of FileNamingPattern.
    const QList<PatternButton*>& patternButtons() const { return m_buttons; }
    QAbstractButton* cancelButton() const { return m_cancel; }
    // The written pattern: its field, the refusal's reason or the counts, the preview, its button.
    QComboBox* customField() const { return m_customField; }
    QLabel* customMessage() const { return m_customMessage; }
    PatternPreviewModel* customPreview() const { return m_customModel; }
    QPushButton* customButton() const { return m_customButton; }

signals:
    // A pattern was chosen; the sheet has closed itself.
    void patternSelected(quirella::FileNamingPattern pattern);
    void customPatternSelected(const quirella::NamePattern& pattern);

protected:
    // Up and Down move between the patterns (the buttons would otherwise take the arrows themselves),
    // Return takes the one with the focus, Escape cancels.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void addCustomPattern(QBoxLayout* layout);
    void updateCustomPreview();

    QList<PatternButton*> m_buttons;
    QAbstractButton* m_cancel = nullptr;
    QList<Song> m_songs;
    std::optional<NamePattern> m_custom;
    QComboBox* m_customField = nullptr;
    QLabel* m_customMessage = nullptr;
    PatternPreviewModel* m_customModel = nullptr;
    QTableView* m_customTable = nullptr;
    QPushButton* m_customButton = nullptr;
};

} // namespace quirella::ui
