#include "app/AppLifecycle.h"
#include "audio/AudioManager.h"
#include "ui/MainWindow.h"
#include "ui/PreviewPlayer.h"

#include <QApplication>
#include <QDir>
#include <QStyleFactory>
#include <QUrl>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quirella"));
    QApplication::setApplicationName(QStringLiteral("Quirella Tag-Editor"));
    QApplication::setApplicationVersion(QStringLiteral(QUIRELLA_VERSION));
    // Our own look on every desktop: the theme decides light or dark, not the desktop's style.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(true);

    quirella::lifecycle::runStartup();
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

    // Folders named on the command line (a desktop file's "Open With" passes file URLs) are loaded as if
    // they had been dropped, in order.
    QList<QUrl> folders;
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        folders.append(QUrl::fromUserInput(argument, QDir::currentPath(), QUrl::AssumeLocalFile));
    }
    window.openFolders(folders);
    return app.exec();
}
