// SPDX-License-Identifier: GPL-3.0-or-later
// Whether songs' tempi go into their files' tags: off unless the user turns "Write BPM into tags" on. When
// on, a save writes a song's tempo (when it has one) and loading takes a file's stored tempo for a song
// whose tempo is otherwise unknown.
#pragma once

#include <QLatin1StringView>

namespace quirella::preferences {

inline constexpr QLatin1StringView writeBpmKey{"WriteBPMIntoTags"};

// The stored choice, read once and then kept; safe from any thread.
bool writeBpmIntoTags();
// Changes the choice at once and stores it off the calling thread.
void setWriteBpmIntoTags(bool on);

} // namespace quirella::preferences
