// SPDX-License-Identifier: GPL-3.0-or-later
// Test entry point: every test executable runs inside a Qt application object whose per-user folders
// (settings, cache, data, temporary files) point into a private folder, so tests never touch the
// developer's own preferences or trash.
#include "support/AudioFiles.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifdef QUIRELLA_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QGuiApplication>
using TestApplication = QGuiApplication;
#endif

int main(int argc, char** argv) {
    quirella::test::prepareUnwritablePlaces(); // while the process has a single thread
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home(QDir::tempPath() + QStringLiteral("/quirella-test-XXXXXX"));
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray root = QFile::encodeName(home.path());
    qputenv("XDG_CONFIG_HOME", root + "/config");
    qputenv("XDG_CACHE_HOME", root + "/cache");
    qputenv("XDG_DATA_HOME", root + "/data");
    qputenv("XDG_RUNTIME_DIR", root + "/runtime");
    QDir().mkpath(home.path() + QStringLiteral("/runtime"));
    QFile::setPermissions(home.path() + QStringLiteral("/runtime"),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("TMPDIR", root + "/tmp");
    QDir().mkpath(home.path() + QStringLiteral("/tmp"));

    TestApplication app(argc, argv);
    TestApplication::setOrganizationName(QStringLiteral("Quirella"));
    TestApplication::setApplicationName(QStringLiteral("Quirella Tag-Editor Tests"));
    if (const std::optional<int> status = quirella::test::ChildMain::runIfChild()) {
        return *status;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
