// /install end to end: the real program under Wine, the real registry, files and windows.
#include <algorithm>

#include <gtest/gtest.h>

#include "tests/e2e/Scenario.h"

namespace {

RegEntry WinampPath(const std::string& path) { return Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", Sz(path)); }
RegEntry Modifier(const char* digits) { return Value(HKEY_CURRENT_USER, OptionsKey, "DefaultModifier", Sz(digits)); }

TEST(Install, TheWinKeyQuestion) {
    const Scenario scenarios[] = {
        {.name = "yes gives 8", .tail = " /install", .answers = {"yes"}, .boxes = {says::Question},
         .after = {Modifier("8"), WinampPath(""), Key(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Hotkeys"),
                   NoKey(HKEY_CURRENT_USER, HotkeysGeneralKey)}},
        {.name = "no gives 6", .tail = " /install", .answers = {"no"}, .boxes = {says::Question},
         .after = {Modifier("6")}},
        {.name = "closing the question gives 6", .tail = " /install", .answers = {"close"},
         .boxes = {says::Question}, .after = {Modifier("6")}},
        {.name = "asked again and overwritten without General", .before = {Modifier("8")},
         .tail = " /install", .answers = {"no"}, .boxes = {says::Question}, .after = {Modifier("6")}},
    };
    for (const Scenario& scenario : scenarios) Check(scenario);
}

struct CommandCase {
    const char* name;
    std::vector<RegEntry> commands;
    std::string winampPath;
    std::string companion;  // where the copy lands; empty: nothing is copied
    std::vector<std::string> boxes;
};

// How the scan cuts the path out of a command is the player-path table's; here, where the run
// then looks and what it stores.
TEST(Install, ThePlayerIsFoundThroughThePlayCommand) {
    const CommandCase cases[] = {
        {"quoted path and quoted argument", {PlayCommand(QuotedPlayer)}, Player, Companion, {}},
        {"no WINAMP.EXE: the whole command less the quotes it looks at",
         {PlayCommand("\"{dir}\\Player\\play.exe\" \"%1\"")}, "{dir}\\Player\\play.exe %1",
         "{dir}\\Player\\Plugins\\gen_zorv.dll", {}},
        {"empty first command falls back to the playlist's",
         {PlayCommand(""), Value(HKEY_CLASSES_ROOT, PlaylistCommandKey, "", Sz(QuotedPlayer))}, Player, Companion, {}},
        {"missing first command falls back to the playlist's",
         {Value(HKEY_CLASSES_ROOT, PlaylistCommandKey, "", Sz(QuotedPlayer))}, Player, Companion, {}},
        {"a first command is used without looking at the second",
         {PlayCommand(QuotedPlayer), Value(HKEY_CLASSES_ROOT, PlaylistCommandKey, "", Sz("C:\\other\\winamp.exe"))},
         Player, Companion, {}},
        {"an expandable command is read as stored",
         {Value(HKEY_CLASSES_ROOT, FileCommandKey, "", {REG_EXPAND_SZ, QuotedPlayer + std::string(1, '\0')})},
         Player, Companion, {}},
        {"a player at a drive root", {PlayCommand("C:\\winamp.exe \"%1\"")}, "C:\\winamp.exe",
         "C:\\Plugins\\gen_zorv.dll", {}},
    };
    std::vector<CommandCase> checked(std::begin(cases), std::end(cases));
    const std::optional<std::string> rootPlugins = CurrentRootPlugins();
    if (rootPlugins)
        checked.push_back({"a player at the current drive's root, named without a letter: no network path",
                           {PlayCommand("\"\\winamp.exe\" \"%1\"")}, "\\winamp.exe", *rootPlugins + "\\gen_zorv.dll", {}});
    for (const CommandCase& c : checked) {
        Scenario scenario{.name = c.name, .foldersBefore = {"C:\\Plugins", rootPlugins.value_or("C:\\Plugins")},
                          .tail = " /install", .boxes = c.boxes};
        scenario.before = c.commands;
        scenario.before.push_back(GeneralPresent());
        scenario.after = {WinampPath(c.winampPath), Key(HKEY_CLASSES_ROOT, "Winamp.File\\shell\\Play")};
        if (!c.companion.empty()) scenario.filesAfter = {{c.companion, NewPlugin}};
        Check(scenario);
    }
    for (const std::string& folder : {std::string("C:\\Plugins"), rootPlugins.value_or("C:\\Plugins")})
        RemoveDirectoryA(folder.c_str());
}

TEST(Install, NoPlayerRegistered) {
    Check({.name = "no player: WinampPath empty, nothing touched", .before = {GeneralPresent()},
           .filesBefore = {{Edition, "old edition"}}, .winampRunning = true, .tail = " /install",
           .boxes = {},
           .after = {WinampPath(""), Key(HKEY_CLASSES_ROOT, "Winamp.File\\shell\\Play"),
                     Key(HKEY_CLASSES_ROOT, "Winamp.Playlist\\shell\\Play"),
                     NoKey(HKEY_CLASSES_ROOT, "Winamp.File\\shell\\Play\\command")},
           .filesAfter = {{Edition, "old edition"}, {Companion, std::nullopt}}});
}

TEST(Install, PlugInFilesAndTheWaitsForWinamp) {
    const std::vector<RegEntry> registered = {GeneralPresent(), PlayCommand(QuotedPlayer)};
    const Scenario scenarios[] = {
        {.name = "edition present: its notice once, waits while Winamp runs, then it is gone",
         .before = registered, .filesBefore = {{Edition, "old edition"}}, .winampRunning = true,
         .tail = " /install", .answers = {"ok", "ok", "closewinamp+ok"},
         .boxes = {says::EditionFound, says::EditionWait, says::EditionWait},
         .filesAfter = {{Edition, std::nullopt}, {Companion, NewPlugin}}},
        {.name = "edition present, Winamp not running", .before = registered,
         .filesBefore = {{Edition, "old edition"}}, .tail = " /install", .answers = {"ok"},
         .boxes = {says::EditionFound}, .filesAfter = {{Edition, std::nullopt}, {Companion, NewPlugin}}},
        {.name = "companion absent: copied at once, only the final wait asks", .before = registered,
         .winampRunning = true, .tail = " /install", .answers = {"ok", "closewinamp+ok"},
         .boxes = {says::FinishWait, says::FinishWait}, .filesAfter = {{Companion, NewPlugin}}},
        {.name = "companion present: the wait comes before the copy", .before = registered,
         .filesBefore = {{Companion, "old companion"}}, .winampRunning = true, .tail = " /install",
         .answers = {"closewinamp+ok"}, .boxes = {says::CopyWait}, .filesAfter = {{Companion, NewPlugin}}},
        {.name = "edition locked: nothing said, the copy follows", .before = registered,
         .filesBefore = {{Edition, "old edition"}}, .tail = " /install", .answers = {"ok"},
         .heldFile = Edition, .boxes = {says::EditionFound},
         .filesAfter = {{Edition, "old edition"}, {Companion, NewPlugin}}},
    };
    for (const Scenario& scenario : scenarios) Check(scenario);
}

TEST(Install, AFailedCopyIsToldAndTheRunGoesOn) {
    const Scenario scenarios[] = {
        {.name = "no companion in the working folder; killed runs' new files beside both plug-ins go all the same",
         .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .filesBefore = {{"{wd}\\gen_zorv.dll", std::nullopt}, {Companion + ".4242-0.tmp", "a killed run's"},
                         {Edition + ".4242-1.tmp", "a killed run's"}},
         .winampRunning = true, .tail = " /install", .answers = {"ok", "closewinamp+ok"},
         .boxes = {says::CopyFailed, says::FinishWait},
         .after = {WinampPath(Player), NoEntry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .filesAfter = {{Companion, std::nullopt}, {Companion + ".4242-0.tmp", std::nullopt},
                        {Edition + ".4242-1.tmp", std::nullopt}}},
        {.name = "the plug-in loaded by a player with no window here (another user's session): told, kept, nothing "
                 "moved aside",
         .before = {GeneralPresent(), PlayCommand(QuotedPlayer)}, .filesBefore = {{Companion, PluginLibrary("old_companion")}},
         .tail = " /install", .answers = {"ok"}, .loadedFiles = {Companion}, .boxes = {says::CopyFailed},
         .filesAfter = {{Companion, PluginLibrary("old_companion")}}},
    };
    for (const Scenario& scenario : scenarios) Check(scenario);
}

// A deployment tool's service starts the setup where nobody can see a box: the run asks nothing
// and waits for nothing, and still does the machine's work. A failure ends in its exit code alone.
TEST(Install, WhereNobodyCanSeeABox) {
    const Scenario scenarios[] = {
        {.name = "first install: Ctrl+Shift (6) taken, the edition swapped for the plug-in, older entries pruned",
         .before = {PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .filesBefore = {{Edition, "old edition"}}, .winampRunning = true, .unseen = true, .tail = " /install",
         .boxes = {}, .after = {Modifier("6"), WinampPath(Player), NoEntry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .filesAfter = {{Edition, std::nullopt}, {Companion, NewPlugin}}, .productEntriesAfter = 1},
        {.name = "both plug-ins loaded by the player: each moved aside, the new plug-in in place; a restart takes them",
         .before = {GeneralPresent(), PlayCommand(QuotedPlayer)},
         .filesBefore = {{Edition, PluginLibrary("old_edition")}, {Companion, PluginLibrary("old_companion")}},
         .winampRunning = true, .unseen = true, .tail = " /install", .loadedFiles = {Companion, Edition}, .boxes = {},
         .filesAfter = {{Edition, std::nullopt}, {Companion, NewPlugin}}, .ownFilesAfter = 2,
         .then = Scenario::Then::Restart},
        {.name = "a holder that shares no deletion, for the whole run: exit code 2, the old plug-in kept",
         .before = {GeneralPresent(), PlayCommand(QuotedPlayer)}, .filesBefore = {{Companion, "old companion"}},
         .unseen = true, .tail = " /install", .heldFile = Companion, .boxes = {}, .exitCode = 2,
         .filesAfter = {{Companion, "old companion"}}},
        {.name = "no companion plug-in to copy: exit code 2",
         .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .filesBefore = {{"{wd}\\gen_zorv.dll", std::nullopt}}, .unseen = true, .tail = " /install", .boxes = {},
         .exitCode = 2, .after = {NoEntry("Tarnquill 1.0")}, .filesAfter = {{Companion, std::nullopt}}},
        {.name = "a Play command that is no text: exit code 1, nothing pruned",
         .before = {GeneralPresent(), Value(HKEY_CLASSES_ROOT, FileCommandKey, "", {REG_DWORD, std::string(4, '\1')}),
                    Entry("Tarnquill 1.0"), Entry("Tarnquill 2.0")},
         .unseen = true, .tail = " /install", .boxes = {}, .exitCode = 1,
         .after = {NoValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath"), Entry("Tarnquill 1.0")}},
    };
    for (const Scenario& scenario : scenarios) Check(scenario);
}

struct PruneCase {
    const char* name;
    std::vector<std::string> entries;
    std::vector<std::string> staying;
};

TEST(Install, OnlyTheProductEntryThatSortsLastStays) {
    const PruneCase cases[] = {
        {"no product entry", {"TqOther App", "TqOther Tool"}, {"TqOther App", "TqOther Tool"}},
        {"one entry stays whatever its name", {"tarnquill-zzz"}, {"tarnquill-zzz"}},
        {"three versions", {"Tarnquill 1.1", "Tarnquill 2.0", "Tarnquill 1.0"}, {"Tarnquill 2.0"}},
        {"9 sorts after 10", {"Tarnquill 10", "Tarnquill 9"}, {"Tarnquill 9"}},
        {"letter case plays no part", {"TARNQUILL B", "tarnquill a", "TqOther App"}, {"TARNQUILL B", "TqOther App"}},
        {"the name later in an entry's name", {"TqOther Tarnquill", "Tarnquill 1", "Tarnquill 2"},
         {"TqOther Tarnquill", "Tarnquill 2"}},
        {"the name followed directly by letters", {"TarnquillPro", "Tarnquill 1"}, {"TarnquillPro"}},
    };
    for (const PruneCase& c : cases) {
        Scenario scenario{.name = c.name, .before = {GeneralPresent()}, .tail = " /install"};
        for (const std::string& entry : c.entries) {
            scenario.before.push_back(Entry(entry));
            const bool stays = std::find(c.staying.begin(), c.staying.end(), entry) != c.staying.end();
            scenario.after.push_back(stays ? Entry(entry) : NoEntry(entry));
        }
        Check(scenario);
    }
}

TEST(Install, ADeletedEntryGoesWithItsSubkeysAndValues) {
    Check({.name = "deep entry",
           .before = {GeneralPresent(), Entry("Tarnquill 1.0"), Entry("Tarnquill 1.0\\Sub\\Deeper"),
                      Value(HKEY_LOCAL_MACHINE, EntryKey("Tarnquill 1.0\\Sub"), "Size", {REG_DWORD, std::string("\1\0\0\0", 4)}),
                      Entry("Tarnquill 1.0\\Other"), Entry("Tarnquill 1.5")},
           .tail = " /install",
           .after = {NoEntry("Tarnquill 1.0"), Entry("Tarnquill 1.5")}});
}
}  // namespace
