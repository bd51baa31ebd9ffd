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
        DeleteTree(HKEY_LOCAL_MACHINE, entry(name), own);
        DeleteTree(HKEY_LOCAL_MACHINE, entry(name), other);
    }
    MakeKey(HKEY_CURRENT_USER, HotkeysGeneralKey);
    SetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 1"), "DisplayName", Sz("own view, older"), own);
    SetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 2"), "DisplayName", Sz("own view, newest"), own);
    SetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 0"), "DisplayName", Sz("the other view's"), other);

    const RunOutcome outcome = Install();
    EXPECT_EQ(outcome.exitCode, 0u) << Transcript(outcome);
    EXPECT_FALSE(GetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 1"), "DisplayName", own));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 2"), "DisplayName", own), Sz("own view, newest"));
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, entry("Tarnquill 0"), "DisplayName", other), Sz("the other view's"));
    const std::string kept = (own == KEY_WOW64_32KEY ? wow6432Uninstall : std::string(UninstallKey)) + "\\Tarnquill 2";
    EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, kept, "DisplayName", KEY_WOW64_64KEY), Sz("own view, newest"))
        << "the 32-bit view is not where it is on Windows";
    for (const char* name : {"Tarnquill 2", "Tarnquill 0"}) {
        DeleteTree(HKEY_LOCAL_MACHINE, entry(name), own);
        DeleteTree(HKEY_LOCAL_MACHINE, entry(name), other);
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
        std::printf("a Play command written by a 32-bit player: checked in the 32-bit targets\n");
    else
        writers.push_back(KEY_WOW64_32KEY);
    for (const REGSAM writer : writers) {
        const std::string player = writer == KEY_WOW64_32KEY ? "C:\\Winamp32\\winamp.exe" : "C:\\Winamp64\\winamp.exe";
        DeleteTree(HKEY_CLASSES_ROOT, "Winamp.File");
        DeleteTree(HKEY_CURRENT_USER, ProductKey);
        MakeKey(HKEY_CURRENT_USER, HotkeysGeneralKey);
        SetValue(HKEY_CLASSES_ROOT, FileCommandKey, "", Sz("\"" + player + "\" \"%1\""), writer);
        const RunOutcome outcome = Install();
        EXPECT_EQ(outcome.exitCode, 0u) << Transcript(outcome);
        for (const REGSAM reader : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
            EXPECT_EQ(GetValue(HKEY_CURRENT_USER, OptionsKey, "WinampPath", reader), Sz(player))
                << "written in the " << (writer == KEY_WOW64_32KEY ? 32 : 64) << "-bit view, read in the "
                << (reader == KEY_WOW64_32KEY ? 32 : 64) << "-bit view";
    }
    DeleteTree(HKEY_CLASSES_ROOT, "Winamp.File");
    DeleteTree(HKEY_CURRENT_USER, ProductKey);
}
}  // namespace
