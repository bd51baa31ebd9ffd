#include "platform/Boxes.h"

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
}  // namespace

bool BoxesCanBeSeen(std::optional<DWORD> stationFlags, std::optional<DWORD> session, DWORD majorVersion) {
    if (stationFlags && !(*stationFlags & WSF_VISIBLE)) return false;
    return !(session == 0u && majorVersion >= SessionZeroIsolatedFrom);
}

void DecideWhetherBoxesAreSeen() {
    boxesSeen = BoxesCanBeSeen(StationFlags(), Session(), LOBYTE(LOWORD(GetVersion())));
}

bool BoxesAreSeen() { return boxesSeen; }

int ShowBox(const char* text, const char* caption, UINT flags) {
    return boxesSeen ? MessageBoxA(nullptr, text, caption, flags) : 0;
}
