#pragma once
// The failure texts, built without the platform, into fixed buffers and without the heap: the
// report of memory exhaustion must not need memory.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

// A failure as the reports see it. It points into the failure object, which outlives the report.
struct FailureRef {
    std::string_view className;
    bool exceptionFamily = true;  // only the Exception family carries a message
    std::string_view message;
};

// The capacities the reports pass, terminator included: the box shows at most 1,023 characters.
constexpr size_t FailureTextCapacity = 1024;
constexpr size_t RunErrorTextCapacity = 64;

// Fills the failure template's %s and %p in order into buffer (capacity bytes, terminator
// included); returns the length written, at most capacity - 1.
size_t FormatFailureText(std::string_view templateText, const FailureRef& failure,
                         std::string_view moduleName, uintptr_t shownAddress, char* buffer,
                         size_t capacity);

// "Runtime error NNN at XXXXXXXX" into buffer, as above.
size_t FormatRunErrorText(unsigned number, uintptr_t shownAddress, char* buffer, size_t capacity);

// Eight upper-case hexadecimal digits, more only where an address needs them; held in place.
class HexText {
public:
    explicit HexText(uintptr_t value);
    operator std::string_view() const { return {digits_, length_}; }

private:
    char digits_[2 * sizeof(uintptr_t) + 1];
    size_t length_ = 0;
};

// The parts one after another into buffer, as above; returns the length written.
size_t JoinText(std::initializer_list<std::string_view> parts, char* buffer, size_t capacity);
