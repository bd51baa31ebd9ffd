// What the test bundle's runner saves before a run on a real machine comes back exactly after the
// tests have changed it, whatever shape it had, and nothing a link points at is touched.
#include <windows.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/Places.h"
#include "tests/support/Scratch.h"

namespace {
constexpr char List[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char Settings[] = "Software\\Halvorstead\\Tarnquill";
constexpr char Autostart[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char Player[] = "Winamp.File";
// Not a place the runner saves: a link's target must stay as it is without it.
constexpr char Target[] = "SOFTWARE\\TqStateTarget";
constexpr char Plugins[] = "C:\\PROGRAM FILES\\WINAMP\\Plugins";
constexpr char Plugin[] = "C:\\PROGRAM FILES\\WINAMP\\Plugins\\gen_zorv.dll";
std::string EntryPath(const std::string& name) { return std::string(List) + "\\" + name; }

struct ToolRun {
    int code;
    std::string said;  // its output and errors
};

// Through cmd, which waits for the program and keeps what it says in a file beside the state.
ToolRun RunTool(const std::string& program, const std::string& arguments, const std::string& said) {
    const int code = std::system(("\"\"" + program + "\" " + arguments + " >\"" + said + "\" 2>&1\"").c_str());
    return {code, ReadFileText(said).value_or("")};
}

ToolRun RunStateTool(const std::string& command, const std::string& file) {
    return RunTool(TQ_BUILT(TQ_STATE_TOOL_FILE), command + " \"" + file + "\"", file + ".said");
}

// The uninstall list as the platform's own reg.exe exports it: no helper of tqstate's in between.
std::string ExportedList(const std::string& file) {
    const ToolRun run = RunTool("reg.exe", "export \"HKLM\\" + std::string(List) + "\" \"" + file + "\" /y", file + ".said");
    return run.code == 0 ? ReadFileText(file).value_or("") : "export failed: " + run.said;
}

struct Machine {
    std::map<std::string, RegValue> list, settings, run, player, target;
    std::optional<std::string> plugin;
    bool pluginsFolder = false;
    bool operator==(const Machine&) const = default;
};

Machine Now() {
    const DWORD folder = GetFileAttributesA(Plugins);
    return {Snapshot(HKEY_LOCAL_MACHINE, List), Snapshot(HKEY_CURRENT_USER, Settings), Snapshot(HKEY_CURRENT_USER, Autostart),
            Snapshot(HKEY_CLASSES_ROOT, Player), Snapshot(HKEY_LOCAL_MACHINE, Target), ReadFileText(Plugin),
            folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY)};
}

void ClearAll() {
    ClearTestPlaces();
    DeleteTree(HKEY_LOCAL_MACHINE, Target);
}

// What a test run does to those places: clears them and leaves its own.
void RunTheTests() {
    ClearTestPlaces();
    SetValue(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 9.0"), "DisplayName", Sz("a test's"));
    SetValue(HKEY_LOCAL_MACHINE, EntryPath("TqOtherProgram"), "DisplayName", Sz("a test's"));
    SetValue(HKEY_CURRENT_USER, Settings + std::string("\\Options"), "WinampPath", Sz("C:\\test\\winamp.exe"));
    SetValue(HKEY_CURRENT_USER, Autostart, "TqOtherProgram", Sz("other.exe"));
    SetValue(HKEY_CLASSES_ROOT, Player + std::string("\\shell\\Play\\command"), "", Sz("C:\\test\\winamp.exe"));
    MakeFolder("C:\\Plugins");
    WriteFileText("C:\\Plugins\\gen_zorv.dll", "a test's plug-in");
}

struct StateCase {
    const char* name;
    std::function<void()> make;
};

TEST(MachineState, WhatWasThereIsBackAfterTheTests) {
    const std::string raw = std::string("\0\1\xFF", 3);
    const StateCase cases[] = {
        {"nothing of the product's", [] {}},
        {"a product entry, the user's settings, autostart, a player and its plug-in",
         [&] {
             SetValue(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 0.5"), "DisplayName", Sz("Tarnquill 0.5"));
             SetValue(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 0.5\\Sub\\Deeper"), "", {REG_BINARY, raw});
             SetValue(HKEY_CURRENT_USER, Settings + std::string("\\Options"), "WinampPath", Sz("C:\\W\\winamp.exe"));
             MakeKey(HKEY_CURRENT_USER, Settings + std::string("\\Hotkeys\\General"));
             SetValue(HKEY_CURRENT_USER, Autostart, "Tarnquill", {REG_EXPAND_SZ, std::string("%ProgramFiles%\\t.exe\0", 21)});
             SetValue(HKEY_CLASSES_ROOT, Player + std::string("\\shell\\Play\\command"), "", Sz("\"C:\\W\\winamp.exe\" \"%1\""));
             MakeFolder("C:\\PROGRAM FILES\\WINAMP");
             MakeFolder(Plugins);
             WriteFileText(Plugin, "the user's plug-in");
         }},
        {"odd value types and bytes",
         [&] {
             const std::string entry = EntryPath("TARNQUILL odd");
             SetValue(HKEY_LOCAL_MACHINE, entry, "MultiSz", {REG_MULTI_SZ, std::string("a\0b\0\0", 5)});
             SetValue(HKEY_LOCAL_MACHINE, entry, "NoTerminator", {REG_SZ, "open"});
             SetValue(HKEY_LOCAL_MACHINE, entry, "Type 1234", {1234, raw});
             SetValue(HKEY_LOCAL_MACHINE, entry, "Big", {REG_BINARY, std::string(300000, '\x5A')});
             SetValue(HKEY_CURRENT_USER, Autostart, "TqOtherProgram", {REG_NONE, ""});
         }},
        {"an entry named with a 0 character inside, and a subkey below it",
         [] { MakeKey(HKEY_LOCAL_MACHINE, EntryPath(std::string("Tarnquill 2.0\0old", 17)) + "\\Sub"); }},
        {"an entry that is a link, and a link below another",
         [] {
             SetValue(HKEY_LOCAL_MACHINE, std::string(Target) + "\\Sub", "Data", Sz("another program's"));
             MakeLink(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 0.1"), HKEY_LOCAL_MACHINE, Target);
             SetValue(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 0.2"), "DisplayName", Sz("Tarnquill 0.2"));
             MakeLink(HKEY_LOCAL_MACHINE, EntryPath("Tarnquill 0.2\\Shortcut"), HKEY_LOCAL_MACHINE, Target);
         }},
    };
    ScratchFolder scratch("machine_state");
    const std::string saved = scratch / "state.bin";
    for (const StateCase& c : cases) {
        ClearAll();
        c.make();
        const Machine before = Now();
        const std::string exportedBefore = ExportedList(scratch / "before.reg");
        ASSERT_EQ(RunStateTool("save", saved).code, 0) << c.name;
        RunTheTests();
        ASSERT_NE(Now(), before) << c.name << ": the tests changed nothing";
        ASSERT_NE(ExportedList(scratch / "tested.reg"), exportedBefore) << c.name << ": the tests changed nothing";
        EXPECT_EQ(RunStateTool("restore", saved).code, 0) << c.name;
        EXPECT_EQ(ExportedList(scratch / "after.reg"), exportedBefore) << c.name << ": as reg.exe exports it";
        const Machine after = Now();
        EXPECT_EQ(after.list, before.list) << c.name;
        EXPECT_EQ(after.settings, before.settings) << c.name;
        EXPECT_EQ(after.run, before.run) << c.name;
        EXPECT_EQ(after.player, before.player) << c.name;
        EXPECT_EQ(after.target, before.target) << c.name << ": a link's target";
        EXPECT_EQ(after.plugin, before.plugin) << c.name;
        EXPECT_EQ(after.pluginsFolder, before.pluginsFolder) << c.name;
        EXPECT_FALSE(ReadFileText("C:\\Plugins\\gen_zorv.dll")) << c.name;
    }
    ClearAll();
}

TEST(MachineState, ADamagedSaveFailsAndSaysSo) {
    ScratchFolder scratch("machine_state");
    const std::string saved = scratch / "state.bin";
    ClearTestPlaces();
    ASSERT_EQ(RunStateTool("save", saved).code, 0);
    const std::string whole = ReadFileText(saved).value_or("");
    WriteFileText(saved, whole.substr(0, whole.size() - 3));
    const ToolRun damaged = RunStateTool("restore", saved);
    EXPECT_EQ(damaged.code, 1);
    EXPECT_NE(damaged.said.find("tqstate: the saved state is cut short or damaged"), std::string::npos) << damaged.said;
    const ToolRun missing = RunStateTool("restore", scratch / "missing.bin");
    EXPECT_EQ(missing.code, 1);
    EXPECT_NE(missing.said.find("tqstate: cannot read"), std::string::npos) << missing.said;
    ClearTestPlaces();
}
}  // namespace
