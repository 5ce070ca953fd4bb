// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace quirella {

// The progress overlay's estimate of the time left, from the completion in percent and the seconds since
// the overlay appeared: "Calculating..." before any progress and at 100 %, then whole seconds under a
// minute, whole minutes under an hour, else hours and minutes ("2h 30m remaining").
QString remainingTimeText(double progressPercent, double elapsedSeconds);

} // namespace quirella
