// Measures what a run of the installation manager costs under the same Wine as a bare program.
//   bench prepare N        the standard machine with N uninstall entries (a tenth the product's)
//   bench startup PAIRS    silent install runs against bare starts, alternating; medians, ratio
//   bench growth RUNS      install runs with 100, 1,000 and 10,000 entries; medians
//   bench finder CALLS     FindWindowLike among 1,000 top-level windows
//   bench memory           peak memory of one install run
// Every line it prints is "key value" or a row of a table, for the bench script to gather.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/WinFind/WinFind.h"

namespace {
constexpr char Root[] = "C:\\tq-bench";
constexpr char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string Here() {
    char path[MAX_PATH];
    const std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
    return self.substr(0, self.rfind('\\'));
}

void SetString(HKEY root, const std::string& key, const std::string& name, const std::string& text) {
    HKEY handle = nullptr;
    RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr);
    RegSetValueExA(handle, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(handle);
}

struct Entries {
    int ordinary;
    int products;
};

void AddEntry(const std::string& name) {
    SetString(HKEY_LOCAL_MACHINE, std::string(UninstallKey) + "\\" + name, "DisplayName", name);
}

std::string Numbered(const char* prefix, int i) { return prefix + std::to_string(100000 + i).substr(1); }

// Puts back what an install run changes: the product's uninstall entries and the copied plug-in.
void Restore(Entries entries) {
    for (int i = 0; i < entries.products; ++i) AddEntry(Numbered("Tarnquill ", i));
    DeleteFileA((std::string(Root) + "\\Winamp\\Plugins\\gen_zorv.dll").c_str());
}

void Prepare(Entries entries) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, UninstallKey);
    for (const char* folder : {"", "\\Winamp", "\\Winamp\\Plugins", "\\setup"})
        CreateDirectoryA((std::string(Root) + folder).c_str(), nullptr);
    const HANDLE plugin = CreateFileA((std::string(Root) + "\\setup\\gen_zorv.dll").c_str(), GENERIC_WRITE, 0,
                                      nullptr, CREATE_ALWAYS, 0, nullptr);
    const std::string content(64 * 1024, 'p');
    DWORD written = 0;
    WriteFile(plugin, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(plugin);
    HKEY general = nullptr;
    RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Halvorstead\\Tarnquill\\Hotkeys\\General", 0, nullptr, 0,
                    KEY_ALL_ACCESS, nullptr, &general, nullptr);
    RegCloseKey(general);
    SetString(HKEY_CLASSES_ROOT, "Winamp.File\\shell\\Play\\command", "",
              "\"" + std::string(Root) + "\\Winamp\\winamp.exe\" \"%1\"");
    for (int i = 0; i < entries.ordinary; ++i) AddEntry(Numbered("Other Program ", i));
    Restore(entries);
}

struct Run {
    double ms;
    PROCESS_MEMORY_COUNTERS memory;
};

Run Start(const std::string& program, const std::string& tail, bool measureMemory = false) {
    std::string commandLine = "\"" + program + "\"" + tail;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, begin, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&begin);
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        (std::string(Root) + "\\setup").c_str(), &startup, &process)) {
        std::fprintf(stderr, "cannot start %s\n", program.c_str());
        std::exit(2);
    }
    // The platform may forget a process's counters once it has ended: keep the largest seen while
    // it runs.
    Run run{0, {}};
    do {
        PROCESS_MEMORY_COUNTERS now{};
        now.cb = sizeof now;
        if (GetProcessMemoryInfo(process.hProcess, &now, sizeof now) &&
            now.PeakWorkingSetSize > run.memory.PeakWorkingSetSize)
            run.memory = now;
    } while (WaitForSingleObject(process.hProcess, measureMemory ? 1 : INFINITE) == WAIT_TIMEOUT);
    QueryPerformanceCounter(&end);
    run.ms = 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Program() { return Here() + "\\..\\TarnquillSetup.exe"; }
constexpr Entries SilentRun = {100, 3};

void StartupCost(int pairs) {
    Prepare(SilentRun);
    std::vector<double> bare, bareGui, install;
    for (int i = 0; i < pairs; ++i) {
        Restore(SilentRun);
        bare.push_back(Start(Here() + "\\bare_program.exe", "").ms);
        install.push_back(Start(Program(), " /install").ms);
        bareGui.push_back(Start(Here() + "\\bare_gui_program.exe", "").ms);
    }
    std::printf("startup_bare_ms %.2f\nstartup_bare_gui_ms %.2f\nstartup_install_ms %.2f\nstartup_pairs %d\n",
                Median(bare), Median(bareGui), Median(install), pairs);
}

void Growth(int runs) {
    for (int count : {100, 1000, 10000}) {
        const Entries entries{count - count / 10, count / 10};
        Prepare(entries);
        std::vector<double> times;
        for (int i = 0; i < runs; ++i) {
            Restore(entries);
            times.push_back(Start(Program(), " /install").ms);
        }
        std::printf("growth_%d_ms %.2f\n", count, Median(times));
    }
}

LRESULT CALLBACK Quiet(HWND window, UINT message, WPARAM w, LPARAM l) { return DefWindowProcA(window, message, w, l); }

void Finder(int calls) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = Quiet;
    windowClass.lpszClassName = "Winamp v1.x bench";
    RegisterClassA(&windowClass);
    std::vector<HWND> windows;
    for (int i = 0; i < 1000; ++i)
        windows.push_back(CreateWindowA(windowClass.lpszClassName, ("Player " + std::to_string(i)).c_str(),
                                        WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    auto perCall = [&] {
        LARGE_INTEGER frequency, begin, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&begin);
        HWND found = nullptr;
        for (int i = 0; i < calls; ++i) found = FindWindowLike("Winamp v", "Winamp", false);
        QueryPerformanceCounter(&end);
        return std::make_pair(found, 1e6 * static_cast<double>(end.QuadPart - begin.QuadPart) /
                                         static_cast<double>(frequency.QuadPart) / calls);
    };
    const auto [none, noneUs] = perCall();
    HWND last = nullptr;  // the one of ours enumerated last
    EnumWindows([](HWND window, LPARAM found) {
        char name[64] = {};
        GetClassNameA(window, name, sizeof name);
        if (lstrcmpA(name, "Winamp v1.x bench") == 0) *reinterpret_cast<HWND*>(found) = window;
        return TRUE;
    }, reinterpret_cast<LPARAM>(&last));
    SetWindowTextA(last, "Winamp 5.9");
    const auto [found, lastUs] = perCall();
    std::printf("finder_windows %zu\nfinder_none_us %.1f\nfinder_last_us %.1f\nfinder_found_last %d\nfinder_none_found %d\n",
                windows.size(), noneUs, lastUs, found == last, none != nullptr);
}

void Memory() {
    Prepare(SilentRun);
    const Run run = Start(Program(), " /install", true);
    std::printf("memory_peak_working_set_kb %zu\nmemory_peak_pagefile_kb %zu\n", run.memory.PeakWorkingSetSize / 1024,
                run.memory.PeakPagefileUsage / 1024);
}
}  // namespace

int main(int argc, char** argv) {
    const std::string task = argc > 1 ? argv[1] : "";
    const int number = argc > 2 ? std::atoi(argv[2]) : 0;
    if (task == "prepare") Prepare({number - number / 10, number / 10});
    else if (task == "startup") StartupCost(number);
    else if (task == "growth") Growth(number);
    else if (task == "finder") Finder(number);
    else if (task == "memory") Memory();
    else {
        std::fputs("usage: bench prepare N | startup PAIRS | growth RUNS | finder CALLS | memory\n", stderr);
        return 2;
    }
    return 0;
}
