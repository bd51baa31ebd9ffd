#include "app/Failure.h"

#include <windows.h>

#include <stdexcept>
#include <typeinfo>

#include "app/FailureText.h"
#include "platform/Exception.h"

namespace {
constexpr UINT FailureCaptionId = 65511;
// Both limits of the box: 1,023 characters of text, 63 of caption.
constexpr size_t TextCapacity = 1024;
constexpr int CaptionCapacity = 64;

unsigned exitCode = 0;
}  // namespace

FailureRef RefOf(const Exception& failure) {
    return {failure.ClassName(), true, failure.Message()};
}

FailureRef ForeignRefOf(const std::exception& failure) {
    const char* name = dynamic_cast<const std::length_error*>(&failure)  ? "std::length_error"
                       : dynamic_cast<const std::out_of_range*>(&failure) ? "std::out_of_range"
                       : dynamic_cast<const std::bad_cast*>(&failure)     ? "std::bad_cast"
                                                                          : "std::exception";
    return {name, false, {}};
}

void ReportFailure(const FailureRef& failure, const void* address) {
    char text[TextCapacity];
    FailureText(failure, address, text, TextCapacity);
    char caption[CaptionCapacity] = {};
    LoadStringA(GetModuleHandleA(nullptr), FailureCaptionId, caption, CaptionCapacity);
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    exitCode = 1;
}

void ReportRunError(unsigned number, const void* address) {
    exitCode = number;
    const uintptr_t shown = reinterpret_cast<uintptr_t>(address) - PlaceOf(address).loadAddress;
    char text[64];
    FormatRunErrorText(number, shown, text, sizeof text);
    MessageBoxA(nullptr, text, "Error", MB_OK);
}

unsigned ReportedExitCode() { return exitCode; }
