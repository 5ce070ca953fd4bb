// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/CoverCommands.h"

#include "app/ContentViewModel.h"
#include "ui/CoverConfirmationOverlay.h"
#include "ui/CoverPickerDialog.h"
#include "ui/EnhancedProgressView.h"
#include "ui/MainWindow.h"
#include "ui/SongTableView.h"

#include <QEvent>
#include <QMenu>

namespace quirella::ui {

CoverCommands::CoverCommands(MainWindow& window)
    : QObject(&window)
    , m_window(window)
    , m_lastCommand(QtFuture::makeReadyFuture()) {
    window.setSheetFactory(ActiveSheet::Kind::coverImagePicker, [this](QWidget* owner, const ActiveSheet&) {
        auto* picker = new CoverPickerDialog(m_window.theme(), owner);
        connect(picker, &CoverPickerDialog::imageSelected, this, &CoverCommands::coverImageSelected);
        return picker;
    });

    QWidget* central = window.centralWidget();
    m_overlay = new CoverConfirmationOverlay(central);
    central->installEventFilter(this);
    connect(m_overlay, &CoverConfirmationOverlay::confirmed, this, [this] { (void)confirm(); });
    connect(m_overlay, &CoverConfirmationOverlay::cancelled, this, &CoverCommands::cancel);

    SongTableView* table = window.songTable();
    connect(table, &SongTableView::coverDropped, this,
            [this](const QUuid& songId, const CoverImage& image) { (void)dropCover(songId, image); });
    connect(table, &SongTableView::clearCoverRequested, this,
            [this](const QUuid& songId) { clearCover(m_window.viewModel(), songId); });
    connect(table, &SongTableView::clearSelectedCoversRequested, this,
            [this] { clearCoversOfSelectedSongs(m_window.viewModel()); });
    // In the editing part of the cover column's menu, so that it stays below "Auto-Search All Covers"
    // whichever of the two commands is installed first.
    table->addHeaderMenuProvider(
        u"cover",
        [this](QMenu& menu) {
            menu.addAction(tr("Clear All Covers"), this, [this] { clearAllCovers(m_window.viewModel()); });
        },
        HeaderMenus::Slot::editing);
}

CoverConfirmationOverlay* CoverCommands::overlay() const {
    return m_overlay;
}

void CoverCommands::coverImageSelected(const QImage& image, const QByteArray& bytes) {
    m_selectedCoverImage = image;
    m_selectedCoverBytes = bytes;
    m_window.viewModel().setActiveSheet(std::nullopt);
    setShowCoverConfirmation(true);
}

QFuture<void> CoverCommands::confirm() {
    if (!m_showCoverConfirmation) {
        return m_lastCommand;
    }
    const CoverImage image = CoverImage::fromBytes(m_selectedCoverBytes);
    m_lastCommand = applyCoverToAllSongs(m_window.viewModel(), image);
    cancel();
    return m_lastCommand;
}

void CoverCommands::cancel() {
    setShowCoverConfirmation(false);
    m_selectedCoverImage.reset();
    m_selectedCoverBytes.clear();
}

QFuture<void> CoverCommands::dropCover(const QUuid& songId, const CoverImage& image) {
    ContentViewModel& model = m_window.viewModel();
    const QSet<QUuid>& selected = model.selectedSongIds();
    m_lastCommand = selected.size() >= 2 && selected.contains(songId)
                        ? applyCoverToSelectedSongs(model, image)
                        : applyCoverToSong(model, image, songId);
    return m_lastCommand;
}

void CoverCommands::setShowCoverConfirmation(bool show) {
    if (m_showCoverConfirmation == show) {
        return;
    }
    m_showCoverConfirmation = show;
    if (show) {
        m_overlay->setTheme(m_window.theme());
        m_overlay->setImage(m_selectedCoverImage.value_or(QImage()));
        placeOverlay();
        m_overlay->show();
        m_overlay->raise();
        m_window.progressView()->raise(); // the progress overlay stays above everything
        m_overlay->setFocus(Qt::OtherFocusReason);
    } else {
        m_overlay->hide();
    }
    emit showCoverConfirmationChanged();
}

void CoverCommands::placeOverlay() {
    if (m_overlay && m_overlay->parentWidget()) {
        m_overlay->setGeometry(m_overlay->parentWidget()->rect());
    }
}

bool CoverCommands::eventFilter(QObject* watched, QEvent* event) {
    if (m_overlay && watched == m_overlay->parentWidget() && event->type() == QEvent::Resize) {
        placeOverlay();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quirella::ui
