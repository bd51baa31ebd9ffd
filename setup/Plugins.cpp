// The plug-ins in Winamp's Plugins folder while Winamp may hold them.
#include "platform/Boxes.h"
#include "platform/text/Files.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

InUse WhatToDoWithPluginsInUse() { return BoxesAreSeen() ? InUse::Keep : InUse::MoveAside; }

void RemoveOwnFilesBesidePlugins(const std::string& playerFolder) {
    for (const char* plugin : {CompanionPlugin, PluginEdition}) RemoveLeftoverCopies(PluginPath(playerFolder, plugin));
}
