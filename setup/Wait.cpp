// Whether Winamp runs.
#include <windows.h>

#include "platform/WinFind/WinFind.h"
#include "setup/Setup.h"
#include "setup/Texts.h"

namespace {
// A wait that cannot show its notice looks again after this pause instead of spinning.
constexpr DWORD UnshownNoticePauseMs = 500;
}  // namespace

void WaitWhilePlayerRuns(const char* notice, const char* caption) {
    while (FindWindowLike(PlayerWindowClass, PlayerWindowTitle, false)) {
        if (MessageBoxA(nullptr, notice, caption, MB_OK | MB_ICONINFORMATION) == 0)
            Sleep(UnshownNoticePauseMs);
    }
}
