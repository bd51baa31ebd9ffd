#pragma once
// What tests set up around the code under test: folders and files, and the registry through Keys.h.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Keys.h"

// A path of this machine's file system as the programs under Wine see it; a Windows path stays.
std::string WindowsPathOf(const std::string& unixPath);

// A file the build made, where the build put it; a copy elsewhere (a test bundle on another
// machine) is named by the environment variable of the same name as the build's macro.
std::string BuiltPath(const char* variable, const char* built);
#define TQ_BUILT(name) BuiltPath(#name, name)

// A set-up step that did not take effect: the test that asked for it fails with this message
// rather than run as another, ordinary case.
[[noreturn]] void SetUpFailed(const std::string& what);

// Polls until done() holds, for timeoutMs at the most; whether it came to hold.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs);

// Whether this runs under Wine rather than on Windows itself.
bool UnderWine();
// What Windows does where Wine 8 does otherwise (measured): the one that applies here. Under Wine
// it says which it takes, so that the row checks Wine's behaviour, fails when Wine changes, and
// checks Windows' in the bundle.
template <class Value>
Value OnWindowsOrWine(const Value& windows, const Value& wine, const char* difference) {
    if (!UnderWine()) return windows;
    std::printf("under Wine: %s\n", difference);
    return wine;
}
// The emulator that runs 32-bit code on this machine, when one does (whose fault codes are not the
// processor's): under Wine, as TQ_32BIT_CODE says, which tests/wine/thirty-two-bit-code decides.
std::optional<std::string> ThirtyTwoBitEmulator();
// The target this runs in (TQ_TARGET: win64, win32 or wow64), or "this target" when none is named.
std::string TargetName();
// Appends a line to this target's reliability log of that kind (KIND-TARGET.log in
// TQ_RELIABILITY_DIR), which the test command's summaries read, or makes it the log's only line;
// nothing without that folder.
void RecordReliability(const std::string& kind, const std::string& line, bool only = false);

// A fresh, empty folder for one test, removed again with everything in it.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& Path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "\\" + relative; }

private:
    std::string path_;
};

// A second name for the file at target (a hard link), or a symbolic link to target, which need
// not exist; a link that is not there afterwards fails the set-up. Wine's symbolic links are Unix
// ones: made and removed through the Unix tools there, since Wine makes none and deletes a link's
// target.
enum class FileLinkKind { Hard, Symbolic };
void MakeFileLink(const std::string& path, const std::string& target, FileLinkKind kind);
void RemoveSymbolicLink(const std::string& path);
// The attributes that protect a file (read-only, hidden, system); INVALID_FILE_ATTRIBUTES for none there.
constexpr DWORD ProtectiveAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
DWORD ProtectionOf(const std::string& path);
// Gives the file exactly these protective attributes (0: none).
void SetProtection(const std::string& path, DWORD protection);

void WriteFileText(const std::string& path, const std::string& content);
std::optional<std::string> ReadFileText(const std::string& path);
void MakeFolder(const std::string& path);
// Names of the files and folders directly in a folder, sorted.
std::vector<std::string> FolderEntries(const std::string& path);
