#pragma once

// The start-up and shutdown steps shared by the GUI and the command-line tool.
namespace ApplicationLifecycle {

// Registers the settings defaults (nothing is stored) and the named date transformer.
void registerDefaultsAndTransformers();

// Switches the folder and type rules of the clean task off for the next start, writes the settings
// to disk and flushes the file systems.
void shutDown();

} // namespace ApplicationLifecycle
