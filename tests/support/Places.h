#pragma once
// Every place of a machine that the tests change, in one table, which a test clears around its
// runs. Paths as a process of the machine's own width names them, the 32-bit views spelt out;
// they are opened in that view from a 32-bit process too.
#include <windows.h>

#include <string>

enum class Scope {
    Tree,           // the key with everything below it
    TestEntries,    // the subkeys that IsTestEntry names, with everything below them
    TestRunValues,  // the values TestRunValueNames names
};
struct Place {
    HKEY root;
    const char* path;
    Scope scope;
};

extern const Place Places[23];
extern const char* const TestRunValueNames[2];
// Made in this order, removed in the reverse one.
extern const char* const TestFolders[3];
extern const char* const TestFiles[2];
constexpr REGSAM NativeView = KEY_WOW64_64KEY;  // ignored on 32-bit Windows, which has one view

// The uninstall entries the tests make: any name with the product's in it, and other programs'.
bool IsTestEntry(const std::wstring& name);
// An entry the program counts as the product's: its name begins with the product's.
bool IsProductEntry(const std::wstring& name);

// Every place, and the test files and folders.
void ClearTestPlaces();
