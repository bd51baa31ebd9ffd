// Arbitrary class names, messages and capacities, into a heap buffer of exactly the capacity (the
// sanitizer sees any write past it): the text ends within it in a 0, is a prefix of the whole
// text, and the whole text ends in the message with the full-stop rule.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "app/ReportTexts.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
constexpr char Template[] = "Exception %s in module %s at %p.\n%s%s";
constexpr char Module[] = "TarnquillSetup.exe";
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return -1;
    const size_t capacity = (data[0] << 8 | data[1]) % 2100;
    const std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const size_t split = rest.empty() ? 0 : data[2] % (rest.size() + 1);
    const FailureRef failure{rest.substr(0, split), (data[2] & 0x80) == 0, rest.substr(split)};

    const size_t room = size + 100;
    const std::unique_ptr<char[]> whole(new char[room]);
    const size_t wholeLength = FormatFailureText(Template, failure, Module, 0x1234, whole.get(), room);
    const std::unique_ptr<char[]> cut(new char[capacity ? capacity : 1]);
    const size_t cutLength = FormatFailureText(Template, failure, Module, 0x1234, cut.get(), capacity);
    FUZZ_CHECK(capacity == 0 ? cutLength == 0 : cutLength <= capacity - 1 && cut[cutLength] == '\0');
    FUZZ_CHECK(std::string_view(whole.get(), wholeLength).substr(0, cutLength) == std::string_view(cut.get(), cutLength));

    const std::string text(whole.get(), wholeLength);
    FUZZ_CHECK(text.rfind("Exception " + std::string(failure.className) + " in module " + Module + " at 00001234.\n", 0) == 0);
    const std::string message(failure.message);
    const std::string ending = !failure.exceptionFamily                         ? ""
                               : message.empty() || message.back() == '.' ? message
                                                                          : message + ".";
    FUZZ_CHECK(text.size() >= ending.size() && text.compare(text.size() - ending.size(), ending.size(), ending) == 0);
    return 0;
}
