// SPDX-License-Identifier: GPL-3.0-or-later
// The auto-search commands on the loaded folder: the run of online/AutoSearch.h with the view model's
// progress overlay and toasts, its results written into the current folder's songs (by id, so edits
// made meanwhile stay) without an undo step.
#pragma once

#include "online/AutoSearch.h"

#include <QFuture>

namespace quirella {

class ContentViewModel;
class MusicMetadataManager;

// Call on the UI thread. The future finishes after the final toast.
QFuture<AutoSearchOutcome> autoSearchAll(ContentViewModel& viewModel, AutoSearchField field,
                                         bool isOnlineMode, MusicMetadataManager& manager);

} // namespace quirella
