#pragma once
// The native calls that take handles and counted names, looked up at run time, so that the
// program imports nothing beyond the Win32 libraries. Null where the system lacks the call.
#include <windows.h>

template <class Call>
Call NativeCall(const char* name) {
    return reinterpret_cast<Call>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), name)));
}
