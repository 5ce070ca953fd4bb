#include "model/HistoryManager.h"

#include <gtest/gtest.h>

using namespace quirella;

namespace {

// A folder whose single song's title carries a generation number.
MusicFolder folderNumber(int n) {
    Song song;
    song.id = QUuid::createUuid();
    song.name = QString::number(n);
    return MusicFolder::make(QUrl::fromLocalFile(QStringLiteral("/music")), {song});
}

QString title(const std::optional<MusicFolder>& folder) {
    return folder ? folder->songs.value(0).name : QStringLiteral("<none>");
}

TEST(HistoryManager, KeepsOnlyTheLastTwentySnapshots) {
    HistoryManager history;
    // Folder n is the value before change n + 1; after 25 changes the current value is 25.
    for (int n = 0; n < 25; ++n) {
        history.saveState(folderNumber(n));
    }
    EXPECT_EQ(history.historyStack().size(), HistoryManager::maxHistorySize);
    MusicFolder current = folderNumber(25);
    for (int expected = 24; expected >= 5; --expected) {
        SCOPED_TRACE(expected);
        const auto previous = history.undo(current);
        ASSERT_EQ(title(previous), QString::number(expected));
        current = *previous;
    }
    EXPECT_FALSE(history.undo(current));
    EXPECT_EQ(history.redoStack().size(), 20);
    // Redo walks forward again through the values undo replaced.
    EXPECT_EQ(title(history.redo(current)), QStringLiteral("6"));
}

TEST(HistoryManager, UndoThenRedoSwapsTheValuesAndANewChangeForgetsRedo) {
    HistoryManager history;
    const MusicFolder before = folderNumber(1);
    const MusicFolder after = folderNumber(2);
    history.saveState(before);

    const auto undone = history.undo(after);
    EXPECT_EQ(title(undone), QStringLiteral("1"));
    EXPECT_EQ(undone->id, before.id);
    const auto redone = history.redo(*undone);
    EXPECT_EQ(title(redone), QStringLiteral("2"));
    EXPECT_EQ(redone->id, after.id);

    ASSERT_TRUE(history.undo(*redone));
    history.saveState(folderNumber(3));
    EXPECT_TRUE(history.redoStack().isEmpty());
    EXPECT_FALSE(history.redo(folderNumber(4)));
}

} // namespace
