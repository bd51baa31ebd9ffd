#pragma once
// Texts are byte strings in the ANSI code page; positions are 1-based, 0 means "not found".
// Starts and counts out of range are clamped: these operations never fail.
#include <array>
#include <optional>
#include <string>

int TextPos(const std::string& part, const std::string& text);
std::string SubText(const std::string& text, int start, int count);
void CutText(std::string& text, int start, int count);
std::string AsciiUpper(const std::string& text);
bool TextEquals(const std::string& a, const std::string& b);

// Upper-casing and ordering by the platform's rules for the ANSI code page and the user's locale.
std::string LocaleUpper(const std::string& text);
int LocaleCompareNoCase(const std::string& a, const std::string& b);
// A UTF-16 text in the ANSI code page (or the one given); a character the code page cannot hold
// becomes its default character, never a look-alike (a full-width backslash stays no backslash).
// Nothing when the conversion fails: an ill-formed text in a code page that refuses such.
std::optional<std::string> AnsiTextOf(const std::wstring& text);
std::optional<std::string> AnsiTextOf(const std::wstring& text, unsigned codePage);
// The conversion flags that the code page takes: it refuses any others.
unsigned long ConversionFlagsFor(unsigned codePage);

// Which byte values begin a double-byte character in the ANSI code page.
struct LeadByteSet {
    std::array<bool, 256> lead{};
    // Up to six inclusive ranges, as the platform lists them; a range of two zero bytes ends it.
    static LeadByteSet FromRanges(const unsigned char* ranges, int rangeBytes);
};

// The folder part of a path, without its final backslash unless that belongs to a root.
std::string DirectoryOf(const std::string& path, const LeadByteSet& leadBytes);
std::string DirectoryOf(const std::string& path);

// A folder and a path below it with one backslash between them: a folder that ends in one (a
// root) adds none, so that "\" and "C:\" never become a network path or a doubled separator.
std::string JoinPath(const std::string& folder, const std::string& below, const LeadByteSet& leadBytes);
std::string JoinPath(const std::string& folder, const std::string& below);

// The ANSI code page's lead bytes, which the forms above without a set use: none until set.
void UseLeadBytes(const LeadByteSet& leadBytes);
// Records the ANSI code page's lead bytes once at start-up.
void RecordLeadBytes();
