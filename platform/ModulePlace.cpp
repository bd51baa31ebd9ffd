#include "platform/ModulePlace.h"

namespace {
// The file name after the path's last backslash, in place.
const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\') name = p + 1;
    return name;
}
}  // namespace

void ModuleFileName(HMODULE module, char (&name)[MAX_PATH + 1]) {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    lstrcpynA(name, FileNameOf(path), MAX_PATH + 1);
}

ModulePlace PlaceOf(const void* address) {
    ModulePlace place;
    MEMORY_BASIC_INFORMATION region{};
    if (!address || VirtualQuery(address, &region, sizeof region) != sizeof region ||
        region.State != MEM_COMMIT)
        return place;
    ModuleFileName(static_cast<HMODULE>(region.AllocationBase), place.fileName);
    place.loadAddress = reinterpret_cast<uintptr_t>(region.AllocationBase);
    return place;
}
