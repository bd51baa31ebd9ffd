#pragma once
// The two modes and their phases.
#include <string>

#include "platform/text/Files.h"

class TRegIniFile;

// Each true when every plug-in step was done: the edition gone, the companion plug-in copied, or
// on uninstall the companion plug-in gone.
bool RunInstall();
bool RunUninstall();

// Returns once no Winamp main window exists, showing the notice each time one is found.
void WaitWhilePlayerRuns(const char* notice, const char* caption);

// Leaves, of the product's entries in the machine's uninstall list, only the one that sorts last.
void PruneUninstallEntries(TRegIniFile& registry);

// The player's path cut out of the shell's Play command.
std::string PlayerPathFromCommand(const std::string& command);

// The file in the player folder's Plugins folder; a root folder ("\\", "C:\\") adds no separator.
std::string PluginPath(const std::string& playerFolder, const char* fileName);

// Where somebody sees the boxes, that user is asked to close Winamp; where nobody does, a plug-in
// that Winamp has loaded is moved out of the way instead.
InUse WhatToDoWithPluginsInUse();
// The program's own files beside both plug-ins (killed runs' new files, plug-ins moved aside) that
// nobody holds.
void RemoveOwnFilesBesidePlugins(const std::string& playerFolder);
