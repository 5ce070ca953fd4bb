// SPDX-License-Identifier: GPL-3.0-or-later
// The bulk edits in the running window: header menu entries, sidebar text tools, the editing sheets and
// the Remove Text window each reach their operation, and one undo restores the column. The text rules
// themselves are the text engine's and the bulk editor's (tests/model, tests/operations).
#include "UiFixtures.h"
#include "model/Columns.h"
#include "operations/RemoveTextValues.h"
#include "ui/BulkEditControls.h"
#include "ui/ColumnSelectorDialog.h"
#include "ui/KeyboardNavigation.h"
#include "ui/RemoveTextWindow.h"
#include "ui/RenamePatternSheet.h"
#include "ui/ThemeSettingsView.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

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
        load({makeSong(u"the best of (the rest)"_s, u"abba"_s, 1976, u"pop"_s, 1),
              makeSong(u"Café Noir"_s, u"Zoë"_s, 2001, u"Électro"_s)});
    }
    void triggerHeaderEntry(QStringView id, const QString& text) {
        const std::unique_ptr<QMenu> menu = table().headerMenu(id);
        // The star entries sit in the rating menu's submenu.
        const QMenu* where = text.startsWith(u'(') ? menu->actions().first()->menu() : menu.get();
        menuEntry(*where, text)->trigger();
    }
};

TEST_F(BulkEditingWindow, HeaderEntriesAndSidebarToolsChangeTheirColumnAsOneUndoStep) {
    using enum SidebarView::Action;
    const struct {
        QStringView columnId;
        QString headerEntry; // none: the sidebar tool
        SidebarView::Action tool;
        QStringList expected;
    } rows[] = {
        {column::title, u"First Letter"_s, {}, {u"The Best of (The Rest)"_s, u"Café Noir"_s}},
        {column::artist, u"UPPERCASE"_s, {}, {u"ABBA"_s, u"ZOË"_s}},
        {column::year, u"Clear All Years"_s, {}, {{}, {}}},
        {column::rating, u"(3 stars)"_s, {}, {u"3"_s, u"3"_s}},
        {column::rating, u"Clear All Ratings"_s, {}, {u"0"_s, u"0"_s}},
        {column::genre, {}, uppercase, {u"POP"_s, u"ÉLECTRO"_s}},
        {column::artist, {}, firstLetter, {u"Abba"_s, u"Zoë"_s}},
        {column::artist, {}, characters, {u"abba"_s, u"Zoe"_s}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.headerEntry.isEmpty() ? "sidebar tool " + std::to_string(int(row.tool))
                                               : row.headerEntry.toStdString());
        const QStringList before = column(row.columnId);
        if (row.headerEntry.isEmpty()) {
            press(row.tool);
        } else {
            triggerHeaderEntry(row.columnId, row.headerEntry);
        }
        EXPECT_EQ(column(row.columnId), row.expected);
        window->undo();
        EXPECT_EQ(column(row.columnId), before);
    }
    EXPECT_EQ(
        menuTexts(*table().headerMenu(column::title)),
        (QStringList{u"Replace All Titles"_s, u"Clear All Titles"_s, u"UPPERCASE"_s, u"First Letter"_s}));
    // One to four stars in the rating menu's submenu; five stars come from the row.
    const std::unique_ptr<QMenu> rating = table().headerMenu(column::rating);
    EXPECT_EQ(menuTexts(*rating->actions().first()->menu()),
              (QStringList{u"(1 star)"_s, u"(2 stars)"_s, u"(3 stars)"_s, u"(4 stars)"_s}));
}

TEST_F(BulkEditingWindow, RemoveTextWindowRemembersItsTermsAndAppliesThemInOrder) {
    RemoveTextValues stored;
    stored.terms[2] = u"noir"_s;
    stored.store();
    press(SidebarView::Action::editRemove);
    RemoveTextWindow* tool = window->bulkEditing()->removeTextWindow();
    EXPECT_EQ(tool->termField(2)->text(), u"noir"_s);
    tool->clearButton()->click();
    EXPECT_FALSE(tool->applyButton()->isEnabled());
    tool->termField(0)->setText(u"best"_s);
    tool->termField(4)->setText(u"of ("_s);
    tool->replacementField()->setText(u"+"_s);
    tool->applyButton()->click();
    EXPECT_EQ(column(column::title).at(0), u"the + +the rest)"_s);
    ASSERT_TRUE(waitFor(tool->lastStore()));
    EXPECT_EQ(RemoveTextValues::load().terms.at(4), u"of ("_s);
    // Typed but not applied: gone when the window opens again.
    window->bulkEditing()->showRemoveTextWindow();
    tool->termField(9)->setText(u"typed"_s);
    tool->closeButton()->click();
    window->bulkEditing()->showRemoveTextWindow();
    EXPECT_EQ(tool->termField(9)->text(), QString());
    EXPECT_EQ(tool->termField(0)->text(), u"best"_s);
    tool->close();
}

// The keyboard from the moment a sheet opens: keys go to the focus widget, never straight to a field.
enum class Opening {
    genreSheet,
    replaceArtists,
    editTitle,
    editYear,
    removeSheet,
    replaceSheet,
    removeWindow
};

struct KeyboardRow {
    const char* name;
    Opening opening;
    const char* keys; // "\n" Return, "\t" Tab, "\x1b" Escape
    QStringView columnId;
    QStringList expected;
    bool closes = true; // false: Return on an empty sheet, whose confirm button is disabled
};

class SheetKeyboard : public BulkEditingWindow, public ::testing::WithParamInterface<KeyboardRow> {
protected:
    QWidget* open(Opening opening) {
        switch (opening) {
        case Opening::genreSheet:
            window->sidebar()->button(SidebarView::Action::setGenre)->click();
            break;
        case Opening::replaceArtists:
            triggerHeaderEntry(column::artist, u"Replace All Artists"_s);
            break;
        case Opening::editTitle:
        case Opening::editYear:
            model().setEditingField(opening == Opening::editYear ? u"year"_s : u"title"_s);
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
    const QStringList before = column(row.columnId);
    QWidget* opened = open(row.opening);
    ASSERT_TRUE(hasKeyboard(opened));
    typeKeys(QString::fromUtf8(row.keys));
    EXPECT_EQ(column(row.columnId), row.expected);
    EXPECT_EQ(opened->isVisible(), !row.closes);
    EXPECT_EQ(window->openSheet() != nullptr, !row.closes && row.opening != Opening::removeWindow);
    window->undo(); // each sheet's change is one undo step
    EXPECT_EQ(column(row.columnId), before);
}

using enum Opening;
const QStringList untouchedTitles{u"the best of (the rest)"_s, u"Café Noir"_s};
const KeyboardRow keyboardRows[] = {
    // A space typed into the genre must not press "Apply" with an empty genre.
    {"GenreSheet", genreSheet, "Deep House\n", column::genre, {u"Deep House"_s, u"Deep House"_s}},
    {"EscapeCancelsTheGenreSheet", genreSheet, "Jazz \x1b", column::genre, {u"pop"_s, u"Électro"_s}},
    {"ReplaceColumnSheet", replaceArtists, "Two Words\n", column::artist, {u"Two Words"_s, u"Two Words"_s}},
    // The field starts with the value, selected: typing replaces it.
    {"EditFieldSheet", editTitle, "New Name\n", column::title, {untouchedTitles[0], u"New Name"_s}},
    {"EditFieldSheetStartsWithTheYearAsTheCellShowsIt", editYear, "\n", column::year, {u"1976"_s, u"2001"_s}},
    {"RemoveTextSheetTabsToTheReplacement",
     removeSheet,
     "noir\tTea Time\n",
     column::title,
     {untouchedTitles[0], u"Café Tea Time"_s}},
    {"EmptyRemoveTextSheetIgnoresReturn", removeSheet, "\n", column::title, untouchedTitles, false},
    {"ReplaceTextSheet",
     replaceSheet,
     "Caf\tTea Room\n",
     column::title,
     {untouchedTitles[0], u"Tea Roomé Noir"_s}},
    {"EmptyReplaceTextSheetIgnoresReturn", replaceSheet, "\n", column::title, untouchedTitles, false},
    {"RemoveTextWindow", removeWindow, "best of\n", column::title, {u"the (the rest)"_s, u"Café Noir"_s}},
    {"EmptyRemoveTextWindowIgnoresReturn", removeWindow, "\n", column::title, untouchedTitles, false},
};

INSTANTIATE_TEST_SUITE_P(Sheets, SheetKeyboard, ::testing::ValuesIn(keyboardRows),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(BulkEditingWindow, ChoiceSheetsAnswerArrowsReturnAndEscape) {
    // Themes: the grid opens on the current theme; Right and Return choose the next one.
    ThemeManager& themes = ThemeManager::instance();
    const QList<Theme> all = themes.availableThemes();
    const qsizetype current = all.indexOf(themes.currentTheme());
    window->sidebar()->button(SidebarView::Action::theme)->click();
    auto* grid = qobject_cast<ThemeSettingsView*>(window->openSheet());
    ASSERT_TRUE(hasKeyboard(grid));
    EXPECT_GE(grid->columnCount(), 3); // adaptive: as many 100-pixel columns as fit
    EXPECT_TRUE(grid->row(all.at(current).name)->hasFocus());
    typeKeys(u"\x1b"_s); // the close button's shortcut: it clicks a moment later
    EXPECT_TRUE(QTest::qWaitFor([&] { return !window->openSheet(); }));
    EXPECT_EQ(themes.currentTheme(), all.at(current));
    window->sidebar()->button(SidebarView::Action::theme)->click();
    ASSERT_TRUE(hasKeyboard(window->openSheet()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    typeKeys(u"\n"_s);
    EXPECT_EQ(themes.currentTheme(), all.at(current + 1));
    EXPECT_FALSE(window->openSheet());

    // Columns, three cards to a row: Down and Right reach the fifth card, Genre. Space hides the column at
    // once, a second Space brings it back at the end, where a new window finds it; Return is "Done".
    window->sidebar()->button(SidebarView::Action::columns)->click();
    ASSERT_TRUE(qobject_cast<ColumnSelectorDialog*>(window->openSheet()));
    ASSERT_TRUE(hasKeyboard(window->openSheet()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    typeKeys(u" "_s);
    EXPECT_EQ(table().songModel().sectionOf(column::genre), -1);
    typeKeys(u" \n"_s);
    QStringList columns = column::defaultIds(); // the album columns stay hidden until chosen
    columns.removeAll(u"genre"_s);
    columns.append(u"genre"_s);
    EXPECT_EQ(table().songModel().columnIds(), columns);
    EXPECT_FALSE(model().activeSheet() || window->openSheet());
    window.reset(); // a new window reads the stored order
    openWindow();
    EXPECT_EQ(table().songModel().columnIds(), columns);

    // Rename patterns: Down stops at the last pattern, Up goes back; Return takes the one reached.
    RenamePatternSheet rename(12, themes.currentTheme(), window.get());
    QSignalSpy chosen(&rename, &RenamePatternSheet::patternSelected);
    keyboard::openWithKeyboard(&rename);
    ASSERT_TRUE(hasKeyboard(&rename));
    for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
        QTest::keyClick(QApplication::focusWidget(), key);
    }
    typeKeys(u"\n"_s);
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen.at(0).at(0).value<FileNamingPattern>(), fileNamingPatterns[1].pattern);
}

} // namespace
