#include <string>

#include <gtest/gtest.h>

#include "setup/Setup.h"

namespace {
struct ScanCase {
    const char* command;
    const char* playerPath;
};

TEST(PlayerPath, TheScanDropsQuotesItMeetsAndStopsAfterWinampExe) {
    const ScanCase cases[] = {
        {"\"C:\\Program Files\\Winamp\\winamp.exe\" \"%1\"", "C:\\Program Files\\Winamp\\winamp.exe"},
        {"C:\\W\\WINAMP.EXE /play %1", "C:\\W\\WINAMP.EXE"},
        {"C:\\W\\WinAmp.eXe", "C:\\W\\WinAmp.eXe"},
        {"\"C:\\W\\play.exe\" \"%1\"", "C:\\W\\play.exe %1"},
        {"\"\"C:\\W\\winamp.exe\"", "\"C:\\W\\winamp.exe"},
        {"\"\"\"x", "\"x"},
        {"C:\\winamp.exe.bak\\winamp.exe", "C:\\winamp.exe"},
        {"WINAMP.EX\"E tail", "WINAMP.EXE"},
        {"WINAMP.EX\"\"E tail", "WINAMP.EX\"E tail"},
        {"\"", ""},
        {"", ""},
        {"winamp.ex", "winamp.ex"},
        {"C:\\\xE4\\winamp.exe\" x", "C:\\\xE4\\winamp.exe"},
    };
    for (const auto& c : cases) EXPECT_EQ(PlayerPathFromCommand(c.command), c.playerPath) << c.command;
}

// One separator after the folder: a root's own backslash is not doubled, so that the current
// drive's root never becomes a network host's share.
TEST(PlayerPath, PlugInPathsHaveOneSeparatorAfterTheFolder) {
    const struct {
        const char* folder;
        const char* path;
    } cases[] = {
        {"C:\\Program Files\\Winamp", "C:\\Program Files\\Winamp\\Plugins\\gen_zorv.dll"},
        {"C:\\", "C:\\Plugins\\gen_zorv.dll"},
        {"\\", "\\Plugins\\gen_zorv.dll"},
        {"", "\\Plugins\\gen_zorv.dll"},
        {"D:", "D:\\Plugins\\gen_zorv.dll"},
        {"\\\\SERVER\\SHARE", "\\\\SERVER\\SHARE\\Plugins\\gen_zorv.dll"},
    };
    for (const auto& c : cases) EXPECT_EQ(PluginPath(c.folder, "gen_zorv.dll"), c.path) << c.folder;
}
}  // namespace
