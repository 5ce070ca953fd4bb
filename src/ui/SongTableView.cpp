// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SongTableView.h"

#include "app/ContentViewModel.h"
#include "model/Columns.h"
#include "ui/Icons.h"
#include "ui/SongDelegates.h"
#include "ui/SongTableModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/VisibleColumns.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>

#include <algorithm>

namespace quirella::ui {

SongTableView::SongTableView(ContentViewModel& viewModel, VisibleColumns& visibleColumns, QWidget* parent)
    : QTableView(parent)
    , m_viewModel(viewModel)
    , m_visibleColumns(visibleColumns)
    , m_colors(themeColors(Theme::deepCharcoal())) {
    m_model = new SongTableModel(viewModel, visibleColumns.ids(), this);
    setAccessibleName(tr("Songs"));
    m_thumbnails = new ThumbnailCache(this);
    m_textDelegate = new TextCellDelegate(*this, 13, this);
    m_typeDelegate = new TextCellDelegate(*this, 11, this);
    m_playDelegate = new PlayButtonDelegate(*this, this);
    m_swapDelegate =
        new SymbolButtonDelegate(*this, QStringLiteral("arrow.left.arrow.right"), QColor(), this);
    m_coverDelegate = new CoverDelegate(*this, this);
    m_ratingDelegate = new RatingDelegate(*this, this);
    m_trashDelegate =
        new SymbolButtonDelegate(*this, QStringLiteral("trash.fill"), QColor(255, 69, 58, 220), this);

    setModel(m_model);
    setSelectionMode(NoSelection);   // the selection is the view model's set of song ids
    setEditTriggers(NoEditTriggers); // editing starts from mousePressEvent
    setShowGrid(false);
    setWordWrap(false);
    setFrameShape(QFrame::NoFrame);
    setMouseTracking(true);
    viewport()->setMouseTracking(true); // hover shading follows the pointer without a button held
    setAcceptDrops(true);               // pictures dropped on cover cells
    viewport()->setAcceptDrops(true);
    setVerticalScrollMode(ScrollPerPixel);
    setHorizontalScrollMode(ScrollPerPixel);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);

    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    verticalScrollBar()->setSingleStep(rowHeight / 2);

    QHeaderView* header = horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(20);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setFixedHeight(28);
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QHeaderView::sectionClicked, this, [this](int section) {
        const QString id = m_model->columnId(section);
        if (SongTableModel::isSortable(id)) {
            m_viewModel.sortBy(id);
        }
    });
    // The press comes before the click: taking the focus then ends an open edit, committing it, before a
    // sort resets the rows under it.
    connect(header, &QHeaderView::sectionPressed, this, [this] { setFocus(Qt::MouseFocusReason); });
    connect(header, &QHeaderView::sectionResized, this,
            [this](int section, int, int newSize) { clampArtistColumn(section, newSize); });
    connect(header, &QWidget::customContextMenuRequested, this, [this](const QPoint& position) {
        const QString id = m_model->columnId(horizontalHeader()->logicalIndexAt(position));
        if (id.isEmpty()) {
            return;
        }
        setFocus(Qt::MouseFocusReason); // commits an open edit before a bulk change replaces the rows
        const std::unique_ptr<QMenu> menu = headerMenu(id);
        if (!menu->isEmpty()) {
            menu->exec(horizontalHeader()->mapToGlobal(position));
        }
    });

    connect(m_model, &QAbstractItemModel::modelReset, this, &SongTableView::applyColumns);
    connect(m_model, &QAbstractItemModel::columnsInserted, this, &SongTableView::applyColumns);
    connect(m_model, &QAbstractItemModel::columnsRemoved, this, &SongTableView::applyColumns);
    // The keyboard's place survives a reset (an undo, a bulk edit) where its song does.
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        const QModelIndex current = currentIndex();
        m_currentBeforeReset = current.isValid()
                                   ? std::optional(std::pair(m_model->songAt(current.row()).id,
                                                             m_model->columnId(current.column())))
                                   : std::nullopt;
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        setHoveredRow(-1);
        m_viewModel.setEditingField(std::nullopt); // a reset drops an open editor without closing it
        if (const auto before = std::exchange(m_currentBeforeReset, std::nullopt)) {
            const int row = int(indexOfSong(m_viewModel.visibleSongs(), before->first));
            const int column = m_model->sectionOf(before->second);
            if (row >= 0 && column >= 0) {
                selectionModel()->setCurrentIndex(m_model->index(row, column), QItemSelectionModel::NoUpdate);
            }
        }
    });
    connect(&m_visibleColumns, &VisibleColumns::changed, this,
            [this] { m_model->setColumnIds(m_visibleColumns.ids()); });
    connect(&m_viewModel, &ContentViewModel::selectedSongIdsChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(m_thumbnails, &ThumbnailCache::thumbnailReady, viewport(), qOverload<>(&QWidget::update));

    setTheme(Theme::deepCharcoal());
    applyColumns();
}

SongTableView::~SongTableView() = default;

void SongTableView::setTheme(const Theme& theme) {
    m_colors = themeColors(theme);
    const QString text = m_colors.text.name(QColor::HexArgb);
    const QString handle = m_colors.secondaryText.name(QColor::HexArgb);
    horizontalHeader()->setStyleSheet(
        QStringLiteral("QHeaderView { background: transparent; }"
                       "QHeaderView::section { background: transparent; color: %1; border: none;"
                       " padding-left: 4px; font-size: 12px; font-weight: 600; }")
            .arg(text));
    const QString bars =
        QStringLiteral("QScrollBar:vertical { background: transparent; width: 10px; margin: 0; }"
                       "QScrollBar:horizontal { background: transparent; height: 10px; margin: 0; }"
                       "QScrollBar::handle { background: %1; border-radius: 4px; min-height: 30px;"
                       " min-width: 30px; margin: 2px; }"
                       "QScrollBar::add-line, QScrollBar::sub-line { width: 0; height: 0; }"
                       "QScrollBar::add-page, QScrollBar::sub-page { background: transparent; }")
            .arg(handle);
    verticalScrollBar()->setStyleSheet(bars);
    horizontalScrollBar()->setStyleSheet(bars);
    viewport()->update();
}

int SongTableView::fixedColumnWidth(QStringView id) {
    if (id == column::play || id == column::cover || id == column::duration || id == column::extension) {
        return 45;
    }
    if (id == column::swap) {
        return 25;
    }
    if (id == column::genre) {
        return 70;
    }
    if (id == column::rating) {
        return 90;
    }
    if (id == column::year) {
        return 50;
    }
    if (id == column::bpm || id == column::actions) {
        return 40;
    }
    if (id == column::artist) {
        return defaultArtistColumnWidth;
    }
    return 100;
}

SongCellDelegate* SongTableView::delegateFor(QStringView id) const {
    if (id == column::play) {
        return m_playDelegate;
    }
    if (id == column::swap) {
        return m_swapDelegate;
    }
    if (id == column::cover) {
        return m_coverDelegate;
    }
    if (id == column::rating) {
        return m_ratingDelegate;
    }
    if (id == column::actions) {
        return m_trashDelegate;
    }
    if (id == column::extension) {
        return m_typeDelegate;
    }
    return m_textDelegate;
}

void SongTableView::applyColumns() {
    m_applyingColumns = true;
    QHeaderView* header = horizontalHeader();
    const int count = m_model->columnCount();
    // Per-column delegates are stored by position, so every position is assigned again.
    for (int section = 0; section < qMax(count, m_delegatedColumns); ++section) {
        setItemDelegateForColumn(section,
                                 section < count ? delegateFor(m_model->columnId(section)) : nullptr);
    }
    m_delegatedColumns = count;
    for (int section = 0; section < count; ++section) {
        const QString id = m_model->columnId(section);
        if (id == column::title) {
            header->setSectionResizeMode(section, QHeaderView::Stretch);
        } else if (id == column::artist) {
            header->setSectionResizeMode(section, QHeaderView::Interactive);
            header->resizeSection(section, m_artistColumnWidth);
        } else {
            header->setSectionResizeMode(section, QHeaderView::Fixed);
            header->resizeSection(section, fixedColumnWidth(id));
        }
    }
    m_applyingColumns = false;
}

void SongTableView::clampArtistColumn(int section, int newSize) {
    if (m_applyingColumns || m_model->columnId(section) != column::artist) {
        return;
    }
    const int clamped = qBound(minimumArtistColumnWidth, newSize, maximumArtistColumnWidth);
    m_artistColumnWidth = clamped;
    if (clamped != newSize) {
        horizontalHeader()->resizeSection(section, clamped);
    }
}

bool SongTableView::isRowSelected(int row) const {
    return row >= 0 && row < m_model->rowCount() &&
           m_viewModel.selectedSongIds().contains(m_model->songAt(row).id);
}

void SongTableView::setPlayingSong(std::optional<QUuid> songId) {
    if (m_playingSongId != songId) {
        m_playingSongId = songId;
        viewport()->update();
    }
}

void SongTableView::updateRow(int row) {
    if (row >= 0 && row < m_model->rowCount()) {
        viewport()->update(
            QRect(0, rowViewportPosition(row), viewport()->width(), QTableView::rowHeight(row)));
    }
}

void SongTableView::setHoveredRow(int row) {
    if (row != m_hoveredRow) {
        const int previous = m_hoveredRow;
        m_hoveredRow = row;
        updateRow(previous);
        updateRow(row);
    }
}

void SongTableView::mouseMoveEvent(QMouseEvent* event) {
    setHoveredRow(rowAt(event->position().toPoint().y()));
    QTableView::mouseMoveEvent(event);
}

void SongTableView::leaveEvent(QEvent* event) {
    setHoveredRow(-1);
    QTableView::leaveEvent(event);
}

void SongTableView::mousePressEvent(QMouseEvent* event) {
    const QPoint position = event->position().toPoint();
    const QModelIndex index = indexAt(position);
    if (event->button() != Qt::LeftButton || !index.isValid()) {
        // Right clicks open the row menu (contextMenuEvent); nothing else selects or edits.
        if (!index.isValid()) {
            setFocus(Qt::MouseFocusReason); // closes an open editor, committing it
        }
        event->accept();
        return;
    }
    // Taking the focus first ends an edit elsewhere, which commits it before anything else happens.
    setFocus(Qt::MouseFocusReason);
    const Song& song = m_model->songAt(index.row());
    const QUuid songId = song.id;
    const QString id = m_model->columnId(index.column());
    const bool shift = event->modifiers().testFlag(Qt::ShiftModifier);
    const bool command = event->modifiers().testFlag(Qt::ControlModifier);
    event->accept();
    if (!shift && !command) {
        // Buttons act on their own row without changing the selection.
        if (id == column::play) {
            emit playClicked(songId);
            return;
        }
        if (id == column::swap) {
            emit swapRequested(songId);
            return;
        }
        if (id == column::actions) {
            emit trashRequested(songId);
            return;
        }
        if (id == column::rating) {
            if (const int star = RatingDelegate::starAt(visualRect(index), position)) {
                m_viewModel.setRating(songId, star);
                return;
            }
        }
    }
    m_viewModel.selectSong(songId, shift, command);
    setCurrentIndex(index); // the keyboard goes on from the cell clicked
    if (!shift && !command && SongTableModel::isEditable(id)) {
        QTableView::edit(index);
    }
}

void SongTableView::keyPressEvent(QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const bool shift = modifiers == Qt::ShiftModifier;
    const bool control = modifiers == Qt::ControlModifier;
    const int rows = m_model->rowCount();
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    const int page = std::max(1, viewport()->height() / rowHeight - 1);
    const auto moveBy = [&](int delta, int fromNowhere) {
        moveToRow(row < 0 ? fromNowhere : row + delta, shift);
        event->accept();
    };
    if ((plain || shift) && rows > 0) {
        switch (event->key()) {
        case Qt::Key_Up:
            return moveBy(-1, 0);
        case Qt::Key_Down:
            return moveBy(1, 0);
        case Qt::Key_PageUp:
            return moveBy(-page, 0);
        case Qt::Key_PageDown:
            return moveBy(page, 0);
        case Qt::Key_Home:
            return moveBy(-rows, 0);
        case Qt::Key_End:
            return moveBy(rows, rows - 1);
        case Qt::Key_Delete: {
            const QSet<QUuid> selected = m_viewModel.selectedSongIds();
            if (selected.size() > 1) {
                emit deleteSelectedRequested();
            } else if (selected.size() == 1) {
                emit trashRequested(*selected.cbegin());
            }
            event->accept();
            return;
        }
        default:
            break;
        }
    }
    if (plain && rows > 0) {
        switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const int step = event->key() == Qt::Key_Left ? -1 : 1;
            const int column =
                current.isValid() ? std::clamp(current.column() + step, 0, m_model->columnCount() - 1) : 0;
            setCurrentIndex(m_model->index(std::max(row, 0), column));
            scrollTo(currentIndex());
            event->accept();
            return;
        }
        case Qt::Key_F2:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (state() != EditingState) { // Return in an editor reaches here while it commits
                editCurrentCell();
            }
            event->accept();
            return;
        case Qt::Key_Space:
            if (row >= 0) {
                emit playClicked(m_model->songAt(row).id);
            }
            event->accept();
            return;
        default:
            break;
        }
    }
    if (plain && event->key() == Qt::Key_Escape && !m_viewModel.selectedSongIds().isEmpty()) {
        m_viewModel.setSelectedSongIds({});
        event->accept();
        return;
    }
    if (control && event->key() == Qt::Key_A) {
        m_viewModel.selectAllVisible();
        event->accept();
        return;
    }
    if (control && event->key() >= Qt::Key_0 && event->key() <= Qt::Key_5) {
        QSet<QUuid> songs = m_viewModel.selectedSongIds();
        if (songs.isEmpty() && row >= 0) {
            songs.insert(m_model->songAt(row).id);
        }
        m_viewModel.rateSongs(songs, event->key() - Qt::Key_0);
        event->accept();
        return;
    }
    event->ignore(); // the window's shortcuts may want it
}

void SongTableView::moveToRow(int row, bool extend) {
    const int target = std::clamp(row, 0, m_model->rowCount() - 1);
    int column = currentIndex().isValid() ? currentIndex().column() : m_model->sectionOf(column::title);
    if (column < 0) {
        column = 0;
    }
    const QModelIndex index = m_model->index(target, column);
    setCurrentIndex(index);
    scrollTo(index);
    m_viewModel.selectSong(m_model->songAt(target).id, extend, false);
}

void SongTableView::editCurrentCell() {
    const QModelIndex index = currentIndex();
    if (!index.isValid() || !SongTableModel::isEditable(m_model->columnId(index.column()))) {
        return;
    }
    scrollTo(index);
    QTableView::edit(index);
    if (auto* line = qobject_cast<QLineEdit*>(indexWidget(index))) {
        line->selectAll();
    }
}

QModelIndex SongTableView::editorTarget(const QModelIndex& from, EditorMove move) const {
    const int rows = m_model->rowCount();
    switch (move) {
    case EditorMove::rowAbove:
        return from.row() > 0 ? m_model->index(from.row() - 1, from.column()) : QModelIndex();
    case EditorMove::rowBelow:
        return from.row() + 1 < rows ? m_model->index(from.row() + 1, from.column()) : QModelIndex();
    case EditorMove::nextCell:
    case EditorMove::previousCell:
        break;
    }
    QList<int> textColumns;
    for (int column = 0; column < m_model->columnCount(); ++column) {
        if (SongTableModel::isEditable(m_model->columnId(column))) {
            textColumns.append(column);
        }
    }
    // Every text cell in reading order; the target is the one after or before the current one.
    const qsizetype at = from.row() * textColumns.size() + textColumns.indexOf(from.column());
    const qsizetype next = at + (move == EditorMove::nextCell ? 1 : -1);
    if (textColumns.isEmpty() || next < 0 || next >= rows * textColumns.size()) {
        return {};
    }
    return m_model->index(int(next / textColumns.size()), textColumns.at(next % textColumns.size()));
}

void SongTableView::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
}

void SongTableView::mouseDoubleClickEvent(QMouseEvent* event) {
    // A double click is two clicks: the second one must not toggle a star back or trash twice.
    event->accept();
}

bool SongTableView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool started = QTableView::edit(index, trigger, event);
    if (started) {
        m_viewModel.setEditingField(m_model->columnId(index.column()));
        if (QWidget* editor = indexWidget(index)) {
            editor->installEventFilter(this); // before the delegate's own filter, which would take Tab
        }
    }
    return started;
}

bool SongTableView::eventFilter(QObject* watched, QEvent* event) {
    auto* editor = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || !editor || indexWidget(currentIndex()) != editor) {
        return QTableView::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    std::optional<EditorMove> move;
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    if (key->key() == Qt::Key_Tab && modifiers == Qt::NoModifier) {
        move = EditorMove::nextCell;
    } else if (key->key() == Qt::Key_Backtab ||
               (key->key() == Qt::Key_Tab && modifiers == Qt::ShiftModifier)) {
        move = EditorMove::previousCell;
    } else if (key->key() == Qt::Key_Up && modifiers == Qt::NoModifier) {
        move = EditorMove::rowAbove;
    } else if (key->key() == Qt::Key_Down && modifiers == Qt::NoModifier) {
        move = EditorMove::rowBelow;
    }
    if (!move) {
        return QTableView::eventFilter(watched, event);
    }
    const QModelIndex target = editorTarget(currentIndex(), *move);
    if (target.isValid()) {
        m_nextEdit = std::pair(m_model->songAt(target.row()).id, m_model->columnId(target.column()));
    }
    // Committed as Return commits; where editing goes on is decided when the editor has closed.
    const QPointer<QWidget> guard(editor);
    commitData(editor);
    if (guard && indexWidget(currentIndex()) == editor) {
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    } else {
        editNextCell(); // the commit rebuilt the rows and took the editor with them
    }
    return true;
}

void SongTableView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab and Backtab are taken by eventFilter; a hint to walk on from elsewhere ends editing here.
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem) {
        hint = QAbstractItemDelegate::NoHint;
    }
    QTableView::closeEditor(editor, hint);
    m_viewModel.setEditingField(std::nullopt);
    // An editor cancelled with Escape may have let the keyboard go before it closed, and without a
    // window manager nobody hands it back: the table keeps it, however the editor closed.
    const QWidget* focus = QApplication::focusWidget();
    if (!focus || focus == editor || !focus->isVisible()) {
        setFocus(Qt::OtherFocusReason);
    }
    editNextCell();
}

void SongTableView::editNextCell() {
    const std::optional<std::pair<QUuid, QString>> next = std::exchange(m_nextEdit, std::nullopt);
    if (!next) {
        return;
    }
    // The commit may have moved the rows: the next cell is found by its song.
    const int row = int(indexOfSong(m_viewModel.visibleSongs(), next->first));
    const int column = m_model->sectionOf(next->second);
    if (row < 0 || column < 0) {
        return;
    }
    if (currentIndex().row() != row) {
        m_viewModel.selectSong(next->first, false, false);
    }
    setCurrentIndex(m_model->index(row, column));
    editCurrentCell();
}

void SongTableView::focusInEvent(QFocusEvent* event) {
    // Qt makes the first cell current when a view without a current cell takes the keyboard; the first
    // Down would then skip the first song. No current cell stays none until a key or a click sets one.
    const bool hadCurrent = currentIndex().isValid();
    QTableView::focusInEvent(event);
    if (!hadCurrent && currentIndex().isValid() && selectionModel()) {
        selectionModel()->clearCurrentIndex();
    }
    viewport()->update(); // the current cell's frame shows while the table has the keyboard
}

void SongTableView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    viewport()->update();
}

void SongTableView::contextMenuEvent(QContextMenuEvent* event) {
    const int row = rowAt(event->pos().y());
    if (row < 0) {
        return;
    }
    if (m_model->columnId(columnAt(event->pos().x())) == column::cover) {
        std::unique_ptr<QMenu> menu = coverMenu(row);
        if (!menu->isEmpty()) {
            menu->exec(event->globalPos());
        }
        return;
    }
    std::unique_ptr<QMenu> menu = rowMenu(row);
    menu->exec(event->globalPos());
}

std::unique_ptr<QMenu> SongTableView::headerMenu(QStringView columnId) {
    return m_headerMenus.build(columnId, this);
}

std::unique_ptr<QMenu> SongTableView::rowMenu(int row) {
    auto menu = std::make_unique<QMenu>(this);
    if (row < 0 || row >= m_model->rowCount()) {
        return menu;
    }
    const QUuid songId = m_model->songAt(row).id;
    menu->addAction(tr("Play"), this, [this, songId] { emit playRequested(songId); });
    menu->addAction(tr("Swap Artist ↔ Title"), this, [this, songId] { emit swapRequested(songId); });
    const QSet<QUuid>& selected = m_viewModel.selectedSongIds();
    if (selected.size() >= 2 && selected.contains(songId)) {
        menu->addAction(tr("Delete %n Selected Songs", nullptr, int(selected.size())), this,
                        [this] { emit deleteSelectedRequested(); });
    } else {
        QAction* remove =
            menu->addAction(tr("Delete Song"), this, [this, songId] { emit trashRequested(songId); });
        remove->setIcon(icons::symbolIcon(u"trash", palette().color(QPalette::WindowText)));
    }
    return menu;
}

std::unique_ptr<QMenu> SongTableView::coverMenu(int row) {
    auto menu = std::make_unique<QMenu>(this);
    if (row < 0 || row >= m_model->rowCount()) {
        return menu;
    }
    const Song& song = m_model->songAt(row);
    const QUuid songId = song.id;
    const QSet<QUuid>& selected = m_viewModel.selectedSongIds();
    if (selected.size() >= 2 && selected.contains(songId)) {
        menu->addAction(tr("Clear Covers from %n Selected Songs", nullptr, int(selected.size())), this,
                        [this] { emit clearSelectedCoversRequested(); });
    } else if (song.coverImagePath) {
        menu->addAction(tr("Clear Cover"), this, [this, songId] { emit clearCoverRequested(songId); });
    }
    return menu;
}

namespace {

// What a drop on a cover cell offers: image data, else the first local file (read later, off the UI
// thread; a file that is not a picture changes nothing).
std::optional<CoverImage> coverImageOf(const QMimeData* data) {
    if (!data) {
        return std::nullopt;
    }
    if (data->hasImage()) {
        const QImage image = qvariant_cast<QImage>(data->imageData());
        if (!image.isNull()) {
            return CoverImage::fromImage(image);
        }
    }
    if (data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile()) {
                return CoverImage::fromFile(url.toLocalFile());
            }
        }
    }
    return std::nullopt;
}

bool offersCover(const QMimeData* data) {
    if (!data) {
        return false;
    }
    if (data->hasImage()) {
        return true;
    }
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

} // namespace

int SongTableView::coverRowAt(QPoint position) const {
    const int row = rowAt(position.y());
    if (row < 0 || m_model->columnId(columnAt(position.x())) != column::cover) {
        return -1;
    }
    return row;
}

void SongTableView::setCoverDropRow(int row) {
    if (row != m_coverDropRow) {
        const int previous = m_coverDropRow;
        m_coverDropRow = row;
        updateRow(previous);
        updateRow(row);
    }
}

void SongTableView::dragEnterEvent(QDragEnterEvent* event) {
    // Accepted anywhere over the table so that moves reach dragMoveEvent; only cover cells take a drop.
    if (!offersCover(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setCoverDropRow(coverRowAt(event->position().toPoint()));
}

void SongTableView::dragMoveEvent(QDragMoveEvent* event) {
    const int row = offersCover(event->mimeData()) ? coverRowAt(event->position().toPoint()) : -1;
    setCoverDropRow(row);
    if (row >= 0) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void SongTableView::dragLeaveEvent(QDragLeaveEvent* event) {
    setCoverDropRow(-1);
    event->accept();
}

void SongTableView::dropEvent(QDropEvent* event) {
    setCoverDropRow(-1);
    const int row = coverRowAt(event->position().toPoint());
    const std::optional<CoverImage> image = row >= 0 ? coverImageOf(event->mimeData()) : std::nullopt;
    if (!image) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit coverDropped(m_model->songAt(row).id, *image);
}

} // namespace quirella::ui
