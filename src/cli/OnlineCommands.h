// SPDX-License-Identifier: GPL-3.0-or-later
// quirella-cli's online commands: `lookup` and `auto-search`.
#pragma once

#include "CliArguments.h"

namespace quirella::cli {

int runLookup(const LookupCommand& command);
int runAutoSearch(const AutoSearchCommand& command);

} // namespace quirella::cli
