// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that work on file names and tempi: `bpm`, `rename`, `clean-bpm` and `tag-from-name`, each in
// its own file.
#pragma once

#include "Console.h"

#include <QStringList>

#include <optional>

namespace quirella::cli {

// Runs the command named by the first argument when it is one of these four; nothing otherwise.
std::optional<int> runFileCommand(const QStringList& arguments);

int runBpmCommand(const QStringList& arguments);
int runRenameCommand(const QStringList& arguments);
int runCleanBpmCommand(const QStringList& arguments);
int runTagFromNameCommand(const QStringList& arguments);

} // namespace quirella::cli
