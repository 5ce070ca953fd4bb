// SPDX-License-Identifier: GPL-3.0-or-later
// The last ten name patterns the user applied, newest first, one list for reading tags from names
// ("TagsFromNamePatterns") and one for naming files ("FileNamePatterns"), kept between launches.
#pragma once

#include <QString>
#include <QStringList>

namespace quirella::recentPatterns {

enum class Kind { tagsFromNames, fileNames };

inline constexpr int kept = 10;

// Read from the preferences once, then kept in memory; safe from any thread.
QStringList load(Kind kind);
// Puts the pattern first (once), keeps ten, and stores the list off the calling thread.
void remember(Kind kind, const QString& pattern);

} // namespace quirella::recentPatterns
