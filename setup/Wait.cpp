// Whether Winamp runs.
#include <windows.h>

#include "platform/Boxes.h"
#include "platform/WinFind/WinFind.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

namespace {
// A wait that cannot show its notice looks again after this pause instead of spinning.
constexpr DWORD UnshownNoticePauseMs = 500;
}  // namespace

// Where nobody can read the notice, nobody closes Winamp on its word: the run goes on.
void WaitWhilePlayerRuns(const char* notice, const char* caption) {
    while (BoxesAreSeen() && FindWindowLike(PlayerWindowClass, PlayerWindowTitle, false)) {
        if (ShowBox(notice, caption, MB_OK | MB_ICONINFORMATION) == 0) Sleep(UnshownNoticePauseMs);
    }
}
