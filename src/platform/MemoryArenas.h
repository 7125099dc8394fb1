#pragma once

// Scans read on many more threads than there are cores, and the C library gives each thread that
// allocates an arena of its own, up to eight per core, each keeping memory it was given back: with one
// arena per core, a scan of 100,000 files peaks 5 MB lower and runs as fast. Call before any thread
// starts.
void limitMemoryArenasToCores();
