// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogues that put the window's and the command line's texts into the desktop's language.
#pragma once

#include <QList>
#include <QLocale>

class QCoreApplication;
class QTranslator;

namespace quirella {

// Installs Quirella's catalogue and Qt's own (the standard buttons) for `locale` on `app`, and returns
// what it installed; the translators are children of `app`. English needs none: the source texts are
// English. Looks next to the program first (an installed copy), then in the build tree.
QList<QTranslator*> installTranslations(QCoreApplication& app, const QLocale& locale = QLocale::system());

// The folder of Quirella's catalogues for this program: the installed one when it exists.
QString translationsFolder();

} // namespace quirella
