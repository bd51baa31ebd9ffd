#include "tests/driver/ProgramRun.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "platform/Boxes.h"
#include "platform/text/FileHandle.h"
#include "tests/driver/ProbeIcons.h"
#include "tests/driver/Screenshot.h"
#include "tests/support/TopWindow.h"
#include "tests/support/UnseenDesktop.h"

namespace {
constexpr DWORD PollMs = 10;
constexpr DWORD ProbeWaitMs = 2000;

struct ButtonName {
    int id;
    const char* name;
};
constexpr ButtonName Buttons[] = {{IDOK, "ok"},       {IDCANCEL, "cancel"}, {IDABORT, "abort"},
                                  {IDRETRY, "retry"}, {IDIGNORE, "ignore"}, {IDYES, "yes"},
                                  {IDNO, "no"}};
constexpr const char* ShownButtonNames[] = {"", "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

// Sets the probe hook for the lifetime of a run: every box of the program gets its icon told.
class ProbeHook {
public:
    ProbeHook() {
        module_ = LoadLibraryA("tq_probe.dll");
        const auto proc =
            module_ ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(GetProcAddress(module_, "ProbeHook")))
                    : nullptr;
        hook_ = proc ? SetWindowsHookExA(WH_CALLWNDPROCRET, proc, module_, 0) : nullptr;
    }
    ~ProbeHook() {
        if (hook_) UnhookWindowsHookEx(hook_);
        if (module_) FreeLibrary(module_);
    }
    ProbeHook(const ProbeHook&) = delete;
    ProbeHook& operator=(const ProbeHook&) = delete;

private:
    HMODULE module_ = nullptr;
    HHOOK hook_ = nullptr;
};

// When a process started, in FILETIME units; 0 when that cannot be told.
ULONGLONG StartTimeOf(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!process || !GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}
ULONGLONG StartTimeOf(DWORD processId) {
    return StartTimeOf(FileHandle(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId)).Get());
}

// The processes whose boxes a run answers: the one started and, where asked, the programs it
// runs at any depth (a setup's boxes come from them) and any process of the program's file name
// started since (Windows Installer starts a package's actions from its own service).
struct RunTree {
    DWORD started;
    ULONGLONG startedAt;
    bool ofPrograms;
    const std::string& programFileName;
};

bool InRun(DWORD processId, const RunTree& run) {
    if (processId == run.started) return true;
    if (!run.ofPrograms) return false;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    std::map<DWORD, DWORD> parents;
    bool named = false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        parents[entry.th32ProcessID] = entry.th32ParentProcessID;
        named = named || (entry.th32ProcessID == processId && !run.programFileName.empty() &&
                          lstrcmpiA(entry.szExeFile, run.programFileName.c_str()) == 0);
    }
    CloseHandle(snapshot);
    if (named && StartTimeOf(processId) >= run.startedAt) return true;
    for (DWORD current = processId, steps = 0; parents.count(current) && steps < 64; ++steps) {
        current = parents[current];
        if (current == run.started) return true;
    }
    return false;
}

struct BoxSearch {
    const RunTree& run;
    HWND found;
};

BOOL CALLBACK FindBoxOf(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<BoxSearch*>(search);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (lstrcmpA(className, "#32770") != 0 || owner == GetCurrentProcessId() || !InRun(owner, wanted.run)) return TRUE;
    wanted.found = window;
    return FALSE;
}

// On the desktop the program was started on: the driver's own, or one of its making.
HWND BoxOf(const RunTree& run, HDESK desktop) {
    BoxSearch search{run, nullptr};
    if (desktop)
        EnumDesktopWindows(desktop, FindBoxOf, reinterpret_cast<LPARAM>(&search));
    else
        EnumWindows(FindBoxOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
}

std::string IconName(INT_PTR code) {
    switch (code) {
        case ProbeIconNone: return "none";
        case ProbeIconError: return "error";
        case ProbeIconQuestion: return "question";
        case ProbeIconWarning: return "warning";
        case ProbeIconInformation: return "information";
        case ProbeIconOther: return "other";
        default: return "unknown";
    }
}

BoxSeen Read(HWND box) {
    const DWORD until = GetTickCount() + ProbeWaitMs;
    while (!GetPropA(box, ProbeIconProperty) && GetTickCount() < until) Sleep(PollMs);
    BoxSeen seen;
    std::string buffer(4096, '\0');
    buffer.resize(static_cast<size_t>(GetWindowTextA(box, buffer.data(), 4096)));
    seen.caption = buffer;
    buffer.assign(4096, '\0');
    buffer.resize(static_cast<size_t>(GetDlgItemTextA(box, 0xFFFF, buffer.data(), 4096)));
    seen.text = buffer;
    // Buttons as they stand on the box, left to right.
    std::vector<std::pair<LONG, int>> shown;
    for (const ButtonName& button : Buttons) {
        RECT place;
        const HWND control = GetDlgItem(box, button.id);
        if (control && GetWindowRect(control, &place)) shown.emplace_back(place.left, button.id);
    }
    std::sort(shown.begin(), shown.end());
    for (const auto& [left, id] : shown)
        seen.buttons += (seen.buttons.empty() ? "" : " ") + std::string(ShownButtonNames[id]);
    seen.icon = IconName(reinterpret_cast<INT_PTR>(GetPropA(box, ProbeIconProperty)));
    return seen;
}

std::vector<std::string> Split(const std::string& step) {
    std::vector<std::string> parts;
    std::stringstream stream(step);
    for (std::string part; std::getline(stream, part, '+');) parts.push_back(part);
    return parts;
}

struct LibraryKind {
    using Handle = HMODULE;
    static bool IsNone(HMODULE library) { return library == nullptr; }
    static void Close(HMODULE library) { FreeLibrary(library); }
};
using LoadedLibrary = OwnedHandle<LibraryKind>;

struct RunState {
    const RunScript& script;
    std::unique_ptr<TopWindow> winamp;  // counts as a running Winamp
    FileHandle held;
    std::vector<LoadedLibrary> loaded;
};

void Answer(HWND box, const std::string& step, RunState& state) {
    const std::vector<std::string> parts = Split(step);
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        if (parts[i] == "closewinamp") state.winamp.reset();
        if (parts[i] == "showwinamp")
            state.winamp =
                std::make_unique<TopWindow>(state.script.winampClass, state.script.winampTitle);
        if (parts[i] == "release") {
            state.held.Close();
            state.loaded.clear();
        }
    }
    const std::string button = parts.empty() ? "ok" : parts.back();
    if (button == "close") {
        PostMessageA(box, WM_CLOSE, 0, 0);
        return;
    }
    for (const ButtonName& known : Buttons)
        if (button == known.name) PostMessageA(box, WM_COMMAND, known.id, 0);
}

// Once the box has been drawn: a picture of it as the user sees it.
void Picture(HWND box, const std::string& path) {
    constexpr DWORD DrawnMs = 400;
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    Sleep(DrawnMs);
    if (!SaveScreenshot(box, path)) std::fprintf(stderr, "tqdrive: no picture of the box in %s\n", path.c_str());
}

std::string CommandLineOf(const RunScript& script) {
    return script.commandLine.empty() ? "\"" + script.program + "\"" + script.tail
                                      : script.commandLine;
}
}  // namespace

RunOutcome RunProgram(const RunScript& script) {
    // The program decides as it would of the driver's own place: where nobody sees a box, it shows none.
    DecideWhetherBoxesAreSeen();
    if (!script.unseen && !BoxesAreSeen())
        SetUpFailed("a desktop that a user can see: these tests run in session 0 or on a window station without "
                    "display surfaces (a service's), where the program shows no box; run them in a user's session");
    ProbeHook probe;
    RunState state{script, nullptr, {}};
    if (script.winampRunning)
        state.winamp = std::make_unique<TopWindow>(script.winampClass, script.winampTitle);
    if (!script.heldFile.empty())
        state.held = FileHandle(CreateFileA(script.heldFile.c_str(), GENERIC_READ, script.heldSharing, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    for (const std::string& file : script.loadedFiles) {
        state.loaded.emplace_back(LoadLibraryA(file.c_str()));
        if (!state.loaded.back()) SetUpFailed("the player's load of " + file);
    }

    RunOutcome outcome;
    std::string commandLine = CommandLineOf(script);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const std::unique_ptr<UnseenDesktop> unseen = script.unseen ? std::make_unique<UnseenDesktop>() : nullptr;
    std::string desktopName = unseen ? unseen->StartupName() : "";
    if (unseen) startup.lpDesktop = desktopName.data();
    PROCESS_INFORMATION process{};
    outcome.started =
        CreateProcessA(script.program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                       nullptr,
                       script.workingFolder.empty() ? nullptr : script.workingFolder.c_str(),
                       &startup, &process) != 0;
    if (!outcome.started) {
        outcome.startError = GetLastError();
        return outcome;
    }

    const RunTree run{process.dwProcessId, StartTimeOf(process.hProcess), script.boxesOfPrograms, script.programFileName};
    const DWORD deadline = GetTickCount() + script.timeoutMs;
    HWND answered = nullptr;
    while (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT) {
        PumpMessages();
        if (GetTickCount() > deadline) {
            TerminateProcess(process.hProcess, 0xDEAD);
            WaitForSingleObject(process.hProcess, 10000);
            outcome.timedOut = true;
            break;
        }
        const HWND box = BoxOf(run, unseen ? unseen->Desktop() : nullptr);
        if (box && (box != answered || !IsWindow(answered))) {
            BoxSeen seen = Read(box);
            // The answered box, caught between the search and its end: not a box the user saw.
            if (!IsWindow(box)) continue;
            const size_t index = outcome.boxes.size();
            if (index < script.screenshots.size()) Picture(box, script.screenshots[index]);
            seen.answer = index < script.answers.size() ? script.answers[index] : script.fallback;
            Answer(box, seen.answer, state);
            outcome.boxes.push_back(seen);
            answered = box;
        }
        MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, PollMs, QS_ALLINPUT);
    }
    GetExitCodeProcess(process.hProcess, &outcome.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return outcome;
}

std::string Transcript(const RunOutcome& outcome) {
    std::string lines;
    for (const BoxSeen& box : outcome.boxes)
        lines += box.caption + " | " + box.text + " | " + box.buttons + " | " + box.icon + " -> " +
                 box.answer + "\n";
    if (outcome.timedOut) lines += "timed out\n";
    return lines + "exit " + std::to_string(outcome.exitCode) + "\n";
}
