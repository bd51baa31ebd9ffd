// Saves, and puts back, every key, value, file and folder of a machine that the tests may change,
// so that a test run on a real machine leaves it as it found it: a product entry, settings or a
// player registration that was there before is there after. Names are taken in UTF-16 by their
// counted length, and links are kept as links, never followed.
//   tqstate save FILE      fails unless the prompt may write HKEY_LOCAL_MACHINE
//   tqstate restore FILE
//   tqstate places         the registry places, one "ROOT\path" a line, as reg.exe takes them
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/support/Keys.h"
#include "tests/support/Places.h"

namespace {
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

std::string ParentOf(const std::string& path) { return path.substr(0, path.rfind('\\')); }
std::string LastNameOf(const std::string& path) { return path.substr(path.rfind('\\') + 1); }

bool IsTestRunValue(const NamedValue& value) {
    return std::any_of(std::begin(TestRunValueNames), std::end(TestRunValueNames),
                       [&](const char* name) { return Wide(name) == value.name; });
}

// What the tests may change at the place: a tree whole, the test entries of a list with all below
// them, the test values of a key.
std::vector<KeyRecord> TestRecordsOf(const Place& place, HKEY key) {
    std::vector<KeyRecord> records = ReadTree(key);
    if (place.scope == Scope::TestEntries) {
        std::erase_if(records, [](const KeyRecord& r) { return !r.path.empty() && !IsTestEntry(r.path[0]); });
        records[0].values.clear();
    }
    if (place.scope == Scope::TestRunValues) {
        records.resize(1);
        std::erase_if(records[0].values, [](const NamedValue& value) { return !IsTestRunValue(value); });
    }
    return records;
}

void SavePlace(const Place& place, Writer& out) {
    const KeyHandle key =
        OpenPath(place.root, place.path, place.scope == Scope::Tree ? KeyWalk::Itself : KeyWalk::Open, NativeView);
    const std::vector<KeyRecord> records = key ? TestRecordsOf(place, key.Get()) : std::vector<KeyRecord>{};
    out.Number(static_cast<uint32_t>(records.size()));
    for (const KeyRecord& record : records) {
        out.Number(static_cast<uint32_t>(record.path.size()));
        for (const std::wstring& name : record.path) out.Name(name);
        out.Number(static_cast<uint32_t>(record.values.size()));
        for (const NamedValue& value : record.values) {
            out.Name(value.name);
            out.Number(value.value.type);
            out.Bytes(value.value.data);
        }
    }
}

KeyRecord ReadRecord(Reader& in) {
    KeyRecord record{std::vector<std::wstring>(std::min<uint32_t>(in.Number(), 1024)), {}};
    for (std::wstring& name : record.path) name = in.Name();
    record.values.resize(std::min<uint32_t>(in.Number(), 65536));
    for (NamedValue& value : record.values) value = {in.Name(), {in.Number(), in.Bytes()}};
    return record;
}

// Parents come before their children: each key is made below the last one made a level up. A
// tree's first key is the place itself; a list's or a key's is there already.
void RestorePlace(const Place& place, Reader& in) {
    if (!ClearPlace(place)) Fail(L"cannot delete what the tests left at " + Wide(place.path));
    std::vector<KeyHandle> made;
    const bool tree = place.scope == Scope::Tree;
    for (uint32_t count = in.Number(), i = 0; i < count && in.Ok(); ++i) {
        const KeyRecord record = ReadRecord(in);
        const size_t depth = record.path.size();
        if (depth > made.size()) continue;  // below a key that could not be made
        made.resize(depth);
        if (depth > 0 && made[depth - 1])
            made.push_back(CreateChild(made[depth - 1].Get(), record.path.back(), IsLink(record)));
        else if (depth > 0)
            made.emplace_back();
        else if (tree)
            made.push_back(CreateChild(OpenPath(place.root, ParentOf(place.path), KeyWalk::Create, NativeView).Get(),
                                       Wide(LastNameOf(place.path)), IsLink(record)));
        else
            made.push_back(OpenPath(place.root, place.path, KeyWalk::Create, NativeView));
        if (!made.back()) Fail(L"cannot make a key of " + Wide(place.path) + L" again");
        for (const NamedValue& value : record.values)
            if (made.back() && !SetNamedValue(made.back().Get(), value)) Fail(L"cannot set " + value.name + L" again");
    }
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
    for (const char* folder : TestFolders) {
        const DWORD attributes = GetFileAttributesA(folder);
        const bool there = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        out.Bytes(there ? AsSpelt(folder) : std::string());
    }
    for (const char* file : TestFiles) {
        std::ifstream in(file, std::ios::binary);
        out.Bytes(in ? AsSpelt(file) : std::string());
        out.Bytes(in ? std::string(std::istreambuf_iterator<char>(in), {}) : std::string());
    }
}

void RestoreFiles(Reader& in) {
    bool wasThere[std::size(TestFolders)] = {};
    for (size_t i = 0; i < std::size(TestFolders); ++i) {
        const std::string spelt = in.Bytes();
        if ((wasThere[i] = !spelt.empty())) CreateDirectoryA(spelt.c_str(), nullptr);
    }
    for (const char* file : TestFiles) {
        const std::string spelt = in.Bytes();
        const std::string content = in.Bytes();
        SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(file);
        if (spelt.empty()) continue;
        std::ofstream out(spelt, std::ios::binary);
        if (!(out << content)) Fail(L"cannot write a file again: " + std::wstring(spelt.begin(), spelt.end()));
    }
    for (size_t i = std::size(TestFolders); i-- > 0;)
        if (!wasThere[i]) RemoveDirectoryA(TestFolders[i]);
}

std::string Save() {
    Writer out;
    for (const Place& place : Places) SavePlace(place, out);
    SaveFiles(out);
    return out.Contents();
}

void Restore(Reader& in) {
    for (const Place& place : Places) RestorePlace(place, in);
    RestoreFiles(in);
    if (!in.Whole()) Fail(L"the saved state is cut short or damaged; what it held up to there is back");
}

// The tests write below HKEY_LOCAL_MACHINE: without an elevated prompt they would fail midway.
bool MayWriteMachineKeys() {
    HKEY software = nullptr;
    const LONG result = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_CREATE_SUB_KEY, &software);
    const KeyHandle opened(result == ERROR_SUCCESS ? software : nullptr);
    return result == ERROR_SUCCESS;
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
    if (argc == 2 && std::string(argv[1]) == "places") {
        for (const Place& place : Places) std::printf("%s\\%s\n", RootName(place.root), place.path);
        return 0;
    }
    std::fprintf(stderr, "usage: tqstate save FILE | tqstate restore FILE | tqstate places\n");
    return 2;
}
