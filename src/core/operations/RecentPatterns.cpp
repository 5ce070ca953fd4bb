// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/RecentPatterns.h"

#include <QMutex>
#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

#include <array>
#include <optional>

namespace quirella::recentPatterns {

namespace {

QString keyOf(Kind kind) {
    return kind == Kind::tagsFromNames ? QStringLiteral("TagsFromNamePatterns")
                                       : QStringLiteral("FileNamePatterns");
}

// The lists in memory; the mutex also orders the stores, so the last one written is the newest list.
QMutex g_mutex;
std::array<std::optional<QStringList>, 2> g_lists;

QStringList& listOf(Kind kind) {
    std::optional<QStringList>& list = g_lists.at(size_t(kind));
    if (!list) {
        list = QSettings().value(keyOf(kind)).toStringList().mid(0, kept);
    }
    return *list;
}

} // namespace

QStringList load(Kind kind) {
    const QMutexLocker lock(&g_mutex);
    return listOf(kind);
}

void remember(Kind kind, const QString& pattern) {
    {
        const QMutexLocker lock(&g_mutex);
        QStringList& list = listOf(kind);
        list.removeAll(pattern);
        list.prepend(pattern);
        list = list.mid(0, kept);
    }
    (void)QtConcurrent::run([kind] {
        const QMutexLocker lock(&g_mutex);
        QSettings().setValue(keyOf(kind), listOf(kind));
    });
}

} // namespace quirella::recentPatterns
