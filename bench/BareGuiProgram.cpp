// The second yardstick: a program that only starts, connects to the desktop as every program
// that looks at windows must (one call into user32), and exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    GetSystemMetrics(SM_CXSCREEN);
    ExitProcess(0);
}
