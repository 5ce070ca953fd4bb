// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/MainWindow.h"

#include "app/AppLifecycle.h"
#include "model/Continuation.h"
#include "model/ProgressManager.h"
#include "model/ToastManager.h"
#include "operations/TagWritingBatch.h"
#include "themes/ThemeManager.h"
#include "themes/Wallpaper.h"
#include "ui/BulkEditControls.h"
#include "ui/BusyIndicator.h"
#include "ui/ColumnSelectorDialog.h"
#include "ui/CoverCommands.h"
#include "ui/EnhancedProgressView.h"
#include "ui/FileNameCommands.h"
#include "ui/FolderDropQueue.h"
#include "ui/HeaderBar.h"
#include "ui/Icons.h"
#include "ui/KeyboardCommands.h"
#include "ui/KeyboardNavigation.h"
#include "ui/OnlineControls.h"
#include "ui/SongTableModel.h"
#include "ui/SongTableView.h"
#include "ui/ThemeSettingsView.h"
#include "ui/ToastView.h"
#include "ui/VisibleColumns.h"
#include "ui/WallpaperViews.h"
#include "ui/WelcomeView.h"

#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QEvent>
#include <QFutureWatcher>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QStackedWidget>
#include <QtConcurrent>

#include <cmath>

namespace quirella::ui {

namespace {

// The window's backdrop: the theme's first colour, under its gradient drawn top to bottom at 80 %, under
// the wallpaper stretched over the whole window when there is one.
class WindowBackground : public QWidget {
public:
    explicit WindowBackground(QWidget* parent)
        : QWidget(parent) {}
    void setTheme(const Theme& theme) {
        m_theme = theme;
        m_veil = veilFor(theme, m_wallpaperAverage);
        update();
    }
    // Already scaled to the screen, so a paint only stretches a screen-sized picture to the window.
    void setWallpaper(QImage image) {
        m_wallpaper = std::move(image);
        m_wallpaperAverage =
            m_wallpaper.isNull()
                ? QColor()
                : m_wallpaper.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixelColor(0, 0);
        m_veil = veilFor(m_theme, m_wallpaperAverage);
        update();
    }
    const QImage& wallpaper() const { return m_wallpaper; }

    // The theme's first colour laid over the wallpaper, just opaque enough that even the theme's secondary
    // text keeps a 4.5:1 contrast on the picture's average colour: a dark photo under white text needs hardly
    // any, a pale one under white text much more.
    static QColor veilFor(const Theme& theme, const QColor& average) {
        const ThemeColors colors = themeColors(theme);
        QColor veil = colors.windowBase;
        if (!average.isValid()) {
            return veil;
        }
        auto relative = [](const QColor& color) {
            auto channel = [](double c) {
                return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
            };
            return 0.2126 * channel(color.redF()) + 0.7152 * channel(color.greenF()) +
                   0.0722 * channel(color.blueF());
        };
        auto mix = [](const QColor& top, double alpha, const QColor& under) {
            return QColor::fromRgbF(float(top.redF() * alpha + under.redF() * (1 - alpha)),
                                    float(top.greenF() * alpha + under.greenF() * (1 - alpha)),
                                    float(top.blueF() * alpha + under.blueF() * (1 - alpha)));
        };
        for (int step = 2; step <= 20; ++step) {
            const double alpha = step * 0.05;
            const QColor background = mix(veil, alpha, average);
            // The faintest text of the window, the secondary notes, must still read.
            const QColor ink = mix(colors.secondaryText, colors.secondaryText.alphaF(), background);
            const double lit = relative(ink);
            const double ground = relative(background);
            const double ratio = (std::max(lit, ground) + 0.05) / (std::min(lit, ground) + 0.05);
            if (ratio >= 4.6 || step == 20) {
                veil.setAlphaF(float(alpha));
                break;
            }
        }
        return veil;
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const ThemeColors colors = themeColors(m_theme);
        painter.fillRect(rect(), colors.windowBase);
        if (m_theme.mainGradient.isEmpty()) {
            return;
        }
        QLinearGradient gradient(0, 0, 0, height());
        const qsizetype stops = m_theme.mainGradient.size();
        for (qsizetype i = 0; i < stops; ++i) {
            QColor color = m_theme.mainGradient.at(i);
            color.setAlphaF(0.8f);
            gradient.setColorAt(stops > 1 ? double(i) / double(stops - 1) : 0.0, color);
        }
        painter.fillRect(rect(), gradient);
        if (!m_wallpaper.isNull()) {
            painter.drawImage(rect(), m_wallpaper);
            painter.fillRect(rect(), m_veil);
        }
    }

private:
    Theme m_theme;
    QImage m_wallpaper;
    QColor m_wallpaperAverage; // invalid without a wallpaper
    QColor m_veil;
};

// The whole window follows the theme's light or dark appearance, dialogs and menus included.
QPalette appearanceFor(const Theme& theme) {
    if (isLightTheme(theme)) {
        return QApplication::style() ? QApplication::style()->standardPalette() : QPalette();
    }
    const ThemeColors colors = themeColors(theme);
    QPalette palette;
    const QColor window = colors.panel;
    const QColor base = colors.windowBase;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, colors.text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::Text, colors.text);
    palette.setColor(QPalette::Button, window.lighter(120));
    palette.setColor(QPalette::ButtonText, colors.text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Highlight, QColor(10, 132, 255));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, colors.text);
    palette.setColor(QPalette::PlaceholderText, colors.secondaryText);
    palette.setColor(QPalette::Light, window.lighter(150));
    palette.setColor(QPalette::Midlight, window.lighter(125));
    palette.setColor(QPalette::Mid, window.darker(120));
    palette.setColor(QPalette::Dark, window.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    QColor disabled = colors.text;
    disabled.setAlphaF(0.4f);
    palette.setColor(QPalette::Disabled, QPalette::WindowText, disabled);
    palette.setColor(QPalette::Disabled, QPalette::Text, disabled);
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, disabled);
    return palette;
}

} // namespace

MainWindow::MainWindow(ProgressManager* progress, ToastManager* toasts, QWidget* parent, ThemeManager* themes)
    : QMainWindow(parent)
    , m_progress(progress ? *progress : ProgressManager::instance())
    , m_toasts(toasts ? *toasts : ToastManager::instance())
    , m_themes(themes ? *themes : ThemeManager::instance())
    , m_theme(m_themes.currentTheme()) {
    icons::ensureResources();
    m_viewModel.setFeedback(&m_progress, &m_toasts);
    m_folderWatch = new FolderWatch(m_viewModel, this);
    setWindowTitle(tr("Quirella Tag-Editor"));
    setWindowIcon(QIcon(QStringLiteral(":/quirella/logo.svg")));
    setMinimumSize(300, 400);
    setMaximumSize(1200, 900);
    resize(1100, 700);

    m_visibleColumns = new VisibleColumns(this);
    m_drops = new FolderDropQueue(
        [this](const QUrl& location) {
            // A folder dropped while "Clean" removes leftover files waits for it, so the covers its load
            // writes are not removed with them.
            if (m_cleaning.isFinished()) {
                return m_viewModel.loadFolder(location);
            }
            return continueOn(m_cleaning, this, [this, location] { return m_viewModel.loadFolder(location); })
                .unwrap();
        },
        this);
    buildLayout();
    connectViewModel();

    m_actions.insert(SidebarView::Action::writeTags, [this] { writeTags(); });
    m_actions.insert(SidebarView::Action::undo, [this] { undo(); });
    m_actions.insert(SidebarView::Action::redo, [this] { redo(); });
    m_actions.insert(SidebarView::Action::clean, [this] { (void)cleanAndReset(); });
    const QList<std::pair<SidebarView::Action, ActiveSheet::Kind>> sheetButtons{
        {SidebarView::Action::columns, ActiveSheet::Kind::columnSelector},
        {SidebarView::Action::theme, ActiveSheet::Kind::themeSettings},
        {SidebarView::Action::editRename, ActiveSheet::Kind::replaceSheet},
        {SidebarView::Action::setGenre, ActiveSheet::Kind::genreEdit},
        {SidebarView::Action::setCover, ActiveSheet::Kind::coverImagePicker},
    };
    for (const auto& [action, kind] : sheetButtons) {
        m_actions.insert(action, [this, kind = kind] { m_viewModel.setActiveSheet(ActiveSheet(kind)); });
    }
    // Swap, trash, the editing header menus, sheets and sidebar text tools.
    m_bulkEditing = new BulkEditControls(*this);
    m_sheetFactories.insert(ActiveSheet::Kind::columnSelector, [this](QWidget* owner, const ActiveSheet&) {
        return new ColumnSelectorDialog(*m_visibleColumns, m_theme, owner);
    });
    // The auto-search entries first: they head the cover menu, above "Clear All Covers".
    installOnlineControls(*this);
    m_covers = new CoverCommands(*this);
    m_fileNames = new FileNameCommands(*this);
    // The wallpaper button closes the header bar, after the online switch.
    m_header->addTrailingWidget(m_wallpaperButton);
    m_sheetFactories.insert(ActiveSheet::Kind::themeSettings, [this](QWidget* owner, const ActiveSheet&) {
        return new ThemeSettingsView(m_themes, owner);
    });

    // The menu of every command and the window's keys; it closes the header bar.
    m_keyboard = new KeyboardCommands(*this);

    connect(&m_themes, &ThemeManager::themeChanged, this, &MainWindow::applyCurrentTheme);
    connect(&m_themes, &ThemeManager::customWallpaperDataChanged, this, &MainWindow::syncWallpaper);
    connect(&m_themes, &ThemeManager::showingDropZoneChanged, this, &MainWindow::syncDropZone);
    applyCurrentTheme();
    syncWallpaper();
    syncDropZone();
    syncContent();
}

MainWindow::~MainWindow() {
    // Every view points into the view model, a member that is gone by the time QWidget's destructor
    // deletes the children; so the sheets, the alert and the views go first, while it still exists.
    delete m_sheet;
    delete m_alert;
    delete m_bulkEditing;
    delete m_drops; // its loads call into the view model
    delete takeCentralWidget();
}

void MainWindow::buildLayout() {
    auto* background = new WindowBackground(this);
    m_central = background;
    setCentralWidget(m_central);
    auto* columns = new QHBoxLayout(m_central);
    columns->setContentsMargins(0, 0, 0, 0);
    columns->setSpacing(0);

    m_sidebar = new SidebarView(m_central);
    connect(m_sidebar, &SidebarView::triggered, this, &MainWindow::trigger);
    columns->addWidget(m_sidebar);

    auto* right = new QVBoxLayout;
    right->setContentsMargins(0, 0, 0, 0);
    right->setSpacing(0);
    m_header = new HeaderBar(m_central);
    right->addWidget(m_header);
    m_wallpaperButton = new ToolbarWallpaperButton(m_themes, m_header); // placed last, see the constructor

    m_content = new QStackedWidget(m_central);
    m_welcome = new WelcomeView(m_content);
    connect(m_welcome, &WelcomeView::foldersDropped, this, &MainWindow::openFolders);
    connect(m_welcome, &WelcomeView::openFolderRequested, this, &MainWindow::chooseFolder);
    m_content->addWidget(m_welcome);

    m_tablePage = new QWidget(m_content);
    m_tableLayout = new QVBoxLayout(m_tablePage);
    m_tableLayout->setContentsMargins(8, 0, 8, 0);
    m_tableLayout->setSpacing(0);
    // The indicator belongs to the song list: it shows while a loaded list is being refreshed.
    m_loadingRow = new QWidget(m_tablePage);
    auto* loading = new QHBoxLayout(m_loadingRow);
    loading->setContentsMargins(14, 0, 14, 4);
    loading->setSpacing(8);
    m_busy = new BusyIndicator(16, m_loadingRow); // four fifths of a 20-pixel spinner
    loading->addWidget(m_busy);
    m_loadingText = new QLabel(tr("Loading songs..."), m_loadingRow);
    QFont loadingFont = m_loadingText->font();
    loadingFont.setPixelSize(12);
    m_loadingText->setFont(loadingFont);
    loading->addWidget(m_loadingText);
    loading->addStretch(1);
    m_loadingRow->hide();
    m_tableLayout->addWidget(m_loadingRow);
    m_table = new SongTableView(m_viewModel, *m_visibleColumns, m_tablePage);
    m_tableLayout->addWidget(m_table, 1);
    m_content->addWidget(m_tablePage);
    right->addWidget(m_content, 1);
    columns->addLayout(right, 1);

    connect(m_table, &SongTableView::playClicked, this, &MainWindow::playFromCell);
    connect(m_table, &SongTableView::playRequested, this, &MainWindow::playSong);

    // Created last, in this order, so that the toast floats over the content and the overlay over all.
    m_toast = new ToastView(m_toasts, m_central);
    m_dropZone = new CustomWallpaperDropZone(m_themes, m_central);
    m_progressView = new EnhancedProgressView(m_progress, m_central);
    connect(m_progressView, &EnhancedProgressView::keyboardReleased, this, [this] {
        (m_content->currentWidget() == m_tablePage ? static_cast<QWidget*>(m_table) : m_welcome)
            ->setFocus(Qt::OtherFocusReason);
    });
    m_central->installEventFilter(this);
    m_content->installEventFilter(this);
    connect(m_content, &QStackedWidget::currentChanged, this, &MainWindow::placeOverlays);
}

void MainWindow::connectViewModel() {
    connect(&m_viewModel, &ContentViewModel::currentFolderChanged, this, &MainWindow::syncContent);
    connect(&m_viewModel, &ContentViewModel::totalSongsChanged, this, &MainWindow::syncContent);
    connect(&m_viewModel, &ContentViewModel::isLoadingChanged, this, &MainWindow::syncContent);
    connect(&m_viewModel, &ContentViewModel::showExportAlertChanged, this, &MainWindow::syncAlert);
    connect(&m_viewModel, &ContentViewModel::exportAlertMessageChanged, this, &MainWindow::syncAlert);
    connect(&m_viewModel, &ContentViewModel::activeSheetChanged, this, &MainWindow::syncSheet);
}

bool MainWindow::isShowingTable() const {
    return m_content->currentWidget() == m_tablePage;
}

bool MainWindow::isLoadingIndicatorShown() const {
    return !m_loadingRow->isHidden();
}

void MainWindow::syncContent() {
    const std::optional<MusicFolder>& folder = m_viewModel.currentFolder();
    const bool hasSongs = folder && !folder->songs.isEmpty();
    const bool tableAppears = hasSongs && m_content->currentWidget() != m_tablePage;
    m_content->setCurrentWidget(hasSongs ? m_tablePage : m_welcome);
    if (tableAppears) {
        m_table->setFocus(Qt::OtherFocusReason); // a loaded folder has the keyboard
    }
    m_header->setSongCount(folder ? std::optional<int>(m_viewModel.totalSongs()) : std::nullopt);
    m_loadingRow->setVisible(hasSongs && m_viewModel.isLoading());
}

void MainWindow::syncAlert() {
    if (!m_viewModel.showExportAlert()) {
        if (m_alert) {
            QMessageBox* box = m_alert;
            m_alert = nullptr;
            box->close();
        }
        return;
    }
    if (m_alert) {
        m_alert->setText(m_viewModel.exportAlertMessage());
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Information, tr("Information"), m_viewModel.exportAlertMessage(),
                                QMessageBox::Ok, this);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this, box] {
        if (m_alert == box) {
            m_alert = nullptr;
            m_viewModel.setShowExportAlert(false);
        }
    });
    m_alert = box;
    keyboard::openWithKeyboard(box);
}

void MainWindow::syncSheet() {
    const std::optional<ActiveSheet>& sheet = m_viewModel.activeSheet();
    if (sheet && m_sheet && sheet->identity() == m_sheetIdentity) {
        return; // already shown
    }
    if (m_sheet) {
        QDialog* previous = m_sheet;
        m_sheet = nullptr; // its closing must not clear the sheet that replaces it
        previous->close();
    }
    if (!sheet) {
        return;
    }
    const SheetFactory factory = m_sheetFactories.value(sheet->kind);
    QDialog* dialog = factory ? factory(this, *sheet) : nullptr;
    if (!dialog) {
        m_viewModel.setActiveSheet(std::nullopt);
        return;
    }
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::finished, this, [this, dialog] {
        if (m_sheet == dialog) {
            m_sheet = nullptr;
            m_viewModel.setActiveSheet(std::nullopt);
        }
    });
    m_sheet = dialog;
    m_sheetIdentity = sheet->identity();
    keyboard::openWithKeyboard(dialog);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_central || watched == m_content) &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move || event->type() == QEvent::Show)) {
        placeOverlays();
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::placeOverlays() {
    const QRect area(m_content->mapTo(m_central, QPoint(0, 0)), m_content->size());
    m_toast->place(area, isShowingTable() ? toastOffsetOverTable : toastOffsetOverWelcome);
    m_progressView->setGeometry(m_central->rect());
    m_dropZone->setGeometry(m_central->rect());
}

void MainWindow::openFolders(const QList<QUrl>& locations) {
    m_drops->enqueue(locations);
}

void MainWindow::setActionHandler(SidebarView::Action action, std::function<void()> handler) {
    m_actions.insert(action, std::move(handler));
}

void MainWindow::setSheetFactory(ActiveSheet::Kind kind, SheetFactory factory) {
    m_sheetFactories.insert(kind, std::move(factory));
}

void MainWindow::setPreviewHooks(PreviewHooks hooks) {
    m_preview = std::move(hooks);
}

void MainWindow::setPlayerBar(QWidget* playerBar) {
    playerBar->setParent(m_tablePage);
    playerBar->setFixedHeight(80);
    m_tableLayout->addWidget(playerBar);
}

void MainWindow::applyCurrentTheme() {
    setTheme(m_themes.currentTheme());
}

void MainWindow::setTheme(const Theme& requested) {
    Theme theme = requested;
    if (theme.isSystemDefault()) {
        // The desktop's own palette, which then follows the desktop's light and dark switches. Handing
        // it back makes ThemeManager sample the desktop colour again, so the colours are read after.
        QApplication::setPalette(QPalette());
        if (m_themes.currentTheme().isSystemDefault()) {
            theme = m_themes.currentTheme();
        }
    } else {
        QApplication::setPalette(appearanceFor(theme));
    }
    m_theme = theme;
    static_cast<WindowBackground*>(m_central)->setTheme(theme);
    const ThemeColors colors = themeColors(theme);
    m_sidebar->setTheme(theme);
    m_header->setTheme(theme);
    m_welcome->setTheme(theme);
    m_table->setTheme(theme);
    m_toast->setTheme(theme);
    m_progressView->setTheme(theme);
    m_wallpaperButton->setTheme(theme);
    m_dropZone->setTheme(theme);
    m_busy->setColor(colors.text);
    QPalette loadingPalette = m_loadingText->palette();
    loadingPalette.setColor(QPalette::WindowText, colors.secondaryText);
    m_loadingText->setPalette(loadingPalette);
    emit themeChanged(m_theme);
}

QImage MainWindow::wallpaperImage() const {
    return static_cast<const WindowBackground*>(m_central)->wallpaper();
}

void MainWindow::syncWallpaper() {
    auto* background = static_cast<WindowBackground*>(m_central);
    const std::optional<QByteArray>& bytes = m_themes.customWallpaperData();
    if (!bytes) {
        m_wallpaperBytes.clear();
        background->setWallpaper(QImage());
        return;
    }
    if (*bytes == m_wallpaperBytes) {
        return;
    }
    m_wallpaperBytes = *bytes;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QSize screenSize =
        screen ? (QSizeF(screen->size()) * screen->devicePixelRatio()).toSize() : QSize(1920, 1080);
    continueOn(QtConcurrent::run([bytes = *bytes, screenSize] {
                   const std::optional<QImage> image = wallpaper::decode(bytes);
                   return image ? wallpaper::scaledForScreen(*image, screenSize) : QImage();
               }),
               this, [this, shown = *bytes](const QImage& image) {
                   if (shown != m_wallpaperBytes) {
                       return; // replaced while it decoded
                   }
                   // Stored bytes that no longer decode simply show no wallpaper.
                   static_cast<WindowBackground*>(m_central)->setWallpaper(image);
                   emit wallpaperShown();
               });
}

void MainWindow::syncDropZone() {
    if (m_themes.showingDropZone()) {
        placeOverlays();
        m_dropZone->show();
        m_dropZone->raise();
        m_progressView->raise(); // the progress overlay stays above every layer
        m_dropZone->setFocus(Qt::OtherFocusReason);
    } else {
        m_dropZone->hide();
    }
}

void MainWindow::chooseFolder() {
    if (overlayBlocksInput()) {
        return;
    }
    if (m_folderDialog) {
        m_folderDialog->raise();
        return;
    }
    auto* dialog = new QFileDialog(this, tr("Open Folder"));
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setOption(QFileDialog::ShowDirsOnly, true);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this,
            [this](const QString& path) { openFolders({QUrl::fromLocalFile(path)}); });
    m_folderDialog = dialog;
    keyboard::openWithKeyboard(dialog);
}

void MainWindow::trigger(SidebarView::Action action) {
    if (overlayBlocksInput()) {
        return;
    }
    const std::function<void()> handler = m_actions.value(action);
    if (handler) {
        handler();
    }
}

bool MainWindow::overlayBlocksInput() const {
    return m_progress.isVisible();
}

void MainWindow::writeTags() {
    if (m_writingTags) {
        return;
    }
    m_writingTags = true;
    const PlaybackHooks playback = playbackHooks();
    // The batch runs off the UI thread and reports through the managers and the alert; the window only
    // needs to know when it has ended, however it ended.
    auto* watcher = new QFutureWatcher<TagBatchResult>(this);
    connect(watcher, &QFutureWatcher<TagBatchResult>::finished, this, [this, watcher] {
        watcher->deleteLater();
        m_writingTags = false;
        emit tagWritingFinished();
    });
    watcher->setFuture(writeTagsToFiles(&m_viewModel, &m_progress, &m_toasts, playback));
}

PlaybackHooks MainWindow::playbackHooks() const {
    PlaybackHooks playback;
    if (m_preview.isPlaying && m_preview.stop) {
        playback.isPlaying = m_preview.isPlaying;
        playback.stop = m_preview.stop;
    }
    return playback;
}

void MainWindow::undo() {
    if (!overlayBlocksInput()) {
        m_viewModel.undo();
    }
}

void MainWindow::redo() {
    if (!overlayBlocksInput()) {
        m_viewModel.redo();
    }
}

QFuture<void> MainWindow::cleanAndReset() {
    if (m_writingTags) {
        return m_cleaning;
    }
    m_cleaning = lifecycle::cleanAndReset(m_viewModel, m_playerReset ? m_playerReset : m_preview.stop);
    return m_cleaning;
}

void MainWindow::playFromCell(const QUuid& songId) {
    if (m_preview.isCurrent(songId) && m_preview.togglePlayPause) {
        m_preview.togglePlayPause();
        return;
    }
    playSong(songId);
}

void MainWindow::playSong(const QUuid& songId) {
    const Song* song =
        m_viewModel.currentFolder() ? findSong(m_viewModel.currentFolder()->songs, songId) : nullptr;
    if (song && m_preview.play) {
        m_preview.play(*song);
    }
}

} // namespace quirella::ui
