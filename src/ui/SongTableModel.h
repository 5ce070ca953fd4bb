// SPDX-License-Identifier: GPL-3.0-or-later
// The song table's model: one row per element of the view model's `visibleSongs`, one column per id of
// the visible-columns list, in that order. It keeps its own copy of the list (the strings are shared), so
// that every change reaches the view as exactly one reset, one removed row or one changed row, announced
// before and after as the item-model contract requires.
#pragma once

#include "model/Song.h"

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QStringView>

namespace quirella {
class ContentViewModel;
}

namespace quirella::ui {

class SongTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Role {
        SongIdRole = Qt::UserRole + 1, // QUuid of the row's song
        ColumnIdRole,                  // the column id (also in headerData)
        RatingRole,                    // int 0..5
        CoverPathRole,                 // QString, empty without a cover
        PlaceholderRole,               // shown in an empty editable cell
    };

    SongTableModel(ContentViewModel& viewModel, QStringList columnIds, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // An edited title, artist, genre or year: committed through the view model when the text differs
    // from the cell's text (an unchanged cell records no undo step).
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    // Shown columns, in order. Removing ids and appending new ones at the end reach the view as column
    // removals and insertions, so the other columns keep their widths; any other change resets.
    void setColumnIds(const QStringList& ids);
    const QStringList& columnIds() const { return m_columnIds; }
    QString columnId(int section) const;
    int sectionOf(QStringView columnId) const; // -1 when not shown

    const Song& songAt(int row) const { return m_songs.at(row); }
    const QList<Song>& songs() const { return m_songs; }

    // The texts of the cells, also used by the delegates.
    static QString headerLabel(QStringView columnId);
    static QString placeholder(QStringView columnId);
    static bool isEditable(QStringView columnId);
    static bool isSortable(QStringView columnId);
    // "MIX" for songs of 15 minutes or more, "-" before the tempo is known, else the tempo.
    static QString bpmText(const Song& song);
    // Whole minutes and seconds, minutes not wrapped into hours: 3725 s is "62:05".
    static QString durationText(double seconds);
    // Empty for no year.
    static QString yearText(qint64 year);
    static QString cellText(const Song& song, QStringView columnId);
    // What a screen reader says for a cell: every cell type names itself, the buttons and pictures too.
    static QString accessibleText(const Song& song, QStringView columnId);

private:
    void resetSongs();
    void changeSong(int row);
    void removeSong(int row);

    ContentViewModel& m_viewModel;
    QList<Song> m_songs;
    QStringList m_columnIds;
};

} // namespace quirella::ui
