// SPDX-License-Identifier: GPL-3.0-or-later
// Sending a song's file to the user's trash, the freedesktop.org trash that file managers show.
#pragma once

#include <QString>

#include <optional>

namespace quirella::trash {

// Moves the file at `path` (any name, see model/Paths.h) to the trash, setting the trash up in the
// user's data folder first. The reason, for people, when the file was not moved.
std::optional<QString> moveToTrash(const QString& path);

} // namespace quirella::trash
