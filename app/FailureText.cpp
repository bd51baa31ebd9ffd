// The failure texts, built without the platform so that they can be checked anywhere.
#include <vector>

#include "app/Failure.h"

std::string HexAddress(uintptr_t address) {
    std::string digits;
    do {
        digits.insert(digits.begin(), "0123456789ABCDEF"[address % 16]);
        address /= 16;
    } while (address != 0);
    return std::string(digits.size() < 8 ? 8 - digits.size() : 0, '0') + digits;
}

std::string FormatFailureText(const std::string& templateText, const FailureView& failure,
                              const std::string& moduleName, uintptr_t shownAddress,
                              size_t capacity) {
    const std::string& message = failure.exceptionFamily ? failure.message : std::string();
    const bool addStop = !message.empty() && message.back() != '.';
    const std::vector<std::string> values{failure.className, moduleName, HexAddress(shownAddress),
                                          message, addStop ? "." : ""};
    std::string text;
    size_t next = 0;
    for (size_t i = 0; i < templateText.size(); ++i) {
        const char c = templateText[i];
        const char directive = i + 1 < templateText.size() ? templateText[i + 1] : '\0';
        if (c == '%' && (directive == 's' || directive == 'p')) {
            if (next < values.size()) text += values[next++];
            ++i;
        } else if (c == '%' && directive == '%') {
            text += '%';
            ++i;
        } else {
            text += c;
        }
    }
    if (capacity == 0) return {};
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}

std::string RunErrorText(unsigned number, uintptr_t shownAddress) {
    std::string digits = std::to_string(number);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), ' ');
    return "Runtime error " + digits + " at " + HexAddress(shownAddress);
}
