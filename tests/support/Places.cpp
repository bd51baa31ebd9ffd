#include "tests/support/Places.h"

#include <iterator>

#include "platform/text/Text.h"
#include "tests/support/Keys.h"

const Place Places[] = {
    {HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\TarnquillTests", Scope::Tree},
    {HKEY_CURRENT_USER, "TarnquillTestsVolatile", Scope::Tree},
    {HKEY_CURRENT_USER, "TarnquillTestsRootSection", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\Classes\\TarnquillTests.Root", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\TarnquillTests.Root", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\TarnquillTests", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\TarnquillTests", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", Scope::TestRunValues},
    {HKEY_CURRENT_USER, "Software\\Classes\\Winamp.File", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\Classes\\Winamp.Playlist", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\Classes\\Wow6432Node\\Winamp.File", Scope::Tree},
    {HKEY_CURRENT_USER, "Software\\Classes\\Wow6432Node\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Winamp.File", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Wow6432Node\\Winamp.File", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\Wow6432Node\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\TqVictim", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\TqMissing", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\TqVictim", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\TqMissing", Scope::Tree},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", Scope::TestEntries},
    {HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", Scope::TestEntries},
};
const char* const TestRunValueNames[] = {"Tarnquill", "TqOtherProgram"};
const char* const TestFolders[] = {"C:\\Plugins", "C:\\PROGRAM FILES\\WINAMP", "C:\\PROGRAM FILES\\WINAMP\\Plugins"};
const char* const TestFiles[] = {"C:\\Plugins\\gen_zorv.dll", "C:\\PROGRAM FILES\\WINAMP\\Plugins\\gen_zorv.dll"};

bool IsTestEntry(const std::wstring& name) {
    const std::string upper = AsciiUpper(Utf8(name));
    return upper.find("TARNQUILL") != std::string::npos || upper.rfind("TQOTHER", 0) == 0;
}

bool IsProductEntry(const std::wstring& name) { return AsciiUpper(Utf8(name)).rfind("TARNQUILL", 0) == 0; }

namespace {
void ClearPlace(const Place& place) {
    if (place.scope == Scope::Tree) return DeleteTree(place.root, place.path, NativeView);
    const KeyHandle key = OpenPath(place.root, place.path, KeyWalk::Open, NativeView);
    if (!key) return;
    if (place.scope == Scope::TestRunValues)
        for (const char* name : TestRunValueNames) RegDeleteValueA(key.Get(), name);
    else
        for (const std::wstring& name : SubkeysOf(key.Get()))
            if (IsTestEntry(name)) DeleteTree(OpenChildItself(key.Get(), name));
}
}  // namespace

void ClearTestPlaces() {
    for (const Place& place : Places) ClearPlace(place);
    for (const char* file : TestFiles) {
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file);
    }
    for (size_t i = std::size(TestFolders); i-- > 0;) RemoveDirectoryA(TestFolders[i]);
}
