#include "platform/text/Text.h"

#include <algorithm>

int TextPos(const std::string& part, const std::string& text) {
    if (part.empty() || text.empty() || part.size() > text.size()) return 0;
    const auto at = text.find(part);
    return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string SubText(const std::string& text, int start, int count) {
    const int length = static_cast<int>(text.size());
    if (start < 1) start = 1;
    if (text.empty() || start > length || count < 0) return {};
    count = std::min(count, length - start + 1);
    return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

void CutText(std::string& text, int start, int count) {
    const int length = static_cast<int>(text.size());
    if (text.empty() || start < 1 || start > length || count <= 0) return;
    count = std::min(count, length - start + 1);
    text.erase(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

std::string AsciiUpper(const std::string& text) {
    std::string upper = text;
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 0x20);
    return upper;
}

bool TextEquals(const std::string& a, const std::string& b) { return a == b; }

LeadByteSet LeadByteSet::FromRanges(const unsigned char* ranges, int rangeBytes) {
    LeadByteSet set;
    for (int i = 0; i + 1 < rangeBytes && i < 12; i += 2) {
        const unsigned first = ranges[i], last = ranges[i + 1];
        if (first == 0 && last == 0) break;
        for (unsigned b = first; b <= last && b < 256; ++b) set.lead[b] = true;
    }
    return set;
}

namespace {
LeadByteSet recordedLeadBytes;

// Marks which bytes of the path are the second byte of a double-byte character.
std::string TrailMarks(const std::string& path, const LeadByteSet& leadBytes) {
    std::string trail(path.size(), 0);
    for (size_t i = 0; i < path.size(); ++i) {
        if (leadBytes.lead[static_cast<unsigned char>(path[i])] && i + 1 < path.size()) {
            trail[++i] = 1;
        }
    }
    return trail;
}
}  // namespace

std::string DirectoryOf(const std::string& path, const LeadByteSet& leadBytes) {
    const std::string trail = TrailMarks(path, leadBytes);
    int i = 0;  // 1-based position of the last separator
    for (size_t k = 0; k < path.size(); ++k)
        if ((path[k] == '\\' || path[k] == ':') && !trail[k]) i = static_cast<int>(k) + 1;
    if (i > 1 && path[i - 1] == '\\') {
        const bool rootSeparator = (path[i - 2] == ':' || path[i - 2] == '\\') && !trail[i - 2];
        if (!rootSeparator) --i;
    }
    return SubText(path, 1, i);
}

std::string JoinPath(const std::string& folder, const std::string& below, const LeadByteSet& leadBytes) {
    const bool endsInSeparator =
        !folder.empty() && folder.back() == '\\' && !TrailMarks(folder, leadBytes).back();
    return folder + (endsInSeparator ? "" : "\\") + below;
}

void UseLeadBytes(const LeadByteSet& leadBytes) { recordedLeadBytes = leadBytes; }

std::string DirectoryOf(const std::string& path) { return DirectoryOf(path, recordedLeadBytes); }

std::string JoinPath(const std::string& folder, const std::string& below) {
    return JoinPath(folder, below, recordedLeadBytes);
}
