// SPDX-License-Identifier: GPL-3.0-or-later
// The window in German: the catalogues installed as the program installs them, for a German desktop.
#include "UiFixtures.h"
#include "app/CoverAssignment.h"
#include "app/Translations.h"
#include "ui/HeaderBar.h"
#include "ui/KeyboardCommands.h"

#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTranslator>

using namespace Qt::StringLiterals;

namespace {

using namespace quirella;
using namespace quirella::ui;
using namespace quirella::test::ui;

class GermanWindow : public WindowTest {
protected:
    void SetUp() override {
        translators = installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German));
        WindowTest::SetUp();
    }
    void TearDown() override {
        WindowTest::TearDown();
        qDeleteAll(translators); // a deleted translator removes itself
    }
    QList<QTranslator*> translators;
};

TEST_F(GermanWindow, SheetsToastsAlertsAndCountsSpeakGerman) {
    ASSERT_EQ(translators.size(), 2); // Quirella's catalogue and Qt's
    QList<Song> songs{makeSong(u"One"_s), makeSong(u"Two"_s), makeSong(u"Three"_s)};
    for (Song& song : songs) {
        song.coverImagePath = u"/music/cover.png"_s;
    }
    load(songs);
    EXPECT_EQ(window->headerBar()->songCountText(), u"3 Songs"_s);

    // German has its own singular and plural.
    model().setSelectedSongIds({songs.at(0).id});
    clearCoversOfSelectedSongs(model());
    EXPECT_EQ(toasts.message(), u"🗑️ Cover von 1 Song entfernt"_s);
    model().setSelectedSongIds({songs.at(1).id, songs.at(2).id});
    clearCoversOfSelectedSongs(model());
    EXPECT_EQ(toasts.message(), u"🗑️ Cover von 2 Songs entfernt"_s);

    press(SidebarView::Action::setGenre);
    ASSERT_TRUE(window->openSheet());
    EXPECT_EQ(window->openSheet()->windowTitle(), u"Genre für alle Songs festlegen"_s);
    window->openSheet()->reject();

    // Qt's own buttons come from Qt's catalogue.
    QDialog* shortcuts = window->keyboardCommands()->showShortcuts();
    EXPECT_EQ(shortcuts->windowTitle(), u"Tastenkürzel"_s);
    EXPECT_EQ(shortcuts->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->text(),
              u"Schließen"_s);
    shortcuts->close();

    (void)model().loadFolder(QUrl::fromLocalFile(u"/no/such/folder"_s));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->alertBox() != nullptr; }));
    EXPECT_EQ(window->alertBox()->text(), u"Fehler: Der gewählte Pfad ist kein gültiger Ordner"_s);
}

} // namespace
