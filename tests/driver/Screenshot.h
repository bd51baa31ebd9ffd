#pragma once
// A picture of a window as it stands on the screen, frame included, written as a 24-bit BMP.
#include <windows.h>

#include <string>

bool SaveScreenshot(HWND window, const std::string& path);
