// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace quirella {

QString translationsFolder() {
    const QString installed =
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral(QUIRELLA_TRANSLATIONS_RELATIVE));
    if (QFileInfo::exists(installed + QStringLiteral("/quirella_de.qm"))) {
        return QDir::cleanPath(installed);
    }
    return QStringLiteral(QUIRELLA_TRANSLATIONS_BUILD_DIR);
}

QList<QTranslator*> installTranslations(QCoreApplication& app, const QLocale& locale) {
    QList<QTranslator*> installed;
    const auto install = [&](const QString& name, const QString& folder) {
        auto* translator = new QTranslator(&app);
        // Tries each of the locale's languages in turn (LANGUAGE, then LC_MESSAGES and LANG on Linux).
        if (translator->load(locale, name, QStringLiteral("_"), folder) &&
            QCoreApplication::installTranslator(translator)) {
            installed.append(translator);
            return true;
        }
        delete translator;
        return false;
    };
    // Qt's own catalogue only with ours: a window half in German and half in English helps nobody.
    if (install(QStringLiteral("quirella"), translationsFolder())) {
        install(QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    }
    return installed;
}

} // namespace quirella
