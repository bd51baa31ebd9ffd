// The yardstick: a Windows program that only starts and exits.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { ExitProcess(0); }
