// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/MemoryTuning.h"

#include <cstdlib> // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace quirella {

void keepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    // Setting the trim threshold also fixes the mmap threshold, which glibc would otherwise raise as
    // large blocks are freed; blocks up to a few megabytes (a large cover) then still come from the heap.
    mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
#endif
}

} // namespace quirella
