// The program as its real callers run it: the sample product setup and uninstaller, started
// silently (/S), run it with /install and /uninstall; the boxes the program shows on their
// behalf are answered as a user would.
#include <gtest/gtest.h>

#include "tests/e2e/Scenario.h"

namespace {
constexpr char StandIn[] = "stand-in companion plug-in\n";
constexpr DWORD SetupFailed = 2;  // the sample setup's exit code when the program failed

std::string SampleSetup(const char* version) {
    return TQ_BUILT(TQ_SAMPLE_DIR) + "\\TarnquillSample-" + version + ".exe";
}
// Where users have it: a path with a space and parentheses.
const std::string Product = "{dir}\\Program Files (x86)\\Tarnquill";
const std::string IntoProduct = " /S /D=" + Product;
// In place (_?=), so that the uninstaller is waited for; it cannot then delete itself.
const std::string Uninstaller = Product + "\\uninstall.exe";
const std::string UninstallInPlace = " /S _?=" + Product;
std::vector<RunBefore> Installs(std::initializer_list<const char*> versions) {
    std::vector<RunBefore> runs;
    for (const char* version : versions) runs.push_back({SampleSetup(version), IntoProduct});
    return runs;
}

RegEntry EntryValue(const char* version, const char* name, const std::string& text) {
    return Value(HKEY_LOCAL_MACHINE, EntryKey(std::string("Tarnquill ") + version), name, Sz(text));
}
RegEntry Options(const char* name, const std::string& text) { return Value(HKEY_CURRENT_USER, OptionsKey, name, Sz(text)); }
RegEntry Autostart() { return Value(HKEY_CURRENT_USER, RunKey, "Tarnquill", Sz("C:\\Tarnquill\\Tarnquill.exe")); }

TEST(SampleSetup, FirstInstallAsksTheWinKeyQuestionAndRecordsOneEntry) {
    Check({.name = "first install of 1.0", .program = SampleSetup("1.0"), .before = {PlayCommand(QuotedPlayer)},
           .tail = IntoProduct, .answers = {"yes"}, .boxes = {says::Question},
           .after = {Options("DefaultModifier", "8"), Options("WinampPath", Player),
                     EntryValue("1.0", "DisplayName", "Tarnquill 1.0"), EntryValue("1.0", "DisplayVersion", "1.0"),
                     EntryValue("1.0", "Publisher", "Halvorstead"),
                     EntryValue("1.0", "UninstallString", "\"" + Uninstaller + "\"")},
           .filesAfter = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}},
           .productEntriesAfter = 1});
}

TEST(SampleSetup, ANewVersionLeavesOnlyItsOwnEntry) {
    Check({.name = "2.0 over 1.0", .program = SampleSetup("2.0"),
           .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0"), Entry("TqOther Program")},
           .tail = IntoProduct, .boxes = {},
           .after = {NoEntry("Tarnquill 1.0"), EntryValue("2.0", "DisplayName", "Tarnquill 2.0")},
           .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1});
}

TEST(SampleSetup, TheSetupWaitsWhileWinampRuns) {
    Check({.name = "install while Winamp runs", .program = SampleSetup("2.0"),
           .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0")},
           .filesBefore = {{Companion, "companion plug-in, old build"}}, .winampRunning = true, .tail = IntoProduct,
           .answers = {"ok", "closewinamp+ok"}, .boxes = {says::CopyWait, says::CopyWait},
           .after = {NoEntry("Tarnquill 1.0")}, .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1});
}

TEST(SampleSetup, TheUninstallerRemovesTheProductAndOffersRetry) {
    const std::vector<RegEntry> installed = {GeneralPresent(), PlayCommand(QuotedPlayer), Autostart(),
                                             Options("FirstRunMarker", "1")};
    const std::vector<RegEntry> gone = {NoValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker"),
                                        NoValue(HKEY_CURRENT_USER, RunKey, "Tarnquill"), NoEntry("Tarnquill 1.0"),
                                        Options("WinampPath", Player)};
    const std::vector<FileEntry> removed = {{Companion, std::nullopt},
                                            {Product + "\\TarnquillSetup.exe", std::nullopt},
                                            {Product + "\\gen_zorv.dll", std::nullopt}};
    Check({.name = "uninstall", .program = Uninstaller, .runsBefore = Installs({"1.0"}), .before = installed,
           .tail = UninstallInPlace, .boxes = {}, .after = gone, .filesAfter = removed, .productEntriesAfter = 0});
    Check({.name = "uninstall with the plug-in held", .program = Uninstaller, .runsBefore = Installs({"1.0"}),
           .before = installed, .tail = UninstallInPlace, .answers = {"release+retry"}, .heldFile = Companion,
           .boxes = {says::DeletionFailed}, .after = gone, .filesAfter = removed, .productEntriesAfter = 0});
    // The program keeps the entry that sorts last, whichever version installed last: the
    // uninstaller removes every entry that names it.
    const std::pair<const char*, std::vector<RunBefore>> histories[] = {
        {"2.0, then 1.0 over it, uninstalled", Installs({"2.0", "1.0"})},
        {"1.9, then 1.10 over it, uninstalled", Installs({"1.9", "1.10"})}};
    for (const auto& [name, installs] : histories)
        Check({.name = name, .program = Uninstaller, .runsBefore = installs, .before = installed,
               .tail = UninstallInPlace, .boxes = {}, .after = gone, .filesAfter = removed,
               .productEntriesAfter = 0});
}

TEST(SampleSetup, AFailedUninstallKeepsTheProductForAnotherTry) {
    Check({.name = "uninstall with a stored player path of a wrong value type", .program = Uninstaller,
           .runsBefore = {{SampleSetup("1.0"), IntoProduct,
                           {Value(HKEY_CURRENT_USER, OptionsKey, "WinampPath", {REG_DWORD, std::string(4, '\1')})}}},
           .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Autostart()},
           .tail = UninstallInPlace,
           .boxes = {std::string(says::FailureBoxStart) + "Invalid data type for 'WinampPath'\\." + says::FailureBoxEnd},
           .exitCode = SetupFailed,
           .after = {EntryValue("1.0", "UninstallString", "\"" + Uninstaller + "\""),
                     Value(HKEY_CURRENT_USER, RunKey, "Tarnquill", Sz("C:\\Tarnquill\\Tarnquill.exe"))},
           .filesAfter = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}},
           .productEntriesAfter = 1});
}

TEST(SampleSetup, AFailureInsideTheProgramFailsTheSetup) {
    Check({.name = "a Play command of a wrong value type", .program = SampleSetup("1.0"),
           .before = {GeneralPresent(), Value(HKEY_CLASSES_ROOT, FileCommandKey, "", {REG_DWORD, std::string(4, '\1')}),
                      Entry("Tarnquill 0.9")},
           .tail = IntoProduct,
           .boxes = {std::string(says::FailureBoxStart) + "Invalid data type for ''\\." + says::FailureBoxEnd},
           .exitCode = SetupFailed,
           // Nothing after the failure ran: no player path stored, no entry pruned.
           .after = {NoValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath"), Entry("Tarnquill 0.9"),
                     EntryValue("1.0", "DisplayName", "Tarnquill 1.0")},
           .productEntriesAfter = 2});
}
}  // namespace
