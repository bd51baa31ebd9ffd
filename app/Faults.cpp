#include "app/Faults.h"

#include "platform/ModulePlace.h"

namespace {
struct FaultKind {
    DWORD code;
    const char* className;
    const char* message;
    unsigned runError;
};

constexpr DWORD HeapCorruption = 0xC0000374;
constexpr unsigned OtherFaultRunError = 255;

constexpr FaultKind FaultKinds[] = {
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "EDivisionByZero", "Division by zero", 200},
    {EXCEPTION_FLT_DIVIDE_BY_ZERO, "EFloatDivisionByZero", "Floating point division by zero", 200},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "EBoundsExceeded", "Array bounds exceeded", 201},
    {EXCEPTION_STACK_OVERFLOW, "EStackOverflow", "Stack overflow", 202},
    {HeapCorruption, "EInvalidPointer", "Invalid pointer operation", 204},
    {EXCEPTION_FLT_OVERFLOW, "EFloatOverflow", "Floating point overflow", 205},
    {EXCEPTION_FLT_UNDERFLOW, "EFloatUnderflow", "Floating point underflow", 206},
    {EXCEPTION_FLT_DENORMAL_OPERAND, "EFloatUnderflow", "Floating point denormal operand", 206},
    {EXCEPTION_FLT_INEXACT_RESULT, "EFloatInvalid", "Floating point inexact result", 207},
    {EXCEPTION_FLT_INVALID_OPERATION, "EFloatInvalid", "Invalid floating point operation", 207},
    {EXCEPTION_FLT_STACK_CHECK, "EFloatInvalid", "Floating point stack check", 207},
    {EXCEPTION_INT_OVERFLOW, "EIntegerOverflow", "Integer overflow", 215},
    {EXCEPTION_ACCESS_VIOLATION, "EAccessViolation", "", 216},
    {STATUS_CONTROL_C_EXIT, "EConsoleBreak", "Console break", 217},
    {EXCEPTION_PRIV_INSTRUCTION, "EPrivilegedInstruction", "Privileged instruction", 218},
};

const FaultKind* KindOf(DWORD code) {
    for (const FaultKind& kind : FaultKinds)
        if (kind.code == code) return &kind;
    return nullptr;
}

// Faults are reported once and the process ends, so one buffer serves; it needs no memory.
char faultMessage[512];

std::string_view Kept(size_t length) { return {faultMessage, length}; }

// "Access violation at address %p in module '%s'. %s of address %p", or without the module.
std::string_view AccessViolationMessage(const EXCEPTION_RECORD& fault) {
    const bool write = fault.NumberParameters >= 2 && fault.ExceptionInformation[0] == 1;
    const uintptr_t target = fault.NumberParameters >= 2 ? fault.ExceptionInformation[1] : 0;
    const ModulePlace place = PlaceOf(fault.ExceptionAddress);
    const bool inModule = place.fileName[0] != '\0';
    return Kept(JoinText({"Access violation at address ",
                          HexText(reinterpret_cast<uintptr_t>(fault.ExceptionAddress)),
                          inModule ? " in module '" : "", place.fileName, inModule ? "'" : "",
                          ". ", write ? "Write" : "Read", " of address ", HexText(target)},
                         faultMessage, sizeof faultMessage));
}
}  // namespace

FailureRef FaultRef(const EXCEPTION_RECORD& fault) {
    const FaultKind* kind = KindOf(fault.ExceptionCode);
    if (!kind)
        return {"EExternalFault", true,
                Kept(JoinText({"External fault ", HexText(fault.ExceptionCode)}, faultMessage,
                              sizeof faultMessage))};
    if (fault.ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        return {kind->className, true, AccessViolationMessage(fault)};
    return {kind->className, true, kind->message};
}

unsigned RunErrorOf(DWORD faultCode) {
    const FaultKind* kind = KindOf(faultCode);
    return kind ? kind->runError : OtherFaultRunError;
}

bool IsInvalidPointer(DWORD faultCode) { return faultCode == HeapCorruption; }
