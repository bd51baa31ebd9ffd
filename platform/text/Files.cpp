#include "platform/text/Files.h"

#include <windows.h>

namespace {
constexpr WORD FirstDosYear = 1980;
constexpr WORD LastDosYear = 2107;

// Some platforms convert years past the DOS range without complaint; the range is the same here.
bool InDosDateRange(const FILETIME& local) {
    SYSTEMTIME when;
    return FileTimeToSystemTime(&local, &when) && when.wYear >= FirstDosYear &&
           when.wYear <= LastDosYear;
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

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool PathAbsent(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return false;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool CopyFileOver(const std::string& source, const std::string& target) {
    return CopyFileA(source.c_str(), target.c_str(), FALSE) != 0;
}
