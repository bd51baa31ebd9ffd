#include "tests/support/Scratch.h"

#include "tests/support/RegistryLinks.h"

#include "platform/Native.h"

#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

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

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (DWORD waited = 0;; waited += 100) {
        if (done()) return true;
        if (waited >= timeoutMs) return false;
        Sleep(100);
    }
}

void SetUpFailed(const std::string& what) { throw std::runtime_error("set-up failed: " + what); }

bool UnderWine() { return NativeCall<void*>("wine_get_version") != nullptr; }

std::optional<std::string> ThirtyTwoBitEmulator() {
    if (!UnderWine()) return std::nullopt;
    const char* code = std::getenv("TQ_32BIT_CODE");
    if (!code || !*code)
        SetUpFailed("TQ_32BIT_CODE is not set: under Wine, run the test programs through tests/wine/run-in-prefix, "
                    "which says how this machine runs 32-bit code");
    if (std::string(code) == "native") return std::nullopt;
    return code;
}

void RecordReliability(const std::string& kind, const std::string& line) {
    const char* folder = std::getenv("TQ_RELIABILITY_DIR");
    if (!folder || !*folder) return;
    const char* setup = std::getenv("TQ_SETUP");
    const std::string file = std::string(folder) + "/" + kind + "-" + (setup && *setup ? setup : "unnamed") + ".log";
    std::ofstream(WindowsPathOf(file), std::ios::app) << line << "\n";
}

ScratchFolder::ScratchFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp) + "tq_" + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

namespace {
std::string UnixPathOf(const std::string& path) {
    const auto unixName = SystemCall<char*(CDECL*)(const wchar_t*)>("kernel32.dll", "wine_get_unix_file_name");
    char* name = unixName ? unixName(WideOf(path, CP_ACP).c_str()) : nullptr;
    const std::string unix = name ? name : "";
    if (name) HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// Wine starts Unix programs too, but can neither wait for them nor tell their exit codes: the
// shell line ends by making a marker file, and this waits for it (ten seconds at the most). The
// paths are handed over as the Unix paths of the Windows paths given, $1, $2 and so on.
bool RunUnixShell(const std::string& script, const std::vector<std::string>& paths) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string file = std::string(temp) + "tq_unix.sh", marker = file + ".done";
    WriteFileText(file, script + " && : >\"$0.done\"\n");
    DeleteFileA(marker.c_str());
    std::string line = "\"/bin/sh\" \"" + UnixPathOf(file) + "\"";
    for (const std::string& path : paths) line += " \"" + UnixPathOf(path) + "\"";
    STARTUPINFOA startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessA("Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const bool done =
        WaitUntil([&] { return GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
    DeleteFileA(marker.c_str());
    DeleteFileA(file.c_str());
    return done;
}

// Whether anything has the name, a link to nothing included (which no lookup finds under Wine).
bool NameTaken(const std::string& path) {
    const HANDLE probe = CreateFileA(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, CREATE_NEW,
                                     FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (probe == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
    CloseHandle(probe);
    return false;
}

bool LinkMade(const std::string& path, const std::string& target, FileLinkKind kind) {
    if (kind == FileLinkKind::Hard) return CreateHardLinkA(path.c_str(), target.c_str(), nullptr) != 0;
    if (!UnderWine())
        return CreateSymbolicLinkA(path.c_str(), target.c_str(), 0) &&
               (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
    return RunUnixShell("ln -s \"$1\" \"$2\"", {target, path}) && NameTaken(path) &&
           ReadFileText(path) == ReadFileText(target);
}
}  // namespace

void MakeFileLink(const std::string& path, const std::string& target, FileLinkKind kind) {
    if (!LinkMade(path, target, kind)) SetUpFailed("the link " + path);
}

void RemoveSymbolicLink(const std::string& path) {
    if (UnderWine()) RunUnixShell("rm -f \"$1\"", {path});
    else DeleteFileA(path.c_str());
}

DWORD ProtectionOf(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes == INVALID_FILE_ATTRIBUTES ? attributes : attributes & ProtectiveAttributes;
}

void SetProtection(const std::string& path, DWORD protection) {
    SetFileAttributesA(path.c_str(), protection ? protection : FILE_ATTRIBUTE_NORMAL);
    if (ProtectionOf(path) != protection) SetUpFailed("the attributes of " + path);
}

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
    const LONG result = RegSetValueExA(handle, name.c_str(), 0, value.type, reinterpret_cast<const BYTE*>(padded.data()),
                                       static_cast<DWORD>(value.data.size()));
    RegCloseKey(handle);
    if (!handle || result != ERROR_SUCCESS) SetUpFailed("the value " + key + "|" + name);
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
    const HKEY handle = OpenDeep(root, key, true, isVolatile ? REG_OPTION_VOLATILE : 0);
    if (!handle) SetUpFailed("the key " + key);
    RegCloseKey(handle);
}

// An access list's entries as text, in the platform's own spelling of the rights (its flags, such
// as inheritance, left out); empty when there is none.
static std::string AccessListText(PSECURITY_DESCRIPTOR descriptor) {
    char* text = nullptr;
    if (!descriptor ||
        !ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr))
        return "";
    const std::string sddl = text;
    LocalFree(text);
    return sddl.find('(') == std::string::npos ? "" : sddl.substr(sddl.find('('));
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
    const std::string wanted = AccessListText(asked), got = set ? AccessListText(readBack) : "";
    if (handle) RegCloseKey(handle);
    LocalFree(asked);
    if (wanted.empty() || got != wanted) SetUpFailed("the access list of " + key + " reads back as [" + got + "]");
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
