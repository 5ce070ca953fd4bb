// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli edit PATH... OPERATION... [--write]: the window's bulk edits from a shell.
#pragma once

#include <QStringList>

#include <optional>

namespace quirella::cli {

// Runs `edit` when it is the first argument (and --help is not asked for); nothing otherwise.
std::optional<int> runEditCommand(const QStringList& arguments);

} // namespace quirella::cli
