#include "platform/WinFind/WinFind.h"

#include "platform/text/Text.h"

namespace {
constexpr int WindowTextCapacity = 1024;

std::string searchClassPart;
std::string searchTitlePart;
bool searchExactCase = false;
HWND foundWindow = nullptr;

std::string ReadWindowText(HWND window, int (WINAPI* read)(HWND, LPSTR, int)) {
    char buffer[WindowTextCapacity] = {};
    read(window, buffer, WindowTextCapacity);
    buffer[WindowTextCapacity - 1] = '\0';
    return buffer;
}

bool Contains(const std::string& text, const std::string& part) {
    return part.empty() || TextPos(part, text) != 0;
}
}  // namespace

HWND FindWindowLike(const std::string& classPart, const std::string& titlePart, bool exactCase) {
    foundWindow = nullptr;
    if (classPart.empty() && titlePart.empty()) return nullptr;
    searchClassPart = classPart;
    searchTitlePart = titlePart;
    searchExactCase = exactCase;
    EnumWindows(MatchWindow, 0);
    return foundWindow;
}

BOOL CALLBACK MatchWindow(HWND window, LPARAM) {
    const auto fold = [](const std::string& text) {
        return searchExactCase ? text : LocaleUpper(text);
    };
    const std::string className = fold(ReadWindowText(window, GetClassNameA));
    const std::string title = fold(ReadWindowText(window, GetWindowTextA));
    if (!Contains(className, fold(searchClassPart)) || !Contains(title, fold(searchTitlePart)))
        return TRUE;
    foundWindow = window;
    return FALSE;
}
