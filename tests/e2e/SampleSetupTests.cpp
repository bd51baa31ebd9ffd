// The program as its real callers run it: the sample product setups and uninstallers of each
// technology, started silently, run it with /install and /uninstall; the boxes the program shows
// on their behalf are answered as a user would.
#include <windows.h>

#include <msiquery.h>

#include <cstdio>
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
    const char* setups;  // TQ_SAMPLE_DIR\<setups>-<version>.exe, or .msi for a package
    bool package;        // a Windows Installer package, which msiexec installs and removes
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
    {"NSIS", "TarnquillSample", false, " /S /D=" + Product, Product + "\\uninstall.exe", " /S _?=" + Product, "", 2, 2, ""},
    {"Inno Setup", "TarnquillInnoSample", false, " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /DIR=\"" + Product + "\"",
     Product + "\\unins000.exe", " /VERYSILENT /SUPPRESSMSGBOXES /NORESTART /LOG=\"{dir}\\uninstall.log\"",
     "Tarnquill_is1", 10, 1, "{dir}\\uninstall.log"},
    // msiexec waits for the whole installation; a failed one is rolled back, and it says 1603.
    {"Windows Installer", "TarnquillMsiSample", true, " /qn INSTALLDIR=\"" + Product + "\"", "", " /qn", "Tarnquill_msi",
     1603, 1603, ""},
};

std::string SampleSetup(const Engine& engine, const char* version) {
    return TQ_BUILT(TQ_SAMPLE_DIR) + "\\" + engine.setups + "-" + version + (engine.package ? ".msi" : ".exe");
}
std::string Msiexec() {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    return std::string(system) + "\\msiexec.exe";
}
// The setup of that version started silently into the product folder: the program and its tail.
RunBefore Install(const Engine& engine, const char* version) {
    if (!engine.package) return {SampleSetup(engine, version), engine.intoProduct};
    return {Msiexec(), " /i \"" + SampleSetup(engine, version) + "\"" + engine.intoProduct};
}
std::vector<RunBefore> Installs(const Engine& engine, std::initializer_list<const char*> versions) {
    std::vector<RunBefore> runs;
    for (const char* version : versions) runs.push_back(Install(engine, version));
    return runs;
}
// The uninstaller of that version; for a package, msiexec removing it.
RunBefore Uninstall(const Engine& engine, const char* version) {
    if (!engine.package) return {engine.uninstaller, engine.silentUninstall};
    return {Msiexec(), " /x \"" + SampleSetup(engine, version) + "\"" + engine.silentUninstall};
}
Scenario Running(const RunBefore& run, Scenario scenario) {
    scenario.program = run.program;
    scenario.tail = run.tail + scenario.tail;
    return scenario;
}

// A package's ProductCode, read from its Property table.
std::string ProductCodeOf(const std::string& package) {
    MSIHANDLE database = 0, view = 0, record = 0;
    char code[64] = {};
    DWORD size = sizeof code;
    if (MsiOpenDatabaseA(package.c_str(), MSIDBOPEN_READONLY, &database) == ERROR_SUCCESS &&
        MsiDatabaseOpenViewA(database, "SELECT `Value` FROM `Property` WHERE `Property` = 'ProductCode'", &view) ==
            ERROR_SUCCESS &&
        MsiViewExecute(view, 0) == ERROR_SUCCESS && MsiViewFetch(view, &record) == ERROR_SUCCESS)
        MsiRecordGetStringA(record, 1, code, &size);
    for (const MSIHANDLE handle : {record, view, database}) MsiCloseHandle(handle);
    if (!*code) SetUpFailed("the ProductCode of " + package);
    return code;
}
std::string ProductCode(const Engine& engine, const char* version) { return ProductCodeOf(SampleSetup(engine, version)); }
// The package's own registration, which Windows Installer keeps under its ProductCode.
RegEntry Registered(const Engine& engine, const char* version, bool registered) {
    const std::string key = EntryKey(ProductCode(engine, version));
    return registered ? Key(HKEY_LOCAL_MACHINE, key) : NoKey(HKEY_LOCAL_MACHINE, key);
}
std::string UninstallString(const Engine& engine, const char* version) {
    return engine.package ? "MsiExec.exe /X" + ProductCode(engine, version) : "\"" + engine.uninstaller + "\"";
}
// Every version of the package removed from the machine, without running the program (as when a
// newer version removes it), so that each case starts with none installed and none stays after.
void RemovePackages(const Engine& engine) {
    if (!engine.package) return;
    for (const char* version : {"1.0", "1.9", "1.10", "2.0"}) {
        const std::string code = ProductCode(engine, version);
        if (MsiQueryProductStateA(code.c_str()) == INSTALLSTATE_UNKNOWN) continue;
        RunScript removal{.program = Msiexec(), .tail = " /x " + code + " UPGRADINGPRODUCTCODE=" + code + " /qn"};
        if (RunProgram(removal).exitCode != 0 || MsiQueryProductStateA(code.c_str()) != INSTALLSTATE_UNKNOWN)
            SetUpFailed("the removal of the installed package " + code);
    }
}
void CheckSample(const Engine& engine, const Scenario& scenario) {
    RemovePackages(engine);
    Check(scenario);
    RemovePackages(engine);
}

DWORD FailedCode(const Engine& engine, DWORD code) {
    if (!engine.package) return code;
    return OnWindowsOrWine(code, DWORD{1627}, "msiexec ends a failed installation with 1627 (Windows: 1603)");
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
std::vector<RegEntry> Joined(std::vector<RegEntry> entries, const std::vector<RegEntry>& more) {
    entries.insert(entries.end(), more.begin(), more.end());
    return entries;
}
// What a failed setup leaves besides: NSIS and Inno Setup keep the product for another try; a
// package is rolled back, its entries gone, an older product's kept.
std::vector<RegEntry> FailedSetupLeaves(const Engine& engine) {
    if (!engine.package) return {EntryValue(engine, "1.0", "DisplayName", "Tarnquill 1.0")};
    return {NoKey(HKEY_LOCAL_MACHINE, EntryKey(engine.entry)), Registered(engine, "1.0", false)};
}
// An upgrade runs no /uninstall: the autostart value stays, and a package leaves one product.
// The uninstall rows give UPGRADINGPRODUCTCODE as Windows does.
std::vector<RegEntry> UpgradeLeaves(const Engine& engine) {
    if (!engine.package) return {Autostart()};
    return {Registered(engine, "1.0", false), Registered(engine, "2.0", true),
            OnWindowsOrWine(Autostart(), NoValue(HKEY_CURRENT_USER, RunKey, "Tarnquill"),
                            "msiexec does not tell the older package's removal in a major upgrade that it is one "
                            "(no UPGRADINGPRODUCTCODE): its /uninstall runs, and the autostart value goes")};
}

TEST(SampleSetup, Installs) {
    for (const Engine& engine : Engines) {
        SCOPED_TRACE(engine.name);
        std::vector<Scenario> cases = {
            Running(Install(engine, "1.0"),
                {.name = "first install of 1.0 over a 0.9 entry: the Win-key question, older entries pruned",
                 .before = {PlayCommand(QuotedPlayer), Entry("Tarnquill 0.9")},
                 .answers = {"yes"}, .boxes = {says::Question},
                 .after = {Options("DefaultModifier", "8"), Options("WinampPath", Player), NoEntry("Tarnquill 0.9"),
                           EntryValue(engine, "1.0", "DisplayName", "Tarnquill 1.0"),
                           EntryValue(engine, "1.0", "DisplayVersion", "1.0"),
                           EntryValue(engine, "1.0", "Publisher", "Halvorstead"),
                           EntryValue(engine, "1.0", "UninstallString", UninstallString(engine, "1.0"))},
                 .filesAfter = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}}, .productEntriesAfter = 1}),
            Running(Install(engine, "2.0"),
                {.name = "2.0 over 1.0 leaves only its own entry", .runsBefore = Installs(engine, {"1.0"}),
                 .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("TqOther Program"), Autostart()},
                 .boxes = {},
                 .after = Joined({NoEntry("Tarnquill 1.0"), EntryValue(engine, "2.0", "DisplayName", "Tarnquill 2.0"),
                                  EntryValue(engine, "2.0", "DisplayVersion", "2.0")},
                                 UpgradeLeaves(engine)),
                 .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1}),
            Running(Install(engine, "2.0"),
                {.name = "the setup waits while Winamp runs",
                 .before = {GeneralPresent(), PlayCommand(QuotedPlayer), Entry("Tarnquill 1.0")},
                 .filesBefore = {{Companion, "companion plug-in, old build"}}, .winampRunning = true,
                 .answers = {"ok", "closewinamp+ok"},
                 .boxes = {says::CopyWait, says::CopyWait}, .after = {NoEntry("Tarnquill 1.0")},
                 .filesAfter = {{Companion, StandIn}}, .productEntriesAfter = 1}),
            // Nothing after the failure ran: no player path stored, no entry pruned.
            Running(Install(engine, "1.0"),
                {.name = "a failure inside the program (a Play command of a wrong value type) fails the setup",
                 .before = {GeneralPresent(), WrongType(HKEY_CLASSES_ROOT, FileCommandKey, ""), Entry("Tarnquill 0.9")},
                 .boxes = {FailureBox("Invalid data type for ''\\.")},
                 .exitCode = FailedCode(engine, engine.setupFailed),
                 .after = Joined({NoValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath"), Entry("Tarnquill 0.9")},
                                 FailedSetupLeaves(engine)),
                 .filesAfter = engine.package ? std::vector<FileEntry>{{Product + "\\TarnquillSetup.exe", std::nullopt}}
                                              : std::vector<FileEntry>{},
                 .productEntriesAfter = engine.package ? 1 : 2}),
        };
        if (engine.package)
            cases.push_back(Running(Install(engine, "1.0"),
                {.name = "1.0 over 2.0: a downgrade is refused", .runsBefore = Installs(engine, {"2.0"}),
                 .before = {GeneralPresent(), PlayCommand(QuotedPlayer)}, .exitCode = 1603,
                 .after = {EntryValue(engine, "2.0", "DisplayName", "Tarnquill 2.0"), Registered(engine, "2.0", true),
                           Registered(engine, "1.0", false)},
                 .productEntriesAfter = 1}));
        for (const Scenario& scenario : cases) CheckSample(engine, scenario);
    }
}

RunBefore Then(RunBefore run, std::vector<RegEntry> then, std::vector<FileEntry> filesThen = {}) {
    run.then = std::move(then);
    run.filesThen = std::move(filesThen);
    return run;
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
        if (!engine.handOverLog.empty() || engine.package) removed.push_back({Product, std::nullopt});
        // A failed uninstall keeps the product for another try.
        std::vector<RegEntry> kept = {EntryValue(engine, "1.0", "UninstallString", UninstallString(engine, "1.0")),
                                      Autostart()};
        if (engine.package)
            kept.push_back(Registered(engine, "1.0", OnWindowsOrWine(true, false, "the rollback of a package's failed "
                                      "removal unregisters it; its files and entry stay all the same")));
        const std::vector<FileEntry> productFiles = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", StandIn}};
        const std::vector<RegEntry> registered = {GeneralPresent(), PlayCommand(QuotedPlayer), Autostart()};
        const RunBefore uninstall = Uninstall(engine, "1.0");
        std::vector<Scenario> cases = {
            Running(Uninstall(engine, "1.10"), {.name = "1.9, then 1.10 over it, uninstalled",
                                                 .runsBefore = Installs(engine, {"1.9", "1.10"}), .before = installed}),
            Running(uninstall, {.name = "uninstall with the plug-in held", .runsBefore = Installs(engine, {"1.0"}),
                                .before = installed, .answers = {"release+retry"}, .heldFile = Companion,
                                .boxes = {says::DeletionFailed}}),
            Running(uninstall,
                {.name = "uninstall with a stored player path of a wrong value type",
                 .runsBefore = {Then(Install(engine, "1.0"), {WrongType(HKEY_CURRENT_USER, OptionsKey, "WinampPath")})},
                 .before = registered, .boxes = {FailureBox("Invalid data type for 'WinampPath'\\.")},
                 .exitCode = FailedCode(engine, engine.uninstallFailed), .after = kept, .filesAfter = productFiles,
                 .productEntriesAfter = 1}),
            Running(uninstall,
                {.name = "uninstall whose program is missing",
                 .runsBefore = {Then(Install(engine, "1.0"), {}, {{Product + "\\TarnquillSetup.exe", std::nullopt}})},
                 .before = registered, .exitCode = FailedCode(engine, engine.uninstallFailed), .after = kept,
                 .filesAfter = productFiles, .productEntriesAfter = 1}),
        };
        // The program never ran: the autostart value and the companion plug-in stay, and the package goes.
        if (engine.package)
            cases.back() = OnWindowsOrWine(cases.back(), Running(uninstall,
                {.name = cases.back().name, .runsBefore = cases.back().runsBefore, .before = registered,
                 .after = {Autostart(), Registered(engine, "1.0", false), NoKey(HKEY_LOCAL_MACHINE, EntryKey(engine.entry))},
                 .filesAfter = {{Companion, StandIn}, {Product + "\\gen_zorv.dll", std::nullopt}},
                 .productEntriesAfter = 0}),
                "msiexec takes an action whose program cannot be started for one that succeeded, and removes the "
                "package");
        // Setups that allow a downgrade, and whose uninstaller removes every entry that names it
        // (quoted or not, letter case ignored): the program keeps the entry that sorts last,
        // whichever version installed last.
        if (!engine.package)
            cases.insert(cases.begin(),
                {Running(uninstall, {.name = "uninstall, with a copied entry naming the uninstaller",
                                     .runsBefore = {Then(Install(engine, "1.0"),
                                                         {Value(HKEY_LOCAL_MACHINE, EntryKey("Tarnquill 1.0 (copy)"),
                                                                "UninstallString", Sz(InCapitals(engine.uninstaller)))})},
                                     .before = installed}),
                 Running(uninstall, {.name = "2.0, then 1.0 over it, uninstalled",
                                     .runsBefore = Installs(engine, {"2.0", "1.0"}), .before = installed})});
        for (Scenario scenario : cases) {
            scenario.awaitLog = engine.handOverLog;
            // Every uninstall that succeeds ends alike, unless its row says otherwise: the product gone.
            if (scenario.exitCode == 0 && scenario.after.empty()) {
                scenario.after = gone;
                scenario.filesAfter = removed;
                scenario.productEntriesAfter = 0;
            }
            CheckSample(engine, scenario);
        }
        // What Windows does when 2.0 removes 1.0 in a major upgrade: the product stays, so /uninstall
        // does not run, and its settings, autostart value and companion plug-in stay.
        if (engine.package)
            CheckSample(engine, Running(uninstall,
                  {.name = "the older package's removal in a major upgrade (UPGRADINGPRODUCTCODE given)",
                   .runsBefore = Installs(engine, {"1.0"}), .before = installed,
                   .tail = " UPGRADINGPRODUCTCODE=" + ProductCode(engine, "2.0"), .boxes = {}, .after = {Options("FirstRunMarker", "1"), Autostart(), Registered(engine, "1.0", false)},
                   .filesAfter = {{Companion, StandIn}, {Product + "\\TarnquillSetup.exe", std::nullopt}},
                   .productEntriesAfter = 0}));
    }
}
}  // namespace
