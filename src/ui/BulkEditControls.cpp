// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BulkEditControls.h"

#include "app/ContentViewModel.h"
#include "model/Columns.h"
#include "model/EditingManager.h"
#include "ui/EditingSheets.h"
#include "ui/Icons.h"
#include "ui/KeyboardNavigation.h"
#include "ui/MainWindow.h"
#include "ui/RemoveTextWindow.h"
#include "ui/SongTableView.h"
#include "ui/TagsFromNamesSheet.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QWidgetAction>

namespace quirella::ui {

namespace {

// A rating entry: four stars, the first `stars` filled in yellow, then "(N stars)". Drawn as a widget
// because a menu icon is square and would shrink a row of four stars to nothing.
class StarRowEntry : public QWidget {
public:
    StarRowEntry(QAction* action, int stars, QWidget* parent)
        : QWidget(parent)
        , m_action(action) {
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        auto* layout = new QHBoxLayout(this);
        layout->setContentsMargins(12, 3, 12, 3);
        layout->setSpacing(2);
        for (int k = 1; k <= 4; ++k) {
            auto* star = new QLabel(this);
            const bool filled = k <= stars;
            star->setPixmap(icons::symbol(filled ? u"star.fill" : u"star",
                                          filled ? QColor(255, 204, 0) : QColor(Qt::gray), 14,
                                          devicePixelRatioF()));
            layout->addWidget(star);
        }
        layout->addSpacing(6);
        layout->addWidget(new QLabel(action->text(), this));
        layout->addStretch(1);
    }

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (!rect().contains(event->position().toPoint())) {
            return;
        }
        // Close the menus first, the way a plain menu entry does, then act.
        for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
            if (auto* menu = qobject_cast<QMenu*>(w)) {
                menu->close();
            }
        }
        m_action->trigger();
    }
    void paintEvent(QPaintEvent*) override {
        if (underMouse()) {
            QPainter painter(this);
            painter.fillRect(rect(), palette().color(QPalette::Highlight).lighter(110));
        }
    }
    void enterEvent(QEnterEvent*) override { update(); }
    void leaveEvent(QEvent*) override { update(); }

private:
    QAction* m_action;
};

PlaybackHooks playbackOf(MainWindow& window) {
    // Read through the window each time: the player's hooks are set after the window is built.
    return {[&window] { return window.previewHooks().playing(); },
            [&window] {
                if (window.previewHooks().stop) {
                    window.previewHooks().stop();
                }
            }};
}

} // namespace

BulkEditControls::BulkEditControls(MainWindow& window)
    : QObject(&window)
    , m_window(window)
    , m_editor(window.viewModel(), playbackOf(window)) {
    addHeaderMenus();
    addSheets();

    m_window.setActionHandler(SidebarView::Action::editRemove, [this] { showRemoveTextWindow(); });
    m_window.setActionHandler(SidebarView::Action::uppercase, [this] { m_editor.uppercaseAll(); });
    m_window.setActionHandler(SidebarView::Action::firstLetter, [this] { m_editor.titleCaseAll(); });
    m_window.setActionHandler(SidebarView::Action::characters,
                              [this] { m_editor.cleanCharactersInAllSongs(); });

    connect(this, &BulkEditControls::showReplaceColumn, this, [this](const QString& column) {
        if (!column.isEmpty()) {
            m_window.viewModel().setActiveSheet(ActiveSheet::replaceColumn(column));
        }
    });

    SongTableView* table = m_window.songTable();
    connect(table, &SongTableView::swapRequested, this,
            [this](const QUuid& songId) { m_editor.swapArtistAndTitle(songId); });
    connect(table, &SongTableView::trashRequested, this, [this](const QUuid& songId) {
        const PreviewHooks& preview = m_window.previewHooks();
        std::function<void()> stopFirst;
        if (preview.isCurrent(songId) && preview.stop) {
            stopFirst = preview.stop;
        }
        (void)m_editor.deleteSong(songId, stopFirst);
    });
    connect(table, &SongTableView::deleteSelectedRequested, this, [this] {
        const PreviewHooks& preview = m_window.previewHooks();
        (void)m_editor.moveSongsToTrash([&preview](const QUuid& songId) { return preview.isCurrent(songId); },
                                        preview.stop);
    });
}

BulkEditControls::~BulkEditControls() {
    delete m_removeTextWindow;
}

RemoveTextWindow* BulkEditControls::removeTextWindow() const {
    return m_removeTextWindow;
}

void BulkEditControls::showRemoveTextWindow() {
    if (!m_removeTextWindow) {
        m_removeTextWindow = new RemoveTextWindow(
            [this](const QStringList& terms, const QString& replacement) {
                m_editor.removeTerms(terms, replacement);
            },
            &m_window);
    }
    m_removeTextWindow->open();
}

void BulkEditControls::addHeaderMenus() {
    SongTableView* table = m_window.songTable();
    struct TextColumn {
        QStringView id;
        QString replaceAll;
        QString clearAll;
    };
    const QList<TextColumn> textColumns{
        {column::title, tr("Replace All Titles"), tr("Clear All Titles")},
        {column::artist, tr("Replace All Artists"), tr("Clear All Artists")},
        {column::genre, tr("Replace All Genres"), tr("Clear All Genres")},
        {column::album, tr("Replace All Albums"), tr("Clear All Albums")},
        {column::albumArtist, tr("Replace All Album Artists"), tr("Clear All Album Artists")}};
    for (const TextColumn& textColumn : textColumns) {
        const QString id = textColumn.id.toString();
        table->addHeaderMenuProvider(
            id,
            [this, id, textColumn](QMenu& menu) {
                menu.addAction(textColumn.replaceAll, this, [this, id] { emit showReplaceColumn(id); });
                menu.addAction(textColumn.clearAll, this, [this, id] { m_editor.clearColumn(id); });
                menu.addAction(tr("UPPERCASE"), this, [this, id] { m_editor.uppercaseColumn(id); });
                menu.addAction(tr("First Letter"), this, [this, id] { m_editor.titleCaseColumn(id); });
            },
            HeaderMenus::Slot::editing);
    }
    table->addHeaderMenuProvider(
        column::year,
        [this](QMenu& menu) {
            const QString id = column::year.toString();
            menu.addAction(tr("Replace All Years"), this, [this, id] { emit showReplaceColumn(id); });
            menu.addAction(tr("Clear All Years"), this, [this, id] { m_editor.clearColumn(id); });
        },
        HeaderMenus::Slot::editing);
    table->addHeaderMenuProvider(
        column::rating, [this](QMenu& menu) { addRatingMenu(menu); }, HeaderMenus::Slot::editing);
    table->addHeaderMenuProvider(
        column::track,
        [this](QMenu& menu) { menu.addAction(tr("Number Tracks"), this, [this] { numberTracks(); }); },
        HeaderMenus::Slot::editing);
}

void BulkEditControls::numberTracks() {
    m_editor.numberTracks();
}

TagsFromNamesSheet* BulkEditControls::tagsFromNamesSheet() const {
    return m_tagsFromNames;
}

void BulkEditControls::showTagsFromNames() {
    if (m_tagsFromNames) {
        m_tagsFromNames->raise();
        return;
    }
    if (!m_window.viewModel().currentFolder()) {
        return;
    }
    auto* sheet = new TagsFromNamesSheet(
        m_editor.targetSongs(), [this](const NamePattern& pattern) { m_editor.tagsFromNames(pattern); },
        &m_window);
    sheet->setAttribute(Qt::WA_DeleteOnClose);
    m_tagsFromNames = sheet;
    keyboard::openWithKeyboard(sheet);
}

void BulkEditControls::addRatingMenu(QMenu& menu) {
    QMenu* stars = menu.addMenu(tr("Apply Rating to All Songs"));
    // The menu offers one to four stars; five is reached through the row's own stars.
    for (int value = 1; value <= 4; ++value) {
        auto* action = new QWidgetAction(stars);
        // English says "1 star" but "2 stars"; other languages follow their own plural forms.
        action->setText(value == 1 ? tr("(1 star)") : tr("(%n stars)", nullptr, value));
        action->setDefaultWidget(new StarRowEntry(action, value, stars));
        connect(action, &QAction::triggered, this, [this, value] { m_editor.setRatingForAll(value); });
        stars->addAction(action);
    }
    menu.addAction(tr("Clear All Ratings"), this, [this] { m_editor.clearRatings(); });
}

void BulkEditControls::addSheets() {
    ContentViewModel& model = m_window.viewModel();
    m_window.setSheetFactory(
        ActiveSheet::Kind::editField, [&model](QWidget* owner, const ActiveSheet& sheet) -> QDialog* {
            if (!sheet.song) {
                return nullptr;
            }
            const QString field = model.editingField().value_or(column::title.toString());
            return new EditFieldSheet(
                *sheet.song, field,
                [&model](const QUuid& songId, const QString& name, const QString& text) {
                    model.applyChange(true, [&](MusicFolder& folder) {
                        if (std::optional<MusicFolder> changed =
                                model.editingManager().updateField(folder, songId, name, text)) {
                            folder = std::move(*changed);
                        }
                    });
                },
                owner);
        });
    m_window.setSheetFactory(ActiveSheet::Kind::replaceColumn,
                             [this](QWidget* owner, const ActiveSheet& sheet) -> QDialog* {
                                 if (sheet.column.isEmpty()) {
                                     return nullptr;
                                 }
                                 return new ReplaceColumnSheet(
                                     sheet.column,
                                     [this](const QString& column, const QString& value) {
                                         m_editor.replaceColumn(column, value);
                                     },
                                     owner);
                             });
    m_window.setSheetFactory(ActiveSheet::Kind::genreEdit, [this](QWidget* owner, const ActiveSheet&) {
        return new GenreEditSheet([this](const QString& genre) { m_editor.setGenreForAll(genre); }, owner);
    });
    const auto replaceText = [this](const QString& term, const QString& replacement) {
        m_editor.replaceTextInFields(term, replacement);
    };
    m_window.setSheetFactory(ActiveSheet::Kind::removeSheet,
                             [replaceText](QWidget* owner, const ActiveSheet&) {
                                 return new RemoveTextSheet(replaceText, owner);
                             });
    m_window.setSheetFactory(ActiveSheet::Kind::replaceSheet,
                             [replaceText](QWidget* owner, const ActiveSheet&) {
                                 return new ReplaceTextSheet(replaceText, owner);
                             });
}

} // namespace quirella::ui
