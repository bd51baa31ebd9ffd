// Saves, and puts back, every key, value, file and folder of a machine that the tests may change,
// so that a test run on a real machine leaves it as it found it: a product entry, settings or a
// player registration that was there before is there after. Names are taken in UTF-16 by their
// counted length, and links are kept as links, never followed.
//   tqstate save FILE      fails unless the prompt may write HKEY_LOCAL_MACHINE
//   tqstate restore FILE
#include <windows.h>

#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/RegistryLinks.h"

namespace {
enum class Scope { Tree, ProductEntries, TestRunValues };
struct Place {
    HKEY root;
    const wchar_t* path;
    Scope scope;
};

// Paths as a native-width process sees them: the 32-bit views spelt out.
const Place Places[] = {
    {HKEY_CURRENT_USER, L"Software\\Halvorstead\\Tarnquill", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\TarnquillTests", Scope::Tree},
    {HKEY_CURRENT_USER, L"TarnquillTestsVolatile", Scope::Tree},
    {HKEY_CURRENT_USER, L"TarnquillTestsRootSection", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\Classes\\TarnquillTests.Root", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\TarnquillTests.Root", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\TarnquillTests", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TarnquillTests", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", Scope::TestRunValues},
    {HKEY_CURRENT_USER, L"Software\\Classes\\Winamp.File", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\Classes\\Winamp.Playlist", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\Classes\\Wow6432Node\\Winamp.File", Scope::Tree},
    {HKEY_CURRENT_USER, L"Software\\Classes\\Wow6432Node\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Winamp.File", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\Winamp.File", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes\\Wow6432Node\\Winamp.Playlist", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\TqVictim", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\TqMissing", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TqVictim", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\TqMissing", Scope::Tree},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", Scope::ProductEntries},
    {HKEY_LOCAL_MACHINE, L"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall", Scope::ProductEntries},
};
constexpr const wchar_t* TestRunValueNames[] = {L"Tarnquill", L"TqOtherProgram"};
// Made in this order, removed in the reverse one.
constexpr const char* Folders[] = {"C:\\Plugins", "C:\\PROGRAM FILES\\WINAMP", "C:\\PROGRAM FILES\\WINAMP\\Plugins"};
constexpr const char* Files[] = {"C:\\Plugins\\gen_zorv.dll", "C:\\PROGRAM FILES\\WINAMP\\Plugins\\gen_zorv.dll"};
constexpr int MaxLevels = 600;

// The uninstall entries the tests make: any name with the product's in it, and other programs'.
bool IsTestEntry(const std::wstring& name) {
    std::wstring upper = name;
    for (wchar_t& c : upper) c = c >= L'a' && c <= L'z' ? c - 32 : c;
    return upper.find(L"TARNQUILL") != std::wstring::npos || upper.rfind(L"TQOTHER", 0) == 0;
}

class Writer {
public:
    void Number(uint32_t n) { bytes_.append(reinterpret_cast<const char*>(&n), sizeof n); }
    void Bytes(const std::string& data) { Number(static_cast<uint32_t>(data.size())); bytes_ += data; }
    void Name(const std::wstring& name) { Bytes(std::string(reinterpret_cast<const char*>(name.data()), name.size() * 2)); }
    const std::string& Contents() const { return bytes_; }

private:
    std::string bytes_;
};

class Reader {
public:
    explicit Reader(std::string bytes) : bytes_(std::move(bytes)) {}
    uint32_t Number() {
        uint32_t n = 0;
        if (!Take(sizeof n)) return 0;
        memcpy(&n, bytes_.data() + at_ - sizeof n, sizeof n);
        return n;
    }
    std::string Bytes() {
        const uint32_t size = Number();
        return Take(size) ? bytes_.substr(at_ - size, size) : std::string();
    }
    std::wstring Name() {
        const std::string data = Bytes();
        return std::wstring(reinterpret_cast<const wchar_t*>(data.data()), data.size() / 2);
    }
    bool Whole() const { return ok_ && at_ == bytes_.size(); }
    bool Ok() const { return ok_; }

private:
    bool Take(size_t size) {
        ok_ = ok_ && size <= bytes_.size() - at_;
        if (ok_) at_ += size;
        return ok_;
    }
    std::string bytes_;
    size_t at_ = 0;
    bool ok_ = true;
};

int failures = 0;
void Fail(const std::wstring& what) {
    ++failures;
    std::fprintf(stderr, "tqstate: %ls\n", what.c_str());
}

std::wstring ParentOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }
std::wstring LastNameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

// A value name with a 0 character inside is set by its counted length.
LONG SetValue(HKEY key, const std::wstring& name, DWORD type, const std::string& data) {
    using NtSetValueKeyCall = LONG(NTAPI*)(HANDLE, UNICODE_STRING*, ULONG, ULONG, const void*, ULONG);
    const auto call = reinterpret_cast<NtSetValueKeyCall>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtSetValueKey")));
    UNICODE_STRING counted{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                           const_cast<wchar_t*>(name.data())};
    return call(key, &counted, 0, type, data.data(), static_cast<ULONG>(data.size()));
}

// A key opened as itself: its values (a link's target among them) and its subkeys.
void SaveKey(HKEY key, Writer& out, int levelsLeft) {
    const std::vector<NamedValue> values = ValuesOf(key);
    out.Number(static_cast<uint32_t>(values.size()));
    for (const NamedValue& value : values) {
        out.Name(value.name);
        out.Number(value.type);
        out.Bytes(value.data);
    }
    std::vector<std::pair<std::wstring, HKEY>> children;
    for (const std::wstring& name : levelsLeft > 0 ? SubkeyNamesOf(key) : std::vector<std::wstring>{}) {
        if (const HKEY child = OpenSubkeyItself(key, name)) children.emplace_back(name, child);
        else Fail(L"cannot read the key " + name);
    }
    out.Number(static_cast<uint32_t>(children.size()));
    for (const auto& [name, child] : children) {
        out.Name(name);
        SaveKey(child, out, levelsLeft - 1);
        RegCloseKey(child);
    }
}

bool IsLink(const std::vector<NamedValue>& values) {
    return values.size() == 1 && values[0].type == REG_LINK && values[0].name == L"SymbolicLinkValue";
}

void RestoreKey(HKEY parent, const std::wstring& name, Reader& in) {
    std::vector<NamedValue> values(in.Number());
    for (NamedValue& value : values) {
        value.name = in.Name();
        value.type = in.Number();
        value.data = in.Bytes();
    }
    if (!in.Ok()) return;
    HKEY key = nullptr;
    if (IsLink(values))
        RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS | KEY_CREATE_LINK,
                        nullptr, &key, nullptr);
    else
        key = OpenKeyPath(parent, name, KeyWalk::Create);
    if (!key) Fail(L"cannot make the key " + name + L" again");
    for (const NamedValue& value : values)
        if (key && SetValue(key, value.name, value.type, value.data) != 0) Fail(L"cannot set " + name + L"|" + value.name);
    for (uint32_t count = in.Number(), i = 0; i < count && in.Ok(); ++i) RestoreKey(key, in.Name(), in);
    if (key) RegCloseKey(key);
}

void SaveTree(const Place& place, Writer& out) {
    const HKEY key = OpenKeyPath(place.root, place.path, KeyWalk::OpenItself);
    out.Number(key ? 1 : 0);
    if (!key) return;
    SaveKey(key, out, MaxLevels);
    RegCloseKey(key);
}

// Deletes what a run left at the place, links as links; says so when something stays.
void Clear(HKEY root, const std::wstring& path) {
    DeleteKeyTree(root, path);
    const HKEY left = OpenKeyPath(root, path, KeyWalk::OpenItself);
    if (!left) return;
    RegCloseKey(left);
    Fail(L"cannot delete what the tests left at " + path);
}

void RestoreTree(const Place& place, Reader& in) {
    Clear(place.root, place.path);
    if (!in.Number()) return;
    // A key that cannot be made takes its saved subtree with it.
    const HKEY parent = OpenKeyPath(place.root, ParentOf(place.path), KeyWalk::Create);
    RestoreKey(parent, LastNameOf(place.path), in);
    if (parent) RegCloseKey(parent);
}

void SaveEntries(const Place& place, Writer& out) {
    const HKEY list = OpenKeyPath(place.root, place.path, KeyWalk::Open);
    std::vector<std::wstring> names;
    if (list)
        for (const std::wstring& name : SubkeyNamesOf(list))
            if (IsTestEntry(name)) names.push_back(name);
    out.Number(static_cast<uint32_t>(names.size()));
    for (const std::wstring& name : names) {
        const HKEY entry = OpenSubkeyItself(list, name);
        out.Name(name);
        if (!entry) {
            Fail(L"cannot read the entry " + name);
            out.Number(0);  // no values
            out.Number(0);  // no subkeys
            continue;
        }
        SaveKey(entry, out, MaxLevels);
        RegCloseKey(entry);
    }
    if (list) RegCloseKey(list);
}

void RestoreEntries(const Place& place, Reader& in) {
    const HKEY list = OpenKeyPath(place.root, place.path, KeyWalk::Open);
    if (list)
        for (const std::wstring& name : SubkeyNamesOf(list))
            if (IsTestEntry(name)) Clear(list, name);
    for (uint32_t count = in.Number(), i = 0; i < count && in.Ok(); ++i) {
        const std::wstring name = in.Name();
        RestoreKey(list, name, in);
    }
    if (list) RegCloseKey(list);
}

void SaveRunValues(const Place& place, Writer& out) {
    const HKEY key = OpenKeyPath(place.root, place.path, KeyWalk::Open);
    for (const wchar_t* name : TestRunValueNames) {
        DWORD type = 0, size = 0;
        const bool there = key && RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        std::string data(size, '\0');
        if (there) RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        out.Number(there ? 1 : 0);
        out.Number(type);
        out.Bytes(data.substr(0, size));
    }
    if (key) RegCloseKey(key);
}

void RestoreRunValues(const Place& place, Reader& in) {
    const HKEY key = OpenKeyPath(place.root, place.path, KeyWalk::Create);
    for (const wchar_t* name : TestRunValueNames) {
        const bool there = in.Number();
        const DWORD type = in.Number();
        const std::string data = in.Bytes();
        if (!key) continue;
        RegDeleteValueW(key, name);
        if (there && SetValue(key, name, type, data) != 0) Fail(std::wstring(L"cannot set the Run value ") + name);
    }
    if (!key) Fail(std::wstring(L"cannot open ") + place.path);
    if (key) RegCloseKey(key);
}

// The path with each name spelt as the file system has it, so that what is made again is spelt
// as before; empty when it is not there.
std::string AsSpelt(const std::string& path) {
    std::string spelt = path.substr(0, 2);
    for (size_t start = 3; start <= path.size();) {
        const size_t slash = std::min(path.find('\\', start), path.size());
        WIN32_FIND_DATAA found;
        const HANDLE search = FindFirstFileA((spelt + "\\" + path.substr(start, slash - start)).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) return {};
        FindClose(search);
        spelt += "\\" + std::string(found.cFileName);
        start = slash + 1;
    }
    return spelt;
}

void SaveFiles(Writer& out) {
    for (const char* folder : Folders) {
        const DWORD attributes = GetFileAttributesA(folder);
        const bool there = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        out.Bytes(there ? AsSpelt(folder) : std::string());
    }
    for (const char* file : Files) {
        std::ifstream in(file, std::ios::binary);
        out.Bytes(in ? AsSpelt(file) : std::string());
        out.Bytes(in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string());
    }
}

void RestoreFiles(Reader& in) {
    bool wasThere[std::size(Folders)] = {};
    for (size_t i = 0; i < std::size(Folders); ++i) {
        const std::string spelt = in.Bytes();
        if ((wasThere[i] = !spelt.empty())) CreateDirectoryA(spelt.c_str(), nullptr);
    }
    for (const char* file : Files) {
        const std::string spelt = in.Bytes();
        const std::string content = in.Bytes();
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file);
        if (spelt.empty()) continue;
        std::ofstream out(spelt, std::ios::binary);
        if (!(out << content)) Fail(L"cannot write a file again: " + std::wstring(spelt.begin(), spelt.end()));
    }
    for (size_t i = std::size(Folders); i-- > 0;)
        if (!wasThere[i]) RemoveDirectoryA(Folders[i]);
}

// Each scope's way to save a place, and to put it back; in the order of Scope.
struct Handling {
    void (*save)(const Place&, Writer&);
    void (*restore)(const Place&, Reader&);
};
constexpr Handling Handlings[] = {{SaveTree, RestoreTree}, {SaveEntries, RestoreEntries}, {SaveRunValues, RestoreRunValues}};
const Handling& HandlingOf(Scope scope) { return Handlings[static_cast<size_t>(scope)]; }

std::string Save() {
    Writer out;
    for (const Place& place : Places) HandlingOf(place.scope).save(place, out);
    SaveFiles(out);
    return out.Contents();
}

void Restore(Reader& in) {
    for (const Place& place : Places) HandlingOf(place.scope).restore(place, in);
    RestoreFiles(in);
    if (!in.Whole()) Fail(L"the saved state is cut short or damaged; what it held up to there is back");
}

// The tests write below HKEY_LOCAL_MACHINE: without an elevated prompt they would fail midway.
bool MayWriteMachineKeys() {
    HKEY software = nullptr;
    const bool may = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_CREATE_SUB_KEY, &software) == ERROR_SUCCESS;
    if (software) RegCloseKey(software);
    return may;
}

// Written beside its place and moved there whole, so that a stopped save leaves no half state.
bool WriteWhole(const std::string& file, const std::string& bytes) {
    const std::string partial = file + ".partial";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!(out << bytes) || !out.flush()) return false;
    }
    return MoveFileExA(partial.c_str(), file.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc == 3 ? argv[1] : "";
    if (command == "save") {
        if (!MayWriteMachineKeys()) {
            std::fprintf(stderr, "tqstate: HKEY_LOCAL_MACHINE cannot be written here: run the prompt as administrator\n");
            return 1;
        }
        const std::string state = Save();
        if (!WriteWhole(argv[2], state)) {
            std::fprintf(stderr, "tqstate: cannot write %s (error %lu)\n", argv[2], GetLastError());
            return 1;
        }
        std::printf("tqstate: saved %zu bytes of the machine's state to %s\n", state.size(), argv[2]);
        return failures ? 1 : 0;
    }
    if (command == "restore") {
        std::ifstream in(argv[2], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "tqstate: cannot read %s\n", argv[2]);
            return 1;
        }
        Reader reader(std::string(std::istreambuf_iterator<char>(in), {}));
        Restore(reader);
        if (!failures) std::printf("tqstate: the machine's state is back as %s saved it\n", argv[2]);
        return failures ? 1 : 0;
    }
    std::fprintf(stderr, "usage: tqstate save FILE | tqstate restore FILE\n");
    return 2;
}
