// SPDX-License-Identifier: GPL-3.0-or-later
// The window driven by the keyboard alone, as a user without a mouse works through a folder: open it,
// move through the songs, edit two titles, undo one, rate, write, and find it all in the files.
#include "UiFixtures.h"
#include "app/SongBuilder.h"
#include "support/AudioFiles.h"
#include "ui/KeyboardCommands.h"
#include "ui/SidebarView.h"

#include <QComboBox>
#include <QDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

using namespace quirella;
using namespace quirella::test;
using namespace quirella::test::ui;
using namespace Qt::StringLiterals;

namespace {

class KeyboardWindow : public WindowTest {
protected:
    QStringList selectedTitles() {
        QStringList titles;
        for (const Song& song : model().visibleSongs()) {
            if (model().selectedSongIds().contains(song.id)) {
                titles.append(song.name);
            }
        }
        return titles;
    }
};

TEST_F(KeyboardWindow, AFolderIsOpenedEditedRatedAndWrittenByKeysAlone) {
    const ScratchDir dir;
    for (const QString& name : {u"Ann - Alpha.mp3"_s, u"Bob - Beta.mp3"_s, u"Cid - Gamma.mp3"_s}) {
        dir.write(u"music/"_s + name, mp3Audio());
    }
    // Ctrl+O, the folder's path and Return.
    pressKey(Qt::Key_O, Qt::ControlModifier);
    ASSERT_TRUE(hasKeyboard(window->folderDialog()));
    typeKeys(dir.filePath(u"music"_s) + u'\n');
    ASSERT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().size() == 3; }, 30000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return table().hasFocus(); }));

    // Down from nowhere is the first song; the ends hold.
    pressKey(Qt::Key_Down);
    EXPECT_EQ(selectedTitles(), QStringList{u"Alpha"_s});
    pressKey(Qt::Key_End);
    pressKey(Qt::Key_Down);
    EXPECT_EQ(selectedTitles(), QStringList{u"Gamma"_s});
    pressKey(Qt::Key_Home);
    pressKey(Qt::Key_Up);
    EXPECT_EQ(selectedTitles(), QStringList{u"Alpha"_s});
    pressKey(Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(selectedTitles(), (QStringList{u"Alpha"_s, u"Beta"_s}));
    pressKey(Qt::Key_Escape);
    EXPECT_TRUE(selectedTitles().isEmpty());

    // Escape cancels an editor and leaves the keyboard with the table.
    pressKey(Qt::Key_F2);
    pressKey(Qt::Key_Escape);
    EXPECT_TRUE(table().hasFocus());

    // F2 edits the title with its text selected; Down commits and edits the title below.
    pressKey(Qt::Key_Up);
    pressKey(Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    EXPECT_EQ(editor->selectedText(), u"Alpha"_s);
    // No shortcut fires while the editor has the keyboard.
    pressKey(Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->isWritingTags());
    typeKeys(u"One"_s);
    pressKey(Qt::Key_Down);
    typeKeys(u"Two\n"_s);
    EXPECT_TRUE(QTest::qWaitFor([&] { return model().visibleSongs().at(1).name == u"Two"_s; }));
    EXPECT_TRUE(table().hasFocus());
    pressKey(Qt::Key_Z, Qt::ControlModifier);

    // Ctrl+4 rates the selection (the song the editor moved to) as one undo step.
    EXPECT_EQ(table().songModel().songAt(table().currentIndex().row()).name, u"Beta"_s);
    pressKey(Qt::Key_4, Qt::ControlModifier);

    pressKey(Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return toasts.message().startsWith(u"✅ Tags written to 3"_s); }, 60000));
    const std::optional<Song> first = createSong(dir.filePath(u"music/Ann - Alpha.mp3"_s));
    const std::optional<Song> second = createSong(dir.filePath(u"music/Bob - Beta.mp3"_s));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->name, u"One"_s);
    EXPECT_EQ(second->name, u"Beta"_s);
    EXPECT_EQ(second->rating, 4);
}

// From the middle of a long list, Home and End go to the first and the last song, Page Up and Page Down
// a screen less one row, which stays in sight.
TEST_F(KeyboardWindow, HomeEndAndPageKeysMoveFromTheMiddle) {
    QList<Song> songs;
    for (int i = 0; i < 200; ++i) {
        songs.append(makeSong(QString::number(i)));
    }
    load(songs);
    table().setFocus();
    const int middle = 100;
    const int page = table().viewport()->height() / quirella::ui::SongTableView::rowHeight - 1;
    ASSERT_GT(page, 1);
    const std::pair<Qt::Key, int> rows[] = {{Qt::Key_Home, 0},
                                            {Qt::Key_End, 199},
                                            {Qt::Key_PageUp, middle - page},
                                            {Qt::Key_PageDown, middle + page}};
    for (const auto& [key, row] : rows) {
        SCOPED_TRACE(QKeySequence(key).toString().toStdString());
        table().setCurrentIndex(table().model()->index(middle, 0));
        pressKey(key);
        EXPECT_EQ(selectedTitles(), QStringList{QString::number(row)});
    }
}

TEST_F(KeyboardWindow, EveryCommandIsInTheMenuAndTabReachesTheButtons) {
    load({makeSong(u"Only"_s)});
    table().setFocus();
    // F10 opens the menu of every command, each with its keys where it has some. The menu runs its own
    // loop, so it is read and closed from within it.
    QMenu* menu = window->keyboardCommands()->menu();
    QStringList entries;
    QTimer::singleShot(0, menu, [&] {
        for (const QAction* action : menu->actions()) {
            entries.append(action->text() + u' ' + action->shortcut().toString());
        }
        menu->close();
    });
    pressKey(Qt::Key_F10);
    for (const QString& entry :
         {u"WRITE TAGS Ctrl+S"_s, u"Undo Ctrl+Z"_s, u"Open Folder… Ctrl+O"_s, u"Search BPM "_s,
          u"Select Theme… "_s, u"Online Mode "_s, u"Preferences… "_s, u"Keyboard Shortcuts F1"_s}) {
        EXPECT_TRUE(entries.contains(entry)) << entry.toStdString();
    }
    // F1 lists the keys. (The offscreen platform gives a closed popup's keyboard to no window.)
    window->activateWindow();
    ASSERT_TRUE(hasKeyboard(window.get()));
    pressKey(Qt::Key_F1);
    window->keyboardCommands()->shortcutsWindow()->close();
    ASSERT_TRUE(hasKeyboard(window.get()));
    // The preferences sheet opens with the keyboard on "Largest folder" and sets the view model's limit.
    QDialog* preferences = window->keyboardCommands()->showPreferences();
    auto* largest = preferences->findChild<QComboBox*>(u"largestFolder"_s);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->currentData().toInt(), 1000);
    largest->setCurrentIndex(largest->findData(50000));
    QTest::keyClick(preferences, Qt::Key_Return);
    EXPECT_EQ(model().maximumSongs(), 50000);
    window->activateWindow();
    // Tab goes on from the table to the sidebar's buttons.
    table().setFocus();
    bool reached = false;
    for (int i = 0; i < 40 && !reached; ++i) {
        pressKey(Qt::Key_Tab);
        reached = qobject_cast<quirella::ui::SidebarButton*>(QApplication::focusWidget()) != nullptr;
    }
    EXPECT_TRUE(reached);
}

} // namespace
