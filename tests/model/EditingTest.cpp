// SPDX-License-Identifier: GPL-3.0-or-later
#include "model/EditingManager.h"
#include "model/HistoryManager.h"
#include "model/Selection.h"
#include "support/Songs.h"

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

using namespace quirella;
using namespace Qt::StringLiterals;

namespace {

Song namedSong(const QString& name) {
    return test::makeSong(name, QStringLiteral("Artist ") + name, 1999, QStringLiteral("Genre ") + name, 2,
                          128);
}

MusicFolder folderOf(int count) {
    QList<Song> songs;
    for (int i = 0; i < count; ++i) {
        songs.append(namedSong(QString::number(i)));
    }
    return MusicFolder::make(QUrl::fromLocalFile(QStringLiteral("/music")), songs);
}

TEST(YearCommit, StoresOnlyYearsOfTheValidRange) {
    for (const auto& [typed, stored] :
         {std::pair{"1900", 1900}, {"2099", 2099}, {"+1999", 1999}, {"0002001", 2001}}) {
        EXPECT_EQ(parseYearText(QString::fromUtf8(typed)), stored) << typed;
    }
    // Out of range, not only digits, too long for 64 bits, digits of other scripts.
    for (const char* typed :
         {"", "19", "2100", "1899", "abcd", "199a", "-1999", "+", " 1999", "1999 ", "99999999999999999999",
          "\u0662\u0660\u0660\u0660", "\uff12\uff10\uff10\uff10"}) {
        EXPECT_EQ(parseYearText(QString::fromUtf8(typed)), 0) << typed;
    }
}

// Track and disc numbers as typed: whole numbers 1 to 999, a total after "/" not below the number.
TEST(NumberCommit, TakesNumbersWithTotalsAndRefusesAnythingElse) {
    const std::pair<const char*, NumberPair> taken[] = {
        {"3", {3, 0}},           {"03", {3, 0}}, {"3/12", {3, 12}}, {" 3 / 12 ", {3, 12}},
        {"999/999", {999, 999}}, {"", {0, 0}},   {"0", {0, 0}},     {"7/7", {7, 7}}};
    for (const auto& [typed, pair] : taken) {
        EXPECT_EQ(parseNumberPair(QString::fromUtf8(typed)).value, pair) << typed;
    }
    for (const char* typed : {"abc", "3/2", "-1", "1000", "3/1000", "3/", "/3", "3/12/1", "0/5", "1 2"}) {
        const NumberPairInput refused = parseNumberPair(QString::fromUtf8(typed));
        EXPECT_FALSE(refused.value) << typed;
        EXPECT_TRUE(refused.error.contains(QString::fromUtf8(typed))) << typed;
    }
    EXPECT_EQ(numberPairText({3, 12}) + u'|' + numberPairText({3, 0}) + u'|' + numberPairText({}),
              u"3/12|3|"_s);
    EXPECT_EQ(storedNumberPair(u"03 of 12"), (NumberPair{3, 0}));
    EXPECT_EQ(storedNumberPair(u"4/ 9"), (NumberPair{4, 9}));
}

TEST(ApplyFieldEdit, TextFieldsTakeTheTextAsTypedAndOtherFieldsAreLeftAlone) {
    Song song = namedSong(QStringLiteral("x"));
    EXPECT_TRUE(applyFieldEdit(song, u"artist", QStringLiteral(" Drum & Bass ")));
    EXPECT_TRUE(applyFieldEdit(song, u"genre", QString()));
    EXPECT_EQ(song.artist + u'|' + song.genre, QStringLiteral(" Drum & Bass |"));
    EXPECT_TRUE(applyFieldEdit(song, u"albumArtist", QStringLiteral("Various ")));
    EXPECT_TRUE(applyFieldEdit(song, u"disc", QStringLiteral("1/2")));
    EXPECT_FALSE(applyFieldEdit(song, u"track", QStringLiteral("3/2")));
    EXPECT_TRUE(refusalOfFieldEdit(u"track", u"3/2") && !refusalOfFieldEdit(u"album", u"3/2"));
    EXPECT_EQ(std::tuple(song.albumArtist, song.disc, song.track),
              std::tuple(u"Various "_s, NumberPair{1, 2}, NumberPair{}));
    for (const char16_t* field : {u"bpm", u"rating", u"duration", u"extension", u"Title", u""}) {
        Song other = namedSong(QStringLiteral("x"));
        EXPECT_FALSE(applyFieldEdit(other, field, QStringLiteral("2001")));
        EXPECT_EQ(QList<qint64>({other.bpm, other.rating, other.year}), QList<qint64>({128, 2, 1999}));
    }
}

TEST(EditingManager, FolderOperationsChangeEverySongAndClampRatings) {
    const EditingManager editing;
    const MusicFolder folder = folderOf(3);

    EXPECT_FALSE(editing.updateField(folder, QUuid::createUuid(), u"title", QStringLiteral("x")));
    const auto updated = editing.updateField(folder, folder.songs[1].id, u"year", QStringLiteral("2024"));
    ASSERT_TRUE(updated);
    EXPECT_EQ(updated->songs[1].year, 2024);
    EXPECT_EQ(updated->songs[0].year, 1999);

    for (const auto& [given, stored] : {std::pair{9, 5}, std::pair{-2, 0}, std::pair{4, 4}}) {
        SCOPED_TRACE(given);
        for (const Song& song : editing.setRatingForAll(folder, given).songs) {
            EXPECT_EQ(song.rating, stored);
        }
    }
    EXPECT_EQ(editing.clearRatings(folder).songs[2].rating, 0);
    for (const Song& song : editing.setGenreForAll(folder, QStringLiteral(" Jazz ")).songs) {
        EXPECT_EQ(song.genre, QStringLiteral(" Jazz "));
    }

    const MusicFolder shouted =
        editing.transformTextFields(folder, [](const QString& text) { return text.toUpper(); });
    EXPECT_EQ(shouted.songs[2].artist + u'|' + shouted.songs[2].genre, QStringLiteral("ARTIST 2|GENRE 2"));
}

// ---- Selection ----

class SelectionClicks : public ::testing::Test {
protected:
    QList<Song> rows = folderOf(10).songs;
    Selection selection;

    void click(int row, bool shift = false, bool command = false) {
        selection = selectSong(selection, rows, rows[row].id, shift, command);
    }
    QSet<QUuid> ids(std::initializer_list<int> rowNumbers) const {
        QSet<QUuid> set;
        for (const int row : rowNumbers) {
            set.insert(rows[row].id);
        }
        return set;
    }
};

TEST_F(SelectionClicks, ShiftExtendsFromTheAnchorAndCtrlTogglesButKeepsIt) {
    click(3, true);
    EXPECT_EQ(selection.selectedSongIds, ids({3})) << "no anchor yet: a plain click";
    click(3);
    click(7, true);
    EXPECT_EQ(selection.selectedSongIds, ids({3, 4, 5, 6, 7}));

    click(0);
    click(9, false, true);
    click(6, true);
    EXPECT_EQ(selection.selectedSongIds, ids({0, 6, 7, 8, 9}));
    EXPECT_EQ(selection.lastSelectedId, rows[6].id);

    // Ctrl-click toggles; deselecting keeps the anchor.
    click(2);
    click(4, false, true);
    EXPECT_EQ(selection.selectedSongIds, ids({2, 4}));
    click(2, false, true);
    EXPECT_EQ(selection.selectedSongIds, ids({4}));
    click(6, true);
    EXPECT_EQ(selection.selectedSongIds, ids({4, 5, 6}));
    // Ctrl wins over shift.
    click(5, true, true);
    EXPECT_EQ(selection.selectedSongIds, ids({4, 6}));
    // An anchor missing from the visible rows makes shift a plain click.
    click(2, false, true);
    rows.removeAt(2);
    click(5, true);
    EXPECT_EQ(selection.selectedSongIds, ids({5}));
}

// An older value is kept as its difference from the one above it and comes back exactly, its songs' file
// values apart (those of the value above stay), whatever maintenance has run; the fields a difference
// lists never keep a song whole.
TEST(SnapshotStack, RebuildsOlderValuesFromTheirDifferences) {
    struct Case {
        const char* name;
        std::function<void(MusicFolder&)> change;
        qsizetype wholeSongs;
    };
    const Case cases[] = {
        {"no change", [](MusicFolder&) {}, 0},
        {"every listed field of one song",
         [](MusicFolder& folder) {
             Song& song = folder.songs[1];
             song.name = QStringLiteral("New");
             song.artist.clear();
             song.genre = QStringLiteral("Jazz");
             song.year = 2001;
             song.rating = 5;
             song.bpm = 90;
             song.coverImagePath = QStringLiteral("/covers/new.jpg");
         },
         0},
        {"a field beyond them", [](MusicFolder& folder) { folder.songs[2].hasID3Tags = true; }, 1},
        {"another order", [](MusicFolder& folder) { std::reverse(folder.songs.begin(), folder.songs.end()); },
         0},
        {"a song gone and one new",
         [](MusicFolder& folder) {
             folder.songs.removeAt(0);
             folder.songs.append(namedSong(QStringLiteral("4")));
         },
         1},
        {"the file values only",
         [](MusicFolder& folder) {
             FileValues file;
             file.title = QStringLiteral("T");
             folder.songs[3].fileValues = file;
         },
         0},
        {"another folder", [](MusicFolder& folder) { folder = folderOf(2); }, 4},
    };
    const auto expectSameApartFromFileValues = [](MusicFolder a, MusicFolder b) {
        EXPECT_EQ(a.id, b.id);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.path, b.path);
        for (QList<Song>* songs : {&a.songs, &b.songs}) {
            for (Song& song : *songs) {
                song.fileValues.reset();
            }
        }
        EXPECT_EQ(a.songs, b.songs);
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        const MusicFolder older = folderOf(4);
        MusicFolder newer = older;
        row.change(newer);
        EXPECT_EQ(SnapshotStack::difference(older, newer).wholeSongs.size(), row.wholeSongs);
        // Every state the maintenance leaves reads the same: whole, reduced, reduced against a popped value.
        for (const bool maintained : {false, true}) {
            SnapshotStack stack;
            const auto maintain = [&] {
                while (maintained && stack.nextWork()) {
                    stack.finishWork(SnapshotStack::doWork(*stack.nextWork()));
                }
            };
            stack.push(older);
            stack.push(newer);
            stack.push(newer);
            maintain();
            expectSameApartFromFileValues(stack.values().first(), older);
            expectSameApartFromFileValues(stack.pop(), newer);
            expectSameApartFromFileValues(stack.pop(), newer);
            maintain();
            expectSameApartFromFileValues(stack.pop(), older);
            EXPECT_TRUE(stack.isEmpty());
        }
    }
}

} // namespace
