#include "app/Faults.h"

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

std::string AccessViolationMessage(const EXCEPTION_RECORD& fault) {
    const auto at = reinterpret_cast<uintptr_t>(fault.ExceptionAddress);
    const bool write = fault.NumberParameters >= 2 && fault.ExceptionInformation[0] == 1;
    const uintptr_t target = fault.NumberParameters >= 2 ? fault.ExceptionInformation[1] : 0;
    const std::string module = PlaceOf(fault.ExceptionAddress).fileName;
    std::string message = "Access violation at address " + HexAddress(at);
    if (!module.empty()) message += " in module '" + module + "'";
    return message + ". " + (write ? "Write" : "Read") + " of address " + HexAddress(target);
}
}  // namespace

FailureView FaultView(const EXCEPTION_RECORD& fault) {
    const FaultKind* kind = KindOf(fault.ExceptionCode);
    if (!kind) return {"EExternalFault", true, "External fault " + HexAddress(fault.ExceptionCode)};
    if (fault.ExceptionCode == EXCEPTION_ACCESS_VIOLATION)
        return {kind->className, true, AccessViolationMessage(fault)};
    return {kind->className, true, kind->message};
}

unsigned RunErrorOf(DWORD faultCode) {
    const FaultKind* kind = KindOf(faultCode);
    return kind ? kind->runError : OtherFaultRunError;
}
