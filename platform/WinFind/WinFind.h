#pragma once
// Finds a top-level window by parts of its class name and title. One search at a time: the search
// state is kept for the whole program.
#include <windows.h>

#include <string>

// The first window, in the platform's order, whose class name contains classPart and whose title
// contains titlePart (an empty part is not tested); 0 when none does or both parts are empty.
HWND FindWindowLike(const std::string& classPart, const std::string& titlePart, bool exactCase);

// The enumeration callback: 0 ends the enumeration on a match.
BOOL CALLBACK MatchWindow(HWND window, LPARAM unused);
