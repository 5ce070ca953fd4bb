// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/BulkEditor.h"

#include "app/ContentViewModel.h"
#include "model/ToastManager.h"
#include "support/Songs.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

class BulkEditing : public ::testing::Test {
protected:
    void SetUp() override {
        model.setFeedback(nullptr, &toasts);
        model.setFolder(QUrl::fromLocalFile(u"/music"_s),
                        {makeSong(u"the best of (the rest)"_s, u"abba"_s, 2000, u"pop"_s, 2, 120),
                         makeSong(u"Straße"_s, u"Zoë"_s, 1999, u"Électro"_s, 2, 120)});
    }
    QStringList fields(QStringView column) const {
        QStringList list;
        for (const Song& s : model.visibleSongs()) {
            list.append(column == u"title"    ? s.name
                        : column == u"artist" ? s.artist
                        : column == u"genre"  ? s.genre
                        : column == u"year"   ? QString::number(s.year)
                                              : QString::number(s.rating));
        }
        return list;
    }

    ToastManager toasts;
    ContentViewModel model;
    BulkEditor editor{model};
};

// Every operation is one undo step that brings the whole folder back, and changes only its fields.
TEST_F(BulkEditing, EachOperationIsOneUndoStep) {
    struct Case {
        QString column;
        QString expected; // the visible rows' values, joined by '|'
        std::function<bool(BulkEditor&)> run;
    };
    using E = BulkEditor;
    const QList<Case> cases = {
        {u"title"_s, u"|"_s, [](E& e) { return e.clearColumn(u"title"); }},
        {u"year"_s, u"0|0"_s, [](E& e) { return e.clearColumn(u"year"); }},
        {u"artist"_s, u"ABBA|ZOË"_s, [](E& e) { return e.uppercaseColumn(u"artist"); }},
        {u"title"_s, u"The Best of (The Rest)|Straße"_s, [](E& e) { return e.titleCaseColumn(u"title"); }},
        {u"genre"_s, u" Jazz | Jazz "_s, [](E& e) { return e.replaceColumn(u"genre", u" Jazz "_s); }},
        {u"year"_s, u"2024|2024"_s, [](E& e) { return e.replaceColumn(u"year", u"2024"_s); }},
        {u"year"_s, u"2000|1999"_s, [](E& e) { return e.replaceColumn(u"year", u"1899"_s); }},
        {u"genre"_s, u"Rock|Rock"_s, [](E& e) { return e.setGenreForAll(u"Rock"_s); }},
        {u"rating"_s, u"3|3"_s, [](E& e) { return e.setRatingForAll(3); }},
        {u"rating"_s, u"0|0"_s, [](E& e) { return e.clearRatings(); }},
        {u"title"_s, u"THE BEST OF (THE REST)|STRASSE"_s, [](E& e) { return e.uppercaseAll(); }},
        {u"artist"_s, u"Abba|Zoë"_s, [](E& e) { return e.titleCaseAll(); }},
        {u"genre"_s, u"pop|Electro"_s, [](E& e) { return e.cleanCharactersInAllSongs(); }},
        {u"title"_s, u"best of ( rest)|Straße"_s, [](E& e) { return e.replaceTextInFields(u"the"_s, {}); }},
        {u"title"_s, u"the + +the rest)|Straße"_s,
         [](E& e) {
             return e.removeTerms({u"best"_s, QString(), u"of ("_s}, u"+"_s);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected.toStdString());
        const MusicFolder before = *model.currentFolder();
        const qsizetype steps = model.historyManager().historyStack().size();
        EXPECT_TRUE(c.run(editor));
        EXPECT_EQ(fields(c.column).join(u'|'), c.expected);
        EXPECT_EQ(model.historyManager().historyStack().size(), steps + 1);
        EXPECT_EQ(model.visibleSongs().at(0).bpm, 120); // other fields untouched
        model.undo();
        EXPECT_EQ(toJson(*model.currentFolder()), toJson(before));
    }
}

TEST_F(BulkEditing, UnknownColumnsChangeNothingAndSidebarToolsStopThePreviewFirst) {
    EXPECT_FALSE(editor.clearColumn(u"bpm"));
    EXPECT_FALSE(editor.uppercaseColumn(u"year"));
    EXPECT_FALSE(model.historyManager().canUndo());
    bool playing = true;
    int stops = 0;
    BulkEditor withPlayer(model, {[&] { return playing; },
                                  [&] {
                                      ++stops;
                                      playing = false;
                                  }});
    withPlayer.uppercaseAll();
    withPlayer.titleCaseAll();
    EXPECT_EQ(stops, 1);
}

TEST_F(BulkEditing, SwapUpdatesTheRowInPlace) {
    model.sortBy(u"title"); // the swap must not re-sort
    const QUuid first = model.visibleSongs().at(0).id;
    QList<int> changedRows;
    QObject::connect(&model, &ContentViewModel::songChanged, [&](int row) { changedRows.append(row); });
    int resets = 0;
    QObject::connect(&model, &ContentViewModel::songsReset, [&] { ++resets; });
    ASSERT_TRUE(editor.swapArtistAndTitle(first));
    EXPECT_EQ(changedRows, QList<int>{0});
    EXPECT_EQ(resets, 0);
    EXPECT_EQ(model.visibleSongs().at(0).id, first);
    EXPECT_EQ(model.visibleSongs().at(0).name, findSong(model.currentFolder()->songs, first)->name);
    EXPECT_FALSE(editor.swapArtistAndTitle(QUuid::createUuid()));
    model.undo();
    EXPECT_EQ(model.visibleSongs().at(0).id, first);
}

TEST_F(BulkEditing, DeletingSelectedSongsTrashesTheirFilesAndCountsThem) {
    ScratchDir dir;
    const QList<Song> songs = songsOnDisk(dir, {u"a"_s, u"b"_s, u"c"_s, u"d"_s});
    model.setFolder(QUrl::fromLocalFile(dir.path()), songs);
    model.setSelectedSongIds({songs[0].id, songs[1].id, songs[3].id});
    ASSERT_TRUE(waitFor(editor.moveSongsToTrash()));
    EXPECT_EQ(model.visibleSongs().size(), 1);
    EXPECT_TRUE(model.selectedSongIds().isEmpty());
    EXPECT_EQ(toasts.message(), u"🗑️ 3 songs moved to Trash"_s);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"a.wav"_s)));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"c.wav"_s)));
    EXPECT_FALSE(model.historyManager().canUndo());
}

} // namespace
