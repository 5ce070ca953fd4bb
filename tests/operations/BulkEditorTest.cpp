#include "operations/BulkEditor.h"

#include "app/ContentViewModel.h"
#include "model/ToastManager.h"
#include "support/AudioFiles.h"
#include "support/TestSupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

Song song(const QString& title, const QString& artist = {}, const QString& genre = {}, qint64 year = 2000) {
    Song s;
    s.id = QUuid::createUuid();
    s.name = title;
    s.artist = artist;
    s.genre = genre;
    s.year = year;
    s.rating = 2;
    s.bpm = 120;
    return s;
}

class BulkEditing : public ::testing::Test {
protected:
    void SetUp() override {
        model.setFeedback(nullptr, &toasts);
        model.setFolder(QUrl::fromLocalFile(u"/music"_s),
                        {song(u"the best of (the rest)"_s, u"abba"_s, u"pop"_s),
                         song(u"Straße"_s, u"Zoë"_s, u"Électro"_s, 1999)});
    }
    QStringList fields(QStringView column) const {
        QStringList list;
        for (const Song& s : model.visibleSongs()) {
            if (column == u"title") {
                list.append(s.name);
            } else if (column == u"artist") {
                list.append(s.artist);
            } else if (column == u"genre") {
                list.append(s.genre);
            } else if (column == u"year") {
                list.append(QString::number(s.year));
            } else if (column == u"rating") {
                list.append(QString::number(s.rating));
            }
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
        const char* name;
        std::function<bool(BulkEditor&)> run;
        QString column;
        QStringList expected;
    };
    const QList<Case> cases = {
        {"clear titles",
         [](BulkEditor& e) { return e.clearColumn(u"title"); },
         u"title"_s,
         {QString(), QString()}},
        {"clear years", [](BulkEditor& e) { return e.clearColumn(u"year"); }, u"year"_s, {u"0"_s, u"0"_s}},
        {"uppercase artists",
         [](BulkEditor& e) { return e.uppercaseColumn(u"artist"); },
         u"artist"_s,
         {u"ABBA"_s, u"ZOË"_s}},
        {"title case titles",
         [](BulkEditor& e) { return e.titleCaseColumn(u"title"); },
         u"title"_s,
         {u"The Best of (The Rest)"_s, u"Straße"_s}},
        {"replace genres as typed",
         [](BulkEditor& e) { return e.replaceColumn(u"genre", u" Jazz "_s); },
         u"genre"_s,
         {u" Jazz "_s, u" Jazz "_s}},
        {"replace years",
         [](BulkEditor& e) { return e.replaceColumn(u"year", u"2024"_s); },
         u"year"_s,
         {u"2024"_s, u"2024"_s}},
        {"year 1899 changes nothing",
         [](BulkEditor& e) { return e.replaceColumn(u"year", u"1899"_s); },
         u"year"_s,
         {u"2000"_s, u"1999"_s}},
        {"year 2100 changes nothing",
         [](BulkEditor& e) { return e.replaceColumn(u"year", u"2100"_s); },
         u"year"_s,
         {u"2000"_s, u"1999"_s}},
        {"set genre",
         [](BulkEditor& e) { return e.setGenreForAll(u"Rock"_s); },
         u"genre"_s,
         {u"Rock"_s, u"Rock"_s}},
        {"rating 3", [](BulkEditor& e) { return e.setRatingForAll(3); }, u"rating"_s, {u"3"_s, u"3"_s}},
        {"clear ratings", [](BulkEditor& e) { return e.clearRatings(); }, u"rating"_s, {u"0"_s, u"0"_s}},
        {"uppercase all",
         [](BulkEditor& e) { return e.uppercaseAll(); },
         u"title"_s,
         {u"THE BEST OF (THE REST)"_s, u"STRASSE"_s}},
        {"first letter all",
         [](BulkEditor& e) { return e.titleCaseAll(); },
         u"artist"_s,
         {u"Abba"_s, u"Zoë"_s}},
        {"characters",
         [](BulkEditor& e) { return e.cleanCharactersInAllSongs(); },
         u"genre"_s,
         {u"pop"_s, u"Electro"_s}},
        {"replace sheet",
         [](BulkEditor& e) { return e.replaceTextInFields(u"STRASSE"_s, u"x"_s); },
         u"title"_s,
         {u"the best of (the rest)"_s, u"Straße"_s}},
        {"remove sheet",
         [](BulkEditor& e) { return e.replaceTextInFields(u"the"_s, {}); },
         u"title"_s,
         {u"best of ( rest)"_s, u"Straße"_s}},
        {"remove window, terms in order",
         [](BulkEditor& e) {
             return e.removeTerms({u"best"_s, QString(), u"of ("_s}, u"+"_s);
         },
         u"title"_s,
         {u"the + +the rest)"_s, u"Straße"_s}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MusicFolder before = *model.currentFolder();
        const qsizetype steps = model.historyManager().historyStack().size();
        EXPECT_TRUE(c.run(editor));
        EXPECT_EQ(fields(c.column), c.expected);
        EXPECT_EQ(model.historyManager().historyStack().size(), steps + 1);
        EXPECT_EQ(model.visibleSongs().at(0).bpm, 120); // other fields untouched
        model.undo();
        EXPECT_EQ(toJson(*model.currentFolder()), toJson(before));
    }
}

TEST_F(BulkEditing, UnknownColumnsAndNoFolderChangeNothing) {
    EXPECT_FALSE(editor.clearColumn(u"bpm"));
    EXPECT_FALSE(editor.uppercaseColumn(u"year"));
    EXPECT_FALSE(editor.replaceColumn(u"cover", u"x"_s));
    EXPECT_FALSE(model.historyManager().canUndo());

    ContentViewModel empty;
    BulkEditor none(empty);
    EXPECT_FALSE(none.uppercaseAll());
    EXPECT_FALSE(none.swapArtistAndTitle(QUuid::createUuid()));
}

TEST_F(BulkEditing, SidebarToolsStopThePlayingPreviewFirst) {
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
    QList<Song> songs;
    for (const QString& name : {u"a"_s, u"b"_s, u"c"_s, u"d"_s}) {
        Song s = song(name);
        const QString path = dir.write(name + u".mp3"_s, mp3Audio());
        s.url = QUrl::fromLocalFile(path);
        s.bookmarkData = path.toUtf8();
        songs.append(s);
    }
    model.setFolder(QUrl::fromLocalFile(dir.path()), songs);
    model.setSelectedSongIds({songs[0].id, songs[1].id, songs[3].id});
    ASSERT_TRUE(waitFor(editor.moveSongsToTrash()));
    EXPECT_EQ(model.visibleSongs().size(), 1);
    EXPECT_TRUE(model.selectedSongIds().isEmpty());
    EXPECT_EQ(toasts.message(), u"🗑️ 3 songs moved to Trash"_s);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"a.mp3"_s)));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"c.mp3"_s)));
    EXPECT_FALSE(model.historyManager().canUndo());
}

} // namespace

namespace {

// No high surrogate without its low one and the other way round.
bool pairsIntact(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate()) {
            if (i + 1 >= text.size() || !text.at(i + 1).isLowSurrogate()) {
                return false;
            }
            ++i;
        } else if (text.at(i).isLowSurrogate()) {
            return false;
        }
    }
    return true;
}

TEST(BulkEditingHostileText, NeitherCrashesNorTouchesOtherFields) {
    QString controls;
    for (char16_t c = 1; c < 0x20; ++c) {
        controls.append(QChar(c));
    }
    const QList<std::pair<QString, QString>> titlesAndArtists = {
        {QString(10000, u'x') + u" feat 🎵"_s, QString(10000, u'Y')},
        {u"e\u0301\u0301\u0301 ñ 🎵🎶 Zoë"_s, u"a\u0308\u20DD & b\u0301"_s},
        {u"שלום עולם (remix) مرحبا"_s, u"فيروز"_s},
        {controls + u"\u007F title"_s, controls},
        {u".*+?^$[](){}|\\ 𝄞𝄞"_s, u"((( ))) [[["_s},
    };
    QList<Song> songs;
    for (const auto& [title, artist] : titlesAndArtists) {
        Song s = song(title, artist, u"Pop ́"_s, 1984);
        s.url = QUrl::fromLocalFile(u"/music/x.mp3"_s);
        s.coverImagePath = u"/tmp/cover.jpg"_s;
        songs.append(s);
    }
    const QList<std::pair<const char*, std::function<bool(BulkEditor&)>>> operations = {
        {"uppercase title", [](BulkEditor& e) { return e.uppercaseColumn(u"title"); }},
        {"title case artist", [](BulkEditor& e) { return e.titleCaseColumn(u"artist"); }},
        {"uppercase all", [](BulkEditor& e) { return e.uppercaseAll(); }},
        {"first letter all", [](BulkEditor& e) { return e.titleCaseAll(); }},
        {"characters", [](BulkEditor& e) { return e.cleanCharactersInAllSongs(); }},
        {"regex term", [](BulkEditor& e) { return e.replaceTextInFields(u".*+?^$[](){}|\\"_s, {}); }},
        {"surrogate-half term",
         [](BulkEditor& e) { return e.replaceTextInFields(QString(QChar(0xD834)), u"x"_s); }},
        {"mark term",
         [](BulkEditor& e) {
             return e.removeTerms({u"\u0301"_s, u"e"_s, u"🎵"_s}, u"-"_s);
         }},
    };
    for (const auto& [name, run] : operations) {
        SCOPED_TRACE(name);
        ContentViewModel model;
        model.setFolder(QUrl::fromLocalFile(u"/music"_s), songs);
        BulkEditor editor(model);
        ASSERT_TRUE(run(editor));
        for (qsizetype i = 0; i < songs.size(); ++i) {
            const Song& before = songs.at(i);
            const Song& after = model.currentFolder()->songs.at(i);
            EXPECT_EQ(after.id, before.id);
            EXPECT_EQ(after.url, before.url);
            EXPECT_EQ(after.year, 1984);
            EXPECT_EQ(after.rating, 2);
            EXPECT_EQ(after.coverImagePath, before.coverImagePath);
            EXPECT_TRUE(pairsIntact(after.name) && pairsIntact(after.artist) && pairsIntact(after.genre));
        }
        if (std::string_view(name) == "uppercase title") {
            EXPECT_EQ(model.currentFolder()->songs.at(0).artist, songs.at(0).artist);
        }
    }
}

} // namespace
