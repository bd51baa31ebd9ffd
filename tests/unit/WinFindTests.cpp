// The window finder against real top-level windows made by the test.
#include <windows.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/WinFind/WinFind.h"
#include "tests/support/ImportSwap.h"
#include "tests/support/TopWindow.h"

namespace {
struct FindCase {
    const char* classPart;
    const char* titlePart;
    bool exactCase;
    int expected;  // index of the window found, -1 for none
};

// Windows are listed in the order the platform enumerates them, which the test reads itself.
BOOL CALLBACK AddWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

std::vector<HWND> EnumerationOrder() {
    std::vector<HWND> order;
    EnumWindows(AddWindow, reinterpret_cast<LPARAM>(&order));
    return order;
}

TEST(WinFind, MatchesClassAndTitleParts) {
    const std::string longTitle = std::string(1020, 'x') + "Winamp" + std::string(974, 'y');
    const std::string longPart(1000, 'x');
    std::vector<std::unique_ptr<TopWindow>> windows;
    windows.push_back(std::make_unique<TopWindow>("TqTest Winamp v1.x", "Winamp 5.9 - Song"));  // 0
    windows.push_back(std::make_unique<TopWindow>("TqTest WINAMP V2", "no player here"));      // 1
    windows.push_back(std::make_unique<TopWindow>("TqTest Untitled", ""));                     // 2
    windows.push_back(std::make_unique<TopWindow>("TqTest Long", longTitle));                  // 3
    windows.push_back(std::make_unique<TopWindow>("TqTest \xE4pfel", "\xC4PFEL"));             // 4

    const FindCase cases[] = {
        {"", "", false, -1},
        {"TqTest Winamp v", "Winamp", false, 0},
        {"TqTest Winamp v", "Winamp", true, 0},
        {"TqTest WINAMP V", "", false, 0},      // folding finds both; the first enumerated decides
        {"TqTest WINAMP V", "", true, 1},
        {"TqTest winamp v2", "", false, 1},
        {"TqTest winamp v2", "", true, -1},
        {"TqTest Untitled", "", false, 2},
        {"TqTest Untitled", "a", false, -1},    // an empty title never holds a non-empty part
        {"", "no player", false, 1},
        {"TqTest Winamp v1.x and more", "", false, -1},  // a part longer than the text
        {"TqTest Long", "xWinamp", false, -1},  // lies past the first 1023 characters
        {"TqTest Long", longPart.c_str(), false, 3},
        {"TqTest \xC4PFEL", "\xE4pfel", false, 4},
        {"TqTest \xC4PFEL", "", true, -1},
    };
    const std::vector<HWND> order = EnumerationOrder();
    for (const auto& c : cases) {
        HWND expected = nullptr;
        if (c.expected >= 0) {
            // Among the windows that satisfy the case, the first in enumeration order.
            for (HWND window : order) {
                for (size_t i = 0; i < windows.size(); ++i) {
                    const bool folded = std::string(c.classPart) == "TqTest WINAMP V" && !c.exactCase;
                    if (window == windows[i]->Handle() &&
                        (static_cast<int>(i) == c.expected || (folded && i <= 1)) && !expected)
                        expected = window;
                }
            }
        }
        ASSERT_TRUE(c.expected < 0 || expected) << "window " << c.expected << " is not enumerated";
        EXPECT_EQ(FindWindowLike(c.classPart, c.titlePart, c.exactCase), expected)
            << "[" << c.classPart << "] [" << std::string(c.titlePart).substr(0, 20) << "] " << c.exactCase;
    }
}

TEST(WinFind, TheFirstOfSeveralMatchingWindowsEndsTheSearch) {
    std::vector<std::unique_ptr<TopWindow>> windows;
    for (int i = 0; i < 5; ++i)
        windows.push_back(std::make_unique<TopWindow>("TqTest Several", "Winamp " + std::to_string(i)));
    HWND first = nullptr;
    for (HWND window : EnumerationOrder())
        for (const auto& w : windows)
            if (!first && w->Handle() == window) first = window;
    ASSERT_NE(first, nullptr) << "none of the windows is enumerated";
    EXPECT_EQ(FindWindowLike("TqTest Several", "winamp", false), first);
    windows.clear();
    EXPECT_EQ(FindWindowLike("TqTest Several", "winamp", false), nullptr);
}

int WINAPI ExhaustedWindowText(HWND, LPSTR, int) { throw std::bad_alloc(); }

// Memory running out while a window is read reaches the caller after the enumeration, as the
// out-of-memory failure, and the next search starts clean.
TEST(WinFind, AFailureInTheCallbackReachesTheCallerAfterTheEnumeration) {
    const TopWindow window("TqTest Exhausted", "Winamp 5.9");
    {
        const ImportSwap exhausted("GetWindowTextA", reinterpret_cast<void*>(&ExhaustedWindowText));
        EXPECT_THROW(FindWindowLike("TqTest Exhausted", "Winamp", false), std::bad_alloc);
    }
    EXPECT_EQ(FindWindowLike("TqTest Exhausted", "Winamp", false), window.Handle());
}
}  // namespace
