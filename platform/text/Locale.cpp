// The text operations that follow the platform's code page and locale.
#include <windows.h>

#include "platform/text/Text.h"

namespace {
LeadByteSet recordedLeadBytes;
}

std::string LocaleUpper(const std::string& text) {
    std::string upper = text;
    if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

int LocaleCompareNoCase(const std::string& a, const std::string& b) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(), static_cast<int>(a.size()),
                          b.data(), static_cast<int>(b.size())) -
           2;
}

std::string AnsiTextOf(const std::wstring& text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr,
                                         0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(size > 0 ? size : 0), '\0');
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, ansi.data(), size,
                        nullptr, nullptr);
    return ansi;
}

void RecordLeadBytes() {
    recordedLeadBytes = LeadByteSet{};
    CPINFO info{};
    if (GetSystemMetrics(SM_DBCSENABLED) != 0 && GetCPInfo(CP_ACP, &info))
        recordedLeadBytes = LeadByteSet::FromRanges(info.LeadByte, MAX_LEADBYTES);
}

std::string DirectoryOf(const std::string& path) { return DirectoryOf(path, recordedLeadBytes); }
