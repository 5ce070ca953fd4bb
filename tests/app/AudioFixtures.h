// The audio builders under their earlier name, for the suites that still include this header; they
// live in support/AudioFiles.h.
#pragma once

#include "support/AudioFiles.h"

namespace quirella::test::audio {
using namespace quirella::test;
} // namespace quirella::test::audio
