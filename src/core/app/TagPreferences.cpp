// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TagPreferences.h"

#include <QSettings>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>

namespace quirella::preferences {

namespace {

// -1 until first read.
std::atomic<int> g_writeBpm{-1};

} // namespace

bool writeBpmIntoTags() {
    int value = g_writeBpm.load();
    if (value < 0) {
        value = QSettings().value(QString(writeBpmKey), false).toBool() ? 1 : 0;
        g_writeBpm.store(value);
    }
    return value == 1;
}

void setWriteBpmIntoTags(bool on) {
    g_writeBpm.store(on ? 1 : 0);
    (void)QtConcurrent::run([on] { QSettings().setValue(QString(writeBpmKey), on); });
}

} // namespace quirella::preferences
