#include "app/FailureText.h"

namespace {
constexpr UINT FailureTemplateId = 65510;
constexpr uintptr_t ProgramCodeStart = 0x1000;

// The file name after the path's last backslash, in place.
const char* FileNameOf(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\') name = p + 1;
    return name;
}

void ModuleFileName(HMODULE module, char (&name)[MAX_PATH + 1]) {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    lstrcpynA(name, FileNameOf(path), MAX_PATH + 1);
}
}  // namespace

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

size_t FailureText(const FailureRef& failure, const void* address, char* buffer, size_t capacity) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    ModulePlace place = PlaceOf(address);
    const bool inModule = place.fileName[0] != '\0';
    if (!inModule) ModuleFileName(nullptr, place.fileName);
    const uintptr_t shown = inModule ? at - place.loadAddress : at ? at - ProgramCodeStart : 0;
    char templateText[256] = {};
    const int length = LoadStringA(GetModuleHandleA(nullptr), FailureTemplateId, templateText,
                                   sizeof templateText);
    return FormatFailureText({templateText, static_cast<size_t>(length > 0 ? length : 0)}, failure,
                             place.fileName, shown, buffer, capacity);
}
