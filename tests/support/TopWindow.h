#pragma once
// A top-level window of a class and title of the test's choosing, for as long as the object lives.
#include <windows.h>

#include <string>

#include "tests/support/Scratch.h"

class TopWindow {
public:
    TopWindow(const std::string& className, const std::string& title) {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className.c_str();
        RegisterClassA(&windowClass);
        window_ = CreateWindowA(className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window_) SetUpFailed("the window " + className);
    }
    ~TopWindow() {
        if (window_) DestroyWindow(window_);
    }
    TopWindow(const TopWindow&) = delete;
    TopWindow& operator=(const TopWindow&) = delete;
    HWND Handle() const { return window_; }

private:
    HWND window_ = nullptr;
};
