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

TEST(PlayerPath, PlugInPathsArePlainConcatenation) {
    EXPECT_EQ(PluginPath("C:\\Program Files\\Winamp", "gen_zorv.dll"), "C:\\Program Files\\Winamp\\Plugins\\gen_zorv.dll");
    EXPECT_EQ(PluginPath("C:\\", "gen_wibt.dll"), "C:\\\\Plugins\\gen_wibt.dll");
    EXPECT_EQ(PluginPath("", "gen_zorv.dll"), "\\Plugins\\gen_zorv.dll");
}
}  // namespace
