// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppLifecycle.h"
#include "app/Instances.h"
#include "app/MemoryTuning.h"
#include "app/Translations.h"
#include "audio/AudioManager.h"
#include "model/Paths.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPlayer.h"
#include "ui/TerminationSignals.h"

#include <QApplication>
#include <QStyleFactory>
#include <QUrl>

#include <cstdio>
#include <cstring>

namespace {

// A folder named on the command line, as native path bytes. A desktop's "Open With" passes file URLs;
// a shell passes paths, relative or with a trailing slash, which are named by the folder they stand for
// ("." by its own name, links resolved). The bytes are kept as they are: a name need not be UTF-8.
QByteArray folderArgument(const QByteArray& argument) {
    if (argument.startsWith("file://")) {
        const QByteArray rest = argument.mid(7);
        const qsizetype slash = rest.indexOf('/');
        return slash < 0 ? QByteArray() : QByteArray::fromPercentEncoding(rest.mid(slash));
    }
    return quirella::paths::nativePath(
        quirella::paths::canonicalPath(quirella::paths::fromNativePath(argument)));
}

QList<QUrl> folderLocations(const QByteArrayList& folders) {
    QList<QUrl> locations;
    for (const QByteArray& folder : folders) {
        if (!folder.isEmpty()) {
            locations.append(QUrl::fromLocalFile(quirella::paths::fromNativePath(folder)));
        }
    }
    return locations;
}

constexpr char kUsage[] = QT_TRANSLATE_NOOP(
    "quirella", "Usage: quirella [FOLDER...]\n"
                "\n"
                "Opens the Quirella Tag-Editor window. Each FOLDER is loaded as if it had been\n"
                "dropped on the window, in order; when the window is open already, the folders\n"
                "are handed to it and this launch ends.\n"
                "\n"
                "  --help     show this help and exit\n"
                "  --version  show the version and exit\n"
                "  --         every argument after it is a folder\n");

} // namespace

int main(int argc, char** argv) {
    // Answered before anything else starts: no display, no window, no registration.
    bool optionsEnded = false;
    QByteArrayList folders;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
        } else if (!optionsEnded &&
                   (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0)) {
            // In the desktop's language: a bare application object is enough for the catalogues.
            QCoreApplication help(argc, argv);
            quirella::installTranslations(help);
            std::fputs(QCoreApplication::translate("quirella", kUsage).toUtf8().constData(), stdout);
            return 0;
        } else if (!optionsEnded && std::strcmp(argument, "--version") == 0) {
            std::fputs("quirella (Quirella Tag-Editor) " QUIRELLA_VERSION "\n", stdout);
            return 0;
        } else {
            folders.append(folderArgument(QByteArray(argument)));
        }
    }
    quirella::keepFreedMemoryForReuse();

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quirella"));
    QApplication::setApplicationName(QStringLiteral("Quirella Tag-Editor"));
    QApplication::setApplicationVersion(QStringLiteral(QUIRELLA_VERSION));
    // Wayland and the docks find the desktop entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quirella.TagEditor"));
    // Our own look on every desktop: the theme decides light or dark, not the desktop's style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(true);
    quirella::installTranslations(app);

    // One window per user: a second launch gives its folders to the first and leaves. Should the first
    // not answer, this one runs beside it; being registered, neither clears the other's files.
    const quirella::ProcessRegistration registration;
    quirella::WindowInstance instance;
    if (!instance.claim() && instance.handOver(folders)) {
        return 0;
    }

    quirella::lifecycle::runStartup();
    quirella::ui::quitOnTerminationSignals(); // a session that ends quits as closing the window does
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { quirella::lifecycle::runExit(); });

    // The one preview player; it restores "PlayerVolume" now and stores it when the application quits.
    quirella::AudioManager audio;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &audio, [&audio] {
        audio.storeVolume();
        audio.stop();
    });

    quirella::ui::MainWindow window;
    quirella::ui::attachPreviewPlayer(window, audio);
    window.show();
    QObject::connect(&instance, &quirella::WindowInstance::foldersReceived, &window,
                     [&window](const QByteArrayList& received) {
                         window.openFolders(folderLocations(received));
                         window.raise();
                         window.activateWindow();
                     });

    // Folders named on the command line are loaded as if they had been dropped, in order.
    window.openFolders(folderLocations(folders));
    return app.exec();
}
