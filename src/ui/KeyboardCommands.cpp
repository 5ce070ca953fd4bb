// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/KeyboardCommands.h"

#include "app/ContentViewModel.h"
#include "app/FolderLoading.h"
#include "app/TagPreferences.h"
#include "ui/BulkEditControls.h"
#include "ui/HeaderBar.h"
#include "ui/Icons.h"
#include "ui/KeyboardNavigation.h"
#include "ui/MainWindow.h"
#include "ui/NetworkModeButton.h"
#include "ui/SidebarView.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QBoxLayout>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace quirella::ui {

namespace {

// Lets a text field have every key but Escape and Return before any shortcut sees it.
class TextFieldGuard : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride &&
            (qobject_cast<QLineEdit*>(watched) || qobject_cast<QTextEdit*>(watched) ||
             qobject_cast<QPlainTextEdit*>(watched) || qobject_cast<QAbstractSpinBox*>(watched))) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Escape && key != Qt::Key_Return && key != Qt::Key_Enter) {
                event->accept(); // the field gets it as a key press; no shortcut fires
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

// The sidebar's commands as the menu lists them, in groups, with the sheets' names where a button has
// an icon or a short title only.
struct SidebarEntry {
    SidebarView::Action action;
    const char* title; // nothing: the button's own title
};

const QList<QList<SidebarEntry>> kSidebarGroups = {
    {{SidebarView::Action::editRemove, QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Remove Text…")},
     {SidebarView::Action::editRename, QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Replace Text…")},
     {SidebarView::Action::setGenre,
      QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Set Genre for All Songs…")},
     {SidebarView::Action::uppercase, nullptr},
     {SidebarView::Action::firstLetter, nullptr},
     {SidebarView::Action::characters, nullptr}},
    {{SidebarView::Action::searchBpm, nullptr}, {SidebarView::Action::cleanBpm, nullptr}},
    {{SidebarView::Action::setCover, QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Set Cover…")},
     {SidebarView::Action::renameOriginal,
      QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Rename Original Files…")},
     {SidebarView::Action::clean, nullptr}},
    {{SidebarView::Action::columns,
      QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Select Visible Columns…")},
     {SidebarView::Action::theme, QT_TRANSLATE_NOOP("quirella::ui::KeyboardCommands", "Select Theme…")}},
};

} // namespace

void KeyboardCommands::guardTextFields() {
    static TextFieldGuard* guard = nullptr;
    if (!guard && qApp) {
        guard = new TextFieldGuard(qApp);
        qApp->installEventFilter(guard);
    }
}

QList<std::pair<QString, QString>> KeyboardCommands::shortcutTexts() {
    return {
        {tr("Ctrl+O"), tr("Open a folder")},
        {tr("Ctrl+S"), tr("Write the tags into the files (WRITE TAGS)")},
        {tr("Ctrl+Z, Ctrl+Shift+Z"), tr("Undo, redo")},
        {tr("F10"), tr("The menu of every command")},
        {tr("F1, Ctrl+?"), tr("This list")},
        {tr("Tab, Shift+Tab"), tr("The next or previous button of the sidebar and the header bar")},
        {tr("Up, Down, Page Up, Page Down, Home, End"), tr("Move to a song and select it")},
        {tr("Shift with those keys"), tr("Extend the selection")},
        {tr("Left, Right"), tr("Move to another cell of the song")},
        {tr("F2, Return"), tr("Edit the text cell (title, artist, genre, year, album, track …)")},
        {tr("Return, Escape (editing)"), tr("Keep the edit, or cancel it")},
        {tr("Tab, Shift+Tab (editing)"), tr("Keep the edit and edit the next or previous text cell")},
        {tr("Up, Down (editing)"), tr("Keep the edit and edit the cell above or below")},
        {tr("Space"), tr("Play or pause the song")},
        {tr("Delete, Shift+Delete"), tr("Move the selected songs to the Trash")},
        {tr("Ctrl+A"), tr("Select every song")},
        {tr("Escape"), tr("Clear the selection")},
        {tr("Ctrl+0 … Ctrl+5"), tr("Rate the selected songs (0 clears)")},
    };
}

KeyboardCommands::KeyboardCommands(MainWindow& window)
    : QObject(&window)
    , m_window(window) {
    guardTextFields();
    m_menu = new QMenu(&window);
    const auto add = [this](const QString& title, const QKeySequence& keys, std::function<void()> run) {
        QAction* action = m_menu->addAction(title);
        if (!keys.isEmpty()) {
            action->setShortcut(keys);
            action->setShortcutVisibleInContextMenu(true);
            m_window.addAction(action); // the keys work without the menu
        }
        connect(action, &QAction::triggered, this, std::move(run));
        return action;
    };
    add(tr("Open Folder…"), QKeySequence(Qt::CTRL | Qt::Key_O), [this] { m_window.chooseFolder(); });
    add(tr("WRITE TAGS"), QKeySequence(Qt::CTRL | Qt::Key_S),
        [this] { m_window.sidebar()->button(SidebarView::Action::writeTags)->click(); });
    add(tr("Undo"), QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { m_window.undo(); });
    add(tr("Redo"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { m_window.redo(); });
    for (const QList<SidebarEntry>& group : kSidebarGroups) {
        m_menu->addSeparator();
        for (const SidebarEntry& entry : group) {
            QAbstractButton* button = m_window.sidebar()->button(entry.action);
            add(entry.title ? tr(entry.title) : button->text(), {}, [button] { button->click(); });
        }
    }
    m_menu->addSeparator();
    add(tr("Number Tracks"), {}, [this] { m_window.bulkEditing()->numberTracks(); });
    add(tr("Tags from File Names…"), {}, [this] { m_window.bulkEditing()->showTagsFromNames(); });
    QAction* writeBpm = add(tr("Write BPM into tags"), {}, [] {});
    writeBpm->setCheckable(true);
    writeBpm->setChecked(preferences::writeBpmIntoTags());
    connect(writeBpm, &QAction::toggled, this, [](bool on) { preferences::setWriteBpmIntoTags(on); });
    if (auto* online = m_window.headerBar()->findChild<NetworkModeButton*>()) {
        QAction* action = add(tr("Online Mode"), {}, [online] { online->click(); });
        action->setCheckable(true);
        const auto sync = [action, online] { action->setChecked(online->isOnline()); };
        connect(m_menu, &QMenu::aboutToShow, action, sync);
        sync();
    }
    m_menu->addSeparator();
    add(tr("Preferences…"), {}, [this] { showPreferences(); });
    QAction* shortcuts = add(tr("Keyboard Shortcuts"), QKeySequence(Qt::Key_F1), [this] { showShortcuts(); });
    shortcuts->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_Question)});

    m_button = new QToolButton(m_window.headerBar());
    m_button->setObjectName(u"commandMenuButton"_s);
    m_button->setAutoRaise(true);
    m_button->setFixedSize(30, 28);
    m_button->setIconSize(QSize(18, 18));
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setToolTip(tr("Menu (F10)"));
    m_button->setAccessibleName(tr("Menu"));
    m_button->setPopupMode(QToolButton::InstantPopup);
    m_button->setMenu(m_menu);
    m_button->setStyleSheet(u"QToolButton::menu-indicator { image: none; }"_s);
    m_window.headerBar()->addTrailingWidget(m_button);
    auto* open = new QAction(&m_window);
    open->setShortcut(QKeySequence(Qt::Key_F10));
    connect(open, &QAction::triggered, m_button, &QToolButton::showMenu);
    m_window.addAction(open);
    connect(&m_window, &MainWindow::themeChanged, this, [this](const Theme& theme) {
        m_button->setIcon(icons::symbolIcon(u"line.3.horizontal", themeColors(theme).text));
    });
    m_button->setIcon(icons::symbolIcon(u"line.3.horizontal", themeColors(m_window.theme()).text));
}

KeyboardCommands::~KeyboardCommands() {
    delete m_shortcuts;
}

QDialog* KeyboardCommands::showShortcuts() {
    if (m_shortcuts) {
        m_shortcuts->raise();
        m_shortcuts->activateWindow();
        return m_shortcuts;
    }
    auto* dialog = new QDialog(&m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(tr("Keyboard Shortcuts"));
    auto* layout = new QVBoxLayout(dialog);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    const QList<std::pair<QString, QString>> texts = shortcutTexts();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* keys = new QLabel(texts.at(i).first, dialog);
        QFont bold = keys->font();
        bold.setWeight(QFont::DemiBold);
        keys->setFont(bold);
        grid->addWidget(keys, int(i), 0);
        grid->addWidget(new QLabel(texts.at(i).second, dialog), int(i), 1);
    }
    layout->addLayout(grid);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    m_shortcuts = dialog;
    keyboard::openWithKeyboard(dialog);
    return dialog;
}

QDialog* KeyboardCommands::showPreferences() {
    if (m_preferences) {
        m_preferences->raise();
        m_preferences->activateWindow();
        return m_preferences;
    }
    ContentViewModel& model = m_window.viewModel();
    auto* dialog = new QDialog(&m_window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(tr("Preferences"));
    auto* layout = new QVBoxLayout(dialog);
    auto* form = new QFormLayout;
    auto* largest = new QComboBox(dialog);
    largest->setObjectName(u"largestFolder"_s);
    QList<int> choices(largestFolderChoices.begin(), largestFolderChoices.end());
    if (!choices.contains(model.maximumSongs())) {
        choices.append(model.maximumSongs()); // a count stored by hand stays choosable
        std::sort(choices.begin(), choices.end());
    }
    for (const int choice : choices) {
        largest->addItem(tr("%1 songs").arg(QLocale().toString(choice)), choice);
    }
    largest->setCurrentIndex(largest->findData(model.maximumSongs()));
    form->addRow(tr("Largest folder:"), largest);
    layout->addLayout(form);
    auto* note = new QLabel(tr("Folders with more music files are refused. Large folders take more memory "
                               "and time to load."),
                            dialog);
    note->setWordWrap(true);
    layout->addWidget(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, largest, &model] {
        model.setMaximumSongs(largest->currentData().toInt());
        dialog->accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    layout->addWidget(buttons);
    m_preferences = dialog;
    keyboard::openWithKeyboard(dialog);
    return dialog;
}

} // namespace quirella::ui
