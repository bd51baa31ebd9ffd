#include "platform/registry/Registry.h"

#include <algorithm>
#include <optional>

#include "platform/Exception.h"
#include "platform/registry/KeyTree.h"
#include "platform/text/Text.h"

namespace {
constexpr DWORD RegistryTypeOf(TValueKind kind) {
    switch (kind) {
        case TValueKind::String: return REG_SZ;
        case TValueKind::ExpandableString: return REG_EXPAND_SZ;
        case TValueKind::Integer: return REG_DWORD;
        case TValueKind::Binary: return REG_BINARY;
        case TValueKind::Other: break;
    }
    return REG_NONE;
}

constexpr TValueKind KindOf(DWORD type) {
    switch (type) {
        case REG_SZ: return TValueKind::String;
        case REG_EXPAND_SZ: return TValueKind::ExpandableString;
        case REG_DWORD: return TValueKind::Integer;
        case REG_BINARY: return TValueKind::Binary;
        default: return TValueKind::Other;
    }
}

std::string Quoted(const std::string& name) { return "'" + name + "'"; }

LONG CreateKey(HKEY base, const std::string& path, HKEY& created) {
    DWORD disposition = 0;  // asked for, not used
    return RegCreateKeyExA(base, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, &created, &disposition);
}
}  // namespace

TRegistry::TRegistry() { SetRoot(HKEY_CURRENT_USER); }

TRegistry::~TRegistry() { ClosePath(); }

void TRegistry::SetRoot(HKEY root) {
    if (root == rootHandle_) return;
    rootHandle_ = root;
    ClosePath();
}

bool TRegistry::OpenPath(const std::string& path, bool create) {
    const ResolvedPath resolved = Resolve(path);
    const HKEY base = BaseKeyFor(resolved.relative);
    HKEY opened = nullptr;
    const LONG result = create && !resolved.platformPath.empty()
                            ? CreateKey(base, resolved.platformPath, opened)
                            : RegOpenKeyExA(base, resolved.platformPath.c_str(), 0,
                                            KEY_ALL_ACCESS, &opened);
    KeyHandle key(result == ERROR_SUCCESS ? opened : nullptr);
    if (!key) return false;
    const bool below = resolved.relative && OpenHandle();
    SwitchOpenKey(std::move(key), below ? keyPath_ + "\\" + resolved.platformPath
                                        : resolved.platformPath);
    return true;
}

void TRegistry::ClosePath() {
    if (!openHandle_) return;
    openHandle_.Close();
    keyPath_.clear();
}

bool TRegistry::HasSubkey(const std::string& path) { return static_cast<bool>(AcquireKey(path)); }

bool TRegistry::MakeSubkey(const std::string& path) {
    const ResolvedPath resolved = Resolve(path);
    HKEY created = nullptr;
    const LONG result = CreateKey(BaseKeyFor(resolved.relative), resolved.platformPath, created);
    KeyHandle key(result == ERROR_SUCCESS ? created : nullptr);
    if (!key) Raise<ERegistryException>("Failed to create key " + path);
    return true;
}

KeyHandle TRegistry::AcquireKey(const std::string& path) {
    const ResolvedPath resolved = Resolve(path);
    HKEY opened = nullptr;
    const LONG result = RegOpenKeyExA(BaseKeyFor(resolved.relative), resolved.platformPath.c_str(),
                                      0, KEY_ALL_ACCESS, &opened);
    return KeyHandle(result == ERROR_SUCCESS ? opened : nullptr);
}

// Names are read in UTF-16, where no name outgrows its buffer, and carried exactly: the ANSI
// form of a name may take more bytes than characters, or not be the name at all. A name that
// has no text (one holding a 0 character, which no text handed to the platform can spell, or one
// the code page cannot convert) is not listed, so nothing is done to it by its look-alike.
void TRegistry::ListSubkeys(TStrings& names) {
    names.RemoveAll();
    TKeySummary summary;
    if (!QueryKeyInfo(summary)) return;
    for (std::wstring& name : SubkeyNamesOf(OpenHandle(), summary.subkeyCount)) {
        if (name.find(L'\0') != std::wstring::npos) continue;
        if (const std::optional<std::string> text = AnsiTextOf(name))
            names.AppendWithObject(*text, std::make_shared<TSubkeyName>(std::move(name)));
    }
}

bool TRegistry::RemoveSubkey(const std::string& path) {
    const ResolvedPath resolved = Resolve(path);
    return RemoveKeyTree(OpenLastKeyItself(BaseKeyFor(resolved.relative), resolved.platformPath));
}

bool TRegistry::RemoveListedSubkey(const TStrings& names, int index) {
    const auto name = std::dynamic_pointer_cast<const TSubkeyName>(names.ObjectAt(index));
    if (!name) return RemoveSubkey(names.ItemAt(index));
    return RemoveKeyTree(OpenSubkeyItself(BaseKeyFor(true), name->exact));
}

bool TRegistry::RemoveValue(const std::string& name) {
    return RegDeleteValueA(OpenHandle(), name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::HasValue(const std::string& name) { return ValueSize(name) >= 0; }

std::string TRegistry::ReadText(const std::string& name) {
    const long size = ValueSize(name);
    if (size <= 0) return {};
    std::string text(static_cast<size_t>(size), '\0');
    const auto [count, kind] = FetchValueData(name, text.data(), static_cast<DWORD>(size));
    if (kind != TValueKind::String && kind != TValueKind::ExpandableString)
        Raise<ERegistryException>("Invalid data type for " + Quoted(name));
    text.resize(std::min<size_t>(count, text.size()));
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return text;
}

void TRegistry::WriteText(const std::string& name, const std::string& text) {
    StoreValueData(name, text.c_str(), static_cast<DWORD>(text.size() + 1), TValueKind::String);
}

long TRegistry::ValueSize(const std::string& name) {
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(OpenHandle(), name.c_str(), nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS)
        return -1;
    return static_cast<long>(size);
}

std::pair<DWORD, TValueKind> TRegistry::FetchValueData(const std::string& name, char* buffer,
                                                       DWORD size) {
    DWORD type = 0;
    if (RegQueryValueExA(OpenHandle(), name.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        Raise<ERegistryException>("Failed to get data for " + Quoted(name));
    return {size, KindOf(type)};
}

void TRegistry::StoreValueData(const std::string& name, const void* data, DWORD size,
                               TValueKind kind) {
    if (RegSetValueExA(OpenHandle(), name.c_str(), 0, RegistryTypeOf(kind),
                       static_cast<const BYTE*>(data), size) != ERROR_SUCCESS)
        Raise<ERegistryException>("Failed to set data for " + Quoted(name));
}

bool TRegistry::QueryKeyInfo(TKeySummary& summary) {
    summary = {};
    if (!OpenHandle()) return false;
    DWORD count = 0, longest = 0, values = 0, longestValueName = 0, longestValueData = 0;
    FILETIME lastWrite;
    if (RegQueryInfoKeyA(OpenHandle(), nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         &values, &longestValueName, &longestValueData, nullptr,
                         &lastWrite) != ERROR_SUCCESS)
        return false;
    summary = {count, longest};
    return true;
}

HKEY TRegistry::BaseKeyFor(bool relative) const {
    return relative && OpenHandle() ? OpenHandle() : rootHandle_;
}

bool TRegistry::IsRelativePath(const std::string& path) {
    return path.empty() || path.front() != '\\';
}

TRegistry::ResolvedPath TRegistry::Resolve(const std::string& path) {
    const bool relative = IsRelativePath(path);
    return {relative, relative ? path : path.substr(1)};
}

void TRegistry::SwitchOpenKey(KeyHandle key, const std::string& path) {
    ClosePath();
    openHandle_ = std::move(key);
    keyPath_ = path;
}

TRegIniFile::TRegIniFile(const std::string& homePath) : homePath_(homePath) {
    OpenPath(homePath, true);
}

std::string TRegIniFile::ReadEntry(const std::string& section, const std::string& name,
                                   const std::string& defaultText) {
    KeyHandle sectionKey = AcquireKey(section);
    if (!sectionKey) return defaultText;
    BorrowedOpenKey borrowed(*this, sectionKey);
    return HasValue(name) ? ReadText(name) : defaultText;
}

void TRegIniFile::WriteEntry(const std::string& section, const std::string& name,
                             const std::string& text) {
    MakeSubkey(section);
    KeyHandle sectionKey = AcquireKey(section);
    if (!sectionKey) return;
    BorrowedOpenKey borrowed(*this, sectionKey);
    WriteText(name, text);
}

void TRegIniFile::WriteNumberEntry(const std::string& section, const std::string& name,
                                   int number) {
    WriteEntry(section, name, std::to_string(number));
}

void TRegIniFile::RemoveEntry(const std::string& section, const std::string& name) {
    KeyHandle sectionKey = AcquireKey(section);
    if (!sectionKey) return;
    BorrowedOpenKey borrowed(*this, sectionKey);
    RemoveValue(name);
}
