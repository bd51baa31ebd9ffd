// Which registry view the program works in. On 64-bit Windows a 32-bit program's
// HKLM\SOFTWARE is HKLM\SOFTWARE\Wow6432Node, where a 32-bit setup records its uninstall entry;
// HKCU and HKCR are one for both. The tests ask for each view explicitly.
#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/e2e/Scenario.h"

namespace {
enum class Bitness { Bits64, Wow64, Bits32 };

Bitness ThisProcess() {
    if (sizeof(void*) == 8) return Bitness::Bits64;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? Bitness::Wow64 : Bitness::Bits32;
}

void SetIn(REGSAM view, HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    HKEY handle = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &handle, nullptr), 0);
    RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
}

std::optional<std::string> ReadIn(REGSAM view, HKEY root, const std::string& key, const std::string& name) {
    char text[MAX_PATH] = {};
    DWORD size = sizeof text - 1;
    if (RegGetValueA(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ | (view == KEY_WOW64_64KEY ? RRF_SUBKEY_WOW6464KEY
                                                                                              : RRF_SUBKEY_WOW6432KEY),
                     nullptr, text, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(text);
}

void DeleteIn(REGSAM view, HKEY root, const std::string& key) { RegDeleteKeyExA(root, key.c_str(), view, 0); }

RunOutcome Install() {
    ScratchFolder scratch("views");
    return RunProgram(ScriptFor(" /install", scratch.Path()));
}

TEST(Views, PruningWorksInTheProgramsOwnViewOnly) {
    if (ThisProcess() == Bitness::Bits32) GTEST_SKIP() << "32-bit Windows has one registry view: nothing to tell apart";
    const REGSAM own = ThisProcess() == Bitness::Bits64 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    const REGSAM other = own == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    // The place the 32-bit view's entries really have, as a 64-bit reader names it.
    const std::string wow6432Uninstall = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
    const auto entry = [](const char* name) { return std::string(UninstallKey) + "\\" + name; };
    for (const char* name : {"Tarnquill 1", "Tarnquill 2", "Tarnquill 0"}) {
        DeleteIn(own, HKEY_LOCAL_MACHINE, entry(name));
        DeleteIn(other, HKEY_LOCAL_MACHINE, entry(name));
    }
    MakeKey(HKEY_CURRENT_USER, HotkeysGeneralKey);
    SetIn(own, HKEY_LOCAL_MACHINE, entry("Tarnquill 1"), "DisplayName", "own view, older");
    SetIn(own, HKEY_LOCAL_MACHINE, entry("Tarnquill 2"), "DisplayName", "own view, newest");
    SetIn(other, HKEY_LOCAL_MACHINE, entry("Tarnquill 0"), "DisplayName", "the other view's");

    const RunOutcome outcome = Install();
    EXPECT_EQ(outcome.exitCode, 0u) << Transcript(outcome);
    EXPECT_FALSE(ReadIn(own, HKEY_LOCAL_MACHINE, entry("Tarnquill 1"), "DisplayName"));
    EXPECT_EQ(ReadIn(own, HKEY_LOCAL_MACHINE, entry("Tarnquill 2"), "DisplayName"), "own view, newest");
    EXPECT_EQ(ReadIn(other, HKEY_LOCAL_MACHINE, entry("Tarnquill 0"), "DisplayName"), "the other view's");
    const std::string kept = (own == KEY_WOW64_32KEY ? wow6432Uninstall : std::string(UninstallKey)) + "\\Tarnquill 2";
    EXPECT_EQ(ReadIn(KEY_WOW64_64KEY, HKEY_LOCAL_MACHINE, kept, "DisplayName"), "own view, newest")
        << "the 32-bit view is not where it is on Windows";
    for (const char* name : {"Tarnquill 2", "Tarnquill 0"}) {
        DeleteIn(own, HKEY_LOCAL_MACHINE, entry(name));
        DeleteIn(other, HKEY_LOCAL_MACHINE, entry(name));
    }
    DeleteTree(HKEY_CURRENT_USER, ProductKey);
}

// The player registers its Play command in either view; HKCR is shared, and so is HKCU, where
// the product reads what the program wrote whatever its own bitness. Unlike Windows 7 and later,
// Wine sends a 64-bit process's writes to HKCR with KEY_WOW64_32KEY into Classes\Wow6432Node,
// so a 32-bit writer is played by a 32-bit process only: under WOW64 and on 32-bit Windows.
TEST(Views, ThePlayCommandAndTheSettingsAreSharedByBothViews) {
    std::vector<REGSAM> writers = {KEY_WOW64_64KEY};
    if (ThisProcess() == Bitness::Bits64)
        std::printf("a Play command written by a 32-bit player: checked in the 32-bit setups\n");
    else
        writers.push_back(KEY_WOW64_32KEY);
    for (const REGSAM writer : writers) {
        const std::string player = writer == KEY_WOW64_32KEY ? "C:\\Winamp32\\winamp.exe" : "C:\\Winamp64\\winamp.exe";
        DeleteTree(HKEY_CLASSES_ROOT, "Winamp.File");
        DeleteTree(HKEY_CURRENT_USER, ProductKey);
        MakeKey(HKEY_CURRENT_USER, HotkeysGeneralKey);
        SetIn(writer, HKEY_CLASSES_ROOT, FileCommandKey, "", "\"" + player + "\" \"%1\"");
        const RunOutcome outcome = Install();
        EXPECT_EQ(outcome.exitCode, 0u) << Transcript(outcome);
        for (const REGSAM reader : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            EXPECT_EQ(ReadIn(reader, HKEY_CURRENT_USER, OptionsKey, "WinampPath"), player)
                << "written in the " << (writer == KEY_WOW64_32KEY ? 32 : 64) << "-bit view, read in the "
                << (reader == KEY_WOW64_32KEY ? 32 : 64) << "-bit view";
    }
    DeleteTree(HKEY_CLASSES_ROOT, "Winamp.File");
    DeleteTree(HKEY_CURRENT_USER, ProductKey);
}
}  // namespace
