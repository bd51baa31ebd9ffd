#pragma once
// One run of the real program described as a table row: the state before, the run, and what the
// user saw and what changed. "{dir}" in any text stands for the scenario's scratch folder, and
// "{wd}" for the working folder the program is started in.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/Program.h"

// The companion plug-in in the working folder, as every scenario starts.
constexpr char NewPlugin[] = "companion plug-in, new build";

// Texts the user sees.
namespace says {
constexpr char Question[] =
    "Tarnquill installation | Tarnquill can assign default hotkey combinations to either "
    "Win+<button> combinations, or to Ctrl+Shift+<button> combinations (later you can redefine "
    "them as you wish). Does your keyboard have Win button? If you don't know, press \"No\". | "
    "Yes No | question";
constexpr char EditionFound[] =
    "Installation | Tarnquill plugin edition was found on this system. For the Full Tarnquill "
    "edition to function correctly, the plugin edition must be uninstalled first. Please press OK "
    "to uninstall it now. | OK | information";
constexpr char EditionWait[] =
    "Installation | Winamp is running. Please close Winamp to successfully proceed with Tarnquill "
    "installation. | OK | information";
constexpr char CopyWait[] =
    "Installation | Winamp is running. Please close Winamp to proceed with Tarnquill installation. "
    "| OK | information";
constexpr char CopyFailed[] =
    "Installation | Error copying Tarnquill companion plugin. Please let me know about this error "
    "to tarnquill@halvorstead.com | OK | error";
constexpr char FinishWait[] =
    "Installation | Winamp is running. Please close Winamp to finish Tarnquill installation. | OK "
    "| information";
constexpr char UninstallWait[] =
    "Uninstallation | Winamp is running. Please close Winamp to successfully proceed with "
    "Tarnquill uninstallation. | OK | information";
constexpr char DeletionFailed[] =
    "Installation | Error deleting Tarnquill companion plugin. Please make sure you closed Winamp "
    "and then press \"Retry\". | Retry Cancel | error";
constexpr char FailureBoxStart[] =
    "re:Application Error \\| Exception ERegistryException in module TarnquillSetup\\.exe at "
    "[0-9A-F]{8}\\.\n";
constexpr char FailureBoxEnd[] = " \\| OK \\| error";
}  // namespace says

struct RegEntry {
    HKEY root;
    std::string key;
    std::string name;             // "(key)": only the key itself; "(volatile)": a volatile key
    std::optional<RegValue> value;  // nullopt: absent afterwards; before: not set (a key: removed)
};

struct FileEntry {
    std::string path;                    // with {dir} / {wd}
    std::optional<std::string> content;  // nullopt: absent (afterwards: no file nor folder by that name)
    std::optional<DWORD> protection;     // read-only, hidden, system: set before, checked after
};

// A run made before the checked one, once the state is set, its boxes answered OK and unchecked;
// it must end with exit code 0. `then` and `filesThen` are set once it has ended.
struct RunBefore {
    std::string program;
    std::string tail;
    std::vector<RegEntry> then;
    std::vector<FileEntry> filesThen;
};

// A link in the file system, made once the files are in place: a second name for a file, or a
// symbolic link (which need not lead anywhere).
struct FileLink {
    std::string path;
    std::string target;
    FileLinkKind kind;
};

// A registry link below HKEY_LOCAL_MACHINE, made before the run.
struct LinkEntry {
    std::string path;
    std::string target;
};

// A key below HKEY_LOCAL_MACHINE by its exact (UTF-8) path, whatever the ANSI code page makes of
// it; afterwards: whether the key itself (a link as the link) still exists.
struct ExactKey {
    std::string path;
    bool exists = true;
};

struct Scenario {
    const char* name;
    // The program started, when not the program under test (a setup that runs it, say).
    std::string program;
    std::vector<RunBefore> runsBefore;
    std::vector<RegEntry> before;
    std::vector<FileEntry> filesBefore;
    std::vector<std::string> foldersBefore;
    bool winampRunning = false;  // on the user's desktop
    // Started where nobody can see a box, as a deployment tool's service starts a setup.
    bool unseen = false;
    std::string tail;
    std::vector<std::string> answers;
    std::string heldFile;
    DWORD heldSharing = FILE_SHARE_READ;
    std::vector<std::string> loadedFiles;  // plug-ins the player has loaded, until "release"
    std::vector<FileLink> fileLinks;
    std::vector<LinkEntry> links;
    std::vector<ExactKey> exactKeysBefore;
    // Keys below HKEY_LOCAL_MACHINE whose access lists grant only what deleting a tree needs.
    std::vector<std::string> narrowKeys;
    DWORD timeoutMs = 20000;
    // A log that the run goes on writing after its process has ended (an uninstaller that hands
    // over to a copy of itself): the state is read once the log says "Log closed.".
    std::string awaitLog;
    std::vector<std::string> boxes;  // "caption | text | buttons | icon", one per box; "re:" + regex
    DWORD exitCode = 0;
    std::vector<RegEntry> after;
    std::vector<FileEntry> filesAfter;
    std::vector<ExactKey> exactKeysAfter;
    int productEntriesAfter = -1;  // how many product entries the uninstall list holds; -1: any
    // The program's own files beside the plug-ins (new files, plug-ins moved aside) that the run
    // leaves, less those filesAfter names.
    int ownFilesAfter = 0;
    // Once the run has ended and the player has let go: a restart, or the same run again where
    // nobody sees a box; either way none of the program's own files is left.
    enum class Then { Nothing, Restart, RunAgain } then = Then::Nothing;
};

// How a run ended, beyond what the scenario expects.
struct ScenarioResult {
    bool hung = false;
    bool crashed = false;  // an exit code other than 0 and 1, or a fault in the failure box
    int foreignChanged = 0;  // other programs' uninstall entries, Run values, plug-ins changed
};

// Clears every place the program works in, sets the scenario's state, runs it and checks it.
ScenarioResult Check(const Scenario& scenario);

// Adds a line for a hostile case to the reliability log, when the run keeps one.
void RecordHostile(const Scenario& scenario, const ScenarioResult& result);

// Product keys and values used throughout.
constexpr char ProductKey[] = "Software\\Halvorstead\\Tarnquill";
constexpr char OptionsKey[] = "Software\\Halvorstead\\Tarnquill\\Options";
constexpr char HotkeysGeneralKey[] = "Software\\Halvorstead\\Tarnquill\\Hotkeys\\General";
constexpr char RunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char UninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char FileCommandKey[] = "Winamp.File\\shell\\Play\\command";
constexpr char PlaylistCommandKey[] = "Winamp.Playlist\\shell\\Play\\command";
// Another program's data outside the uninstall list, there in every scenario; a link or a name
// may point at it, and it must stay as it is.
constexpr char VictimKey[] = "SOFTWARE\\TqVictim";

// Where a scenario's player and plug-ins lie.
inline const std::string Companion = "{dir}\\Winamp\\Plugins\\gen_zorv.dll";
inline const std::string Edition = "{dir}\\Winamp\\Plugins\\gen_wibt.dll";
inline const std::string Player = "{dir}\\Winamp\\winamp.exe";
inline const std::string QuotedPlayer = "\"" + Player + "\" \"%1\"";
// The Plugins folder in the root of the working folder's drive, where a player named from the root
// without a drive letter keeps its plug-ins. Only on the system drive, whose C:\Plugins the tests
// own (and a bundle run saves); elsewhere it may be a user's: then it is nothing, and says why the
// cases that need it are not checked.
std::optional<std::string> CurrentRootPlugins();
// The bytes of a plug-in the test player can load: "old_companion" or "old_edition".
std::string PluginLibrary(const char* name);
// Another program's library, which a link in a Plugins folder may lead to; it must stay as it is.
inline const std::string SharedLibrary = "{dir}\\Shared\\shared.dll";

RegEntry Key(HKEY root, const std::string& key);
RegEntry Value(HKEY root, const std::string& key, const std::string& name, const RegValue& value);
RegEntry NoValue(HKEY root, const std::string& key, const std::string& name);
RegEntry NoKey(HKEY root, const std::string& key);
RegEntry PlayCommand(const std::string& command);
RegEntry GeneralPresent();
// An uninstall-list entry whose display name is its name, and its absence.
std::string EntryKey(const std::string& name);
RegEntry Entry(const std::string& name);
RegEntry NoEntry(const std::string& name);
RegEntry VolatileKey(HKEY root, const std::string& key);
