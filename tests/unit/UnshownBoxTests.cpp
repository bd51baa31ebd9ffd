// A message box that cannot be shown answers 0: a wait then looks again after a pause instead of
// spinning, and the uninstall's deletion loop takes it as Cancel.
#include <windows.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "setup/Setup.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/Scratch.h"
#include "tests/support/TopWindow.h"

namespace {
int boxesAsked = 0;
int closeWinampAtBox = 0;
std::unique_ptr<TopWindow> winamp;
std::vector<DWORD> pauses;

int WINAPI UnshownBox(HWND, LPCSTR, LPCSTR, UINT) {
    if (++boxesAsked == closeWinampAtBox) winamp.reset();
    return 0;
}

void WINAPI RecordPause(DWORD milliseconds) { pauses.push_back(milliseconds); }

TEST(UnshownBox, TheWaitPausesBeforeLookingAgain) {
    winamp = std::make_unique<TopWindow>("Winamp v1.x", "Winamp 5.9");
    boxesAsked = 0;
    closeWinampAtBox = 3;
    pauses.clear();
    {
        const ImportSwap box("MessageBoxA", reinterpret_cast<void*>(&UnshownBox));
        const ImportSwap pause("Sleep", reinterpret_cast<void*>(&RecordPause));
        WaitWhilePlayerRuns("notice", "caption");
    }
    EXPECT_EQ(boxesAsked, 3);
    EXPECT_EQ(pauses, (std::vector<DWORD>{500, 500, 500}));
}

TEST(UnshownBox, TheDeletionLoopTakesItAsCancel) {
    ScratchFolder scratch("unshown");
    MakeFolder(scratch / "Plugins");
    const std::string plugin = scratch / "Plugins\\gen_zorv.dll";
    WriteFileText(plugin, "plug-in");
    const HANDLE held = CreateFileA(plugin.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    SetValue(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Options", "WinampPath", Sz(scratch / "winamp.exe"));
    SetValue(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Options", "FirstRunMarker", Sz("1"));
    boxesAsked = 0;
    closeWinampAtBox = 0;
    {
        const ImportSwap box("MessageBoxA", reinterpret_cast<void*>(&UnshownBox));
        RunUninstall();
    }
    CloseHandle(held);
    EXPECT_EQ(boxesAsked, 1);
    EXPECT_EQ(ReadFileText(plugin), "plug-in");
    EXPECT_FALSE(GetValue(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Options", "FirstRunMarker"));
    DeleteTree(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill");
}
}  // namespace
