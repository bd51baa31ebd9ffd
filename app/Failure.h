#pragma once
// The one way failures reach the user: the failure box, or the last-resort box around start-up
// and shutdown.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class Exception;

// A failure as the reports see it.
struct FailureView {
    std::string className;
    bool exceptionFamily = true;  // only the Exception family carries a message
    std::string message;
};

FailureView ViewOf(const Exception& failure);
// A standard-library failure: outside the Exception family, named by its type.
FailureView ForeignViewOf(const std::exception& failure);

// Eight upper-case hexadecimal digits (more only where an address needs them).
std::string HexAddress(uintptr_t address);

// Fills the failure template's %s and %p in order; the result is cut to capacity - 1 characters.
std::string FormatFailureText(const std::string& templateText, const FailureView& failure,
                              const std::string& moduleName, uintptr_t shownAddress,
                              size_t capacity);

// "Runtime error NNN at XXXXXXXX".
std::string RunErrorText(unsigned number, uintptr_t shownAddress);

// The committed memory holding an address: the module's file name without folder (empty when
// the memory belongs to no module) and the load address (0 when the memory is not committed).
struct ModulePlace {
    std::string fileName;
    uintptr_t loadAddress = 0;
};
ModulePlace PlaceOf(const void* address);

// Builds the failure box's text into buffer (capacity bytes, terminator included); returns its
// length.
size_t FailureText(const FailureView& failure, const void* address, char* buffer, size_t capacity);

[[noreturn]] void ReportFailure(const FailureView& failure, const void* address);
[[noreturn]] void ReportRunError(unsigned number, const void* address);
