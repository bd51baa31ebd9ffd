#pragma once
// The registry objects: one root and at most one open key below it; TRegIniFile treats each
// subkey of the open key as a section of entries.
#include <windows.h>

#include <string>
#include <utility>

#include "platform/registry/KeyHandle.h"
#include "platform/text/StringList.h"

enum class TValueKind { Other, String, ExpandableString, Integer, Binary };

// The exact name of a listed subkey, carried along with its text in the ANSI code page, which
// may not hold every character of it.
struct TSubkeyName : TObject {
    explicit TSubkeyName(std::wstring name) : exact(std::move(name)) {}
    std::wstring exact;
};

struct TKeySummary {
    DWORD subkeyCount = 0;
    DWORD longestSubkeyName = 0;
};

class TRegistry {
public:
    TRegistry();
    virtual ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    void SetRoot(HKEY root);
    bool OpenPath(const std::string& path, bool create);
    void ClosePath();
    bool HasSubkey(const std::string& path);
    bool MakeSubkey(const std::string& path);
    KeyHandle AcquireKey(const std::string& path);
    void ListSubkeys(TStrings& names);
    bool RemoveSubkey(const std::string& path);
    // Removes the subkey of the open key (of the root when none is open) that item index of a
    // list filled by ListSubkeys names, by its exact name.
    bool RemoveListedSubkey(const TStrings& names, int index);
    bool RemoveValue(const std::string& name);
    bool HasValue(const std::string& name);
    std::string ReadText(const std::string& name);
    void WriteText(const std::string& name, const std::string& text);

    HKEY OpenHandle() const { return openHandle_.Get(); }
    HKEY RootHandle() const { return rootHandle_; }
    const std::string& KeyPath() const { return keyPath_; }

protected:
    // Makes key the open handle for the lifetime of the guard; the previous one comes back after.
    class BorrowedOpenKey {
    public:
        BorrowedOpenKey(TRegistry& registry, KeyHandle& key) : registry_(registry), key_(key) {
            registry_.SetOpenHandle(key_);
        }
        ~BorrowedOpenKey() { registry_.SetOpenHandle(key_); }
        BorrowedOpenKey(const BorrowedOpenKey&) = delete;
        BorrowedOpenKey& operator=(const BorrowedOpenKey&) = delete;

    private:
        TRegistry& registry_;
        KeyHandle& key_;
    };

private:
    struct ResolvedPath {
        bool relative;
        std::string platformPath;
    };

    long ValueSize(const std::string& name);
    std::pair<DWORD, TValueKind> FetchValueData(const std::string& name, char* buffer, DWORD size);
    void StoreValueData(const std::string& name, const void* data, DWORD size, TValueKind kind);
    bool QueryKeyInfo(TKeySummary& summary);
    HKEY BaseKeyFor(bool relative) const;
    static bool IsRelativePath(const std::string& path);
    static ResolvedPath Resolve(const std::string& path);
    void SwitchOpenKey(KeyHandle key, const std::string& path);
    // Exchanges the open handle with key; KeyPath is left as it is.
    void SetOpenHandle(KeyHandle& key) { swap(openHandle_, key); }

    KeyHandle openHandle_;
    HKEY rootHandle_ = nullptr;
    [[maybe_unused]] bool deferFlush_ = true;  // closing a key never forces its changes to disk
    std::string keyPath_;
};

class TRegIniFile : public TRegistry {
public:
    // Opens the path, creating it when absent; an object whose path cannot be opened exists with
    // no key open.
    explicit TRegIniFile(const std::string& homePath);

    std::string ReadEntry(const std::string& section, const std::string& name,
                          const std::string& defaultText);
    void WriteEntry(const std::string& section, const std::string& name, const std::string& text);
    void WriteNumberEntry(const std::string& section, const std::string& name, int number);
    void RemoveEntry(const std::string& section, const std::string& name);
    bool RemoveSection(const std::string& section) { return RemoveSubkey(section); }
    bool RemoveSection(const TStrings& sections, int index) {
        return RemoveListedSubkey(sections, index);
    }
    void ListSections(TStrings& names) { ListSubkeys(names); }

    const std::string& HomePath() const { return homePath_; }

private:
    std::string homePath_;
};
