#pragma once
// Every message box the program shows, from one place. Where nobody can see a box (a window
// station without visible display surfaces, as a service's, or session 0, where Windows runs
// services and no user since Vista), none is shown: each counts as a box that could not be shown,
// answer 0, so that a setup started by a deployment tool goes on instead of waiting for ever.
#include <windows.h>

#include <optional>

// Decided once, before the first report can show a box; until then boxes are shown.
void DecideWhetherBoxesAreSeen();
bool BoxesAreSeen();
// A modal box without an owner window; 0 where nobody can see it.
int ShowBox(const char* text, const char* caption, UINT flags);

// The rule, on what a process can learn of its place: its window station's UOI_FLAGS, its
// session and the system's major version (nullopt: could not be told, which hides nothing).
// Before Vista (6) session 0 is the console's, where the user sits.
bool BoxesCanBeSeen(std::optional<DWORD> stationFlags, std::optional<DWORD> session, DWORD majorVersion);
