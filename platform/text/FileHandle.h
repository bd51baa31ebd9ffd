#pragma once
// Files: every file the file operations open is held by a FileHandle, every folder search by a
// SearchHandle.
#include <windows.h>

#include "platform/OwnedHandle.h"

struct FileKind {
    using Handle = HANDLE;
    static bool IsNone(HANDLE file) { return file == nullptr || file == INVALID_HANDLE_VALUE; }
    static void Close(HANDLE file) { CloseHandle(file); }
};

using FileHandle = OwnedHandle<FileKind>;

struct SearchKind {
    using Handle = HANDLE;
    static bool IsNone(HANDLE search) { return search == nullptr || search == INVALID_HANDLE_VALUE; }
    static void Close(HANDLE search) { FindClose(search); }
};

using SearchHandle = OwnedHandle<SearchKind>;
