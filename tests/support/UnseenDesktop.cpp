#include "tests/support/UnseenDesktop.h"

#include "tests/support/Scratch.h"

UnseenDesktop::UnseenDesktop() {
    static int made = 0;
    const std::string name = "TqUnseen" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++made);
    startupName_ = name + "\\Default";
    station_ = OwnedHandle<StationKind>(CreateWindowStationA(name.c_str(), 0, WINSTA_ALL_ACCESS, nullptr));
    if (!station_) SetUpFailed("the window station " + name + ", error " + std::to_string(GetLastError()));
    USEROBJECTFLAGS flags{};
    if (!GetUserObjectInformationA(station_.Get(), UOI_FLAGS, &flags, sizeof flags, nullptr) ||
        (flags.dwFlags & WSF_VISIBLE))
        SetUpFailed("a window station without visible display surfaces: " + name);
    // A desktop is made on the station of the process that makes it.
    WithProcessOnIt([&] {
        desktop_ = OwnedHandle<DesktopKind>(CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
    });
    if (!desktop_) SetUpFailed("the desktop " + startupName_ + ", error " + std::to_string(GetLastError()));
}

void UnseenDesktop::WithProcessOnIt(const std::function<void()>& body) const {
    // The process's own station, back on every path; its handle is not to be closed.
    struct Back {
        HWINSTA own = GetProcessWindowStation();
        ~Back() { SetProcessWindowStation(own); }
    } back;
    if (!SetProcessWindowStation(station_.Get())) SetUpFailed("the switch to " + startupName_);
    body();
}
