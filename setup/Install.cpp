#include <windows.h>

#include "platform/Boxes.h"
#include "platform/registry/Registry.h"
#include "platform/text/Files.h"
#include "platform/text/Text.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

namespace {
constexpr int WinKeyModifier = 8;
constexpr int CtrlShiftModifier = 6;

void SettleDefaultModifier(TRegIniFile& registry) {
    if (registry.HasSubkey("General")) return;
    registry.ClosePath();
    registry.OpenPath(ProductKey, true);
    const int answer = ShowBox(ModifierQuestion, QuestionCaption, MB_YESNO | MB_ICONQUESTION);
    registry.WriteNumberEntry(OptionsSection, "DefaultModifier",
                              answer == IDYES ? WinKeyModifier : CtrlShiftModifier);
}

std::string ReadPlayCommand(TRegIniFile& registry, const char* playKey) {
    registry.ClosePath();
    registry.OpenPath(playKey, true);
    return registry.ReadEntry("command", "", "");
}

std::string LocatePlayer(TRegIniFile& registry) {
    registry.ClosePath();
    registry.SetRoot(HKEY_CLASSES_ROOT);
    std::string command = ReadPlayCommand(registry, PlayFileKey);
    if (command.empty()) command = ReadPlayCommand(registry, PlayPlaylistKey);
    return command.empty() ? std::string() : PlayerPathFromCommand(command);
}

void StorePlayerPath(TRegIniFile& registry, const std::string& playerPath) {
    registry.ClosePath();
    registry.SetRoot(HKEY_CURRENT_USER);
    registry.OpenPath(ProductKey, true);
    registry.WriteEntry(OptionsSection, "WinampPath", playerPath);
}

bool RemovePluginEdition(const std::string& playerFolder) {
    if (!FilePresent(PluginPath(playerFolder, PluginEdition))) return true;
    ShowBox(PluginEditionNotice, InstallCaption, MB_OK | MB_ICONINFORMATION);
    WaitWhilePlayerRuns(PluginEditionWaitNotice, InstallCaption);
    return ClearName(PluginPath(playerFolder, PluginEdition), WhatToDoWithPluginsInUse());
}

bool CopyCompanionPlugin(const std::string& playerFolder) {
    if (FilePresent(PluginPath(playerFolder, CompanionPlugin)))
        WaitWhilePlayerRuns(CopyWaitNotice, InstallCaption);
    if (ReplaceWithCopy(CompanionPlugin, PluginPath(playerFolder, CompanionPlugin), WhatToDoWithPluginsInUse()))
        return true;
    const std::string text = std::string(CopyFailedText) + SupportAddress;
    ShowBox(text.c_str(), InstallCaption, MB_OK | MB_ICONERROR);
    return false;
}
}  // namespace

bool RunInstall() {
    TRegIniFile registry(HotkeysKey);
    SettleDefaultModifier(registry);
    const std::string playerPath = LocatePlayer(registry);
    StorePlayerPath(registry, playerPath);
    bool pluginsDone = true;
    if (!playerPath.empty()) {
        const std::string playerFolder = DirectoryOf(playerPath);
        RemoveOwnFilesBesidePlugins(playerFolder);
        const bool editionGone = RemovePluginEdition(playerFolder);
        const bool companionCopied = CopyCompanionPlugin(playerFolder);
        pluginsDone = editionGone && companionCopied;
        WaitWhilePlayerRuns(FinishWaitNotice, InstallCaption);
    }
    PruneUninstallEntries(registry);
    return pluginsDone;
}
