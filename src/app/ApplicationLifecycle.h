#pragma once

// The window's shutdown step.
namespace ApplicationLifecycle {

// Switches the folder and type rules of the clean task off for the next start, writes the settings
// to disk and flushes the file systems.
void shutDown();

} // namespace ApplicationLifecycle
