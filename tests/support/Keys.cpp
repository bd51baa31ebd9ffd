#include "tests/support/Keys.h"

#include <sddl.h>
#include <winternl.h>

#include <algorithm>

#include "platform/Native.h"
#include "tests/support/Scratch.h"

namespace {
constexpr ULONG OpenLinkItself = 0x100;
// Deeper than any registry allows (Wine takes 520 levels), so a walk ends on any shape.
constexpr size_t MaxLevels = 600;

UNICODE_STRING Counted(const std::wstring& name) {
    const auto bytes = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    return {bytes, bytes, const_cast<wchar_t*>(name.data())};
}

// One name below an open key. The Win32 calls stop at a 0 character; a name that holds one goes
// through the native calls, which count it whole (the parent is then a real handle, not a root).
KeyHandle OpenName(HKEY parent, const std::wstring& name, KeyWalk walk, bool itself, REGSAM view) {
    const bool create = walk == KeyWalk::Create || walk == KeyWalk::CreateVolatile;
    const DWORD options = walk == KeyWalk::CreateVolatile ? REG_OPTION_VOLATILE : 0;
    HKEY next = nullptr;
    if (name.find(L'\0') == std::wstring::npos) {
        const LONG result = create ? RegCreateKeyExW(parent, name.c_str(), 0, nullptr, options, KEY_ALL_ACCESS | view,
                                                     nullptr, &next, nullptr)
                                   : RegOpenKeyExW(parent, name.c_str(), itself ? REG_OPTION_OPEN_LINK : 0,
                                                   KEY_ALL_ACCESS | view, &next);
        return KeyHandle(result == ERROR_SUCCESS ? next : nullptr);
    }
    UNICODE_STRING counted = Counted(name);
    OBJECT_ATTRIBUTES attributes{};
    InitializeObjectAttributes(&attributes, &counted, OBJ_CASE_INSENSITIVE | (itself ? OpenLinkItself : 0), parent,
                               nullptr);
    HANDLE opened = nullptr;
    const LONG status =
        create ? NativeCall<LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, ULONG, UNICODE_STRING*, ULONG, ULONG*)>(
                     "NtCreateKey")(&opened, KEY_ALL_ACCESS, &attributes, 0, nullptr, options, nullptr)
               : NativeCall<LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*)>("NtOpenKey")(&opened, KEY_ALL_ACCESS,
                                                                                                  &attributes);
    return KeyHandle(status == 0 ? static_cast<HKEY>(opened) : nullptr);
}

// Opened as itself, a link shows no subkeys, so nothing it points to is reached. Names are
// taken first and the depth is bounded: a child that cannot go cannot make the walk spin.
void DeleteOpenTree(HKEY key, size_t levelsLeft) {
    if (levelsLeft > 0)
        for (const std::wstring& name : SubkeysOf(key))
            if (const KeyHandle child = OpenChildItself(key, name)) DeleteOpenTree(child.Get(), levelsLeft - 1);
    NativeCall<LONG(NTAPI*)(HANDLE)>("NtDeleteKey")(key);
}

bool IsLink(const std::vector<NamedValue>& values) {
    return values.size() == 1 && values[0].value.type == REG_LINK && values[0].name == L"SymbolicLinkValue";
}

void SnapshotBelow(HKEY key, const std::string& path, size_t levelsLeft, std::map<std::string, RegValue>& values) {
    const std::vector<NamedValue> own = ValuesOf(key);
    for (const NamedValue& value : own) values[path + "|" + Utf8(value.name)] = value.value;
    if (levelsLeft == 0 || IsLink(own)) return;
    for (const std::wstring& name : SubkeysOf(key))
        if (const KeyHandle child = OpenChildItself(key, name)) {
            values[path + "\\" + Utf8(name) + "|(key)"] = {};
            SnapshotBelow(child.Get(), path + "\\" + Utf8(name), levelsLeft - 1, values);
        }
}

// The key's full name as the kernel knows it (\REGISTRY\...), after any view redirection.
std::wstring NtPathOf(HKEY key) {
    constexpr int KeyNameInformation = 3;
    std::vector<char> buffer(4096);
    ULONG size = 0, length = 0;
    if (NativeCall<LONG(NTAPI*)(HANDLE, int, void*, ULONG, ULONG*)>("NtQueryKey")(
            key, KeyNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &size) != 0)
        return {};
    memcpy(&length, buffer.data(), sizeof length);
    return std::wstring(reinterpret_cast<const wchar_t*>(buffer.data() + sizeof length), length / sizeof(wchar_t));
}

// An access list's entries as text, in the platform's own spelling of the rights (its flags, such
// as inheritance, left out); empty when there is none.
std::string AccessListText(PSECURITY_DESCRIPTOR descriptor) {
    char* text = nullptr;
    if (!descriptor ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return "";
    const std::string sddl = text;
    LocalFree(text);
    return sddl.find('(') == std::string::npos ? "" : sddl.substr(sddl.find('('));
}
}  // namespace

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

RegValue Sz(const std::string& text) { return {REG_SZ, text + std::string(1, '\0')}; }

std::vector<std::wstring> SubkeysOf(HKEY key) {
    std::vector<std::wstring> names;
    wchar_t name[1024];
    for (DWORD index = 0, length = 1024; RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) ==
                                         ERROR_SUCCESS;
         ++index, length = 1024)
        names.emplace_back(name, length);
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
        values.push_back({std::wstring(name.data(), nameLength), {type, data.substr(0, size)}});
    }
    return values;
}

KeyHandle OpenChildItself(HKEY parent, const std::wstring& name) { return OpenName(parent, name, KeyWalk::Open, true, 0); }

KeyHandle OpenPath(HKEY root, const std::string& path, KeyWalk walk, REGSAM view) {
    const std::wstring names = Wide(path);
    KeyHandle current;
    for (size_t start = 0; start <= names.size();) {
        const size_t slash = std::min(names.find(L'\\', start), names.size());
        const bool itself = walk == KeyWalk::Itself && slash == names.size();
        current = OpenName(current ? current.Get() : root, names.substr(start, slash - start), walk, itself, view);
        if (!current) break;
        start = slash + 1;
    }
    return current;
}

bool KeyExists(HKEY root, const std::string& path) { return !!OpenPath(root, path, KeyWalk::Open); }
bool KeyItselfExists(HKEY root, const std::string& path) { return !!OpenPath(root, path, KeyWalk::Itself); }

void MakeKey(HKEY root, const std::string& path, bool isVolatile) {
    if (!OpenPath(root, path, isVolatile ? KeyWalk::CreateVolatile : KeyWalk::Create)) SetUpFailed("the key " + path);
}

void DeleteTree(HKEY root, const std::string& path, REGSAM view) { DeleteTree(OpenPath(root, path, KeyWalk::Itself, view)); }

void DeleteTree(const KeyHandle& key) {
    if (key) DeleteOpenTree(key.Get(), MaxLevels);
}

void SetValue(HKEY root, const std::string& key, const std::string& name, const RegValue& value, REGSAM view) {
    const KeyHandle handle = OpenPath(root, key, KeyWalk::Create, view);
    // A non-zero byte after the data keeps the platform from adding a terminator of its own.
    const std::string padded = value.data + "X";
    if (!handle || RegSetValueExA(handle.Get(), name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(padded.data()),
                                  static_cast<DWORD>(value.data.size())) != ERROR_SUCCESS)
        SetUpFailed("the value " + key + "|" + name);
}

std::optional<RegValue> GetValue(HKEY root, const std::string& key, const std::string& name, REGSAM view) {
    const KeyHandle handle = OpenPath(root, key, KeyWalk::Open, view);
    DWORD type = 0, size = 0;
    if (!handle || RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::string data(size, '\0');
    RegQueryValueExA(handle.Get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
    return RegValue{type, data.substr(0, size)};
}

void SetKeyAccess(HKEY root, const std::string& key, DWORD rights) {
    PSECURITY_DESCRIPTOR asked = nullptr;
    const std::string sddl = "D:P(A;;" + std::to_string(rights) + ";;;WD)";
    HKEY handle = nullptr;
    char readBack[4096];
    DWORD size = sizeof readBack;
    const bool set =
        ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &asked, nullptr) &&
        RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC | READ_CONTROL, &handle) == ERROR_SUCCESS &&
        RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, asked) == ERROR_SUCCESS &&
        RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, readBack, &size) == ERROR_SUCCESS;
    const KeyHandle owned(handle);
    const std::string wanted = AccessListText(asked), got = set ? AccessListText(readBack) : "";
    LocalFree(asked);
    if (wanted.empty() || got != wanted) SetUpFailed("the access list of " + key + " reads back as [" + got + "]");
}

std::map<std::string, RegValue> Snapshot(HKEY root, const std::string& key, REGSAM view) {
    std::map<std::string, RegValue> values;
    if (const KeyHandle handle = OpenPath(root, key, KeyWalk::Open, view)) SnapshotBelow(handle.Get(), "", MaxLevels, values);
    return values;
}

void MakeLink(HKEY root, const std::string& link, HKEY targetRoot, const std::string& target) {
    // The target's NT path comes from its parent key as opened here, so it follows this process's
    // registry view; the target itself need not exist.
    const size_t targetSlash = target.rfind('\\');
    const std::wstring targetPath = NtPathOf(OpenPath(targetRoot, target.substr(0, targetSlash), KeyWalk::Open).Get()) +
                                    L"\\" + Wide(target.substr(targetSlash + 1));
    const size_t slash = link.rfind('\\');
    const KeyHandle parent = slash == std::string::npos ? KeyHandle() : OpenPath(root, link.substr(0, slash), KeyWalk::Create);
    HKEY created = nullptr;
    RegCreateKeyExW(parent ? parent.Get() : root, Wide(link.substr(slash + 1)).c_str(), 0, nullptr,
                    REG_OPTION_CREATE_LINK | REG_OPTION_VOLATILE, KEY_ALL_ACCESS | KEY_CREATE_LINK, nullptr, &created, nullptr);
    const KeyHandle linked(created);
    RegSetValueExW(linked.Get(), L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(targetPath.data()),
                   static_cast<DWORD>(targetPath.size() * sizeof(wchar_t)));
    // The link itself, opened as the link, must hold the target's path.
    const KeyHandle made = OpenPath(root, link, KeyWalk::Itself);
    const std::vector<NamedValue> values = made ? ValuesOf(made.Get()) : std::vector<NamedValue>{};
    if (!IsLink(values) || values[0].value.data.size() != targetPath.size() * sizeof(wchar_t))
        SetUpFailed("the registry link " + link);
}

std::string FullWidthPathTo(const std::string& key) {
    const std::string fullWidthBackslash = "\xEF\xBC\xBC";
    std::string name = fullWidthBackslash;
    for (const char c : key) name += c == '\\' ? fullWidthBackslash : std::string(1, c);
    return name;
}
