#include "ui/KeyboardCommands.h"

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
#include <QDialog>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QToolButton>

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
    {{SidebarView::Action::editRemove, "Remove Text…"},
     {SidebarView::Action::editRename, "Replace Text…"},
     {SidebarView::Action::setGenre, "Set Genre for All Songs…"},
     {SidebarView::Action::uppercase, nullptr},
     {SidebarView::Action::firstLetter, nullptr},
     {SidebarView::Action::characters, nullptr}},
    {{SidebarView::Action::searchBpm, nullptr}, {SidebarView::Action::cleanBpm, nullptr}},
    {{SidebarView::Action::setCover, "Set Cover…"},
     {SidebarView::Action::renameOriginal, "Rename Original Files…"},
     {SidebarView::Action::clean, nullptr}},
    {{SidebarView::Action::columns, "Select Visible Columns…"},
     {SidebarView::Action::theme, "Select Theme…"}},
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
        {u"Ctrl+O"_s, u"Open a folder"_s},
        {u"Ctrl+S"_s, u"Write the tags into the files (WRITE TAGS)"_s},
        {u"Ctrl+Z, Ctrl+Shift+Z"_s, u"Undo, redo"_s},
        {u"F10"_s, u"The menu of every command"_s},
        {u"F1, Ctrl+?"_s, u"This list"_s},
        {u"Tab, Shift+Tab"_s, u"The next or previous button of the sidebar and the header bar"_s},
        {u"Up, Down, Page Up, Page Down, Home, End"_s, u"Move to a song and select it"_s},
        {u"Shift with those keys"_s, u"Extend the selection"_s},
        {u"Left, Right"_s, u"Move to another cell of the song"_s},
        {u"F2, Return"_s, u"Edit the title, artist, genre or year cell"_s},
        {u"Return, Escape (editing)"_s, u"Keep the edit, or cancel it"_s},
        {u"Tab, Shift+Tab (editing)"_s, u"Keep the edit and edit the next or previous text cell"_s},
        {u"Up, Down (editing)"_s, u"Keep the edit and edit the cell above or below"_s},
        {u"Space"_s, u"Play or pause the song"_s},
        {u"Delete, Shift+Delete"_s, u"Move the selected songs to the Trash"_s},
        {u"Ctrl+A"_s, u"Select every song"_s},
        {u"Escape"_s, u"Clear the selection"_s},
        {u"Ctrl+0 … Ctrl+5"_s, u"Rate the selected songs (0 clears)"_s},
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
    add(u"Open Folder…"_s, QKeySequence(Qt::CTRL | Qt::Key_O), [this] { m_window.chooseFolder(); });
    add(u"WRITE TAGS"_s, QKeySequence(Qt::CTRL | Qt::Key_S),
        [this] { m_window.sidebar()->button(SidebarView::Action::writeTags)->click(); });
    add(u"Undo"_s, QKeySequence(Qt::CTRL | Qt::Key_Z), [this] { m_window.undo(); });
    add(u"Redo"_s, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), [this] { m_window.redo(); });
    for (const QList<SidebarEntry>& group : kSidebarGroups) {
        m_menu->addSeparator();
        for (const SidebarEntry& entry : group) {
            QAbstractButton* button = m_window.sidebar()->button(entry.action);
            add(entry.title ? QString::fromUtf8(entry.title) : button->text(), {},
                [button] { button->click(); });
        }
    }
    if (auto* online = m_window.headerBar()->findChild<NetworkModeButton*>()) {
        QAction* action = add(u"Online Mode"_s, {}, [online] { online->click(); });
        action->setCheckable(true);
        const auto sync = [action, online] { action->setChecked(online->isOnline()); };
        connect(m_menu, &QMenu::aboutToShow, action, sync);
        sync();
    }
    m_menu->addSeparator();
    QAction* shortcuts = add(u"Keyboard Shortcuts"_s, QKeySequence(Qt::Key_F1), [this] { showShortcuts(); });
    shortcuts->setShortcuts({QKeySequence(Qt::Key_F1), QKeySequence(Qt::CTRL | Qt::Key_Question)});

    m_button = new QToolButton(m_window.headerBar());
    m_button->setObjectName(u"commandMenuButton"_s);
    m_button->setAutoRaise(true);
    m_button->setFixedSize(30, 28);
    m_button->setIconSize(QSize(18, 18));
    m_button->setFocusPolicy(Qt::TabFocus);
    m_button->setToolTip(u"Menu (F10)"_s);
    m_button->setAccessibleName(u"Menu"_s);
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
    dialog->setWindowTitle(u"Keyboard Shortcuts"_s);
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

} // namespace quirella::ui
