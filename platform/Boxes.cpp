#include "platform/Boxes.h"

#include "platform/Native.h"

namespace {
constexpr DWORD SessionZeroIsolatedFrom = 6;

bool boxesSeen = true;

std::optional<DWORD> StationFlags() {
    // The process's own station: its handle is not to be closed.
    const HWINSTA station = GetProcessWindowStation();
    USEROBJECTFLAGS flags{};
    if (!station || !GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return std::nullopt;
    return flags.dwFlags;
}

std::optional<DWORD> Session() {
    DWORD session = 0;
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &session)) return std::nullopt;
    return session;
}

// The system's own version: GetVersion answers what a compatibility layer (an inherited
// __COMPAT_LAYER of an old-Windows mode) makes of it.
DWORD MajorVersion() {
    using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
    static const auto rtlGetVersion = NativeCall<RtlGetVersionCall>("RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (rtlGetVersion && rtlGetVersion(&version) == 0) return version.dwMajorVersion;
    return LOBYTE(LOWORD(GetVersion()));
}
}  // namespace

bool BoxesCanBeSeen(std::optional<DWORD> stationFlags, std::optional<DWORD> session, DWORD majorVersion) {
    if (stationFlags && !(*stationFlags & WSF_VISIBLE)) return false;
    return !(session == 0u && majorVersion >= SessionZeroIsolatedFrom);
}

void DecideWhetherBoxesAreSeen() {
    boxesSeen = BoxesCanBeSeen(StationFlags(), Session(), MajorVersion());
}

bool BoxesAreSeen() { return boxesSeen; }

int ShowBox(const char* text, const char* caption, UINT flags) {
    return boxesSeen ? MessageBoxA(nullptr, text, caption, flags) : 0;
}
