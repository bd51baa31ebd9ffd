#pragma once
// The text of the failure box, with the module that holds the failure's address: built on fixed
// buffers, since the report may run with no memory left.
#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "app/FailureFormat.h"

// The committed memory holding an address: the module's file name without folder (empty when
// the memory belongs to no module) and the load address (0 when the memory is not committed).
struct ModulePlace {
    char fileName[MAX_PATH + 1] = {};
    uintptr_t loadAddress = 0;
};
ModulePlace PlaceOf(const void* address);

// Builds the failure box's text into buffer (capacity bytes, terminator included); returns its
// length.
size_t FailureText(const FailureRef& failure, const void* address, char* buffer, size_t capacity);
