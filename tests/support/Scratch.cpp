#include "tests/support/Scratch.h"

#include "tests/support/RegistryLinks.h"

#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void RemoveTree(const std::string& path) {
    for (const std::string& name : FolderEntries(path)) {
        const std::string entry = path + "\\" + name;
        SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileA(entry.c_str())) RemoveTree(entry);
    }
    RemoveDirectoryA(path.c_str());
}

// Names in UTF-16 by their counted length (shown in UTF-8), so that no name the code page cannot
// spell, or that holds a 0 character, hides from a comparison of states.
void Collect(HKEY key, const std::string& path, std::map<std::string, RegValue>& values, int levelsLeft) {
    for (const NamedValue& value : ValuesOf(key)) values[path + "|" + Utf8(value.name)] = {value.type, value.data};
    if (levelsLeft == 0) return;
    for (const std::wstring& subkey : SubkeyNamesOf(key)) {
        // A link is taken as itself (its target value), never followed: links can loop.
        const HKEY child = OpenSubkeyItself(key, subkey);
        if (!child) continue;
        const std::string childPath = path + "\\" + Utf8(subkey);
        values[childPath + "|(key)"] = {};
        Collect(child, childPath, values, levelsLeft - 1);
        RegCloseKey(child);
    }
}
}  // namespace

std::string WindowsPathOf(const std::string& unixPath) {
    const bool windowsPath = unixPath.size() > 1 && (unixPath[1] == ':' || unixPath.rfind("\\\\", 0) == 0);
    std::string path = windowsPath ? unixPath : "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string BuiltPath(const char* variable, const char* built) {
    const char* moved = std::getenv(variable);
    return WindowsPathOf(moved && *moved ? moved : built);
}

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "tq_" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void WriteFileText(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

std::optional<std::string> ReadFileText(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return std::nullopt;
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

void MakeFolder(const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }

std::vector<std::string> FolderEntries(const std::string& path) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

RegValue Sz(const std::string& text) { return {REG_SZ, text + std::string(1, '\0')}; }

namespace {
HKEY OpenDeep(HKEY root, const std::string& path, bool create, DWORD options) {
    if (path.empty()) return nullptr;
    const KeyWalk walk = !create ? KeyWalk::Open : options & REG_OPTION_VOLATILE ? KeyWalk::CreateVolatile : KeyWalk::Create;
    return OpenKeyPath(root, WideOf(path, CP_ACP), walk);
}

void CloseUnlessRoot(HKEY key, HKEY root) {
    if (key && key != root) RegCloseKey(key);
}

}  // namespace

void SetValue(HKEY root, const std::string& key, const std::string& name, const RegValue& value) {
    const HKEY handle = OpenDeep(root, key, true, 0);
    // A non-zero byte after the data keeps the platform from adding a terminator of its own.
    const std::string padded = value.data + "X";
    RegSetValueExA(handle, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(padded.data()),
                   static_cast<DWORD>(value.data.size()));
    RegCloseKey(handle);
}

std::optional<RegValue> GetValue(HKEY root, const std::string& key, const std::string& name) {
    const HKEY handle = OpenDeep(root, key, false, 0);
    if (!handle) return std::nullopt;
    DWORD type = 0, size = 0;
    std::optional<RegValue> value;
    if (RegQueryValueExA(handle, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        RegQueryValueExA(handle, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        value = RegValue{type, data.substr(0, size)};
    }
    RegCloseKey(handle);
    return value;
}

bool KeyExists(HKEY root, const std::string& key) {
    const HKEY handle = OpenDeep(root, key, false, 0);
    RegCloseKey(handle);
    return handle != nullptr;
}

void MakeKey(HKEY root, const std::string& key, bool isVolatile) {
    RegCloseKey(OpenDeep(root, key, true, isVolatile ? REG_OPTION_VOLATILE : 0));
}

void SetKeyAccess(HKEY root, const std::string& key, DWORD rights) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const std::string sddl = "D:P(A;;" + std::to_string(rights) + ";;;WD)";
    HKEY handle = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr) &&
        RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC, &handle) == ERROR_SUCCESS)
        RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, descriptor);
    if (handle) RegCloseKey(handle);
    LocalFree(descriptor);
}

void DeleteTree(HKEY root, const std::string& key) { DeleteKeyTree(root, WideOf(key, CP_ACP)); }

std::vector<std::string> SubkeyNames(HKEY root, const std::string& key) {
    std::vector<std::string> names;
    const HKEY handle = key.empty() ? root : OpenDeep(root, key, false, 0);
    if (!handle) return names;
    char name[512];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(handle, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    CloseUnlessRoot(handle, root);
    return names;
}

std::map<std::string, RegValue> Snapshot(HKEY root, const std::string& key) {
    std::map<std::string, RegValue> values;
    const HKEY handle = OpenDeep(root, key, false, 0);
    if (!handle) return values;
    Collect(handle, "", values, 600);
    RegCloseKey(handle);
    return values;
}
