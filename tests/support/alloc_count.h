// Heap use of the whole program, counted by replacements of the global
// allocation functions: linking alloc_count.cpp into a program counts every
// block it allocates through operator new.
#pragma once

namespace testsupport {

// Blocks allocated and not yet freed: a leak shows as a count that does not
// return to where it was.
long long LiveBlocks();
// Bytes in those blocks, as the heap sized them.
long long LiveBytes();
// The most LiveBytes has been since the last ResetPeakBytes.
long long PeakBytes();
void ResetPeakBytes();

}  // namespace testsupport
