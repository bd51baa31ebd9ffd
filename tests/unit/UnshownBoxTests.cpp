// A message box that cannot be shown answers 0: a wait then looks again after a pause instead of
// spinning, and the uninstall's deletion loop takes it as Cancel. Where nobody can see a box, none
// is shown at all, and a wait goes on at once.
#include <windows.h>

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Boxes.h"
#include "setup/Setup.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/Scratch.h"
#include "tests/support/TopWindow.h"
#include "tests/support/UnseenDesktop.h"

namespace {
int boxesAsked = 0;
int closeWinampAtBox = 0;
std::unique_ptr<TopWindow> winamp;
std::vector<DWORD> pauses;

int WINAPI UnshownBox(HWND, LPCSTR, LPCSTR, UINT) {
    if (++boxesAsked == closeWinampAtBox) winamp.reset();
    return 0;
}

// A wait that pauses on and on ends at the third pause, so that a test of it fails, never hangs.
void WINAPI RecordPause(DWORD milliseconds) {
    pauses.push_back(milliseconds);
    if (pauses.size() == 3) winamp.reset();
}

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

TEST(UnshownBox, WhereNobodyCanSeeOneNoneIsShownAndTheWaitGoesOn) {
    winamp = std::make_unique<TopWindow>("Winamp v1.x", "Winamp 5.9");
    boxesAsked = 0;
    closeWinampAtBox = 3;  // where boxes were shown after all, the wait ends there
    pauses.clear();
    UnseenDesktop unseen;
    unseen.WithProcessOnIt(DecideWhetherBoxesAreSeen);
    {
        const ImportSwap box("MessageBoxA", reinterpret_cast<void*>(&UnshownBox));
        const ImportSwap pause("Sleep", reinterpret_cast<void*>(&RecordPause));
        WaitWhilePlayerRuns("notice", "caption");
        EXPECT_EQ(ShowBox("text", "caption", MB_OK), 0);
    }
    EXPECT_FALSE(BoxesAreSeen());
    DecideWhetherBoxesAreSeen();
    EXPECT_TRUE(BoxesAreSeen()) << "decided again on the user's own window station";
    winamp.reset();
    EXPECT_EQ(boxesAsked, 0);
    EXPECT_TRUE(pauses.empty());
}

// A compatibility layer inherited from a setup run in an old-Windows mode lowers what GetVersion
// answers to 5; session 0 is the services' all the same.
DWORD WINAPI OldWindowsVersion() { return 0x0105; }
BOOL WINAPI InSessionZero(DWORD, DWORD* session) {
    *session = 0;
    return TRUE;
}

TEST(UnshownBox, SessionZeroWhateverACompatibilityLayerMakesOfTheVersion) {
    {
        const ImportSwap version("GetVersion", reinterpret_cast<void*>(&OldWindowsVersion));
        const ImportSwap session("ProcessIdToSessionId", reinterpret_cast<void*>(&InSessionZero));
        DecideWhetherBoxesAreSeen();
    }
    EXPECT_FALSE(BoxesAreSeen());
    DecideWhetherBoxesAreSeen();  // as the other tests expect
}

// A service that may interact with the desktop still sits in session 0, where no user is since
// Vista; before it, session 0 was the console's.
TEST(UnshownBox, WhoCanSeeABox) {
    const struct {
        std::optional<DWORD> stationFlags, session;
        DWORD majorVersion;
        bool seen;
    } cases[] = {
        {WSF_VISIBLE, 1, 10, true},
        {0, 1, 10, false},
        {WSF_VISIBLE, 0, 10, false},
        {WSF_VISIBLE, 0, 6, false},
        {WSF_VISIBLE, 0, 5, true},
        {0, 0, 5, false},
        {std::nullopt, std::nullopt, 10, true},
        {std::nullopt, 0, 10, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BoxesCanBeSeen(c.stationFlags, c.session, c.majorVersion), c.seen)
            << c.stationFlags.value_or(99) << " " << c.session.value_or(99) << " " << c.majorVersion;
}
}  // namespace
