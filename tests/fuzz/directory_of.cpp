// Arbitrary lead-byte ranges (the first 12 bytes) and paths: the folder is a prefix of the path,
// empty when the path names no folder, and never ends in a backslash that belongs to no root;
// joined with a path below it, it gets one separator and becomes no network path of its own.
#include <cstdint>
#include <string>

#include "platform/text/Text.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {
bool IsTrailByte(const std::string& path, size_t index, const LeadByteSet& leadBytes) {
    for (size_t i = 0; i < index; ++i)
        if (leadBytes.lead[static_cast<unsigned char>(path[i])] && ++i == index) return true;
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 12) return -1;
    const LeadByteSet leadBytes = LeadByteSet::FromRanges(data, 12);
    const std::string path(reinterpret_cast<const char*>(data + 12), size - 12);
    const std::string folder = DirectoryOf(path, leadBytes);
    FUZZ_CHECK(path.compare(0, folder.size(), folder) == 0);
    bool anySeparator = false;
    for (size_t i = 0; i < path.size(); ++i)
        if ((path[i] == '\\' || path[i] == ':') && !IsTrailByte(path, i, leadBytes)) anySeparator = true;
    FUZZ_CHECK(anySeparator || folder.empty());
    if (folder.size() > 1 && folder.back() == '\\' && !IsTrailByte(path, folder.size() - 1, leadBytes)) {
        const char before = folder[folder.size() - 2];
        FUZZ_CHECK((before == ':' || before == '\\') && !IsTrailByte(path, folder.size() - 2, leadBytes));
    }
    // What follows the folder in the path starts with a separator, or the folder ends in one.
    if (!folder.empty() && folder.size() < path.size()) {
        const char last = folder.back(), next = path[folder.size()];
        FUZZ_CHECK(last == '\\' || last == ':' || next == '\\');
    }
    const std::string joined = JoinPath(folder, "Plugins", leadBytes);
    const bool endsInSeparator = !folder.empty() && folder.back() == '\\' && !IsTrailByte(path, folder.size() - 1, leadBytes);
    FUZZ_CHECK(joined.size() == folder.size() + (endsInSeparator ? 7 : 8));
    FUZZ_CHECK(joined.rfind("\\\\", 0) != 0 || path.rfind("\\\\", 0) == 0);
    return 0;
}
