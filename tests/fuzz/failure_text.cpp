// Arbitrary class names, messages and capacities: the failure text fits its buffer with its
// terminator, is a prefix of the whole text, and the whole text ends in the message with the
// full-stop rule.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "app/FailureFormat.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
constexpr char Template[] = "Exception %s in module %s at %p.\n%s%s";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return -1;
    const size_t capacity = (data[0] << 8 | data[1]) % 2100;
    const std::string rest(reinterpret_cast<const char*>(data + 3), size - 3);
    const size_t split = rest.empty() ? 0 : data[2] % (rest.size() + 1);
    const FailureView failure{rest.substr(0, split), (data[2] & 0x80) == 0, rest.substr(split)};

    const std::string whole = FormatFailureText(Template, failure, "TarnquillSetup.exe", 0x1234, SIZE_MAX);
    const std::string cut = FormatFailureText(Template, failure, "TarnquillSetup.exe", 0x1234, capacity);
    FUZZ_CHECK(capacity == 0 ? cut.empty() : cut.size() <= capacity - 1);
    FUZZ_CHECK(whole.compare(0, cut.size(), cut) == 0);
    FUZZ_CHECK(whole.rfind("Exception " + failure.className + " in module TarnquillSetup.exe at 00001234.\n", 0) == 0);
    const std::string& message = failure.message;
    const std::string ending = !failure.exceptionFamily ? ""
                               : message.empty() || message.back() == '.' ? message
                                                                          : message + ".";
    FUZZ_CHECK(whole.size() >= ending.size() && whole.compare(whole.size() - ending.size(), ending.size(), ending) == 0);

    if (capacity > 0) {  // exactly the box's buffer: the sanitizer sees any write past it
        const std::unique_ptr<char[]> buffer(new char[capacity]);
        std::memcpy(buffer.get(), cut.data(), cut.size());
        buffer[cut.size()] = '\0';
    }
    return 0;
}
