#include "tests/support/RegistryLinks.h"

#include <algorithm>
#include <vector>

namespace {
using NtDeleteKeyCall = LONG(NTAPI*)(HANDLE);
using NtQueryKeyCall = LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*);
constexpr int KeyNameInformation = 3;

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

// Opened as itself, a link shows no subkeys, so nothing it points to is reached.
void DeleteOpenTree(HKEY key) {
    wchar_t name[256];
    for (DWORD length = 256; RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         length = 256) {
        HKEY child = nullptr;
        if (RegOpenKeyExW(key, name, REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &child) != ERROR_SUCCESS) return;
        DeleteOpenTree(child);
        RegCloseKey(child);
    }
    Ntdll<NtDeleteKeyCall>("NtDeleteKey")(key);
}
}  // namespace

HKEY OpenKeyPath(HKEY root, const std::wstring& path, KeyWalk walk) {
    const bool create = walk == KeyWalk::Create || walk == KeyWalk::CreateVolatile;
    const DWORD options = walk == KeyWalk::CreateVolatile ? REG_OPTION_VOLATILE : 0;
    HKEY current = root;
    for (size_t start = 0; start <= path.size();) {
        const size_t slash = std::min(path.find(L'\\', start), path.size());
        const std::wstring name = path.substr(start, slash - start);
        const bool itself = walk == KeyWalk::OpenItself && slash == path.size();
        HKEY next = nullptr;
        const LONG result =
            create ? RegCreateKeyExW(current, name.c_str(), 0, nullptr, options, KEY_ALL_ACCESS, nullptr, &next, nullptr)
                   : RegOpenKeyExW(current, name.c_str(), itself ? REG_OPTION_OPEN_LINK : 0, KEY_ALL_ACCESS, &next);
        if (current != root) RegCloseKey(current);
        if (result != ERROR_SUCCESS) return nullptr;
        current = next;
        start = slash + 1;
    }
    return current;
}

void DeleteKeyTree(HKEY root, const std::wstring& path) {
    const HKEY key = OpenKeyPath(root, path, KeyWalk::OpenItself);
    if (!key) return;
    DeleteOpenTree(key);
    RegCloseKey(key);
}

std::wstring WideOf(const std::string& text, UINT codePage) {
    const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring Wide(const std::string& utf8) { return WideOf(utf8, CP_UTF8); }

std::string FullWidthPathTo(const std::string& key) {
    const std::string fullWidthBackslash = "\xEF\xBC\xBC";
    std::string name = fullWidthBackslash;
    for (const char c : key) name += c == '\\' ? fullWidthBackslash : std::string(1, c);
    return name;
}

void MakeKeyW(HKEY root, const std::string& path) { RegCloseKey(OpenKeyPath(root, Wide(path), KeyWalk::Create)); }

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
}

void DeleteLink(HKEY root, const std::string& link) { DeleteTreeW(root, link); }
