// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileCommands.h"

using namespace Qt::StringLiterals;

namespace quirella::cli {

std::optional<int> runFileCommand(const QStringList& arguments) {
    // --help anywhere shows the usage of every command.
    if (arguments.isEmpty() || arguments.contains("--help"_L1) || arguments.contains("-h"_L1)) {
        return std::nullopt;
    }
    const QString& command = arguments.first();
    if (command == "bpm"_L1) {
        return runBpmCommand(arguments.mid(1));
    }
    if (command == "rename"_L1) {
        return runRenameCommand(arguments.mid(1));
    }
    if (command == "clean-bpm"_L1) {
        return runCleanBpmCommand(arguments.mid(1));
    }
    if (command == "tag-from-name"_L1) {
        return runTagFromNameCommand(arguments.mid(1));
    }
    return std::nullopt;
}

} // namespace quirella::cli
