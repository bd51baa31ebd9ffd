#pragma once
// Which module holds an address, found through the memory it lies in: a failure report must name
// it without the heap, so the name is held in place.
#include <windows.h>

#include <cstdint>

// The committed memory holding an address: the module's file name without folder (empty when
// the memory belongs to no module) and the load address (0 when the memory is not committed).
struct ModulePlace {
    char fileName[MAX_PATH + 1] = {};
    uintptr_t loadAddress = 0;
};
ModulePlace PlaceOf(const void* address);
// The file name of a module (the program's own for nullptr), without its folder.
void ModuleFileName(HMODULE module, char (&name)[MAX_PATH + 1]);
