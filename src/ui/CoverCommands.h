// SPDX-License-Identifier: GPL-3.0-or-later
// The window's cover commands: the "Select Cover Image" sheet behind "Set Cover", the confirmation
// overlay that applies its picture to all songs, pictures dropped on cover cells, the cover cell's menu
// and "Clear All Covers". The songs change through the core's cover operations (app/CoverAssignment.h).
#pragma once

#include "app/CoverAssignment.h"

#include <QByteArray>
#include <QFuture>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QUuid>

#include <optional>

namespace quirella::ui {

class CoverConfirmationOverlay;
class MainWindow;

class CoverCommands : public QObject {
    Q_OBJECT

public:
    // Installs the picker sheet and connects the table of `window`, which must outlive this object.
    explicit CoverCommands(MainWindow& window);

    // The picture picked in the sheet, waiting for confirmation.
    const std::optional<QImage>& selectedCoverImage() const { return m_selectedCoverImage; }
    bool showCoverConfirmation() const { return m_showCoverConfirmation; }
    CoverConfirmationOverlay* overlay() const;

    // The sheet delivered a picture: it closes and the overlay asks for confirmation.
    void coverImageSelected(const QImage& image, const QByteArray& bytes);
    // The overlay's buttons. Both close it; "Confirm" applies the picture to all songs.
    QFuture<void> confirm();
    void cancel();
    // A picture dropped on a row's cover cell: on a row among two or more selected songs it goes to
    // every selected song, otherwise to that row's song.
    QFuture<void> dropCover(const QUuid& songId, const CoverImage& image);
    // The cover command that ran last (tests wait for it).
    QFuture<void> lastCommand() const { return m_lastCommand; }

signals:
    void showCoverConfirmationChanged();

private:
    void setShowCoverConfirmation(bool show);
    void placeOverlay();
    bool eventFilter(QObject* watched, QEvent* event) override;

    MainWindow& m_window;
    QPointer<CoverConfirmationOverlay> m_overlay;
    std::optional<QImage> m_selectedCoverImage;
    QByteArray m_selectedCoverBytes;
    bool m_showCoverConfirmation = false;
    QFuture<void> m_lastCommand;
};

} // namespace quirella::ui
