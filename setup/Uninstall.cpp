#include <windows.h>

#include "platform/Boxes.h"
#include "platform/registry/Registry.h"
#include "platform/text/Files.h"
#include "platform/text/Text.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

namespace {
// Removes the product's marks from the registry; returns the player's folder.
std::string ForgetProduct() {
    TRegIniFile registry(ProductKey);
    const std::string playerPath =
        registry.ReadEntry(OptionsSection, "WinampPath", DefaultPlayerPath);
    registry.RemoveEntry(OptionsSection, "FirstRunMarker");
    registry.ClosePath();
    registry.OpenPath(CurrentVersionKey, true);
    registry.RemoveEntry("Run", "Tarnquill");
    return DirectoryOf(playerPath);
}

// A plug-in that is not there counts as deleted; a box that cannot be shown counts as Cancel.
bool DeleteCompanionPlugin(const std::string& playerFolder) {
    RemoveOwnFilesBesidePlugins(playerFolder);
    for (;;) {
        if (ClearName(PluginPath(playerFolder, CompanionPlugin), WhatToDoWithPluginsInUse())) return true;
        // Captioned "Installation" in uninstall mode too: the product's own text, kept as it is.
        if (ShowBox(DeletionFailedText, InstallCaption, MB_RETRYCANCEL | MB_ICONERROR) != IDRETRY) return false;
    }
}
}  // namespace

bool RunUninstall() {
    const std::string playerFolder = ForgetProduct();
    WaitWhilePlayerRuns(UninstallWaitNotice, UninstallCaption);
    return DeleteCompanionPlugin(playerFolder);
}
