#include "platform/registry/KeyTree.h"

#include <winternl.h>

#include "platform/Native.h"

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
    using NtDeleteKeyCall = NTSTATUS(NTAPI*)(HANDLE);
    static const auto ntDeleteKey = NativeCall<NtDeleteKeyCall>("NtDeleteKey");
    return ntDeleteKey && ntDeleteKey(key.Get()) == 0;
}

// OBJ_OPENLINK: the key itself, never a link's target. Not every SDK names it.
constexpr ULONG OpenLinkItself = 0x100;
constexpr size_t MaxCountedChars = 0x7FFF;

bool RemoveTree(const KeyHandle& key, int levelsLeft) {
    if (levelsLeft > 0 && !IsLink(key.Get()))
        for (const std::wstring& name : SubkeyNamesOf(key.Get(), SubkeyCount(key.Get())))
            if (KeyHandle child = OpenSubkeyItself(key.Get(), name)) RemoveTree(child, levelsLeft - 1);
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

// The Win32 opens take a name up to its first 0 character and would open another key, the
// parent itself for a name that begins with one; the native open takes every character.
KeyHandle OpenSubkeyItself(HKEY parent, const std::wstring& name) {
    using NtOpenKeyCall = NTSTATUS(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*);
    static const auto ntOpenKey = NativeCall<NtOpenKeyCall>("NtOpenKey");
    if (!ntOpenKey || name.empty() || name.size() > MaxCountedChars) return KeyHandle();
    UNICODE_STRING counted{};
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    counted.Buffer = const_cast<wchar_t*>(name.data());
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | OpenLinkItself, parent,
                               nullptr);
    HANDLE opened = nullptr;
    const NTSTATUS status = ntOpenKey(&opened, TreeDeletionRights, &attributes);
    return KeyHandle(status == 0 ? static_cast<HKEY>(opened) : nullptr);
}

KeyHandle OpenLastKeyItself(HKEY parent, const std::string& path) {
    HKEY opened = nullptr;
    const LONG result =
        RegOpenKeyExA(parent, path.c_str(), REG_OPTION_OPEN_LINK, TreeDeletionRights, &opened);
    return KeyHandle(result == ERROR_SUCCESS ? opened : nullptr);
}

bool RemoveKeyTree(const KeyHandle& key) { return key && RemoveTree(key, MaxLevels); }
