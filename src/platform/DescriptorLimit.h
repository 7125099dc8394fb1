#pragma once

#include <functional>

// Runs open() and returns its descriptor. When it fails for want of descriptors (EMFILE), the soft limit
// on open descriptors is raised to the hard limit, once for the process, and open() runs again: a walk
// that keeps a folder open per level of a deep tree needs more than the usual 1,024.
int openRaisingDescriptorLimit(const std::function<int()> &open);
