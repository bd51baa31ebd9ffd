// The program's entry: one argument chooses the mode.
#include <windows.h>

#include "app/CommandLine.h"
#include "app/Reports.h"
#include "app/Startup.h"
#include "platform/Boxes.h"
#include "platform/text/Text.h"
#include "setup/Setup.h"

namespace {
constexpr char NoticeText[] =
    "This is Tarnquill installation manager. It is run automatically when needed. Please press OK "
    "to close.";
constexpr char NoticeCaption[] = "Tarnquill";

void Dispatch() {
    const std::string argument = CommandLineArgument(1);
    if (argument.empty()) {
        ShowBox(NoticeText, NoticeCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const std::string mode = SubText(argument, 2, static_cast<int>(argument.size()) - 1);
    bool pluginsDone = true;
    if (TextEquals(mode, "install"))
        pluginsDone = RunInstall();
    else if (TextEquals(mode, "uninstall"))
        pluginsDone = RunUninstall();
    if (!pluginsDone) ReportPluginStepNotDone();
}
}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    StartUp();
    RunReported(Dispatch);
    ShutDown(ReportedExitCode());
}
