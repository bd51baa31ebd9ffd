// The text operations that follow the platform's code page and locale.
#include <windows.h>

#include "platform/text/Text.h"

std::string LocaleUpper(const std::string& text) {
    std::string upper = text;
    if (!upper.empty()) CharUpperBuffA(upper.data(), static_cast<DWORD>(upper.size()));
    return upper;
}

// The texts were made in the system's ANSI code page; without the flag the comparison would read
// them in the code page of the user's locale, which may be another. Texts that cannot be compared
// read alike: the pruning keeps what it cannot tell apart.
int LocaleCompareNoCase(const std::string& a, const std::string& b) {
    const int order = CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE | LOCALE_USE_CP_ACP, a.data(),
                                     static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
    return order == 0 ? 0 : order - 2;
}

unsigned long ConversionFlagsFor(unsigned codePage) {
    // UTF-8 and GB18030 take only the invalid-characters flag; the stateful and symbol code
    // pages take none. The others take no-best-fit.
    constexpr struct {
        unsigned first, last;
        unsigned long flags;
    } exceptions[] = {
        {42, 42, 0},          {50220, 50229, 0}, {57002, 57011, 0},
        {65000, 65000, 0},    {54936, 54936, WC_ERR_INVALID_CHARS},
        {65001, 65001, WC_ERR_INVALID_CHARS},
    };
    for (const auto& range : exceptions)
        if (codePage >= range.first && codePage <= range.last) return range.flags;
    return WC_NO_BEST_FIT_CHARS;
}

std::optional<std::string> AnsiTextOf(const std::wstring& text, unsigned codePage) {
    if (text.empty()) return std::string();
    const DWORD flags = ConversionFlagsFor(codePage);
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    std::string ansi(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(codePage, flags, text.data(), length, ansi.data(), size, nullptr,
                            nullptr) != size)
        return std::nullopt;
    return ansi;
}

std::optional<std::string> AnsiTextOf(const std::wstring& text) { return AnsiTextOf(text, GetACP()); }

void RecordLeadBytes() {
    CPINFO info{};
    const bool doubleByte = GetSystemMetrics(SM_DBCSENABLED) != 0 && GetCPInfo(CP_ACP, &info);
    UseLeadBytes(doubleByte ? LeadByteSet::FromRanges(info.LeadByte, MAX_LEADBYTES) : LeadByteSet{});
}
