// SPDX-License-Identifier: GPL-3.0-or-later
// The song table: a header row over one row per visible song. Cells are painted by the delegates of
// SongDelegates.h; this view turns clicks into the view model's operations (selection, stars, inline
// edits, sorting) and reports the row actions it does not own (play, swap, trash) as signals, which the
// main window carries out.
#pragma once

#include "app/CoverAssignment.h"
#include "ui/HeaderMenus.h"
#include "ui/Theme.h"

#include <QPointer>
#include <QStringList>
#include <QStringView>
#include <QTableView>
#include <QUuid>

#include <memory>
#include <optional>

class QMenu;

namespace quirella {
class ContentViewModel;
}

namespace quirella::ui {

class SongTableModel;
class ThumbnailCache;
class VisibleColumns;
class SongCellDelegate;
class TextCellDelegate;

class SongTableView : public QTableView {
    Q_OBJECT

public:
    static constexpr int rowHeight = 44;
    static constexpr int defaultArtistColumnWidth = 230;
    static constexpr int minimumArtistColumnWidth = 100;
    static constexpr int maximumArtistColumnWidth = 400;

    SongTableView(ContentViewModel& viewModel, VisibleColumns& visibleColumns, QWidget* parent = nullptr);
    ~SongTableView() override;

    SongTableModel& songModel() const { return *m_model; }
    ThumbnailCache& thumbnails() const { return *m_thumbnails; }
    const ThemeColors& colors() const { return m_colors; }
    void setTheme(const Theme& theme);

    // Fixed widths of the columns; the title takes what is left and the artist column is resizable.
    static int fixedColumnWidth(QStringView columnId);
    int artistColumnWidth() const { return m_artistColumnWidth; }

    // Row state the delegates paint.
    bool isRowSelected(int row) const;
    int hoveredRow() const { return m_hoveredRow; }
    bool isPlaying(const QUuid& songId) const { return m_playingSongId == songId; }
    // The song the preview player is playing, painted with a pause face; none while nothing plays.
    void setPlayingSong(std::optional<QUuid> songId);

    // The context menu of a row: "Play", "Swap Artist ↔ Title", then "Delete Song", or "Delete N Selected
    // Songs" when the row is among two or more selected songs.
    std::unique_ptr<QMenu> rowMenu(int row);

    // The header menus (see HeaderMenus.h): later features add their entries to a column's menu here,
    // e.g. addHeaderMenuProvider(u"cover", ...) for "Auto-Search All Covers" at the top of the cover menu.
    HeaderMenus& headerMenus() { return m_headerMenus; }
    void addHeaderMenuProvider(QStringView columnId, HeaderMenus::Provider provider,
                               HeaderMenus::Slot slot = HeaderMenus::Slot::top) {
        m_headerMenus.addHeaderMenuProvider(columnId, std::move(provider), slot);
    }
    // The menu a right click on this column's header opens; empty when the column has none.
    std::unique_ptr<QMenu> headerMenu(QStringView columnId);

    // The cover cell's own menu: "Clear Covers from N Selected Songs" when the row is among two or more
    // selected songs, else "Clear Cover" when the song has a cover, else no entry (then no menu opens).
    std::unique_ptr<QMenu> coverMenu(int row);
    // The row whose cover cell a picture is being dragged over (drawn with a blue outline), or -1.
    int coverDropRow() const { return m_coverDropRow; }

signals:
    // The play cell: the owner toggles the current song or starts this one.
    void playClicked(const QUuid& songId);
    // The row menu's "Play": start this song.
    void playRequested(const QUuid& songId);
    void swapRequested(const QUuid& songId);
    // The trash cell and "Delete Song".
    void trashRequested(const QUuid& songId);
    // "Delete N Selected Songs".
    void deleteSelectedRequested();
    // A picture (image data, or the first local file of the drop) dropped on a row's cover cell.
    void coverDropped(const QUuid& songId, const quirella::CoverImage& image);
    // The cover cell's menu entries.
    void clearCoverRequested(const QUuid& songId);
    void clearSelectedCoversRequested();

protected:
    // The keyboard: Up, Down, Page Up, Page Down, Home and End move the current row and select it as a
    // click does (with Shift as a shift-click does), Left and Right move the current cell, F2 or Return
    // edit it, Space plays the current song, Delete trashes the selection, Ctrl+A selects every song,
    // Escape clears the selection, Ctrl+0 to Ctrl+5 rate the selection. In an editor, Tab and Shift+Tab go
    // on to the next or previous text cell and Up and Down to the row above or below, committing first.
    void keyPressEvent(QKeyEvent* event) override;

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // The current cell moves to `row` (clamped to the rows there are) and its song is selected as a
    // click, or a shift-click, selects it.
    void moveToRow(int row, bool extend);
    // Starts editing the current cell when it holds text, with the text selected.
    void editCurrentCell();
    void editNextCell();
    // Where an editor goes next: the text cell after or before the current one (on to the next or
    // previous row at the ends of a row), or the same column one row up or down.
    enum class EditorMove { nextCell, previousCell, rowAbove, rowBelow };
    QModelIndex editorTarget(const QModelIndex& from, EditorMove move) const;
    void applyColumns();
    void clampArtistColumn(int section, int newSize);
    void setHoveredRow(int row);
    void setCoverDropRow(int row);
    // The row of the cover cell under a drag at this viewport position, or -1.
    int coverRowAt(QPoint position) const;
    void updateRow(int row);
    SongCellDelegate* delegateFor(QStringView columnId) const;

    ContentViewModel& m_viewModel;
    VisibleColumns& m_visibleColumns;
    SongTableModel* m_model = nullptr;
    ThumbnailCache* m_thumbnails = nullptr;
    ThemeColors m_colors;
    HeaderMenus m_headerMenus;
    int m_artistColumnWidth = defaultArtistColumnWidth;
    int m_hoveredRow = -1;
    int m_coverDropRow = -1;
    int m_delegatedColumns = 0;
    bool m_applyingColumns = false;
    std::optional<QUuid> m_playingSongId;
    // Where editing goes on once the open editor has closed: a song and a column, which a commit that
    // reorders the rows does not change.
    std::optional<std::pair<QUuid, QString>> m_nextEdit;
    std::optional<std::pair<QUuid, QString>> m_currentBeforeReset;

    TextCellDelegate* m_textDelegate = nullptr;
    TextCellDelegate* m_typeDelegate = nullptr;
    SongCellDelegate* m_playDelegate = nullptr;
    SongCellDelegate* m_swapDelegate = nullptr;
    SongCellDelegate* m_coverDelegate = nullptr;
    SongCellDelegate* m_ratingDelegate = nullptr;
    SongCellDelegate* m_trashDelegate = nullptr;
};

} // namespace quirella::ui
