// The program as its real callers run it: the sample product setups and uninstallers of both
// engines, started silently, run it with /install and /uninstall; the boxes the program shows on
// their behalf are answered as a user would.
#include <cstring>

#include <gtest/gtest.h>

#include "platform/text/Text.h"
#include "tests/e2e/Scenario.h"

namespace {
constexpr char StandIn[] = "stand-in companion plug-in\n";

// Where users have it: a path with a space and parentheses.
const std::string Product = "{dir}\\Program Files (x86)\\Tarnquill";

// A sample setup as a setup author copies it, built for versions 1.0, 1.9, 1.10 and 2.0.
struct Engine {
    const char* name;
    const char* setups;  // TQ_SAMPLE_DIR\<setups>-<version>.exe
    std::string intoProduct;
    std::string uninstaller;
    std::string silentUninstall;  // the uninstaller is waited for
    std::string entry;            // the setup's own uninstall entry; empty: "Tarnquill <version>"
    DWORD setupFailed;            // its exit codes when the program failed or could not start
    DWORD uninstallFailed;
    // Where the uninstaller hands over to a copy of itself, which removes it and the product folder
    // after it has ended: the log that copy writes.
    std::string handOverLog;
};
const Engine Engines[] = {
    // In place (_?=), so that the uninstaller is waited for; it cannot then delete itself.
    {"NSIS", "TarnquillSample", " /S /D=" + Product, Product + "\\uninstall.exe", " /S _?=" + Product, "", 2, 2, ""},
    {"Inno Setup", "TarnquillInnoSample", " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /DIR=\"" + Product + "\"",
     Product + "\\unins000.exe", " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"{dir}\\uninstall.log\"",
     "Tarnquill_is1", 10, 1, "{dir}\\uninstall.log"},
};

std::string SampleSetup(const Engine& engine, const char* version) {
    return TQ_BUILT(TQ_SAMPLE_DIR) + "\\" + engine.setups + "-" + version + ".exe";
}
std::vector<RunBefore> Installs(const Engine& engine, std::initializer_list<const char*> versions) {
    std::vector<RunBefore> runs;
    for (const char* version : versions) runs.push_back({SampleSetup(engine, version), engine.intoProduct});
    return runs;
}
// A path below the scratch folder, unquoted, in capitals.
std::string InCapitals(const std::string& path) { return "{dir}" + AsciiUpper(path.substr(std::strlen("{dir}"))); }

RegEntry EntryValue(const Engine& engine, const char* version, const char* name, const std::string& text) {
    const std::string entry = engine.entry.empty() ? std::string("Tarnquill ") + version : engine.entry;
    return Value(HKEY_LOCAL_MACHINE, EntryKey(entry), name, Sz(text));
}
RegEntry Options(const char* name, const std::string& text) { return Value(HKEY_CURRENT_USER, OptionsKey, name, Sz(text)); }
RegEntry Autostart() { return Value(HKEY_CURRENT_USER, RunKey, "Tarnquill", Sz("C:\\Tarnquill\\Tarnquill.exe")); }
RegEntry WrongType(HKEY root, const std::string& key, const char* name) {
    return Value(root, key, name, {REG_DWORD, std::string(4, '\1')});
}
std::string FailureBox(const char* reason) {
    return std::string(says::FailureBoxStart) + reason + says::FailureBoxEnd;
}

TEST(SampleSetup, Installs) {
    for (const Engine& engine : Engines) {
        SCOPED_TRACE(engine.name);
        const Scenario cases[] = {
            {.name = "first install of 1.0 over a 0.9 entry: the Win-key question, older entries pruned",
             .program = SampleSetup(engine, "1.0"), .before = {PlayCommand(QuotedPlayer), Entry("Tarnquill 0.9")},
             .tail = engine.intoProduct, .answers = {"yes"}, .boxes = {says::Question},
             .after = {Options("DefaultModifier", "8"), Options("WinampPath", Player), NoEntry("Tarnquill 0.9"),
                       EntryValue(engine, "1.0", "DisplayName", "Tarnquill 1.0"),
                       EntryValue(engine, "1.0", "DisplayVersion", "1.0"),
                       EntryValue(engine, "1.0", "Publisher", "Halvorstead"),
                       EntryValue(engine, "1.0", "UninstallString", "\"" + engine.uninstaller + "\"")},
             .filesAfter = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}}, .productEntriesAfter = 1},
            {.name = "2.0 over 1.0 leaves only its own entry", .program = SampleSetup(engine, "2.0"),
             .runsBefore = Installs(engine, {"1.0"}),
             .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("TqOther Program")},
             .tail = engine.intoProduct, .boxes = {},
             .after = {NoEntry("Tarnquill 1.0"), EntryValue(engine, "2.0", "DisplayName", "Tarnquill 2.0"),
                       EntryValue(engine, "2.0", "DisplayVersion", "2.0")},
             .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1},
            {.name = "the setup waits while Winamp runs", .program = SampleSetup(engine, "2.0"),
             .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0")},
             .filesBefore = {{Companion, "companion plug-in, old build"}}, .winampRunning = true,
             .tail = engine.intoProduct, .answers = {"ok", "closewinamp+ok"},
             .boxes = {says::CopyWait, says::CopyWait}, .after = {NoEntry("Tarnquill 1.0")},
             .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1},
            // Nothing after the failure ran: no player path stored, no entry pruned.
            {.name = "a failure inside the program (a Play command of a wrong value type) fails the setup",
             .program = SampleSetup(engine, "1.0"),
             .before = {GeneralPresent(), WrongType(HKEY_CLASSES_ROOT, FileCommandKey, ""), Entry("Tarnquill 0.9")},
             .tail = engine.intoProduct, .boxes = {FailureBox("Invalid data type for ''\\.")},
             .exitCode = engine.setupFailed,
             .after = {NoValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath"), Entry("Tarnquill 0.9"),
                       EntryValue(engine, "1.0", "DisplayName", "Tarnquill 1.0")},
             .productEntriesAfter = 2},
        };
        for (const Scenario& scenario : cases) Check(scenario);
    }
}

TEST(SampleSetup, Uninstalls) {
    const std::vector<RegEntry> installed = {GeneralPresent(), PlayCommand(QuotedPlayer), Autostart(),
                                             Options("FirstRunMarker", "1")};
    const std::vector<RegEntry> gone = {NoValue(HKEY_CURRENT_USER, OptionsKey, "FirstRunMarker"),
                                        NoValue(HKEY_CURRENT_USER, RunKey, "Tarnquill"), NoEntry("Tarnquill 1.0"),
                                        Options("WinampPath", Player)};
    for (const Engine& engine : Engines) {
        SCOPED_TRACE(engine.name);
        std::vector<FileEntry> removed = {{Companion, std::nullopt},
                                          {Product + "\\TarnquillSetup.exe", std::nullopt},
                                          {Product + "\\gen_zorv.dll", std::nullopt}};
        if (!engine.handOverLog.empty()) removed.push_back({Product, std::nullopt});
        // The program keeps the entry that sorts last, whichever version installed last: the
        // uninstaller removes every entry that names it, quoted or not, letter case ignored.
        std::vector<RunBefore> withCopiedEntry = Installs(engine, {"1.0"});
        withCopiedEntry.back().then = {Value(HKEY_LOCAL_MACHINE, EntryKey("Tarnquill 1.0 (copy)"), "UninstallString",
                                             Sz(InCapitals(engine.uninstaller)))};
        // A failed uninstall keeps the product for another try.
        const std::vector<RegEntry> kept = {
            EntryValue(engine, "1.0", "UninstallString", "\"" + engine.uninstaller + "\""), Autostart()};
        const std::vector<FileEntry> productFiles = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}};
        const std::vector<RegEntry> registered = {GeneralPresent(), PlayCommand(QuotedPlayer), Autostart()};
        const Scenario cases[] = {
            {.name = "uninstall, with a copied entry naming the uninstaller", .runsBefore = withCopiedEntry,
             .before = installed},
            {.name = "2.0, then 1.0 over it, uninstalled", .runsBefore = Installs(engine, {"2.0", "1.0"}),
             .before = installed},
            {.name = "1.9, then 1.10 over it, uninstalled", .runsBefore = Installs(engine, {"1.9", "1.10"}),
             .before = installed},
            {.name = "uninstall with the plug-in held", .runsBefore = Installs(engine, {"1.0"}), .before = installed,
             .answers = {"release+retry"}, .heldFile = Companion, .boxes = {says::DeletionFailed}},
            {.name = "uninstall with a stored player path of a wrong value type",
             .runsBefore = {{SampleSetup(engine, "1.0"), engine.intoProduct,
                             {WrongType(HKEY_CURRENT_USER, OptionsKey, "WinampPath")}}},
             .before = registered, .boxes = {FailureBox("Invalid data type for 'WinampPath'\\.")},
             .exitCode = engine.uninstallFailed, .after = kept, .filesAfter = productFiles, .productEntriesAfter = 1},
            {.name = "uninstall whose program is missing",
             .runsBefore = {{SampleSetup(engine, "1.0"), engine.intoProduct, {},
                             {{Product + "\\TarnquillSetup.exe", std::nullopt}}}},
             .before = registered, .exitCode = engine.uninstallFailed, .after = kept, .filesAfter = productFiles,
             .productEntriesAfter = 1},
        };
        for (Scenario scenario : cases) {
            scenario.program = engine.uninstaller;
            scenario.tail = engine.silentUninstall;
            scenario.awaitLog = engine.handOverLog;
            // Every uninstall that succeeds ends alike: the product gone.
            if (scenario.exitCode == 0) {
                scenario.after = gone;
                scenario.filesAfter = removed;
                scenario.productEntriesAfter = 0;
            }
            Check(scenario);
        }
    }
}
}  // namespace
