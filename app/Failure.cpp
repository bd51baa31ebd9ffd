#include "app/Failure.h"

#include <windows.h>

#include <stdexcept>
#include <typeinfo>

#include "app/FailureText.h"
#include "platform/Exception.h"

namespace {
constexpr UINT FailureCaptionId = 65511;
// The caption holds at most 63 characters.
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
    char text[FailureTextCapacity];
    FailureText(failure, address, text, FailureTextCapacity);
    char caption[CaptionCapacity] = {};
    LoadStringA(GetModuleHandleA(nullptr), FailureCaptionId, caption, CaptionCapacity);
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    exitCode = 1;
}

void ReportRunError(unsigned number, const void* address) {
    exitCode = number;
    const uintptr_t shown = reinterpret_cast<uintptr_t>(address) - PlaceOf(address).loadAddress;
    char text[RunErrorTextCapacity];
    FormatRunErrorText(number, shown, text, RunErrorTextCapacity);
    MessageBoxA(nullptr, text, "Error", MB_OK);
}

unsigned ReportedExitCode() { return exitCode; }
