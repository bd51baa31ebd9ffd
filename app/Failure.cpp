#include "app/Failure.h"

#include <windows.h>

#include <stdexcept>
#include <typeinfo>

#include "app/Runtime.h"
#include "platform/Exception.h"

namespace {
constexpr UINT FailureTemplateId = 65510;
constexpr UINT FailureCaptionId = 65511;
constexpr uintptr_t ProgramCodeStart = 0x1000;

std::string LoadResourceText(UINT id, int capacity) {
    std::string text(static_cast<size_t>(capacity), '\0');
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, text.data(), capacity);
    text.resize(static_cast<size_t>(length > 0 ? length : 0));
    return text;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(module, path, MAX_PATH);
    return std::string(path, length);
}
}  // namespace

FailureView ViewOf(const Exception& failure) {
    return {failure.ClassName(), true, failure.Message()};
}

ModulePlace PlaceOf(const void* address) {
    MEMORY_BASIC_INFORMATION region{};
    if (!address || VirtualQuery(address, &region, sizeof region) != sizeof region ||
        region.State != MEM_COMMIT)
        return {};
    return {FileNameOf(ModulePath(static_cast<HMODULE>(region.AllocationBase))),
            reinterpret_cast<uintptr_t>(region.AllocationBase)};
}

size_t FailureText(const FailureView& failure, const void* address, char* buffer, size_t capacity) {
    const auto at = reinterpret_cast<uintptr_t>(address);
    const ModulePlace place = PlaceOf(address);
    const bool inModule = !place.fileName.empty();
    const std::string moduleName = inModule ? place.fileName : FileNameOf(ModulePath(nullptr));
    const uintptr_t shown = inModule ? at - place.loadAddress : at ? at - ProgramCodeStart : 0;
    const std::string text = FormatFailureText(LoadResourceText(FailureTemplateId, 256), failure,
                                               moduleName.substr(0, MAX_PATH), shown, capacity);
    if (capacity == 0) return 0;
    text.copy(buffer, text.size());
    buffer[text.size()] = '\0';
    return text.size();
}

void ReportFailure(const FailureView& failure, const void* address) {
    constexpr size_t Capacity = 1024;
    char text[Capacity];
    FailureText(failure, address, text, Capacity);
    const std::string caption = LoadResourceText(FailureCaptionId, 64);
    MessageBoxA(nullptr, text, caption.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ShutDown(1);
}

void ReportRunError(unsigned number, const void* address) {
    const uintptr_t shown = reinterpret_cast<uintptr_t>(address) - PlaceOf(address).loadAddress;
    MessageBoxA(nullptr, RunErrorText(number, shown).c_str(), "Error", MB_OK);
    ShutDown(number);
}

FailureView ForeignViewOf(const std::exception& failure) {
    const char* name = dynamic_cast<const std::length_error*>(&failure)  ? "std::length_error"
                       : dynamic_cast<const std::out_of_range*>(&failure) ? "std::out_of_range"
                       : dynamic_cast<const std::bad_cast*>(&failure)     ? "std::bad_cast"
                                                                          : "std::exception";
    return {name, false, {}};
}
