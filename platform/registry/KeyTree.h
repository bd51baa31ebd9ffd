#pragma once
// Subkeys by their exact names, and deletion of a key with everything below it. Every key is
// opened as itself, relative to its parent's handle, and deleted through its own handle: no name
// is ever joined into a path and no registry link is ever followed.
#include <windows.h>

#include <string>
#include <vector>

#include "platform/registry/KeyHandle.h"

// The exact names of a key's subkeys at indexes 0 to count - 1; a step that fails is skipped.
std::vector<std::wstring> SubkeyNamesOf(HKEY key, DWORD count);

// Opens the named key itself with full access: a link is opened as the link, not its target.
KeyHandle OpenKeyItself(HKEY parent, const std::wstring& name);
KeyHandle OpenKeyItself(HKEY parent, const std::string& path);

// Deletes an open key with its subtree; a link goes as the link, nothing it points to is
// touched. A subtree deeper than the registry allows is left, and so is the key. True when the
// key itself was deleted.
bool RemoveKeyTree(const KeyHandle& key);
