// The 32-bit program we ship cannot run on these machines; it is read as a file instead.
#include <windows.h>
#include <winsafer.h>

#include <algorithm>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "platform/text/FileHandle.h"
#include "tests/e2e/Program.h"

namespace {
class ShippedProgram : public ::testing::Test {
protected:
    void SetUp() override {
        bytes_ = ReadFileText(TQ_BUILT(TQ_SHIPPED_PROGRAM_FILE)).value_or("");
        ASSERT_GT(bytes_.size(), 4096u) << TQ_BUILT(TQ_SHIPPED_PROGRAM_FILE);
        module_ = LoadLibraryExA(TQ_BUILT(TQ_SHIPPED_PROGRAM_FILE).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { FreeLibrary(module_); }

    const IMAGE_NT_HEADERS32& Headers() const {
        const auto& dos = *reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes_.data());
        return *reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes_.data() + dos.e_lfanew);
    }
    // File offset of a relative virtual address.
    size_t OffsetOf(DWORD rva) const {
        const auto* section = IMAGE_FIRST_SECTION(&Headers());
        for (int i = 0; i < Headers().FileHeader.NumberOfSections; ++i, ++section)
            if (rva >= section->VirtualAddress && rva < section->VirtualAddress + section->SizeOfRawData)
                return rva - section->VirtualAddress + section->PointerToRawData;
        return 0;
    }
    std::string Resource(LPCSTR type, LPCSTR name) const {
        const HRSRC found = FindResourceA(module_, name, type);
        if (!found) return {};
        const auto* data = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(data, SizeofResource(module_, found));
    }

    std::string bytes_;
    HMODULE module_ = nullptr;
};

TEST_F(ShippedProgram, IsA32BitGuiProgramThatNeedsOnlyWindowsOwnDlls) {
    EXPECT_EQ(Headers().Signature, IMAGE_NT_SIGNATURE);
    EXPECT_EQ(Headers().FileHeader.Machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_EQ(Headers().OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR32_MAGIC);
    EXPECT_EQ(Headers().OptionalHeader.Subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);
    EXPECT_EQ(Headers().FileHeader.TimeDateStamp, 0u);

    const std::set<std::string> windowsOwn = {"KERNEL32.DLL", "USER32.DLL", "ADVAPI32.DLL", "MSVCRT.DLL"};
    const DWORD imports = Headers().OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    std::set<std::string> imported;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes_.data() + OffsetOf(imports));
         entry->Name; ++entry) {
        std::string name = bytes_.data() + OffsetOf(entry->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::toupper);
        imported.insert(name);
    }
    EXPECT_TRUE(imported.count("KERNEL32.DLL"));
    for (const std::string& name : imported) EXPECT_TRUE(windowsOwn.count(name)) << name;
}

TEST_F(ShippedProgram, CarriesItsStringsManifestAndVersion) {
    char text[256];
    ASSERT_EQ(LoadStringA(module_, 65510, text, sizeof text), 37);
    EXPECT_STREQ(text, "Exception %s in module %s at %p.\n%s%s");
    LoadStringA(module_, 65511, text, sizeof text);
    EXPECT_STREQ(text, "Application Error");

    const std::string manifest = Resource(RT_MANIFEST, MAKEINTRESOURCEA(1));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_EQ(manifest.find("asInvoker"), std::string::npos);
    for (const char* os : {"35138b9a-5d96-4fbd-8e2d-a2440225f93a", "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38",
                           "1f676c76-80e1-4239-95bb-83d0f6d0da78", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(manifest.find(os), std::string::npos) << os;

    const std::string version = Resource(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO));
    auto wide = [](const std::string& text) {
        std::string utf16;
        for (char c : text) utf16 += std::string{c, '\0'};
        return utf16;
    };
    for (const char* text : {"ProductName", "Tarnquill", "CompanyName", "Halvorstead"})
        EXPECT_NE(version.find(wide(text)), std::string::npos) << text;
}
}  // namespace

namespace {
// The program defines the runtime's terminate handler itself; should static linking ever pick the
// runtime's own again, it brings its console message and the demangler (about 77 KB) back.
TEST(ShippedProgramLink, LeavesTheRuntimesTerminateHandlerAndDemanglerOut) {
    const std::string bytes = ReadFileText(TQ_BUILT(TQ_SHIPPED_PROGRAM_FILE)).value_or("");
    ASSERT_FALSE(bytes.empty());
    for (const char* text : {"terminate called after throwing", "construction vtable for ", "typeinfo name for "})
        EXPECT_EQ(bytes.find(text), std::string::npos) << text;
}
}  // namespace

namespace {
// A token closes as a file does.
using TokenHandle = FileHandle;
// ERROR_ELEVATION_REQUIRED, which these headers lack.
constexpr DWORD ElevationRequired = 740;

// This process's token as a standard user's. Wine's Safer calls are stubs (measured: a made-up
// handle, whose elevation cannot be read), and Wine checks no token anyway.
TokenHandle StandardUserToken() {
    SAFER_LEVEL_HANDLE level = nullptr;
    HANDLE token = nullptr;
    if (!SaferCreateLevel(SAFER_SCOPEID_USER, SAFER_LEVELID_NORMALUSER, SAFER_LEVEL_OPEN, &level, nullptr))
        SetUpFailed("the standard user's level");
    const BOOL computed = SaferComputeTokenFromLevel(level, nullptr, &token, 0, nullptr);
    SaferCloseLevel(level);
    TokenHandle owned(computed ? token : nullptr);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!owned || (!UnderWine() && (!GetTokenInformation(owned.Get(), TokenElevation, &elevation, sizeof elevation,
                                                         &size) || elevation.TokenIsElevated)))
        SetUpFailed("a token without administrator rights");
    return owned;
}

// Windows reads the manifest's level only where UAC is on; EnableLUA absent is on.
bool UacIsOn() {
    const std::optional<RegValue> lua =
        GetValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System", "EnableLUA",
                 KEY_WOW64_64KEY);
    return !lua || lua->type != REG_DWORD || lua->data != std::string(4, '\0');
}

// The program asks for administrator rights: Windows refuses to start it for a caller without them,
// instead of letting it run and skip the machine's part in silence.
TEST(ShippedProgramRights, WindowsRefusesToStartItForAStandardUser) {
    if (!UnderWine() && !UacIsOn()) {
        std::printf("not checked: UAC is off (EnableLUA 0), and Windows then reads no manifest's level\n");
        return;
    }
    const TokenHandle token = StandardUserToken();
    std::string commandLine = "\"" + ProgramFile() + "\" /none";  // an argument that does nothing
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessAsUserA(token.Get(), ProgramFile().c_str(), commandLine.data(), nullptr, nullptr,
                                              FALSE, 0, nullptr, nullptr, &startup, &process);
    const DWORD error = GetLastError();
    if (started) {
        TerminateProcess(process.hProcess, 0xDEAD);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    EXPECT_EQ(started ? ERROR_SUCCESS : error,
              OnWindowsOrWine(ElevationRequired, DWORD{ERROR_INVALID_HANDLE},
                              "the Safer calls are stubs, whose token CreateProcessAsUser refuses (6), and every Wine "
                              "process is elevated, whatever its manifest asks for"));
}
}  // namespace
