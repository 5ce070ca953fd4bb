// SPDX-License-Identifier: GPL-3.0-or-later
// Several processes of ours at once: the registry that keeps the launch clean-up away from files
// another process still uses, and the one window that takes the folders of later launches.
#include "app/Instances.h"

#include "app/AppLifecycle.h"
#include "app/ContentViewModel.h"
#include "model/Paths.h"
#include "support/TestSupport.h"

#include <QProcess>
#include <QSignalSpy>
#include <QtConcurrent/QtConcurrentRun>

#include <gtest/gtest.h>
#include <unistd.h>

using namespace quirella;
using namespace quirella::test;
using namespace Qt::StringLiterals;

namespace {

// Another live process of ours as the registry sees one: it holds the lock on a registration file while
// it runs. The shell locks the file under another name, renames it into place (never seen unlocked), and
// becomes `sleep`, which keeps the descriptor.
class OtherProcess {
public:
    explicit OtherProcess(const QString& folder) {
        m_process.start(
            u"bash"_s,
            {u"-c"_s,
             u"exec 9>\"$0/.staging\" && flock 9 && mv \"$0/.staging\" \"$0/process-999999.lock\" && exec sleep 60"_s,
             folder});
        EXPECT_TRUE(m_process.waitForStarted());
        // Registered once flock has taken the lock, which a second taker then cannot get.
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return ProcessRegistration::otherProcessRegistered(folder); }, 10000));
    }
    ~OtherProcess() { die(); }
    void die() {
        m_process.kill();
        m_process.waitForFinished();
    }

private:
    QProcess m_process;
};

} // namespace

TEST(ProcessRegistry, SeesLiveProcessesAndIgnoresTheRegistrationsOfDeadOnes) {
    const ScratchDir dir;
    const ProcessRegistration own(dir.path());
    ASSERT_TRUE(own.isRegistered());
    EXPECT_FALSE(ProcessRegistration::otherProcessRegistered(dir.path())); // itself does not count

    OtherProcess other(dir.path());
    EXPECT_TRUE(ProcessRegistration::otherProcessRegistered(dir.path()));
    other.die(); // killed: its lock file stays behind, unlocked
    EXPECT_TRUE(QFile::exists(dir.filePath(u"process-999999.lock"_s)));
    EXPECT_FALSE(ProcessRegistration::otherProcessRegistered(dir.path()));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"process-999999.lock"_s)));
}

// Both the launch clean-up and "Clean" leave the shared files alone while another process of ours runs.
TEST(ProcessRegistry, CleanUpsLeaveFilesAloneWhileAnotherProcessRuns) {
    const QString folder = paths::privateTempDir();
    ASSERT_FALSE(folder.isEmpty());
    const QString cover = folder + u"/Cover_0123456789abcdef.jpg"_s;
    const QString converted = folder + u"/Quirella_Cover_0123456789.jpg"_s;
    ASSERT_TRUE(writeAll(cover, "jpeg"));
    ASSERT_TRUE(writeAll(converted, "jpeg"));
    ContentViewModel model;
    {
        OtherProcess other(folder);
        lifecycle::runStartup();
        ASSERT_TRUE(waitFor(lifecycle::cleanAndReset(model)));
        EXPECT_TRUE(QFile::exists(cover)); // the other process may still write it into a file
        EXPECT_TRUE(QFile::exists(converted));
    }
    lifecycle::runStartup();
    EXPECT_FALSE(QFile::exists(cover));
    ASSERT_TRUE(writeAll(converted, "jpeg"));
    ASSERT_TRUE(waitFor(lifecycle::cleanAndReset(model)));
    EXPECT_FALSE(QFile::exists(converted));
}

TEST(WindowInstance, ASecondLaunchHandsItsFoldersToTheFirstWindow) {
    const ScratchDir dir;
    WindowInstance first(dir.path());
    ASSERT_TRUE(first.claim());
    EXPECT_TRUE(first.isPrimary());
    QSignalSpy received(&first, &WindowInstance::foldersReceived);

    const QByteArrayList folders{QByteArrayLiteral("/music/One"), QByteArrayLiteral("/music/Caf\xE9"), {}};
    // The second launch blocks while it waits for the answer; the first answers from its event loop.
    const QFuture<bool> handedOver = QtConcurrent::run([folder = dir.path(), folders] {
        WindowInstance second(folder);
        return !second.claim() && second.handOver(folders);
    });
    ASSERT_TRUE(received.wait(10000));
    EXPECT_EQ(received.first().first().value<QByteArrayList>(), folders);
    ASSERT_TRUE(waitFor(handedOver));
    EXPECT_TRUE(handedOver.result());
}

TEST(WindowInstance, TheClaimPassesOnWhenTheFirstWindowCloses) {
    const ScratchDir dir;
    {
        WindowInstance first(dir.path());
        ASSERT_TRUE(first.claim());
        EXPECT_FALSE(WindowInstance(dir.path()).claim());
    }
    EXPECT_TRUE(WindowInstance(dir.path()).claim());
    // Nobody listens for a hand-over once no window runs.
    EXPECT_FALSE(WindowInstance(dir.path()).handOver({QByteArrayLiteral("/music")}, 300));
}
