#pragma once
// Registry keys: every handle the registry layer opens is held by a KeyHandle.
#include <windows.h>

#include "platform/OwnedHandle.h"

struct RegistryKeyKind {
    using Handle = HKEY;
    static bool IsNone(HKEY key) { return key == nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

using KeyHandle = OwnedHandle<RegistryKeyKind>;
