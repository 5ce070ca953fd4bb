// SPDX-License-Identifier: GPL-3.0-or-later
// The manual pages say what --help says: every paragraph of each program's --help (the usage lines
// without "Usage:", each command's description without the command's name, each block of options)
// appears in its manual page, once the page's markup and both texts' line breaks are taken out.
#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString flattened(QString text) {
    text.remove(QRegularExpression(u"[*_\\\\]"_s));
    return text.simplified();
}

void expectManualSaysWhatHelpSays(const QString& program, const QString& manualName) {
    SCOPED_TRACE(manualName.toStdString());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LANGUAGE"_s, u"en"_s);
    process.setProcessEnvironment(environment);
    process.start(program, {u"--help"_s});
    ASSERT_TRUE(process.waitForFinished(60000));
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    QFile file(QStringLiteral(QUIRELLA_SOURCE_DIR "/man/") + manualName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString manual = flattened(QString::fromUtf8(file.readAll()));

    const QStringList commands{u"scan"_s,      u"write"_s,  u"bpm"_s,         u"rename"_s,
                               u"clean-bpm"_s, u"lookup"_s, u"auto-search"_s, u"edit"_s};
    const QStringList paragraphs = help.split(QRegularExpression(u"\n\\s*\n"_s), Qt::SkipEmptyParts);
    ASSERT_GE(paragraphs.size(), 3);
    for (QString paragraph : paragraphs) {
        paragraph = flattened(paragraph);
        if (paragraph.startsWith("Usage: "_L1)) {
            paragraph.remove(0, 7);
        }
        const QString first = paragraph.section(u' ', 0, 0);
        if (commands.contains(first)) {
            paragraph = paragraph.section(u' ', 1);
        }
        EXPECT_TRUE(manual.contains(paragraph)) << "the manual page lacks: " << paragraph.toStdString();
    }
}

} // namespace

TEST(ManualPage, SaysWhatHelpSays) {
    expectManualSaysWhatHelpSays(QStringLiteral(QUIRELLA_CLI_PATH), u"quirella-cli.1.scd"_s);
    expectManualSaysWhatHelpSays(QStringLiteral(QUIRELLA_WINDOW_PATH), u"quirella.1.scd"_s);
}
