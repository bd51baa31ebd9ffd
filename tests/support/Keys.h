#pragma once
// The tests' own way through the registry, independent of the program's: paths in UTF-8, walked
// one name at a time, so that paths longer than the platform takes in one call work and a name
// that holds a 0 character, or one the ANSI code page cannot spell, is taken whole. A link is
// taken as the link wherever a walk ends on it, never followed; deletion never reaches through one.
// Value names and data go through the ANSI calls, as the program's do.
#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry/KeyHandle.h"

std::wstring WideOf(const std::string& text, UINT codePage);
std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& text);

struct RegValue {
    DWORD type = REG_NONE;
    std::string data;  // the stored bytes
    bool operator==(const RegValue&) const = default;
};
RegValue Sz(const std::string& text);  // REG_SZ with its terminator

// A value with its name in UTF-16, by its counted length (a 0 character kept).
struct NamedValue {
    std::wstring name;
    RegValue value;
};

// An open key's subkey names and values, each name by its counted length.
std::vector<std::wstring> SubkeysOf(HKEY key);
std::vector<NamedValue> ValuesOf(HKEY key);
// The subkey of that exact name, a link as the link.
KeyHandle OpenChildItself(HKEY parent, const std::wstring& name);

// Itself: the last name opened as itself. A view (KEY_WOW64_32KEY or KEY_WOW64_64KEY) applies to
// every name of the walk.
enum class KeyWalk { Open, Itself, Create, CreateVolatile };
KeyHandle OpenPath(HKEY root, const std::string& path, KeyWalk walk, REGSAM view = 0);
bool KeyExists(HKEY root, const std::string& path);
// Whether the path's last key exists as itself; a link counts, whatever its target.
bool KeyItselfExists(HKEY root, const std::string& path);
// Creates each missing key of the path; '\' separates names, any other character is a name's.
void MakeKey(HKEY root, const std::string& path, bool isVolatile = false);
// The key with its subtree, a link as the link; nothing a link points to is touched.
void DeleteTree(HKEY root, const std::string& path, REGSAM view = 0);
void DeleteTree(const KeyHandle& key);

void SetValue(HKEY root, const std::string& key, const std::string& name, const RegValue& value, REGSAM view = 0);
std::optional<RegValue> GetValue(HKEY root, const std::string& key, const std::string& name, REGSAM view = 0);
// Makes the key's access list grant everyone these rights and no others (its owner may still
// change the list).
void SetKeyAccess(HKEY root, const std::string& key, DWORD rights);

// A key and everything below it as "\sub\key|name" = value (names in UTF-8, "|(key)" for each
// subkey), to compare states. A link is a key whose one value is its target; nothing below it is read.
std::map<std::string, RegValue> Snapshot(HKEY root, const std::string& key, REGSAM view = 0);

// A volatile link at `link` to the key `target`, which need not exist (its parent must).
void MakeLink(HKEY root, const std::string& link, HKEY targetRoot, const std::string& target);
// One key name (UTF-8) that reads as the absolute path "\key" where the ANSI code page maps the
// full-width backslash U+FF3C, an ordinary character of a name, to '\' by best fit.
std::string FullWidthPathTo(const std::string& key);
