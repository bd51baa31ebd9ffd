// /uninstall end to end.
#include <gtest/gtest.h>

#include "tests/e2e/Scenario.h"

namespace {
constexpr char DefaultCompanion[] = "C:\\PROGRAM FILES\\WINAMP\\Plugins\\gen_zorv.dll";

RegEntry Option(const char* name, const std::string& text) { return Value(HKEY_CURRENT_USER, OptionsKey, name, Sz(text)); }
RegEntry RunValue(const char* name, const std::string& text) { return Value(HKEY_CURRENT_USER, RunKey, name, Sz(text)); }

// An installed product: its options, its autostart entry beside another program's, its plug-in.
std::vector<RegEntry> Installed(const std::string& winampPath) {
    return {Option("WinampPath", winampPath), Option("DefaultModifier", "8"), Option("FirstRunMarker", "1"),
            RunValue("Tarnquill", "C:\\Tarnquill\\Tarnquill.exe"), RunValue("TqOtherProgram", "other.exe")};
}

const std::vector<RegEntry> Uninstalled = {
    Option("WinampPath", Player), Option("DefaultModifier", "8"), NoValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker"),
    NoValue(HKEY_CURRENT_USER, RunKey, "Tarnquill"), RunValue("TqOtherProgram", "other.exe")};

TEST(Uninstall, RemovesTheMarksAndThePlugIn) {
    const Scenario scenarios[] = {
        {.name = "plain: no box at all", .before = Installed(Player), .filesBefore = {{Companion, "plug-in"}},
         .tail = " /uninstall", .boxes = {}, .after = Uninstalled, .filesAfter = {{Companion, std::nullopt}}},
        {.name = "Winamp running: the wait first", .before = Installed(Player), .filesBefore = {{Companion, "plug-in"}},
         .winampRunning = true, .tail = " /uninstall", .answers = {"ok", "closewinamp+ok"},
         .boxes = {says::UninstallWait, says::UninstallWait}, .after = Uninstalled,
         .filesAfter = {{Companion, std::nullopt}}},
        {.name = "locked: Retry while locked, Retry after release", .before = Installed(Player),
         .filesBefore = {{Companion, "plug-in"}}, .tail = " /uninstall", .answers = {"retry", "release+retry"},
         .heldFile = Companion, .boxes = {says::DeletionFailed, says::DeletionFailed}, .after = Uninstalled,
         .filesAfter = {{Companion, std::nullopt}}},
        {.name = "locked: Cancel keeps the file as it was, read-only too; the registry changes stay",
         .before = Installed(Player), .filesBefore = {{Companion, "plug-in", FILE_ATTRIBUTE_READONLY}},
         .tail = " /uninstall", .answers = {"cancel"}, .heldFile = Companion, .boxes = {says::DeletionFailed},
         .after = Uninstalled, .filesAfter = {{Companion, "plug-in", FILE_ATTRIBUTE_READONLY}}},
        {.name = "locked: closing the box counts as Cancel", .before = Installed(Player),
         .filesBefore = {{Companion, "plug-in"}}, .tail = " /uninstall", .answers = {"close"},
         .heldFile = Companion, .boxes = {says::DeletionFailed}, .filesAfter = {{Companion, "plug-in"}}},
        {.name = "nobody sees the boxes: a holder that shares no deletion keeps the plug-in, exit code 2",
         .before = Installed(Player), .filesBefore = {{Companion, "plug-in"}}, .winampRunning = true, .unseen = true,
         .tail = " /uninstall", .heldFile = Companion, .boxes = {}, .exitCode = 2, .after = Uninstalled,
         .filesAfter = {{Companion, "plug-in"}}},
        {.name = "nobody sees the boxes, the plug-in loaded: moved aside; the next run removes it once the player let go",
         .before = Installed(Player), .filesBefore = {{Companion, PluginLibrary("old_companion")}}, .winampRunning = true,
         .unseen = true, .tail = " /uninstall", .loadedFiles = {Companion}, .boxes = {}, .after = Uninstalled,
         .filesAfter = {{Companion, std::nullopt}}, .ownFilesAfter = 1, .then = Scenario::Then::RunAgain},
        {.name = "absent plug-in counts as deleted", .before = Installed(Player), .tail = " /uninstall",
         .boxes = {}, .after = Uninstalled},
        {.name = "absent Plugins folder counts as deleted", .before = Installed("{dir}\\Gone\\winamp.exe"),
         .tail = " /uninstall", .boxes = {}},
        {.name = "a folder in the plug-in's place cannot be deleted", .before = Installed(Player),
         .foldersBefore = {Companion}, .tail = " /uninstall", .answers = {"retry", "cancel"},
         .boxes = {says::DeletionFailed, says::DeletionFailed}},
    };
    for (const Scenario& scenario : scenarios) Check(scenario);
    // Where a player in the root of the current drive keeps it.
    const std::optional<std::string> rootPlugins = CurrentRootPlugins();
    if (!rootPlugins) return;
    const std::string rootCompanion = *rootPlugins + "\\gen_zorv.dll";
    const Scenario atTheRoot[] = {
        {.name = "empty WinampPath: the current drive's root", .before = Installed(""),
         .filesBefore = {{rootCompanion, "plug-in"}}, .tail = " /uninstall", .boxes = {},
         .after = {Option("WinampPath", "")}, .filesAfter = {{rootCompanion, std::nullopt}}},
        {.name = "a player at the current drive's root, named without a letter: no network path",
         .before = Installed("\\winamp.exe"), .filesBefore = {{rootCompanion, "plug-in"}}, .tail = " /uninstall",
         .boxes = {}, .filesAfter = {{rootCompanion, std::nullopt}}},
    };
    for (Scenario scenario : atTheRoot) {
        scenario.foldersBefore = {*rootPlugins};
        Check(scenario);
    }
    RemoveDirectoryA(rootPlugins->c_str());
}

TEST(Uninstall, TheDefaultPlayerPathWhenNoneIsStored) {
    Check({.name = "no WinampPath", .before = {Option("FirstRunMarker", "1")},
           .filesBefore = {{DefaultCompanion, "plug-in"}},
           .foldersBefore = {"C:\\PROGRAM FILES\\WINAMP", "C:\\PROGRAM FILES\\WINAMP\\Plugins"}, .tail = " /uninstall", .boxes = {},
           .after = {NoValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker")},
           .filesAfter = {{DefaultCompanion, std::nullopt}}});
}

TEST(Uninstall, CreatesOnlyTheProductKey) {
    Check({.name = "nothing installed", .tail = " /uninstall", .boxes = {},
           .after = {Key(HKEY_CURRENT_USER, ProductKey), NoKey(HKEY_CURRENT_USER, OptionsKey)}});
    Check({.name = "no Run key", .before = {NoKey(HKEY_CURRENT_USER, RunKey)}, .tail = " /uninstall", .boxes = {},
           .after = {NoKey(HKEY_CURRENT_USER, RunKey)}});
    MakeKey(HKEY_CURRENT_USER, RunKey);
}
}  // namespace
