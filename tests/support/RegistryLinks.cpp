#include "tests/support/RegistryLinks.h"

#include "tests/support/Scratch.h"

#include <algorithm>
#include <string>
#include <vector>

#include <winternl.h>

namespace {
using NtDeleteKeyCall = LONG(NTAPI*)(HANDLE);
using NtQueryKeyCall = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
using NtOpenKeyCall = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*);
using NtCreateKeyCall = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, ULONG, UNICODE_STRING*, ULONG, ULONG*);
constexpr int KeyNameInformation = 3;
constexpr ULONG OpenLinkItself = 0x100;
// Deeper than any registry allows (Wine takes 520 levels), so a walk ends on any shape.
constexpr int MaxLevels = 600;

template <class Call>
Call Ntdll(const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}

// The key's full name as the kernel knows it (\REGISTRY\...), after any view redirection.
std::wstring NtPathOf(HKEY key) {
    std::vector<char> buffer(4096);
    ULONG size = 0;
    if (Ntdll<NtQueryKeyCall>("NtQueryKey")(key, KeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                                            &size) != 0)
        return {};
    ULONG length = 0;
    memcpy(&length, buffer.data(), sizeof length);
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof length), length / sizeof(wchar_t));
}

// One name below an open key. The Win32 calls stop at a 0 character; a name that holds one goes
// through the native calls, which count it whole (the parent is then a real handle, not a root).
HKEY OpenName(HKEY parent, const std::wstring& name, KeyWalk walk, bool itself) {
    const bool create = walk == KeyWalk::Create || walk == KeyWalk::CreateVolatile;
    const DWORD options = walk == KeyWalk::CreateVolatile ? REG_OPTION_VOLATILE : 0;
    HKEY next = nullptr;
    if (name.find(L'\0') == std::wstring::npos) {
        const LONG result =
            create ? RegCreateKeyExW(parent, name.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &next, nullptr)
                   : RegOpenKeyExW(parent, name.c_str(), itself ? REG_OPTION_OPEN_LINK : 0, KEY_ALL_ACCESS, &next);
        return result == ERROR_SUCCESS ? next : nullptr;
    }
    UNICODE_STRING counted{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                           static_cast<USHORT>(name.size() * sizeof(wchar_t)), const_cast<wchar_t*>(name.data())};
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | (itself ? OpenLinkItself : 0), parent,
                               nullptr);
    HANDLE opened = nullptr;
    const LONG status =
        create ? Ntdll<NtCreateKeyCall>("NtCreateKey")(&opened, KEY_ALL_ACCESS, &attributes, 0, nullptr, options, nullptr)
               : Ntdll<NtOpenKeyCall>("NtOpenKey")(&opened, KEY_ALL_ACCESS, &attributes);
    return status == 0 ? static_cast<HKEY>(opened) : nullptr;
}

// Opened as itself, a link shows no subkeys, so nothing it points to is reached. Names are
// taken first and the depth is bounded: a child that cannot go cannot make the walk spin.
void DeleteOpenTree(HKEY key, int levelsLeft) {
    if (levelsLeft > 0)
        for (const std::wstring& name : SubkeyNamesOf(key)) {
            const HKEY child = OpenSubkeyItself(key, name);
            if (!child) continue;
            DeleteOpenTree(child, levelsLeft - 1);
            RegCloseKey(child);
        }
    Ntdll<NtDeleteKeyCall>("NtDeleteKey")(key);
}
}  // namespace

std::vector<std::wstring> SubkeyNamesOf(HKEY key) {
    std::vector<std::wstring> names;
    for (DWORD index = 0;; ++index) {
        wchar_t name[1024];
        DWORD length = 1024;
        if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    return names;
}

std::vector<NamedValue> ValuesOf(HKEY key) {
    std::vector<NamedValue> values;
    std::vector<wchar_t> name(16384);
    for (DWORD index = 0;; ++index) {
        DWORD nameLength = 16384, type = 0, size = 0;
        if (RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLength = 16384;
        RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        values.push_back({std::wstring(name.data(), nameLength), type, data.substr(0, size)});
    }
    return values;
}

HKEY OpenSubkeyItself(HKEY parent, const std::wstring& name) { return OpenName(parent, name, KeyWalk::Open, true); }

HKEY OpenKeyPath(HKEY root, const std::wstring& path, KeyWalk walk) {
    HKEY current = root;
    for (size_t start = 0; start <= path.size();) {
        const size_t slash = std::min(path.find(L'\\', start), path.size());
        const bool itself = walk == KeyWalk::OpenItself && slash == path.size();
        const HKEY next = OpenName(current, path.substr(start, slash - start), walk, itself);
        if (current != root) RegCloseKey(current);
        if (!next) return nullptr;
        current = next;
        start = slash + 1;
    }
    return current;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
    const HKEY key = OpenKeyPath(root, path, KeyWalk::OpenItself);
    if (!key) return;
    DeleteOpenTree(key, MaxLevels);
    RegCloseKey(key);
}

std::wstring WideOf(const std::string& text, UINT codePage) {
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring Wide(const std::string& utf8) { return WideOf(utf8, CP_UTF8); }

std::string Utf8(const std::wstring& text) {
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
}

std::string FullWidthPathTo(const std::string& key) {
    const std::string fullWidthBackslash = "\xEF\xBC\xBC";
    std::string name = fullWidthBackslash;
    for (const char c : key) name += c == '\\' ? fullWidthBackslash : std::string(1, c);
    return name;
}

void MakeKeyW(HKEY root, const std::string& path) {
    const HKEY key = OpenKeyPath(root, Wide(path), KeyWalk::Create);
    if (!key) SetUpFailed("the key " + path);
    RegCloseKey(key);
}

void DeleteTreeW(HKEY root, const std::string& path) { DeleteKeyTree(root, Wide(path)); }

bool KeyItselfExists(HKEY root, const std::string& path) {
    const HKEY key = OpenKeyPath(root, Wide(path), KeyWalk::OpenItself);
    RegCloseKey(key);
    return key != nullptr;
}

void MakeLink(HKEY root, const std::string& link, HKEY targetRoot, const std::string& target) {
    // The target's NT path comes from its parent key as opened here, so it follows this process's
    // registry view; the target itself need not exist.
    const size_t targetSlash = target.rfind('\\');
    const HKEY targetParent = OpenKeyPath(targetRoot, Wide(target.substr(0, targetSlash)), KeyWalk::Open);
    const std::wstring targetPath = NtPathOf(targetParent) + L"\\" + Wide(target.substr(targetSlash + 1));
    RegCloseKey(targetParent);
    const size_t slash = link.rfind('\\');
    const HKEY parent = slash == std::string::npos ? root : OpenKeyPath(root, Wide(link.substr(0, slash)), KeyWalk::Create);
    HKEY created = nullptr;
    RegCreateKeyExW(parent, Wide(link.substr(slash + 1)).c_str(), 0, nullptr,
                    REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr,
                    &created, nullptr);
    RegSetValueExW(created, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(targetPath.data()),
                   static_cast<DWORD>(targetPath.size() * sizeof(wchar_t)));
    RegCloseKey(created);
    if (parent != root) RegCloseKey(parent);
    // The link itself, opened as the link, must hold the target's path.
    const HKEY made = OpenKeyPath(root, Wide(link), KeyWalk::OpenItself);
    DWORD type = REG_NONE, size = 0;
    const bool isLink = made && RegQueryValueExW(made, L"SymbolicLinkValue", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
                        type == REG_LINK && size == targetPath.size() * sizeof(wchar_t);
    RegCloseKey(made);
    if (!isLink) SetUpFailed("the registry link " + link);
}

void DeleteLink(HKEY root, const std::string& link) { DeleteTreeW(root, link); }
