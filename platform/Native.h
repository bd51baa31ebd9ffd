#pragma once
// Calls looked up at run time: the native ones take handles and counted names, and newer systems
// have calls that older ones lack; either way the program imports nothing beyond the Win32
// libraries. Null where the system lacks the call.
#include <windows.h>

template <class Call>
Call SystemCall(const char* module, const char* name) {
    return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), name)));
}

template <class Call>
Call NativeCall(const char* name) {
    return SystemCall<Call>("ntdll.dll", name);
}
