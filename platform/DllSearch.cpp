#include "platform/DllSearch.h"

#include "platform/Native.h"

void RestrictDllSearch() {
    const auto restrict = SystemCall<BOOL(WINAPI*)(DWORD)>("kernel32.dll", "SetDefaultDllDirectories");
    if (restrict) restrict(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
