#include "app/ReportTexts.h"

namespace {
// Writes what fits into a fixed buffer, always terminated.
class TextBuffer {
public:
    TextBuffer(char* data, size_t capacity) : data_(data), capacity_(capacity) {
        if (capacity_ > 0) data_[0] = '\0';
    }
    void Append(std::string_view text) {
        for (const char c : text) {
            if (length_ + 1 < capacity_) {
                data_[length_++] = c;
                data_[length_] = '\0';
            }
        }
    }
    size_t Length() const { return length_; }

private:
    char* data_;
    size_t capacity_;
    size_t length_ = 0;
};

void WriteFailureText(TextBuffer& out, std::string_view templateText, const FailureRef& failure,
                      std::string_view moduleName, uintptr_t shownAddress) {
    const std::string_view message = failure.exceptionFamily ? failure.message : std::string_view();
    const bool addStop = !message.empty() && message.back() != '.';
    const HexText address(shownAddress);
    const std::string_view values[] = {failure.className, moduleName, address, message,
                                       addStop ? "." : ""};
    size_t next = 0;
    for (size_t i = 0; i < templateText.size(); ++i) {
        const char c = templateText[i];
        const char directive = i + 1 < templateText.size() ? templateText[i + 1] : '\0';
        if (c == '%' && (directive == 's' || directive == 'p')) {
            if (next < std::size(values)) out.Append(values[next++]);
            ++i;
        } else if (c == '%' && directive == '%') {
            out.Append("%");
            ++i;
        } else {
            out.Append({&c, 1});
        }
    }
}

void WriteRunErrorText(TextBuffer& out, unsigned number, uintptr_t shownAddress) {
    char digits[16];
    size_t count = 0;
    do {
        digits[sizeof digits - 1 - count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number != 0);
    out.Append("Runtime error ");
    for (size_t pad = count; pad < 3; ++pad) out.Append(" ");
    out.Append({digits + sizeof digits - count, count});
    out.Append(" at ");
    out.Append(HexText(shownAddress));
}

}  // namespace

HexText::HexText(uintptr_t value) {
    char reversed[sizeof digits_];
    size_t count = 0;
    do {
        reversed[count++] = "0123456789ABCDEF"[value % 16];
        value /= 16;
    } while (value != 0);
    for (size_t pad = count; pad < 8; ++pad) digits_[length_++] = '0';
    while (count > 0) digits_[length_++] = reversed[--count];
}

size_t JoinText(std::initializer_list<std::string_view> parts, char* buffer, size_t capacity) {
    TextBuffer out(buffer, capacity);
    for (const std::string_view part : parts) out.Append(part);
    return out.Length();
}

size_t FormatFailureText(std::string_view templateText, const FailureRef& failure,
                         std::string_view moduleName, uintptr_t shownAddress, char* buffer,
                         size_t capacity) {
    TextBuffer out(buffer, capacity);
    WriteFailureText(out, templateText, failure, moduleName, shownAddress);
    return out.Length();
}

size_t FormatRunErrorText(unsigned number, uintptr_t shownAddress, char* buffer, size_t capacity) {
    TextBuffer out(buffer, capacity);
    WriteRunErrorText(out, number, shownAddress);
    return out.Length();
}
