#include "platform/WinFind/WinFind.h"

#include <exception>
#include <utility>

#include "platform/text/Text.h"

namespace {
constexpr int WindowTextCapacity = 1024;

std::string searchClassPart;
std::string searchTitlePart;
bool searchExactCase = false;
HWND foundWindow = nullptr;
// A failure in the callback cannot unwind through the platform's frames (32-bit code unwinds by
// tables that those frames lack): it waits here until the enumeration has returned.
std::exception_ptr callbackFailure;

std::string ReadWindowText(HWND window, int (WINAPI* read)(HWND, LPSTR, int)) {
    char buffer[WindowTextCapacity] = {};
    read(window, buffer, WindowTextCapacity);
    buffer[WindowTextCapacity - 1] = '\0';
    return buffer;
}

bool Contains(const std::string& text, const std::string& part) {
    return part.empty() || TextPos(part, text) != 0;
}

bool IsMatch(HWND window) {
    const auto fold = [](const std::string& text) {
        return searchExactCase ? text : LocaleUpper(text);
    };
    const std::string className = fold(ReadWindowText(window, GetClassNameA));
    const std::string title = fold(ReadWindowText(window, GetWindowTextA));
    return Contains(className, fold(searchClassPart)) && Contains(title, fold(searchTitlePart));
}
}  // namespace

HWND FindWindowLike(const std::string& classPart, const std::string& titlePart, bool exactCase) {
    foundWindow = nullptr;
    if (classPart.empty() && titlePart.empty()) return nullptr;
    searchClassPart = classPart;
    searchTitlePart = titlePart;
    searchExactCase = exactCase;
    EnumWindows(MatchWindow, 0);
    if (callbackFailure) std::rethrow_exception(std::exchange(callbackFailure, nullptr));
    return foundWindow;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM) {
    try {
        if (!IsMatch(window)) return TRUE;
    } catch (...) {
        callbackFailure = std::current_exception();
        return FALSE;
    }
    foundWindow = window;
    return FALSE;
}
