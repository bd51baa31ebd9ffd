#include "platform/text/Files.h"

#include <windows.h>
#include <winternl.h>

#include <cstddef>
#include <vector>

#include "platform/Native.h"
#include "platform/text/FileHandle.h"

namespace {
constexpr WORD FirstDosYear = 1980;
constexpr WORD LastDosYear = 2107;

// Some platforms convert years past the DOS range without complaint; the range is the same here.
bool InDosDateRange(const FILETIME& local) {
    SYSTEMTIME when;
    return FileTimeToSystemTime(&local, &when) && when.wYear >= FirstDosYear &&
           when.wYear <= LastDosYear;
}

// The one attribute that stops a deletion or a move over the name; hidden and system do not.
constexpr DWORD Blocking = FILE_ATTRIBUTE_READONLY;
// The attributes a caller may set; the others are the file system's own.
constexpr DWORD Settable = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                           FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE |
                           FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD CopyChunk = 64 * 1024;
// Names tried for a new file before giving up: others may be taken by leftovers or by anyone.
constexpr int NewNameAttempts = 100;
constexpr size_t AttemptDigits = 2;
constexpr size_t ProcessIdDigits = 10;
constexpr char NewFileEnd[] = ".tmp";

std::string NewFileName(const std::string& target, int attempt) {
    return target + "." + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + NewFileEnd;
}

// The end of a number written as std::to_string writes it (no leading zero), of at most `most`
// digits, starting at `at`; npos where there is none.
size_t NumberEnd(const std::string& text, size_t at, size_t most) {
    size_t end = at;
    while (end < text.size() && end - at < most && text[end] >= '0' && text[end] <= '9') ++end;
    const bool leadingZero = end - at > 1 && text[at] == '0';
    return end == at || leadingZero ? std::string::npos : end;
}

// The name itself, whatever it is: a link is opened as the link and never followed, and a
// folder opens too, so that it can be told apart.
FileHandle OpenName(const std::string& path, DWORD access, DWORD share = ShareAll) {
    return FileHandle(CreateFileA(path.c_str(), access | FILE_READ_ATTRIBUTES, share, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

struct NameFacts {
    DWORD attributes = 0;
    DWORD links = 0;  // names the file has; attributes belong to the file, not to one name
    bool folder = false;  // a real folder: a link to one is no folder
    DWORD volume = 0;
    ULONGLONG index = 0;  // with the volume, which file this is
};

bool ReadFacts(const FileHandle& file, NameFacts& facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return false;
    facts.attributes = info.dwFileAttributes;
    facts.links = info.nNumberOfLinks;
    facts.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                   !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    facts.volume = info.dwVolumeSerialNumber;
    facts.index = (ULONGLONG{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
}

bool ReadNameFacts(const std::string& path, NameFacts& facts) { return ReadFacts(OpenName(path, 0), facts); }

// The name opened again for a change, with only the rights that change needs (an access list may
// grant deletion and not attribute changes); none when it no longer names the file looked at.
FileHandle OpenSameFile(const std::string& path, DWORD access, DWORD share, const NameFacts& expected) {
    FileHandle file = OpenName(path, access, share);
    NameFacts found;
    if (!ReadFacts(file, found) || found.volume != expected.volume || found.index != expected.index) return {};
    return file;
}

constexpr NTSTATUS NameTaken = static_cast<NTSTATUS>(0xC0000035);  // STATUS_OBJECT_NAME_COLLISION
constexpr NTSTATUS NoSuchCall = static_cast<NTSTATUS>(0xC000007A);  // STATUS_PROCEDURE_NOT_FOUND
constexpr NTSTATUS NoName = static_cast<NTSTATUS>(0xC0000033);      // STATUS_OBJECT_NAME_INVALID

// Through the handle, so that it is this very file, not whatever the name reaches by then.
NTSTATUS SetFileInformation(const FileHandle& file, ULONG informationClass, void* information, ULONG size) {
    using NtSetInformationFileCall = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
    static const auto ntSetInformationFile =
        NativeCall<NtSetInformationFileCall>("NtSetInformationFile");
    IO_STATUS_BLOCK status{};
    return ntSetInformationFile ? ntSetInformationFile(file.Get(), &status, information, size, informationClass)
                                : NoSuchCall;
}

bool SetFileFacts(const FileHandle& file, ULONG informationClass, void* information, ULONG size) {
    return SetFileInformation(file, informationClass, information, size) == 0;
}

bool SetAttributes(const FileHandle& file, DWORD attributes) {
    constexpr ULONG FileBasicInformation = 4;
    struct {
        LARGE_INTEGER created, accessed, written, changed;  // 0: unchanged
        ULONG attributes;
    } basic{};
    // 0 would leave the attributes unchanged; "normal" is none at all.
    basic.attributes = (attributes & Settable) ? (attributes & Settable) : FILE_ATTRIBUTE_NORMAL;
    return SetFileFacts(file, FileBasicInformation, &basic, sizeof basic);
}

// Marked, the file goes when its last handle closes, whenever that is; a file mapped as a running
// program's code cannot be marked.
bool MarkForDeletion(const FileHandle& file, bool marked = true) {
    constexpr ULONG FileDispositionInformation = 13;
    struct {
        BOOLEAN deleteFile;
    } disposition{marked};
    return SetFileFacts(file, FileDispositionInformation, &disposition, sizeof disposition);
}

// A read-only file cannot be deleted: that attribute goes first. A file that lives on under
// another name is not ours alone, and gets it back; so does one that could not be deleted.
bool RemoveOpenName(const FileHandle& file, const NameFacts& facts) {
    const bool unblock = (facts.attributes & Blocking) != 0;
    if (unblock && !SetAttributes(file, facts.attributes & ~Blocking)) return false;
    const bool removed = MarkForDeletion(file);
    if (unblock && (!removed || facts.links > 1)) SetAttributes(file, facts.attributes);
    return removed;
}

// The full path in the native form (\??\C:\...), read as the file calls read the ANSI one; empty
// where it has none.
std::wstring NativePathOf(const std::string& path) {
    using DosToNtCall = BOOLEAN(NTAPI*)(const wchar_t*, UNICODE_STRING*, wchar_t**, void*);
    using FreeCall = void(NTAPI*)(UNICODE_STRING*);
    static const auto dosToNt = NativeCall<DosToNtCall>("RtlDosPathNameToNtPathName_U");
    static const auto freeName = NativeCall<FreeCall>("RtlFreeUnicodeString");
    const int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (length <= 0 || !dosToNt || !freeName) return {};
    std::wstring wide(static_cast<size_t>(length), L'\0');
    UNICODE_STRING native{};
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide.data(), length) ||
        !dosToNt(wide.c_str(), &native, nullptr, nullptr))
        return {};
    std::wstring result(native.Buffer, native.Length / sizeof(wchar_t));
    freeName(&native);
    return result;
}

// The file the handle holds, renamed as itself, never reopened by name; over a file already at the
// target name only where asked.
NTSTATUS RenameTo(const FileHandle& file, const std::string& target, bool replace) {
    const std::wstring name = NativePathOf(target);
    if (name.empty()) return NoName;
    struct RenameInformation {
        BOOLEAN replaceIfExists;
        HANDLE rootDirectory;
        ULONG nameLength;
        wchar_t name[1];
    };
    const size_t nameBytes = name.size() * sizeof(wchar_t);
    std::vector<char> buffer(offsetof(RenameInformation, name) + nameBytes);
    auto* rename = reinterpret_cast<RenameInformation*>(buffer.data());
    rename->replaceIfExists = replace;
    rename->nameLength = static_cast<ULONG>(nameBytes);
    CopyMemory(rename->name, name.data(), nameBytes);
    constexpr ULONG FileRenameInformation = 10;
    return SetFileInformation(file, FileRenameInformation, buffer.data(), static_cast<ULONG>(buffer.size()));
}

// The new file moved over the target's name. It is unmarked for deletion only for the move, right
// before it, and marked again when the move fails: a run stopped in between is the one moment it
// could be left behind.
bool RenameOver(const FileHandle& file, const std::string& target) {
    if (!MarkForDeletion(file, false)) return false;
    if (RenameTo(file, target, true) == 0) return true;
    MarkForDeletion(file);
    return false;
}

// Read-only is the one attribute that stops the move. It is lifted only from a target that
// nobody holds open (over an open file the move fails anyway), and put back on this very file
// when the move fails. A target that lives on under another name gives up only this name first,
// and keeps its attributes.
bool MoveOver(const FileHandle& file, const std::string& target) {
    NameFacts facts;
    if (!ReadNameFacts(target, facts) || facts.folder || !(facts.attributes & Blocking))
        return RenameOver(file, target);
    const bool shared = facts.links > 1;
    FileHandle old = OpenSameFile(target, FILE_WRITE_ATTRIBUTES | (shared ? DELETE : 0), 0, facts);
    if (!old) return false;
    if (shared) {
        if (!RemoveOpenName(old, facts)) return false;
        old.Close();
        return RenameOver(file, target);
    }
    if (!SetAttributes(old, facts.attributes & ~Blocking)) return false;
    old.Close();
    if (RenameOver(file, target)) return true;
    if (const FileHandle again = OpenSameFile(target, FILE_WRITE_ATTRIBUTES, ShareAll, facts))
        SetAttributes(again, facts.attributes);
    return false;
}

// A file of our own beside the target, under a name that nothing had, not even a dangling link.
// Shared for deletion only: the move over the target needs that, and nobody writes to it. It is
// marked for deletion at once, so that a run that stops before the move leaves nothing. (Created
// with delete-on-close instead, it would go at the last close whatever the mark says: after the
// move, with the new plug-in.)
FileHandle NewFileBeside(const std::string& target) {
    for (int attempt = 0; attempt < NewNameAttempts; ++attempt) {
        const std::string path = NewFileName(target, attempt);
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file) {
            MarkForDeletion(file);
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return {};
}

// A file in use, renamed to a name of the program's own beside it and held, so that it can go
// back as this very file.
struct Aside {
    FileHandle file;
    std::string path;
};

Aside RenameAside(const std::string& path) {
    FileHandle file = OpenName(path, DELETE);
    NameFacts facts;
    if (!ReadFacts(file, facts) || facts.folder) return {};
    for (int attempt = 0; attempt < NewNameAttempts; ++attempt) {
        const std::string aside = NewFileName(path, attempt);
        const NTSTATUS status = RenameTo(file, aside, false);
        if (status == 0) return {std::move(file), aside};
        if (status != NameTaken) break;
    }
    return {};
}

bool FileInUse(const std::string& path) {
    NameFacts facts;
    if (!ReadNameFacts(path, facts) || facts.folder) return false;
    const FileHandle file = OpenName(path, FILE_WRITE_DATA | DELETE);
    return !file && GetLastError() == ERROR_SHARING_VIOLATION;
}

// A holder that shares no deletion (a scanner, a backup) mostly lets go within moments.
Aside MoveAside(const std::string& path) {
    constexpr DWORD MoveAsideWaitMs = 5000, RetryPauseMs = 250;
    const DWORD start = GetTickCount();
    while (FileInUse(path)) {
        if (Aside aside = RenameAside(path); aside.file) return aside;
        if (GetTickCount() - start >= MoveAsideWaitMs) break;
        Sleep(RetryPauseMs);
    }
    return {};
}

// Under its own name only: a plug-in's name may hold the next install's plug-in by then.
void DeleteAtRestart(const Aside& aside) {
    MoveFileExA(aside.path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Every byte, then onto the disk: a replacement that outlives a power loss holds the whole file.
bool CopyContent(const FileHandle& from, const FileHandle& to) {
    std::vector<char> chunk(CopyChunk);
    for (;;) {
        DWORD read = 0, written = 0;
        if (!ReadFile(from.Get(), chunk.data(), CopyChunk, &read, nullptr)) return false;
        if (read == 0) return FlushFileBuffers(to.Get()) != 0;
        if (!WriteFile(to.Get(), chunk.data(), read, &written, nullptr) || written != read)
            return false;
    }
}
}  // namespace

bool FilePresent(const std::string& path) {
    WIN32_FIND_DATAA entry;
    if (!SearchHandle(FindFirstFileA(path.c_str(), &entry))) return false;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    FILETIME local;
    WORD dosDate, dosTime;
    FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local);
    return FileTimeToDosDateTime(&local, &dosDate, &dosTime) != 0 && InDosDateRange(local);
}

bool RemoveFile(const std::string& path) {
    NameFacts facts;
    if (!ReadNameFacts(path, facts) || facts.folder) return false;
    const DWORD unblocking = (facts.attributes & Blocking) ? FILE_WRITE_ATTRIBUTES : 0;
    const FileHandle file = OpenSameFile(path, DELETE | unblocking, ShareAll, facts);
    return file && RemoveOpenName(file, facts);
}

bool PathAbsent(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ReplaceWithCopy(const std::string& source, const std::string& target, InUse inUse) {
    const FileHandle from(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return false;
    const FileHandle copy = NewFileBeside(target);
    if (!copy || !CopyContent(from, copy)) return false;
    if (MoveOver(copy, target)) return true;
    if (inUse == InUse::Keep) return false;
    const Aside aside = MoveAside(target);
    // Not in use, or a holder that let go meanwhile.
    if (!aside.file) return MoveOver(copy, target);
    if (RenameOver(copy, target)) {
        DeleteAtRestart(aside);
        return true;
    }
    RenameTo(aside.file, target, false);
    return false;
}

bool ClearName(const std::string& path, InUse inUse) {
    if (RemoveFile(path) || PathAbsent(path)) return true;
    if (inUse == InUse::Keep) return false;
    const Aside aside = MoveAside(path);
    if (aside.file) DeleteAtRestart(aside);
    // Not in use, or a holder that let go meanwhile.
    return aside.file || RemoveFile(path) || PathAbsent(path);
}

bool IsNewFileName(const std::string& fileName, const std::string& targetName) {
    const std::string stem = targetName + ".";
    if (fileName.compare(0, stem.size(), stem) != 0) return false;
    const size_t processIdEnd = NumberEnd(fileName, stem.size(), ProcessIdDigits);
    if (processIdEnd == std::string::npos || fileName.compare(processIdEnd, 1, "-") != 0) return false;
    const size_t attemptEnd = NumberEnd(fileName, processIdEnd + 1, AttemptDigits);
    return attemptEnd != std::string::npos && fileName.compare(attemptEnd, std::string::npos, NewFileEnd) == 0;
}

// Opened with no sharing at all, which fails while anyone has the file open; a folder stays.
void RemoveLeftoverCopies(const std::string& target) {
    const std::string targetName = target.substr(target.find_last_of('\\') + 1);
    std::vector<std::string> leftovers;
    WIN32_FIND_DATAA entry;
    const SearchHandle search(FindFirstFileA((target + ".*").c_str(), &entry));
    for (bool more = static_cast<bool>(search); more; more = FindNextFileA(search.Get(), &entry) != 0)
        if (IsNewFileName(entry.cFileName, targetName)) leftovers.push_back(entry.cFileName);
    for (const std::string& name : leftovers) {
        NameFacts facts;
        const FileHandle file = OpenName(target + name.substr(targetName.size()), DELETE, 0);
        if (ReadFacts(file, facts) && !facts.folder) MarkForDeletion(file);
    }
}
