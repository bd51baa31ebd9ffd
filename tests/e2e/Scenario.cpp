#include "tests/e2e/Scenario.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "platform/text/Files.h"
#include "platform/text/Text.h"
#include "tests/support/Places.h"

namespace {

std::string Replaced(std::string text, const std::string& dir, const std::string& wd) {
    for (const auto& [mark, value] : {std::pair<std::string, std::string>{"{dir}", dir}, {"{wd}", wd}}) {
        for (size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at + value.size()))
            text.replace(at, mark.size(), value);
    }
    return text;
}

// Links first, so that no clearing below can reach through one; then the exact names that the
// ANSI listing cannot name.
void ClearScenarioPlaces(const Scenario& scenario) {
    for (const std::string& key : scenario.narrowKeys)
        if (KeyExists(HKEY_LOCAL_MACHINE, key)) SetKeyAccess(HKEY_LOCAL_MACHINE, key, KEY_ALL_ACCESS);
    for (const LinkEntry& link : scenario.links) DeleteTree(HKEY_LOCAL_MACHINE, link.path);
    for (auto it = scenario.exactKeysBefore.rbegin(); it != scenario.exactKeysBefore.rend(); ++it)
        DeleteTree(HKEY_LOCAL_MACHINE, it->path);
    ClearTestPlaces();
}

void MakeVictim() {
    SetValue(HKEY_LOCAL_MACHINE, VictimKey, "Data", Sz("another program's"));
    SetValue(HKEY_LOCAL_MACHINE, std::string(VictimKey) + "\\Sub", "Number", {REG_DWORD, std::string("\7\0\0\0", 4)});
    MakeKey(HKEY_LOCAL_MACHINE, std::string(VictimKey) + "\\Sub\\Deeper");
}

void Apply(const RegEntry& entry, const std::string& dir, const std::string& wd) {
    if (entry.name == "(key)" && !entry.value) {
        DeleteTree(entry.root, entry.key);
    } else if (entry.name == "(key)" || entry.name == "(volatile)") {
        MakeKey(entry.root, entry.key, entry.name == "(volatile)");
    } else if (entry.value) {
        RegValue value = *entry.value;
        value.data = Replaced(value.data, dir, wd);
        SetValue(entry.root, entry.key, entry.name, value);
    }
}

void Apply(const FileEntry& file, const std::string& dir, const std::string& wd) {
    const std::string path = Replaced(file.path, dir, wd);
    if (file.content) {
        WriteFileText(path, *file.content);
        if (ReadFileText(path) != file.content) SetUpFailed("the file " + path);
    } else if (!DeleteFileA(path.c_str()) && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES)
        SetUpFailed("the removal of " + path);
    if (file.protection) SetProtection(path, *file.protection);
}

void Verify(const RegEntry& entry, const std::string& dir, const std::string& wd, const char* scenario) {
    if (entry.name == "(key)") {
        EXPECT_EQ(KeyExists(entry.root, entry.key), entry.value.has_value()) << scenario << ": key " << entry.key;
        return;
    }
    std::optional<RegValue> expected = entry.value;
    if (expected) expected->data = Replaced(expected->data, dir, wd);
    const std::optional<RegValue> actual = GetValue(entry.root, entry.key, entry.name);
    EXPECT_EQ(actual.has_value(), expected.has_value()) << scenario << ": " << entry.key << "|" << entry.name;
    if (actual && expected) {
        EXPECT_EQ(actual->type, expected->type) << scenario << ": " << entry.name;
        EXPECT_EQ(actual->data, expected->data) << scenario << ": " << entry.name;
    }
}

constexpr char OtherPlugin[] = "gen_other.dll";
const char* const PluginFolders[] = {"Winamp\\Plugins", "Player\\Plugins"};
constexpr char SharedFolder[] = "Shared";

bool IsProductFile(const std::string& folder, const std::string& file) {
    return folder != SharedFolder && (file == "gen_zorv.dll" || file == "gen_wibt.dll");
}

// A new file beside a plug-in, or a plug-in moved aside: the program's own by its name.
bool IsOwnFile(const std::string& folder, const std::string& file) {
    return folder != SharedFolder && (IsNewFileName(file, "gen_zorv.dll") || IsNewFileName(file, "gen_wibt.dll"));
}

// The program's own files beside the plug-ins, less those a scenario names.
std::vector<std::string> OwnFiles(const ScratchFolder& scratch, const std::set<std::string>& named) {
    std::vector<std::string> own;
    for (const std::string folder : PluginFolders)
        for (const std::string& file : FolderEntries(scratch / folder))
            if (IsOwnFile(folder, file) && !named.count(scratch / folder + "\\" + file))
                own.push_back(scratch / folder + "\\" + file);
    return own;
}

// The files are to be deleted at the next restart, each by its own name; Wine's restart runs those
// operations, while Windows cannot restart during a test.
void Restart(const std::vector<std::string>& files, const char* scenario) {
    const std::string pending = GetValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager",
                                         "PendingFileRenameOperations").value_or(RegValue{}).data;
    for (const std::string& file : files)
        EXPECT_NE(pending.find(file.substr(file.rfind('\\')) + std::string(1, '\0')), std::string::npos)
            << scenario << ": no deletion at the next restart for " << file;
    if (!UnderWine()) {
        std::printf("not checked on Windows (%s): that a restart leaves none of the files moved aside, since a test "
                    "cannot restart Windows; checked instead that each is to be deleted at the next restart\n", scenario);
        return;
    }
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const RunOutcome outcome =
        RunProgram({.program = std::string(system) + "\\wineboot.exe", .commandLine = "wineboot.exe -r", .timeoutMs = 60000});
    EXPECT_TRUE(outcome.started && !outcome.timedOut) << scenario << ": Wine's restart (wineboot -r) did not end";
}

// Everything around the product that is not the product's: other programs' uninstall entries,
// other autostart values, other plug-ins and files (bytes and protection), anything new beside them;
// less the files a scenario names, which it checks itself.
std::map<std::string, RegValue> ForeignState(const ScratchFolder& scratch, const std::set<std::string>& named) {
    std::map<std::string, RegValue> state = Snapshot(HKEY_LOCAL_MACHINE, UninstallKey);
    // The product's entries, and the registrations Windows Installer keeps for its packages.
    std::vector<std::string> products = {"\\TARNQUILL"};
    const std::wstring product = L"Tarnquill";
    for (const auto& [name, value] : state)
        if (name.ends_with("|DisplayName") &&
            value.data.rfind(std::string(reinterpret_cast<const char*>(product.data()), product.size() * 2), 0) == 0 &&
            state.count(name.substr(0, name.find('|')) + "|WindowsInstaller"))
            products.push_back(AsciiUpper(name.substr(0, name.find('|'))));
    std::erase_if(state, [&](const auto& item) {
        return std::any_of(products.begin(), products.end(),
                           [&](const std::string& key) { return AsciiUpper(item.first).rfind(key, 0) == 0; });
    });
    for (auto& [name, value] : Snapshot(HKEY_LOCAL_MACHINE, VictimKey)) state["Victim" + name] = value;
    for (auto& [name, value] : Snapshot(HKEY_CURRENT_USER, RunKey))
        if (name != "|Tarnquill") state["Run" + name] = value;
    for (const std::string folder : {PluginFolders[0], PluginFolders[1], SharedFolder})
        for (const std::string& file : FolderEntries(scratch / folder))
            if (!IsProductFile(folder, file) && !IsOwnFile(folder, file) && !named.count(scratch / folder + "\\" + file)) {
                const std::string path = scratch / folder + "\\" + file;
                state[folder + "\\" + file] = {ProtectionOf(path), ReadFileText(path).value_or("(folder)")};
            }
    return state;
}

int Differences(const std::map<std::string, RegValue>& before, const std::map<std::string, RegValue>& after) {
    int differences = 0;
    for (const auto& [name, value] : before) {
        const auto found = after.find(name);
        if (found == after.end() || !(found->second == value)) ++differences;
    }
    for (const auto& [name, value] : after) differences += before.count(name) ? 0 : 1;
    return differences;
}

// The name a setup's copy of the program runs under, wherever it is and whoever starts it.
std::string ProgramFileName() { return ProgramFile().substr(ProgramFile().rfind('\\') + 1); }

bool IsCrash(const RunOutcome& outcome) {
    if (outcome.exitCode != 0 && outcome.exitCode != 1) return true;
    for (const BoxSeen& box : outcome.boxes)
        if (box.caption == "Application Error" && box.text.find("ERegistryException") == std::string::npos)
            return true;
    return false;
}

std::vector<std::string> BoxesSeen(const RunOutcome& outcome) {
    std::vector<std::string> boxes;
    for (const BoxSeen& box : outcome.boxes)
        boxes.push_back(box.caption + " | " + box.text + " | " + box.buttons + " | " + box.icon);
    return boxes;
}

// An expected box that begins with "re:" is a regular expression for the whole line.
bool Matches(const std::string& seen, const std::string& expected) {
    if (expected.rfind("re:", 0) == 0) return std::regex_match(seen, std::regex(expected.substr(3)));
    return seen == expected;
}

// A file's content as a failure shows it: a library by its size.
std::string Shown(const std::optional<std::string>& content) {
    if (!content) return "(no file)";
    if (content->rfind("MZ", 0) == 0) return "a library of " + std::to_string(content->size()) + " bytes";
    return "\"" + *content + "\"";
}

std::vector<std::string> Expanded(const std::vector<std::string>& boxes, const std::string& dir,
                                  const std::string& wd) {
    std::vector<std::string> expanded;
    for (const std::string& box : boxes) expanded.push_back(Replaced(box, dir, wd));
    return expanded;
}
}  // namespace

// The working folder is made in the scratch folder, below the temporary folder.
std::optional<std::string> CurrentRootPlugins() {
    char temp[MAX_PATH], system[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    GetSystemDirectoryA(system, MAX_PATH);
    if (CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, temp, 2, system, 2) == CSTR_EQUAL)
        return std::string(temp, 2) + "\\Plugins";
    std::printf("not checked: a player in the current drive's root, since the working folder (%s) is not on the "
                "system drive, whose Plugins folder the tests may use\n", temp);
    return std::nullopt;
}

std::string PluginLibrary(const char* name) {
    const std::string path = TQ_BUILT(TQ_TEST_PLUGINS_DIR) + "\\" + name + ".dll";
    const std::optional<std::string> bytes = ReadFileText(path);
    if (!bytes) SetUpFailed("the test plug-in " + path);
    return *bytes;
}

RegEntry Key(HKEY root, const std::string& key) { return {root, key, "(key)", RegValue{}}; }
RegEntry NoKey(HKEY root, const std::string& key) { return {root, key, "(key)", std::nullopt}; }
RegEntry Value(HKEY root, const std::string& key, const std::string& name, const RegValue& value) {
    return {root, key, name, value};
}
RegEntry NoValue(HKEY root, const std::string& key, const std::string& name) {
    return {root, key, name, std::nullopt};
}
RegEntry PlayCommand(const std::string& command) {
    return Value(HKEY_CLASSES_ROOT, FileCommandKey, "", Sz(command));
}
RegEntry GeneralPresent() { return Key(HKEY_CURRENT_USER, HotkeysGeneralKey); }
std::string EntryKey(const std::string& name) { return std::string(UninstallKey) + "\\" + name; }
RegEntry Entry(const std::string& name) { return Value(HKEY_LOCAL_MACHINE, EntryKey(name), "DisplayName", Sz(name)); }
RegEntry NoEntry(const std::string& name) { return NoKey(HKEY_LOCAL_MACHINE, EntryKey(name)); }
RegEntry VolatileKey(HKEY root, const std::string& key) { return {root, key, "(volatile)", RegValue{}}; }

ScenarioResult Check(const Scenario& scenario) {
    ClearScenarioPlaces(scenario);
    MakeVictim();
    ScratchFolder scratch("e2e");
    const std::string dir = scratch.Path();
    const std::string wd = scratch / "setup";
    MakeFolder(wd);
    WriteFileText(wd + "\\gen_zorv.dll", NewPlugin);
    for (const std::string folder : {"Winamp", "Winamp\\Plugins", "Player", "Player\\Plugins", "Shared"})
        MakeFolder(scratch / folder);
    for (const char* folder : PluginFolders) WriteFileText(scratch / folder + "\\" + OtherPlugin, "another plug-in");
    SetValue(HKEY_CURRENT_USER, RunKey, "TqOtherProgram", Sz("other.exe"));
    for (const std::string& folder : scenario.foldersBefore) MakeFolder(Replaced(folder, dir, wd));
    for (const FileEntry& file : scenario.filesBefore) Apply(file, dir, wd);
    for (const FileLink& link : scenario.fileLinks)
        MakeFileLink(Replaced(link.path, dir, wd), Replaced(link.target, dir, wd), link.kind);
    for (const RegEntry& entry : scenario.before) Apply(entry, dir, wd);
    for (const ExactKey& key : scenario.exactKeysBefore) MakeKey(HKEY_LOCAL_MACHINE, key.path);
    for (const LinkEntry& link : scenario.links) MakeLink(HKEY_LOCAL_MACHINE, link.path, HKEY_LOCAL_MACHINE, link.target);
    for (const std::string& key : scenario.narrowKeys)
        SetKeyAccess(HKEY_LOCAL_MACHINE, key, DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE);
    std::set<std::string> named;
    for (const FileEntry& file : scenario.filesAfter) named.insert(Replaced(file.path, dir, wd));
    const auto foreignBefore = ForeignState(scratch, named);

    for (const RunBefore& run : scenario.runsBefore) {
        RunScript prepare = ScriptFor(Replaced(run.tail, dir, wd), wd);
        prepare.program = Replaced(run.program, dir, wd);
        prepare.boxesOfPrograms = true;
        prepare.programFileName = ProgramFileName();
        const RunOutcome outcome = RunProgram(prepare);
        EXPECT_EQ(outcome.exitCode, 0u) << scenario.name << ": the run before, " << run.program << run.tail << "\n"
                                        << Transcript(outcome);
        for (const RegEntry& entry : run.then) Apply(entry, dir, wd);
        for (const FileEntry& file : run.filesThen) Apply(file, dir, wd);
    }
    RunScript script = ScriptFor(Replaced(scenario.tail, dir, wd), wd);
    if (!scenario.program.empty()) {
        script.program = Replaced(scenario.program, dir, wd);
        script.boxesOfPrograms = true;
        script.programFileName = ProgramFileName();
    }
    script.answers = scenario.answers;
    script.fallback = "cancel";
    script.winampRunning = scenario.winampRunning;
    script.unseen = scenario.unseen;
    script.heldFile = Replaced(scenario.heldFile, dir, wd);
    script.heldSharing = scenario.heldSharing;
    for (const std::string& file : scenario.loadedFiles) script.loadedFiles.push_back(Replaced(file, dir, wd));
    script.timeoutMs = scenario.timeoutMs;
    const RunOutcome outcome = RunProgram(script);
    if (!scenario.awaitLog.empty()) {
        const std::string log = Replaced(scenario.awaitLog, dir, wd);
        EXPECT_TRUE(WaitUntil([&] { return ReadFileText(log).value_or("").find("Log closed.") != std::string::npos; },
                              scenario.timeoutMs))
            << scenario.name << ": " << scenario.awaitLog << " never said \"Log closed.\"";
    }

    ScenarioResult result{outcome.timedOut, IsCrash(outcome), Differences(foreignBefore, ForeignState(scratch, named))};
    EXPECT_TRUE(outcome.started) << scenario.name << ": not started, error " << outcome.startError;
    EXPECT_FALSE(result.hung) << scenario.name;
    EXPECT_EQ(result.foreignChanged, 0) << scenario.name;
    const std::vector<std::string> seen = BoxesSeen(outcome);
    const std::vector<std::string> expected = Expanded(scenario.boxes, dir, wd);
    EXPECT_EQ(seen.size(), expected.size()) << scenario.name << "\n" << Transcript(outcome);
    for (size_t i = 0; i < std::min(seen.size(), expected.size()); ++i)
        EXPECT_TRUE(Matches(seen[i], expected[i])) << scenario.name << ", box " << i << "\n  seen: " << seen[i]
                                                   << "\n  expected: " << expected[i];
    EXPECT_EQ(outcome.exitCode, scenario.exitCode) << scenario.name;
    for (const RegEntry& entry : scenario.after) Verify(entry, dir, wd, scenario.name);
    for (const FileEntry& file : scenario.filesAfter) {
        const std::string path = Replaced(file.path, dir, wd);
        const std::optional<std::string> content = ReadFileText(path);
        EXPECT_TRUE(content == file.content) << scenario.name << ": " << file.path << " holds " << Shown(content)
                                             << ", not " << Shown(file.content);
        if (!file.content) {
            EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << scenario.name << ": " << file.path;
        }
        if (file.protection) {
            EXPECT_EQ(ProtectionOf(path), *file.protection) << scenario.name << ": attributes of " << file.path;
        }
    }
    if (scenario.productEntriesAfter >= 0) {
        const KeyHandle list = OpenPath(HKEY_LOCAL_MACHINE, UninstallKey, KeyWalk::Open);
        const std::vector<std::wstring> names = list ? SubkeysOf(list.Get()) : std::vector<std::wstring>{};
        EXPECT_EQ(std::count_if(names.begin(), names.end(), IsProductEntry), scenario.productEntriesAfter)
            << scenario.name << ": product entries";
    }
    for (const ExactKey& key : scenario.exactKeysAfter)
        EXPECT_EQ(KeyItselfExists(HKEY_LOCAL_MACHINE, key.path), key.exists) << scenario.name << ": key " << key.path;
    const std::vector<std::string> own = OwnFiles(scratch, named);
    EXPECT_EQ(static_cast<int>(own.size()), scenario.ownFilesAfter) << scenario.name << ": the program's own files left";
    if (scenario.then == Scenario::Then::Restart) {
        Restart(own, scenario.name);
    } else if (scenario.then == Scenario::Then::RunAgain) {
        RunScript again = ScriptFor(Replaced(scenario.tail, dir, wd), wd);
        again.unseen = true;
        const RunOutcome next = RunProgram(again);
        EXPECT_EQ(next.exitCode, 0u) << scenario.name << ": the next run\n" << Transcript(next);
    }
    if (scenario.then != Scenario::Then::Nothing) {
        EXPECT_EQ(OwnFiles(scratch, named), std::vector<std::string>{}) << scenario.name << ": the program's own files at the end";
    }
    for (const FileLink& link : scenario.fileLinks)
        if (link.kind == FileLinkKind::Symbolic) RemoveSymbolicLink(Replaced(link.path, dir, wd));
    ClearScenarioPlaces(scenario);
    return result;
}

void RecordHostile(const Scenario& scenario, const ScenarioResult& result) {
    RecordReliability("hostile", "hostile hung=" + std::to_string(result.hung) + " crashed=" +
                                     std::to_string(result.crashed) + " foreign=" + std::to_string(result.foreignChanged) +
                                     " case=" + scenario.name);
}
