#include "platform/registry/KeyTree.h"

namespace {
// The registry's own limit on nesting; no real tree is deeper, and the stack stays small.
constexpr int MaxLevels = 512;
// Key names hold at most 255 characters; more room is asked for only if the platform wants it.
constexpr DWORD NameRoom = 256;
constexpr DWORD MaxNameRoom = 32768;

LONG EnumName(HKEY key, DWORD index, std::wstring& name) {
    for (DWORD room = NameRoom;; room *= 2) {
        name.assign(room, L'\0');
        DWORD length = room;
        const LONG result =
            RegEnumKeyExW(key, index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA && room < MaxNameRoom) continue;
        name.resize(result == ERROR_SUCCESS ? length : 0);
        return result;
    }
}

bool IsLink(HKEY key) {
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) ==
               ERROR_SUCCESS &&
           type == REG_LINK;
}

DWORD SubkeyCount(HKEY key) {
    DWORD count = 0;
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                            nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS
               ? count
               : 0;
}

// RegDeleteKey resolves its name again and follows a link there; this deletes the very key
// that was opened.
bool DeleteOpenKey(const KeyHandle& key) {
    using NtDeleteKeyCall = LONG(NTAPI*)(HANDLE);
    static const auto ntDeleteKey = reinterpret_cast<NtDeleteKeyCall>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    return ntDeleteKey && ntDeleteKey(key.Get()) == 0;
}

bool RemoveTree(const KeyHandle& key, int levelsLeft) {
    if (levelsLeft > 0 && !IsLink(key.Get()))
        for (const std::wstring& name : SubkeyNamesOf(key.Get(), SubkeyCount(key.Get())))
            if (KeyHandle child = OpenKeyItself(key.Get(), name)) RemoveTree(child, levelsLeft - 1);
    return DeleteOpenKey(key);
}
}  // namespace

std::vector<std::wstring> SubkeyNamesOf(HKEY key, DWORD count) {
    std::vector<std::wstring> names;
    std::wstring name;
    for (DWORD index = 0; index < count; ++index)
        if (EnumName(key, index, name) == ERROR_SUCCESS) names.push_back(name);
    return names;
}

KeyHandle OpenKeyItself(HKEY parent, const std::wstring& name) {
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExW(parent, name.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &opened);
    return KeyHandle(result == ERROR_SUCCESS ? opened : nullptr);
}

KeyHandle OpenKeyItself(HKEY parent, const std::string& path) {
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExA(parent, path.c_str(), REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &opened);
    return KeyHandle(result == ERROR_SUCCESS ? opened : nullptr);
}

bool RemoveKeyTree(const KeyHandle& key) { return key && RemoveTree(key, MaxLevels); }
