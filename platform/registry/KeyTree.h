#pragma once
// Subkeys by their exact names, and deletion of a key with everything below it. Below the key
// given, every key is opened as itself by its counted name, relative to its parent's handle, and
// deleted through its own handle: no name is ever joined into a path, cut at a 0 character, or
// followed through a registry link.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry/KeyHandle.h"

// What deleting a tree needs, and no more: an access list that grants just these must do.
constexpr ACCESS_MASK TreeDeletionRights = DELETE | KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE;

// The exact names of a key's subkeys at indexes 0 to count - 1; a step that fails is skipped.
std::vector<std::wstring> SubkeyNamesOf(HKEY key, DWORD count);

// Opens the subkey of that exact name, every character counted (a 0 included), as itself: a link
// is opened as the link, not its target. An empty name names no subkey.
KeyHandle OpenSubkeyItself(HKEY parent, const std::wstring& name);
// Opens the last key of an ANSI path as itself; the names before it resolve as in any open, a
// link among them followed.
KeyHandle OpenLastKeyItself(HKEY parent, const std::string& path);

// Deletes an open key with its subtree; a link goes as the link, nothing it points to is
// touched. A subtree deeper than the registry allows is left, and so is the key. True when the
// key itself was deleted.
bool RemoveKeyTree(const KeyHandle& key);
