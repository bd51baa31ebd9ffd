// Loaded into the program under test by a global hook: tells which icon each message box shows,
// since icon handles cannot be compared across processes. The answer is left on the box as a
// window property, which other processes can read.
#include <windows.h>

#include "tests/driver/ProbeIcons.h"

namespace {
constexpr int WineIconControl = 0x440;
constexpr int WindowsIconControl = 20;

int IconCodeOf(HWND box) {
    HWND control = GetDlgItem(box, WineIconControl);
    if (!control) control = GetDlgItem(box, WindowsIconControl);
    if (!control || !(GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE)) return ProbeIconNone;
    const auto icon = reinterpret_cast<HICON>(SendMessageA(control, STM_GETICON, 0, 0));
    if (!icon) return ProbeIconNone;
    if (icon == LoadIconA(nullptr, IDI_HAND)) return ProbeIconError;
    if (icon == LoadIconA(nullptr, IDI_QUESTION)) return ProbeIconQuestion;
    if (icon == LoadIconA(nullptr, IDI_EXCLAMATION)) return ProbeIconWarning;
    if (icon == LoadIconA(nullptr, IDI_ASTERISK)) return ProbeIconInformation;
    return ProbeIconOther;
}
}  // namespace

// Called after each sent message is handled; by the end of WM_INITDIALOG the box has its icon.
extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_INITDIALOG) {
        char className[16] = {};
        GetClassNameA(message->hwnd, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0)
            SetPropA(message->hwnd, ProbeIconProperty,
                     reinterpret_cast<HANDLE>(INT_PTR{IconCodeOf(message->hwnd)}));
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
