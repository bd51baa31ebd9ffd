#pragma once
// A window station of the test's own with one desktop, as a service is given: no display surface
// that a user can see, and none of the user's windows in sight. A program started on it shows its
// boxes where nobody sees them.
#include <windows.h>

#include <functional>
#include <string>

#include "platform/OwnedHandle.h"

struct StationKind {
    using Handle = HWINSTA;
    static bool IsNone(HWINSTA station) { return !station; }
    static void Close(HWINSTA station) { CloseWindowStation(station); }
};
struct DesktopKind {
    using Handle = HDESK;
    static bool IsNone(HDESK desktop) { return !desktop; }
    static void Close(HDESK desktop) { CloseDesktop(desktop); }
};

class UnseenDesktop {
public:
    UnseenDesktop();
    HDESK Desktop() const { return desktop_.Get(); }
    // "Station\Default", for STARTUPINFO.lpDesktop.
    const std::string& StartupName() const { return startupName_; }
    // Runs body with the test's own process on the station, as a program started there is.
    void WithProcessOnIt(const std::function<void()>& body) const;

private:
    OwnedHandle<StationKind> station_;
    OwnedHandle<DesktopKind> desktop_;
    std::string startupName_;
};
