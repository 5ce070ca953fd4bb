// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SongTableModel.h"

#include "app/ContentViewModel.h"
#include "model/Columns.h"
#include "model/EditingManager.h"
#include "model/ToastManager.h"

#include <cmath>

using namespace Qt::StringLiterals;

namespace quirella::ui {

SongTableModel::SongTableModel(ContentViewModel& viewModel, QStringList columnIds, QObject* parent)
    : QAbstractTableModel(parent)
    , m_viewModel(viewModel)
    , m_songs(viewModel.visibleSongs())
    , m_columnIds(std::move(columnIds)) {
    connect(&m_viewModel, &ContentViewModel::songsReset, this, &SongTableModel::resetSongs);
    connect(&m_viewModel, &ContentViewModel::songChanged, this, &SongTableModel::changeSong);
    connect(&m_viewModel, &ContentViewModel::songRemoved, this, &SongTableModel::removeSong);
}

int SongTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_songs.size());
}

int SongTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_columnIds.size());
}

QString SongTableModel::columnId(int section) const {
    return section >= 0 && section < m_columnIds.size() ? m_columnIds.at(section) : QString();
}

int SongTableModel::sectionOf(QStringView columnId) const {
    return int(m_columnIds.indexOf(columnId));
}

QString SongTableModel::headerLabel(QStringView id) {
    if (id == column::play) {
        return tr("Play");
    }
    if (id == column::cover) {
        return tr("Cover");
    }
    if (id == column::title) {
        return tr("Title");
    }
    if (id == column::artist) {
        return tr("Artist");
    }
    if (id == column::genre) {
        return tr("Genre");
    }
    if (id == column::rating) {
        return tr("Rating");
    }
    if (id == column::year) {
        return tr("Year");
    }
    if (id == column::bpm) {
        return tr("BPM");
    }
    if (id == column::duration) {
        return tr("Time");
    }
    if (id == column::extension) {
        return tr("Type");
    }
    if (id == column::album) {
        return tr("Album");
    }
    if (id == column::albumArtist) {
        return tr("Album Artist");
    }
    if (id == column::track) {
        return tr("Track");
    }
    if (id == column::disc) {
        return tr("Disc");
    }
    return {}; // "swap" and "actions" have empty headers
}

QString SongTableModel::placeholder(QStringView id) {
    return isEditable(id) ? headerLabel(id) : QString();
}

bool SongTableModel::isEditable(QStringView id) {
    return id == column::title || id == column::artist || id == column::genre || id == column::year ||
           id == column::album || id == column::albumArtist || id == column::track || id == column::disc;
}

bool SongTableModel::isSortable(QStringView id) {
    return id == column::title || id == column::artist || id == column::genre || id == column::rating ||
           id == column::year || id == column::bpm || id == column::duration || id == column::extension ||
           id == column::album || id == column::albumArtist || id == column::track || id == column::disc;
}

QString SongTableModel::bpmText(const Song& song) {
    if (song.duration >= 900) {
        return QStringLiteral("MIX");
    }
    if (song.bpm < 1) {
        return QStringLiteral("-");
    }
    return QString::number(song.bpm);
}

QString SongTableModel::durationText(double seconds) {
    // Whole seconds, fraction dropped; a broken or negative duration shows as 0:00.
    const qint64 whole = std::isfinite(seconds) && seconds > 0 && seconds < 1e15 ? qint64(seconds) : 0;
    return QString::asprintf("%lld:%02lld", static_cast<long long>(whole / 60),
                             static_cast<long long>(whole % 60));
}

QString SongTableModel::yearText(qint64 year) {
    return year < 1 ? QString() : QString::number(year);
}

QString SongTableModel::cellText(const Song& song, QStringView id) {
    if (id == column::title) {
        return song.name;
    }
    if (id == column::artist) {
        return song.artist;
    }
    if (id == column::genre) {
        return song.genre;
    }
    if (id == column::year) {
        return yearText(song.year);
    }
    if (id == column::bpm) {
        return bpmText(song);
    }
    if (id == column::duration) {
        return durationText(song.duration);
    }
    if (id == column::extension) {
        return song.fileExtension;
    }
    if (id == column::album) {
        return song.album;
    }
    if (id == column::albumArtist) {
        return song.albumArtist;
    }
    if (id == column::track) {
        return numberPairText(song.track);
    }
    if (id == column::disc) {
        return numberPairText(song.disc);
    }
    return {};
}

QString SongTableModel::accessibleText(const Song& song, QStringView id) {
    if (id == column::play) {
        return tr("Play %1").arg(song.name);
    }
    if (id == column::swap) {
        return tr("Swap Artist ↔ Title of %1").arg(song.name);
    }
    if (id == column::cover) {
        return (song.coverImagePath ? tr("Cover of %1") : tr("No cover for %1")).arg(song.name);
    }
    if (id == column::rating) {
        return song.rating == 1 ? tr("Rating: 1 star") : tr("Rating: %n stars", nullptr, int(song.rating));
    }
    if (id == column::actions) {
        return tr("Move to Trash: %1").arg(song.name);
    }
    const QString text = cellText(song, id);
    return tr("%1: %2").arg(headerLabel(id), text.isEmpty() ? tr("empty") : text);
}

QVariant SongTableModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const Song& song = m_songs.at(index.row());
    const QString& id = m_columnIds.at(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cellText(song, id);
    case Qt::AccessibleTextRole:
        return accessibleText(song, id);
    case Qt::ToolTipRole:
        if (id == column::swap) {
            return tr("Swap Artist ↔ Title");
        }
        if (id == column::actions) {
            return tr("Move to Trash");
        }
        return {};
    case SongIdRole:
        return song.id;
    case ColumnIdRole:
        return id;
    case RatingRole:
        return int(song.rating);
    case CoverPathRole:
        return song.coverImagePath.value_or(QString());
    case PlaceholderRole:
        return placeholder(id);
    default:
        return {};
    }
}

QVariant SongTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columnIds.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return headerLabel(m_columnIds.at(section));
    }
    if (role == ColumnIdRole) {
        return m_columnIds.at(section);
    }
    if (role == Qt::AccessibleTextRole) {
        const QString& id = m_columnIds.at(section);
        return id == column::swap ? tr("Swap") : id == column::actions ? tr("Actions") : headerLabel(id);
    }
    return {};
}

Qt::ItemFlags SongTableModel::flags(const QModelIndex& index) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return Qt::NoItemFlags;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (isEditable(m_columnIds.at(index.column()))) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool SongTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole ||
        !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return false;
    }
    const QString& id = m_columnIds.at(index.column());
    if (!isEditable(id)) {
        return false;
    }
    const Song& song = m_songs.at(index.row());
    const QString text = value.toString();
    if (text == cellText(song, id)) {
        return false;
    }
    // A track or disc number that is no number changes nothing; the user is told why.
    if (const std::optional<QString> refusal = refusalOfFieldEdit(id, text)) {
        m_viewModel.toastManager().show(u"⚠️ "_s + *refusal, ToastManager::ToastType::warning);
        return false;
    }
    // The view model answers with songChanged, which announces the changed row.
    m_viewModel.commitEdit(song.id, id, text);
    return true;
}

void SongTableModel::setColumnIds(const QStringList& ids) {
    if (ids == m_columnIds) {
        return;
    }
    // Take out the columns that are gone, from the right so that earlier positions stay valid.
    QStringList kept = m_columnIds;
    for (qsizetype i = kept.size() - 1; i >= 0; --i) {
        if (!ids.contains(kept.at(i))) {
            beginRemoveColumns({}, int(i), int(i));
            kept.removeAt(i);
            m_columnIds = kept;
            endRemoveColumns();
        }
    }
    if (ids.size() >= kept.size() && ids.first(kept.size()) == kept) {
        if (ids.size() > kept.size()) {
            beginInsertColumns({}, int(kept.size()), int(ids.size() - 1));
            m_columnIds = ids;
            endInsertColumns();
        }
        return;
    }
    beginResetModel();
    m_columnIds = ids;
    endResetModel();
}

void SongTableModel::resetSongs() {
    beginResetModel();
    m_songs = m_viewModel.visibleSongs();
    endResetModel();
}

void SongTableModel::changeSong(int row) {
    const QList<Song>& songs = m_viewModel.visibleSongs();
    if (row < 0 || row >= m_songs.size() || row >= songs.size()) {
        resetSongs(); // out of step: start again from the view model's list
        return;
    }
    m_songs[row] = songs.at(row);
    if (!m_columnIds.isEmpty()) {
        emit dataChanged(index(row, 0), index(row, int(m_columnIds.size()) - 1));
    }
}

void SongTableModel::removeSong(int row) {
    if (row < 0 || row >= m_songs.size() || m_songs.size() != m_viewModel.visibleSongs().size() + 1) {
        resetSongs();
        return;
    }
    beginRemoveRows({}, row, row);
    m_songs.removeAt(row);
    endRemoveRows();
}

} // namespace quirella::ui
