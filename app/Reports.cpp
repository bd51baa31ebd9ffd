#include "app/Reports.h"

#include <windows.h>

#include <stdexcept>
#include <typeinfo>

#include "platform/Boxes.h"
#include "platform/Exception.h"
#include "platform/ModulePlace.h"

namespace {
constexpr UINT FailureTemplateId = 65510;
constexpr UINT FailureCaptionId = 65511;
constexpr uintptr_t ProgramCodeStart = 0x1000;
// The caption holds at most 63 characters.
constexpr int CaptionCapacity = 64;
constexpr unsigned PluginStepNotDone = 2;

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

void ReportFailure(const FailureRef& failure, const void* address) {
    char text[FailureTextCapacity];
    FailureText(failure, address, text, FailureTextCapacity);
    char caption[CaptionCapacity] = {};
    LoadStringA(GetModuleHandleA(nullptr), FailureCaptionId, caption, CaptionCapacity);
    ShowBox(text, caption, MB_OK | MB_ICONERROR | MB_TASKMODAL);
    exitCode = 1;
}

void ReportRunError(unsigned number, const void* address) {
    exitCode = number;
    const uintptr_t shown = reinterpret_cast<uintptr_t>(address) - PlaceOf(address).loadAddress;
    char text[RunErrorTextCapacity];
    FormatRunErrorText(number, shown, text, RunErrorTextCapacity);
    ShowBox(text, "Error", MB_OK);
}

void ReportPluginStepNotDone() {
    if (!BoxesAreSeen()) exitCode = PluginStepNotDone;
}

unsigned ReportedExitCode() { return exitCode; }
