#include "UiFixtures.h"
#include "model/Columns.h"
#include "operations/RemoveTextValues.h"
#include "themes/ThemeManager.h"
#include "ui/BulkEditControls.h"
#include "ui/ColumnSelectorDialog.h"
#include "ui/EditingSheets.h"
#include "ui/KeyboardNavigation.h"
#include "ui/RemoveTextWindow.h"
#include "ui/RenamePatternSheet.h"
#include "ui/ThemeSettingsView.h"
#include "ui/VisibleColumns.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QWidgetAction>

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

class BulkEditingWindow : public WindowTest {
protected:
    void SetUp() override {
        WindowTest::SetUp();
        Song first = makeSong(QStringLiteral("the best of (the rest)"), QStringLiteral("abba"), 1976);
        first.genre = QStringLiteral("pop");
        first.rating = 1;
        Song second = makeSong(QStringLiteral("Café Noir"), QStringLiteral("Zoë"), 2001);
        second.genre = QStringLiteral("Électro");
        load({first, second});
    }

    QStringList column(QStringView id) {
        QStringList values;
        for (const Song& song : model().visibleSongs()) {
            values.append(id == column::title    ? song.name
                          : id == column::artist ? song.artist
                          : id == column::genre  ? song.genre
                          : id == column::year   ? QString::number(song.year)
                                                 : QString::number(song.rating));
        }
        return values;
    }
    static QStringList texts(const QMenu& menu) {
        QStringList list;
        for (const QAction* action : menu.actions()) {
            list.append(action->isSeparator() ? QStringLiteral("---") : action->text());
        }
        return list;
    }
    static QAction* entry(const QMenu& menu, const QString& text) {
        for (QAction* action : menu.actions()) {
            if (action->text() == text) {
                return action;
            }
        }
        ADD_FAILURE() << "no entry " << text.toStdString();
        return nullptr;
    }
    void triggerHeaderEntry(QStringView id, const QString& text) {
        const std::unique_ptr<QMenu> menu = table().headerMenu(id);
        if (QAction* action = entry(*menu, text)) {
            action->trigger();
        }
    }
    // Saves a picture of the widget for the docs, beside the test binary.
    static void shoot(QWidget* widget, const QString& name) {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/ui-screenshots");
        QDir().mkpath(folder);
        widget->grab().save(folder + u'/' + name + QStringLiteral(".png"));
    }
    // Pops the menu up, as the header does, and saves its picture once it is on screen.
    static void shootMenu(QMenu* menu, const QString& name) {
        menu->popup(QPoint(0, 0));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
        shoot(menu, name);
        menu->close();
    }
    template <typename Sheet>
    Sheet* sheet() {
        auto* shown = qobject_cast<Sheet*>(window->openSheet());
        EXPECT_NE(shown, nullptr);
        return shown;
    }
    void undoRestores(QStringView id, const QStringList& before) {
        window->undo();
        EXPECT_EQ(column(id), before);
    }
};

TEST_F(BulkEditingWindow, HeaderMenusOfferTheColumnEditsInOrder) {
    EXPECT_EQ(texts(*table().headerMenu(column::title)),
              (QStringList{QStringLiteral("Replace All Titles"), QStringLiteral("Clear All Titles"),
                           QStringLiteral("UPPERCASE"), QStringLiteral("First Letter")}));
    EXPECT_EQ(texts(*table().headerMenu(column::artist)).first(), QStringLiteral("Replace All Artists"));
    EXPECT_TRUE(texts(*table().headerMenu(column::genre)).contains(QStringLiteral("Clear All Genres")));
    // Look-up entries may stand above the editing slot of the genre and year menus.
    const std::unique_ptr<QMenu> year = table().headerMenu(column::year);
    EXPECT_EQ(texts(*year).mid(texts(*year).size() - 2),
              (QStringList{QStringLiteral("Replace All Years"), QStringLiteral("Clear All Years")}));
    shootMenu(year.get(), QStringLiteral("year-menu"));
    const std::unique_ptr<QMenu> rating = table().headerMenu(column::rating);
    EXPECT_EQ(texts(*rating), (QStringList{QStringLiteral("Apply Rating to All Songs"),
                                           QStringLiteral("Clear All Ratings")}));
    QMenu* stars = rating->actions().first()->menu();
    ASSERT_NE(stars, nullptr);
    EXPECT_EQ(texts(*stars), (QStringList{QStringLiteral("(1 star)"), QStringLiteral("(2 stars)"),
                                          QStringLiteral("(3 stars)"), QStringLiteral("(4 stars)")}));
    // Each entry draws four stars before its text.
    auto* third = qobject_cast<QWidgetAction*>(stars->actions().at(2));
    ASSERT_NE(third, nullptr);
    EXPECT_EQ(third->defaultWidget()->findChildren<QLabel*>().size(), 5);
    shootMenu(stars, QStringLiteral("rating-menu"));
}

TEST_F(BulkEditingWindow, HeaderEntriesChangeTheColumnAsOneUndoStep) {
    const QStringList titles = column(column::title);
    triggerHeaderEntry(column::title, QStringLiteral("First Letter"));
    EXPECT_EQ(column(column::title),
              (QStringList{QStringLiteral("The Best of (The Rest)"), QStringLiteral("Café Noir")}));
    undoRestores(column::title, titles);

    const QStringList artists = column(column::artist);
    triggerHeaderEntry(column::artist, QStringLiteral("UPPERCASE"));
    EXPECT_EQ(column(column::artist), (QStringList{QStringLiteral("ABBA"), QStringLiteral("ZOË")}));
    undoRestores(column::artist, artists);

    const QStringList years = column(column::year);
    triggerHeaderEntry(column::year, QStringLiteral("Clear All Years"));
    EXPECT_EQ(column(column::year), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    EXPECT_EQ(table().model()->data(cell(0, column::year)).toString(), QString()); // shown empty
    undoRestores(column::year, years);

    const std::unique_ptr<QMenu> rating = table().headerMenu(column::rating);
    entry(*rating->actions().first()->menu(), QStringLiteral("(3 stars)"))->trigger();
    EXPECT_EQ(column(column::rating), (QStringList{QStringLiteral("3"), QStringLiteral("3")}));
    triggerHeaderEntry(column::rating, QStringLiteral("Clear All Ratings"));
    EXPECT_EQ(column(column::rating), (QStringList{QStringLiteral("0"), QStringLiteral("0")}));
    undoRestores(column::rating, {QStringLiteral("3"), QStringLiteral("3")});
}

TEST_F(BulkEditingWindow, ReplaceColumnSheetForTitleAndYear) {
    triggerHeaderEntry(column::title, QStringLiteral("Replace All Titles"));
    auto* titles = sheet<ReplaceColumnSheet>();
    ASSERT_TRUE(titles);
    EXPECT_EQ(titles->headline()->text(), QStringLiteral("Replace All \"Title\" Values"));
    EXPECT_EQ(titles->valueField()->placeholderText(), QStringLiteral("New value for all songs"));
    EXPECT_EQ(titles->caption(), nullptr);
    EXPECT_EQ(titles->size(), QSize(350, 180));
    titles->cancelButton()->click();
    EXPECT_FALSE(model().activeSheet());

    const QStringList years = column(column::year);
    emit window->bulkEditing()->showReplaceColumn(QString()); // no column: ignored
    EXPECT_FALSE(window->openSheet());
    triggerHeaderEntry(column::year, QStringLiteral("Replace All Years"));
    auto* year = sheet<ReplaceColumnSheet>();
    ASSERT_TRUE(year);
    shoot(year, QStringLiteral("replace-years"));
    EXPECT_EQ(year->valueField()->placeholderText(), QStringLiteral("Year (e.g., 2024)"));
    ASSERT_TRUE(year->caption());
    EXPECT_EQ(year->caption()->text(), QStringLiteral("Enter a year between 1900 and 2099"));
    year->valueField()->setText(QStringLiteral("2100"));
    year->confirmButton()->click();
    EXPECT_EQ(column(column::year), years);

    triggerHeaderEntry(column::year, QStringLiteral("Replace All Years"));
    sheet<ReplaceColumnSheet>()->valueField()->setText(QStringLiteral("2024"));
    QTest::keyClick(sheet<ReplaceColumnSheet>()->valueField(), Qt::Key_Return);
    EXPECT_EQ(column(column::year), (QStringList{QStringLiteral("2024"), QStringLiteral("2024")}));
    EXPECT_FALSE(window->openSheet());
    undoRestores(column::year, years);
}

TEST_F(BulkEditingWindow, RemoveAndReplaceSheetsSwitchTheirButtonsAndUndo) {
    const QStringList titles = column(column::title);
    model().setActiveSheet(ActiveSheet(ActiveSheet::Kind::removeSheet));
    auto* remove = sheet<RemoveTextSheet>();
    ASSERT_TRUE(remove);
    shoot(remove, QStringLiteral("remove-sheet"));
    EXPECT_EQ(remove->termField()->placeholderText(),
              QStringLiteral("Enter text to remove (separate multiple items with commas)"));
    EXPECT_EQ(remove->confirmButton()->text(), QStringLiteral("Remove"));
    EXPECT_FALSE(remove->confirmButton()->isEnabled());
    remove->termField()->setText(QStringLiteral("CAFE"));
    EXPECT_TRUE(remove->confirmButton()->isEnabled());
    remove->replacementField()->setText(QStringLiteral("Tea"));
    EXPECT_EQ(remove->confirmButton()->text(), QStringLiteral("Replace"));
    remove->confirmButton()->click();
    EXPECT_EQ(column(column::title).at(1), QStringLiteral("Tea Noir"));
    undoRestores(column::title, titles);

    window->sidebar()->button(SidebarView::Action::editRename)->click();
    auto* replace = sheet<ReplaceTextSheet>();
    ASSERT_TRUE(replace);
    shoot(replace, QStringLiteral("replace-sheet"));
    EXPECT_EQ(replace->headline()->text(), QStringLiteral("Replace Text in All Songs"));
    EXPECT_FALSE(replace->confirmButton()->isEnabled());
    QTest::keyClick(replace->fromField(), Qt::Key_Return); // disabled: nothing happens
    EXPECT_EQ(window->openSheet(), replace);
    replace->fromField()->setText(QStringLiteral("the"));
    replace->confirmButton()->click();
    EXPECT_EQ(column(column::title).at(0), QStringLiteral("best of ( rest)"));
    undoRestores(column::title, titles);
}

TEST_F(BulkEditingWindow, GenreAndFieldSheets) {
    window->sidebar()->button(SidebarView::Action::setGenre)->click();
    auto* genre = sheet<GenreEditSheet>();
    ASSERT_TRUE(genre);
    EXPECT_EQ(genre->headline()->text(), QStringLiteral("Set Genre for All Songs"));
    EXPECT_EQ(genre->genreField()->placeholderText(), QStringLiteral("Enter genre name"));
    genre->genreField()->setText(QStringLiteral("Disco"));
    genre->confirmButton()->click();
    EXPECT_EQ(column(column::genre), (QStringList{QStringLiteral("Disco"), QStringLiteral("Disco")}));
    undoRestores(column::genre, {QStringLiteral("pop"), QStringLiteral("Électro")});

    model().setEditingField(QStringLiteral("year"));
    model().setActiveSheet(ActiveSheet::editField(model().visibleSongs().at(1)));
    auto* field = sheet<EditFieldSheet>();
    ASSERT_TRUE(field);
    EXPECT_EQ(field->valueField()->text(), QStringLiteral("2001"));
    EXPECT_EQ(field->valueField()->placeholderText(), QStringLiteral("New value"));
    field->valueField()->setText(QStringLiteral("1999"));
    field->confirmButton()->click();
    EXPECT_EQ(column(column::year).at(1), QStringLiteral("1999"));
    undoRestores(column::year, {QStringLiteral("1976"), QStringLiteral("2001")});
}

TEST_F(BulkEditingWindow, RemoveTextWindowRemembersItsTermsAndAppliesThemInOrder) {
    {
        RemoveTextValues stored;
        stored.terms[2] = QStringLiteral("noir");
        stored.store();
    }
    window->sidebar()->button(SidebarView::Action::editRemove)->click();
    RemoveTextWindow* tool = window->bulkEditing()->removeTextWindow();
    ASSERT_TRUE(tool);
    EXPECT_TRUE(tool->isVisible());
    EXPECT_FALSE(tool->isModal());
    EXPECT_EQ(tool->termField(2)->text(), QStringLiteral("noir"));
    EXPECT_TRUE(tool->applyButton()->isEnabled());
    shoot(tool, QStringLiteral("remove-window"));

    tool->clearButton()->click();
    EXPECT_FALSE(tool->applyButton()->isEnabled());
    ASSERT_TRUE(waitFor(tool->lastStore()));
    EXPECT_EQ(RemoveTextValues::load().terms.at(2), QString());

    const QStringList titles = column(column::title);
    tool->termField(0)->setText(QStringLiteral("best"));
    tool->termField(4)->setText(QStringLiteral("of ("));
    tool->replacementField()->setText(QStringLiteral("+"));
    tool->applyButton()->click();
    EXPECT_FALSE(tool->isVisible());
    EXPECT_EQ(column(column::title).at(0), QStringLiteral("the + +the rest)"));
    ASSERT_TRUE(waitFor(tool->lastStore()));
    const RemoveTextValues stored = RemoveTextValues::load();
    EXPECT_EQ(stored.terms.at(4), QStringLiteral("of ("));
    EXPECT_EQ(stored.replacement, QStringLiteral("+"));
    undoRestores(column::title, titles);

    // Typed but not applied: gone when the window opens again.
    window->bulkEditing()->showRemoveTextWindow();
    tool->termField(9)->setText(QStringLiteral("typed"));
    tool->closeButton()->click();
    window->bulkEditing()->showRemoveTextWindow();
    EXPECT_EQ(tool->termField(9)->text(), QString());
    EXPECT_EQ(tool->termField(0)->text(), QStringLiteral("best"));
    tool->close();
}

TEST_F(BulkEditingWindow, SidebarTextToolsChangeEveryTextField) {
    window->sidebar()->button(SidebarView::Action::uppercase)->click();
    EXPECT_EQ(column(column::genre), (QStringList{QStringLiteral("POP"), QStringLiteral("ÉLECTRO")}));
    window->sidebar()->button(SidebarView::Action::firstLetter)->click();
    EXPECT_EQ(column(column::title).at(0), QStringLiteral("The Best of (The Rest)"));
    window->sidebar()->button(SidebarView::Action::characters)->click();
    EXPECT_EQ(column(column::artist), (QStringList{QStringLiteral("Abba"), QStringLiteral("Zoe")}));
    EXPECT_EQ(column(column::title).at(1), QStringLiteral("Cafe Noir"));
    window->undo();
    window->undo();
    window->undo();
    EXPECT_EQ(column(column::genre), (QStringList{QStringLiteral("pop"), QStringLiteral("Électro")}));
}

// The keyboard from the moment a sheet opens: keys go where the application sends them (the focus
// widget), never straight to a field.
// Waits until `window` has the keyboard: a window-modal sheet counts as active while its parent is, but
// the keys go to the focus window only.
[[nodiscard]] bool hasKeyboard(QWidget* window) {
    return QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }, 5000);
}

void typeKeys(const QString& keys) {
    for (const QChar key : keys) {
        QWidget* target = QApplication::focusWidget();
        ASSERT_NE(target, nullptr) << "no widget has the keyboard";
        if (key == u'\n') {
            QTest::keyClick(target, Qt::Key_Return);
        } else if (key == u'\t') {
            QTest::keyClick(target, Qt::Key_Tab);
        } else if (key == u'\x1b') {
            QTest::keyClick(target, Qt::Key_Escape);
        } else {
            QTest::keyClick(target, key.toLatin1());
        }
    }
}

enum class Opening { genreSheet, replaceArtists, editTitle, removeSheet, replaceSheet, removeWindow };

struct KeyboardRow {
    const char* name;
    Opening opening;
    const char* keys; // "\n" Return, "\t" Tab, "\x1b" Escape
    QStringView columnId;
    QStringList expected;
};

class SheetKeyboard : public BulkEditingWindow, public ::testing::WithParamInterface<KeyboardRow> {
protected:
    // Opens the sheet the way the window does and returns its window.
    QWidget* open(Opening opening) {
        switch (opening) {
        case Opening::genreSheet:
            window->sidebar()->button(SidebarView::Action::setGenre)->click();
            break;
        case Opening::replaceArtists:
            triggerHeaderEntry(column::artist, u"Replace All Artists"_s);
            break;
        case Opening::editTitle:
            model().setEditingField(u"title"_s);
            model().setActiveSheet(ActiveSheet::editField(model().visibleSongs().at(1)));
            break;
        case Opening::removeSheet:
            model().setActiveSheet(ActiveSheet(ActiveSheet::Kind::removeSheet));
            break;
        case Opening::replaceSheet:
            window->sidebar()->button(SidebarView::Action::editRename)->click();
            break;
        case Opening::removeWindow:
            window->sidebar()->button(SidebarView::Action::editRemove)->click();
            return window->bulkEditing()->removeTextWindow();
        }
        return window->openSheet();
    }
};

TEST_P(SheetKeyboard, TypesIntoTheFirstFieldAndConfirmsWithReturn) {
    const KeyboardRow& row = GetParam();
    QWidget* opened = open(row.opening);
    ASSERT_NE(opened, nullptr);
    ASSERT_TRUE(hasKeyboard(opened));
    typeKeys(QString::fromUtf8(row.keys));
    EXPECT_EQ(column(row.columnId), row.expected);
    EXPECT_FALSE(window->openSheet());
    EXPECT_FALSE(opened->isVisible());
}

const KeyboardRow keyboardRows[] = {
    // A space typed into the genre must not press "Apply" with an empty genre.
    {"GenreSheet", Opening::genreSheet, "Deep House\n", column::genre, {u"Deep House"_s, u"Deep House"_s}},
    {"EscapeCancelsTheGenreSheet", Opening::genreSheet, "Jazz \x1b", column::genre, {u"pop"_s, u"Électro"_s}},
    {"ReplaceColumnSheet",
     Opening::replaceArtists,
     "Two Words\n",
     column::artist,
     {u"Two Words"_s, u"Two Words"_s}},
    // The field starts with the value, selected: typing replaces it.
    {"EditFieldSheet",
     Opening::editTitle,
     "New Name\n",
     column::title,
     {u"the best of (the rest)"_s, u"New Name"_s}},
    {"RemoveTextSheetTabsToTheReplacement",
     Opening::removeSheet,
     "noir\tTea Time\n",
     column::title,
     {u"the best of (the rest)"_s, u"Café Tea Time"_s}},
    {"ReplaceTextSheet",
     Opening::replaceSheet,
     "Caf\tTea Room\n",
     column::title,
     {u"the best of (the rest)"_s, u"Tea Roomé Noir"_s}},
    {"RemoveTextWindow",
     Opening::removeWindow,
     "best of\n",
     column::title,
     {u"the (the rest)"_s, u"Café Noir"_s}},
};

INSTANTIATE_TEST_SUITE_P(Sheets, SheetKeyboard, ::testing::ValuesIn(keyboardRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(BulkEditingWindow, ChoiceSheetsAnswerArrowsReturnAndEscape) {
    // Themes: the grid opens on the current theme; Right and Return choose the next one.
    ThemeManager& themes = ThemeManager::instance();
    const QList<Theme> all = themes.availableThemes();
    const qsizetype current = all.indexOf(themes.currentTheme());
    window->sidebar()->button(SidebarView::Action::theme)->click();
    auto* grid = sheet<ThemeSettingsView>();
    ASSERT_TRUE(grid);
    ASSERT_TRUE(hasKeyboard(grid));
    EXPECT_TRUE(grid->row(all.at(current).name)->hasFocus());
    typeKeys(u"\x1b"_s); // the close button's shortcut: it clicks a moment later
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); }));
    EXPECT_EQ(themes.currentTheme(), all.at(current));
    window->sidebar()->button(SidebarView::Action::theme)->click();
    ASSERT_TRUE(hasKeyboard(sheet<ThemeSettingsView>()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    typeKeys(u"\n"_s);
    EXPECT_EQ(themes.currentTheme(), all.at(current + 1));
    EXPECT_FALSE(window->openSheet());

    // Columns: Right moves to the second card, Space turns it off, Return is "Done".
    window->sidebar()->button(SidebarView::Action::columns)->click();
    auto* columns = sheet<ColumnSelectorDialog>();
    ASSERT_TRUE(columns);
    ASSERT_TRUE(hasKeyboard(columns));
    const QString second = ColumnSelectorDialog::cards().at(1).columnId;
    const bool wasVisible = window->visibleColumns().contains(second);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    typeKeys(u" \n"_s);
    EXPECT_NE(window->visibleColumns().contains(second), wasVisible);
    EXPECT_FALSE(window->openSheet());

    // Rename patterns: Down and Return choose the second pattern.
    RenamePatternSheet rename(12, themes.currentTheme(), window.get());
    QSignalSpy chosen(&rename, &RenamePatternSheet::patternSelected);
    keyboard::openWithKeyboard(&rename);
    ASSERT_TRUE(hasKeyboard(&rename));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    typeKeys(u"\n"_s);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<FileNamingPattern>(), fileNamingPatterns[1].pattern);
}

} // namespace
