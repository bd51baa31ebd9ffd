#include "tests/support/Scratch.h"

#include "platform/Native.h"

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

std::string TargetName() {
    const char* target = std::getenv("TQ_TARGET");
    return target && *target ? target : "this target";
}

void RecordReliability(const std::string& kind, const std::string& line, bool only) {
    const char* folder = std::getenv("TQ_RELIABILITY_DIR");
    if (!folder || !*folder) return;
    const std::string file = std::string(folder) + "/" + kind + "-" + TargetName() + ".log";
    std::ofstream(WindowsPathOf(file), only ? std::ios::trunc : std::ios::app) << line << "\n";
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
