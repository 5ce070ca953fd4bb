// SPDX-License-Identifier: GPL-3.0-or-later
// Where the window reaches the bulk edits: the editing entries of the title, artist, genre, rating and
// year header menus, the sidebar's "Edit Remove", "UPPERCASE", "First Letter" and "Characters", the
// editing sheets, the remove-text window, and the row actions swap and trash. Everything runs through
// one BulkEditor on the window's view model.
#pragma once

#include "operations/BulkEditor.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class QMenu;

namespace quirella::ui {

class MainWindow;
class RemoveTextWindow;
class TagsFromNamesSheet;

class BulkEditControls : public QObject {
    Q_OBJECT

public:
    // Registers the menus, buttons and sheets on the window; the window owns the result.
    explicit BulkEditControls(MainWindow& window);
    ~BulkEditControls() override;

    BulkEditor& editor() { return m_editor; }
    // The remove-text window, once opened.
    RemoveTextWindow* removeTextWindow() const;
    void showRemoveTextWindow();
    // "Number Tracks": the selected songs, or all, get track numbers 1 to N in the table's order.
    void numberTracks();
    // "Tags from File Names…": the pattern sheet over the same songs as numberTracks; nothing without a
    // folder, and the open sheet is raised rather than opened twice.
    void showTagsFromNames();
    TagsFromNamesSheet* tagsFromNamesSheet() const;

signals:
    // Asks the window for the column replacement sheet of `column` ("title", "artist", "genre", "year");
    // a request without a column name is ignored.
    void showReplaceColumn(const QString& column);

private:
    void addHeaderMenus();
    void addSheets();
    void addRatingMenu(QMenu& menu);

    MainWindow& m_window;
    BulkEditor m_editor;
    QPointer<RemoveTextWindow> m_removeTextWindow;
    QPointer<TagsFromNamesSheet> m_tagsFromNames;
};

} // namespace quirella::ui
