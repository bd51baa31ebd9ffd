#pragma once
// What the setup actions say and where they look.

constexpr char SupportAddress[] = "tarnquill@halvorstead.com";

constexpr char InstallCaption[] = "Installation";
constexpr char UninstallCaption[] = "Uninstallation";
constexpr char QuestionCaption[] = "Tarnquill installation";

constexpr char ModifierQuestion[] =
    "Tarnquill can assign default hotkey combinations to either Win+<button> combinations, or to "
    "Ctrl+Shift+<button> combinations (later you can redefine them as you wish). Does your "
    "keyboard have Win button? If you don't know, press \"No\".";
constexpr char PluginEditionNotice[] =
    "Tarnquill plugin edition was found on this system. For the Full Tarnquill edition to "
    "function correctly, the plugin edition must be uninstalled first. Please press OK to "
    "uninstall it now.";
constexpr char PluginEditionWaitNotice[] =
    "Winamp is running. Please close Winamp to successfully proceed with Tarnquill installation.";
constexpr char CopyWaitNotice[] =
    "Winamp is running. Please close Winamp to proceed with Tarnquill installation.";
constexpr char CopyFailedText[] =
    "Error copying Tarnquill companion plugin. Please let me know about this error to ";
constexpr char FinishWaitNotice[] =
    "Winamp is running. Please close Winamp to finish Tarnquill installation.";
constexpr char UninstallWaitNotice[] =
    "Winamp is running. Please close Winamp to successfully proceed with Tarnquill "
    "uninstallation.";
constexpr char DeletionFailedText[] =
    "Error deleting Tarnquill companion plugin. Please make sure you closed Winamp and then press "
    "\"Retry\".";

constexpr char ProductKey[] = "Software\\Halvorstead\\Tarnquill";
constexpr char HotkeysKey[] = "Software\\Halvorstead\\Tarnquill\\Hotkeys";
constexpr char OptionsSection[] = "Options";
constexpr char CurrentVersionKey[] = "Software\\Microsoft\\Windows\\CurrentVersion";
constexpr char UninstallListKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr char PlayFileKey[] = "Winamp.File\\shell\\Play";
constexpr char PlayPlaylistKey[] = "Winamp.Playlist\\shell\\Play";
constexpr char DefaultPlayerPath[] = "C:\\PROGRAM FILES\\WINAMP\\WINAMP.EXE";
constexpr char ProductPrefix[] = "TARNQUILL";

constexpr char PluginEdition[] = "gen_wibt.dll";
constexpr char CompanionPlugin[] = "gen_zorv.dll";

constexpr char PlayerWindowClass[] = "Winamp v";
constexpr char PlayerWindowTitle[] = "Winamp";
