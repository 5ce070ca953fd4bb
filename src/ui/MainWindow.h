// SPDX-License-Identifier: GPL-3.0-or-later
// The one window: the sidebar on the left; on the right the header bar over the content area, which
// shows the welcome view until a folder with songs is loaded and the song table after that. Above them
// float the toast and, over everything, the progress overlay; sheets open window-modal and the
// information alert is a window-modal message box titled "Information".
//
// The window owns the view model. Commands whose features arrive later are reached through two hooks:
// setActionHandler for the sidebar's buttons and setSheetFactory for the sheets named by `activeSheet`.
#pragma once

#include "app/ActiveSheet.h"
#include "app/ContentViewModel.h"
#include "app/FolderWatch.h"
#include "ui/PreviewHooks.h"
#include "ui/SidebarView.h"
#include "ui/Theme.h"

#include <QDialog>
#include <QFileDialog>
#include <QFuture>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>

#include <functional>

class QLabel;
class QStackedWidget;
class QVBoxLayout;

namespace quirella {
struct PlaybackHooks;
class ProgressManager;
class ThemeManager;
class ToastManager;
} // namespace quirella

namespace quirella::ui {

class BulkEditControls;
class BusyIndicator;
class CoverCommands;
class CustomWallpaperDropZone;
class EnhancedProgressView;
class FileNameCommands;
class FolderDropQueue;
class HeaderBar;
class KeyboardCommands;
class SongTableView;
class ToastView;
class ToolbarWallpaperButton;
class VisibleColumns;
class WelcomeView;

class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int toastOffsetOverTable = 90; // clear of the player bar
    static constexpr int toastOffsetOverWelcome = 20;

    using SheetFactory = std::function<QDialog*(QWidget* parent, const ActiveSheet& sheet)>;

    // Uses the process-wide progress, toast and theme managers unless given others (tests give their own).
    explicit MainWindow(ProgressManager* progress = nullptr, ToastManager* toasts = nullptr,
                        QWidget* parent = nullptr, ThemeManager* themes = nullptr);
    ~MainWindow() override;

    ContentViewModel& viewModel() { return m_viewModel; }
    // Keeps the table current while other programs change the folder's files.
    FolderWatch& folderWatch() { return *m_folderWatch; }
    ProgressManager& progress() { return m_progress; }
    ToastManager& toasts() { return m_toasts; }
    VisibleColumns& visibleColumns() { return *m_visibleColumns; }
    // The current theme: it follows ThemeManager (the theme sheet, the desktop under "System Default").
    const Theme& theme() const { return m_theme; }
    ThemeManager& themeManager() { return m_themes; }

    // Folders dropped on the welcome view or named on the command line: loaded one after the other in
    // this order; what is not an existing folder is skipped silently.
    void openFolders(const QList<QUrl>& locations);
    FolderDropQueue& dropQueue() { return *m_drops; }
    // "Open Folder…" (Ctrl+O): a folder chosen in a dialog is loaded exactly as if it had been dropped.
    void chooseFolder();
    QFileDialog* folderDialog() const { return m_folderDialog; }

    // What a sidebar button does. WRITE TAGS, Undo, Redo and the column button are built in; the sheet
    // buttons set `activeSheet`; the rest do nothing until a handler is set.
    void setActionHandler(SidebarView::Action action, std::function<void()> handler);
    // The dialog shown for a kind of sheet. Without a factory a requested sheet is closed again at once.
    void setSheetFactory(ActiveSheet::Kind kind, SheetFactory factory);
    // The preview player's hooks (see PreviewPlayer.h).
    void setPreviewHooks(PreviewHooks hooks);
    const PreviewHooks& previewHooks() const { return m_preview; }
    // What a batch that touches files needs of the player: it stops a playing preview first.
    PlaybackHooks playbackHooks() const;
    // The player bar, shown below the table.
    void setPlayerBar(QWidget* playerBar);
    // Restyles every view with the theme (ThemeManager's current one, as the window applies it).
    void setTheme(const Theme& theme);

    // "WRITE TAGS". Presses while a batch runs are ignored: two batches would rewrite the same files
    // at once.
    void writeTags();
    bool isWritingTags() const { return m_writingTags; }
    void undo();
    void redo();
    // "Clean": closes the folder, stops the player, forgets the history, removes our leftover files
    // and resets the preferences. Folders dropped meanwhile load once it is done. Ignored while tags are
    // written: the batch's M4A working copies are among the files it removes.
    QFuture<void> cleanAndReset();
    // How "Clean" stops the preview player and makes it forget its list (the player's stop otherwise).
    void setPlayerReset(std::function<void()> reset) { m_playerReset = std::move(reset); }

    // The parts, for the tests and for later features.
    SidebarView* sidebar() const { return m_sidebar; }
    HeaderBar* headerBar() const { return m_header; }
    WelcomeView* welcomeView() const { return m_welcome; }
    SongTableView* songTable() const { return m_table; }
    CoverCommands* coverCommands() const { return m_covers; }
    FileNameCommands* fileNameCommands() const { return m_fileNames; }
    BulkEditControls* bulkEditing() const { return m_bulkEditing; }
    KeyboardCommands* keyboardCommands() const { return m_keyboard; }
    ToastView* toastView() const { return m_toast; }
    EnhancedProgressView* progressView() const { return m_progressView; }
    QMessageBox* alertBox() const { return m_alert; }
    QDialog* openSheet() const { return m_sheet; }
    ToolbarWallpaperButton* wallpaperButton() const { return m_wallpaperButton; }
    CustomWallpaperDropZone* wallpaperDropZone() const { return m_dropZone; }
    // The wallpaper as drawn: decoded off the UI thread and scaled once to the screen; null without one.
    QImage wallpaperImage() const;
    bool isShowingTable() const;
    bool isLoadingIndicatorShown() const;

signals:
    void tagWritingFinished();
    // After every view took the theme; views added by later features can follow it from here.
    void themeChanged(const quirella::ui::Theme& theme);
    void wallpaperShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void connectViewModel();
    void syncContent();
    void syncAlert();
    void syncSheet();
    void placeOverlays();
    void trigger(SidebarView::Action action);
    void playFromCell(const QUuid& songId);
    void playSong(const QUuid& songId);
    bool overlayBlocksInput() const;
    void applyCurrentTheme();
    void syncWallpaper();
    void syncDropZone();

    ProgressManager& m_progress;
    ToastManager& m_toasts;
    ThemeManager& m_themes;
    ContentViewModel m_viewModel;
    FolderWatch* m_folderWatch = nullptr;
    VisibleColumns* m_visibleColumns = nullptr;
    FolderDropQueue* m_drops = nullptr;
    Theme m_theme;
    PreviewHooks m_preview;
    BulkEditControls* m_bulkEditing = nullptr;
    KeyboardCommands* m_keyboard = nullptr;
    QMap<SidebarView::Action, std::function<void()>> m_actions;
    QMap<ActiveSheet::Kind, SheetFactory> m_sheetFactories;

    QWidget* m_central = nullptr;
    SidebarView* m_sidebar = nullptr;
    HeaderBar* m_header = nullptr;
    QWidget* m_loadingRow = nullptr;
    BusyIndicator* m_busy = nullptr;
    QLabel* m_loadingText = nullptr;
    QStackedWidget* m_content = nullptr;
    WelcomeView* m_welcome = nullptr;
    QWidget* m_tablePage = nullptr;
    QVBoxLayout* m_tableLayout = nullptr;
    SongTableView* m_table = nullptr;
    CoverCommands* m_covers = nullptr;
    FileNameCommands* m_fileNames = nullptr;
    ToastView* m_toast = nullptr;
    EnhancedProgressView* m_progressView = nullptr;
    ToolbarWallpaperButton* m_wallpaperButton = nullptr;
    CustomWallpaperDropZone* m_dropZone = nullptr;
    QByteArray m_wallpaperBytes; // what the background shows or is decoding
    QPointer<QFileDialog> m_folderDialog;
    QPointer<QMessageBox> m_alert;
    QPointer<QDialog> m_sheet;
    int m_sheetIdentity = -1;
    bool m_writingTags = false;
    QFuture<void> m_cleaning = QtFuture::makeReadyFuture();
    std::function<void()> m_playerReset;
};

} // namespace quirella::ui
