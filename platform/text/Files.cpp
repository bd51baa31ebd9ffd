#include "platform/text/Files.h"

#include <windows.h>
#include <winternl.h>

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

// What stops a deletion or a replacement, or hides the plug-in from its user.
constexpr DWORD Protective = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
// The attributes a caller may set; the others are the file system's own.
constexpr DWORD Settable = Protective | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_TEMPORARY |
                           FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
constexpr DWORD ShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr DWORD CopyChunk = 64 * 1024;
// Names tried for a new file before giving up: others may be taken by leftovers or by anyone.
constexpr int NewNameAttempts = 100;

// The name itself, whatever it is: a link is opened as the link and never followed, and a
// folder opens too, so that it can be told apart.
FileHandle OpenName(const std::string& path, DWORD access) {
    return FileHandle(CreateFileA(path.c_str(), access | FILE_READ_ATTRIBUTES, ShareAll, nullptr,
                                  OPEN_EXISTING,
                                  FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

struct NameFacts {
    DWORD attributes = 0;
    DWORD links = 0;  // names the file has; attributes belong to the file, not to one name
    bool folder = false;  // a real folder: a link to one is no folder
};

bool ReadFacts(const FileHandle& file, NameFacts& facts) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return false;
    facts.attributes = info.dwFileAttributes;
    facts.links = info.nNumberOfLinks;
    facts.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                   !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return true;
}

// Through the handle, so that it is this very file, not whatever the name reaches by then.
bool SetFileFacts(const FileHandle& file, ULONG informationClass, void* information, ULONG size) {
    using NtSetInformationFileCall = NTSTATUS(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, ULONG);
    static const auto ntSetInformationFile =
        NativeCall<NtSetInformationFileCall>("NtSetInformationFile");
    IO_STATUS_BLOCK status{};
    return ntSetInformationFile &&
           ntSetInformationFile(file.Get(), &status, information, size, informationClass) == 0;
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

// The file goes when its handle closes; a file mapped as a running program's code cannot.
bool MarkForDeletion(const FileHandle& file) {
    constexpr ULONG FileDispositionInformation = 13;
    struct {
        BOOLEAN deleteFile;
    } disposition{TRUE};
    return SetFileFacts(file, FileDispositionInformation, &disposition, sizeof disposition);
}

// A read-only file cannot be deleted: the protection goes first. A file that lives on under
// another name is not ours alone, and gets its attributes back.
bool RemoveOpenName(const FileHandle& file, const NameFacts& facts) {
    const bool unprotect = (facts.attributes & Protective) != 0;
    if (unprotect && !SetAttributes(file, facts.attributes & ~Protective)) return false;
    const bool removed = MarkForDeletion(file);
    if (unprotect && (!removed || facts.links > 1)) SetAttributes(file, facts.attributes);
    return removed;
}

// A protected target refuses to be replaced. Our own plug-in loses the protection; a file that
// lives on under another name keeps it and loses only this name. Anything else is left for the
// move to decide.
bool ClearForReplacement(const std::string& target) {
    const FileHandle file = OpenName(target, DELETE | FILE_WRITE_ATTRIBUTES);
    NameFacts facts;
    if (!ReadFacts(file, facts) || facts.folder || !(facts.attributes & Protective)) return true;
    if (facts.links > 1) return RemoveOpenName(file, facts);
    return SetAttributes(file, facts.attributes & ~Protective);
}

struct NewFile {
    std::string path;
    FileHandle handle;
};

// A file of our own beside the target, under a name that nothing had, not even a dangling link.
// Shared for deletion only: the move over the target needs that, and nobody writes to it.
NewFile NewFileBeside(const std::string& target) {
    const std::string stem = target + "." + std::to_string(GetCurrentProcessId()) + "-";
    for (int attempt = 0; attempt < NewNameAttempts; ++attempt) {
        std::string path = stem + std::to_string(attempt) + ".tmp";
        FileHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE,
                                    FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (file) return {std::move(path), std::move(file)};
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    return {};
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
    const HANDLE search = FindFirstFileA(path.c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return false;
    FindClose(search);
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    FILETIME local;
    WORD dosDate, dosTime;
    FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local);
    return FileTimeToDosDateTime(&local, &dosDate, &dosTime) != 0 && InDosDateRange(local);
}

bool RemoveFile(const std::string& path) {
    const FileHandle file = OpenName(path, DELETE | FILE_WRITE_ATTRIBUTES);
    NameFacts facts;
    return ReadFacts(file, facts) && !facts.folder && RemoveOpenName(file, facts);
}

bool PathAbsent(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ReplaceWithCopy(const std::string& source, const std::string& target) {
    const FileHandle from(CreateFileA(source.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!from) return false;
    const NewFile copy = NewFileBeside(target);
    if (!copy.handle) return false;
    if (CopyContent(from, copy.handle) && ClearForReplacement(target) &&
        MoveFileExA(copy.path.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING))
        return true;
    // Through its handle: only our own file goes, whatever its name reaches by now.
    MarkForDeletion(copy.handle);
    return false;
}
