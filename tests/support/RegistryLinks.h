#pragma once
// Registry shapes that the ANSI functions cannot make: links, and names that the ANSI code page
// cannot hold. Paths here are UTF-8, turned into UTF-16 for the platform.
#include <windows.h>

#include <string>
#include <vector>

std::wstring WideOf(const std::string& text, UINT codePage);
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& text);

// A key's subkey names in UTF-16, each by its counted length (a 0 character kept), and one of
// them opened as itself by that whole name.
std::vector<std::wstring> SubkeyNamesOf(HKEY key);
HKEY OpenSubkeyItself(HKEY parent, const std::wstring& name);

// A key's values, each name in UTF-16 by its counted length (a 0 character kept), with its type
// and stored bytes.
struct NamedValue {
    std::wstring name;
    DWORD type = REG_NONE;
    std::string data;
};
std::vector<NamedValue> ValuesOf(HKEY key);

// Opens or creates a key path one name at a time, so that paths longer than the platform takes
// in one call work, and names that hold a 0 character are taken whole; OpenItself opens the last name as itself, a link as the link. The caller
// closes the key (nullptr when the walk failed).
enum class KeyWalk { Open, OpenItself, Create, CreateVolatile };
HKEY OpenKeyPath(HKEY root, const std::wstring& path, KeyWalk walk);
// Deletes the key with its subtree; links in it go as links, nothing they point to is touched.
void DeleteKeyTree(HKEY root, const std::wstring& path);

// The same for paths in UTF-8.

// One key name (UTF-8) that reads as the absolute path "\key" where the ANSI code page maps the
// full-width backslash U+FF3C, an ordinary character of a name, to '\' by best fit.
std::string FullWidthPathTo(const std::string& key);

// Creates each missing key of the path; '\' separates names, any other character is a name's.
void MakeKeyW(HKEY root, const std::string& path);
void DeleteTreeW(HKEY root, const std::string& path);
// Whether the path's last key exists as itself; a link counts, whatever its target.
bool KeyItselfExists(HKEY root, const std::string& path);

// A volatile link at `link` to the key `target`, which need not exist (its parent must).
void MakeLink(HKEY root, const std::string& link, HKEY targetRoot, const std::string& target);
// Deletes the link itself, never its target.
void DeleteLink(HKEY root, const std::string& link);
