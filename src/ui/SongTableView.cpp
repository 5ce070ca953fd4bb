#include "ui/SongTableView.h"

#include "app/ContentViewModel.h"
#include "model/Columns.h"
#include "ui/Icons.h"
#include "ui/SongDelegates.h"
#include "ui/SongTableModel.h"
#include "ui/ThumbnailCache.h"
#include "ui/VisibleColumns.h"

#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QHeaderView>
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
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        setHoveredRow(-1);
        m_viewModel.setEditingField(std::nullopt); // a reset drops an open editor without closing it
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
    if (!shift && !command && SongTableModel::isEditable(id)) {
        setCurrentIndex(index);
        QTableView::edit(index);
    }
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
    }
    return started;
}

void SongTableView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    // Tab and Backtab would walk into the neighbouring cell; editing ends with the cell it began in.
    if (hint == QAbstractItemDelegate::EditNextItem || hint == QAbstractItemDelegate::EditPreviousItem) {
        hint = QAbstractItemDelegate::NoHint;
    }
    QTableView::closeEditor(editor, hint);
    m_viewModel.setEditingField(std::nullopt);
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
    menu->addAction(QStringLiteral("Play"), this, [this, songId] { emit playRequested(songId); });
    menu->addAction(QStringLiteral("Swap Artist ↔ Title"), this,
                    [this, songId] { emit swapRequested(songId); });
    const QSet<QUuid>& selected = m_viewModel.selectedSongIds();
    if (selected.size() >= 2 && selected.contains(songId)) {
        menu->addAction(QStringLiteral("Delete %1 Selected Songs").arg(selected.size()), this,
                        [this] { emit deleteSelectedRequested(); });
    } else {
        QAction* remove = menu->addAction(QStringLiteral("Delete Song"), this,
                                          [this, songId] { emit trashRequested(songId); });
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
        menu->addAction(QStringLiteral("Clear Covers from %1 Selected Songs").arg(selected.size()), this,
                        [this] { emit clearSelectedCoversRequested(); });
    } else if (song.coverImagePath) {
        menu->addAction(QStringLiteral("Clear Cover"), this,
                        [this, songId] { emit clearCoverRequested(songId); });
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
