#pragma once
// The two modes and their phases.
#include <string>

class TRegIniFile;

void RunInstall();
void RunUninstall();

// Returns once no Winamp main window exists, showing the notice each time one is found.
void WaitWhilePlayerRuns(const char* notice, const char* caption);

// Leaves, of the product's entries in the machine's uninstall list, only the one that sorts last.
void PruneUninstallEntries(TRegIniFile& registry);

// The player's path cut out of the shell's Play command.
std::string PlayerPathFromCommand(const std::string& command);

// The file in the player folder's Plugins folder; a root folder ("\\", "C:\\") adds no separator.
std::string PluginPath(const std::string& playerFolder, const char* fileName);
