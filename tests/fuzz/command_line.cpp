// Arbitrary bytes as a command line: the reader never returns more than 256 characters, never a
// quotation mark, and always gets further or reaches the end.
#include <cstdint>
#include <string>

#include "app/CommandLine.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const char* const start = line.c_str();  // stops at the first zero byte, as a command line does
    const char* const end = start + std::char_traits<char>::length(start);
    const char* p = start;
    for (size_t reads = 0;; ++reads) {
        FUZZ_CHECK(reads <= line.size() + 1);
        const ArgumentRead read = NextArgument(p);
        FUZZ_CHECK(read.argument.size() <= MaxArgumentLength);
        FUZZ_CHECK(read.argument.find('"') == std::string::npos);
        FUZZ_CHECK(read.next >= p && read.next <= end);
        if (read.argument.empty()) {
            FUZZ_CHECK(read.next == end);
            break;
        }
        FUZZ_CHECK(read.next > p);
        p = read.next;
    }
    for (int index = 0; index < 4; ++index) FUZZ_CHECK(ArgumentOf(start, index).size() <= MaxArgumentLength);
    return 0;
}
