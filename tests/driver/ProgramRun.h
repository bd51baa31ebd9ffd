#pragma once
// Runs the real program as its users meet it: starts it with an exact command line, finds each
// message box it shows, records it, answers it from a script, and reports the exit code. It can
// also play a running Winamp (a top-level window) and hold a file open.
#include <windows.h>

#include <string>
#include <vector>

struct BoxSeen {
    std::string caption;
    std::string text;
    std::string buttons;  // e.g. "OK", "Yes No", "Retry Cancel"
    std::string icon;     // "information", "question", "warning", "error", "none" or "other"
    std::string answer;   // the script step that answered it
};

struct RunOutcome {
    std::vector<BoxSeen> boxes;
    DWORD exitCode = 0;
    bool timedOut = false;
    bool started = false;
    DWORD startError = 0;  // why it did not start
};

// One step of the answer script: actions separated by '+', the last one a button.
//   buttons: ok cancel yes no retry abort ignore close (close: the box's close command)
//   actions before it: closewinamp, showwinamp, release (the held file and the loaded ones)
// When the script runs out, each further box is answered with `fallback`.
struct RunScript {
    std::string program;      // the program file
    std::string tail;         // put right after the quoted program name, byte for byte
    std::string commandLine;  // when set: the whole command line, instead of program + tail
    std::string workingFolder;
    std::vector<std::string> answers;
    std::string fallback = "ok";
    bool winampRunning = false;
    std::string winampClass = "Winamp v1.x";
    std::string winampTitle = "Winamp 5.9";
    std::string heldFile;  // held open from the start until "release"
    DWORD heldSharing = FILE_SHARE_READ;  // without delete sharing, or sharing everything
    // Loaded as libraries from the start until "release", as a player holds its plug-ins.
    std::vector<std::string> loadedFiles;
    DWORD timeoutMs = 30000;
    // Started on a window station of its own that nobody sees, as by a service; its boxes are
    // looked for there.
    bool unseen = false;
    // Also answer the boxes of the programs it runs (a setup): process ids are reused, so only
    // where asked. Windows Installer runs a package's actions from its own service, not from the
    // msiexec started: the boxes of any process of this file name count too.
    bool boxesOfPrograms = false;
    std::string programFileName;
    // The i-th box is pictured into the i-th file (BMP) before it is answered.
    std::vector<std::string> screenshots;
};

RunOutcome RunProgram(const RunScript& script);

// One line a box: caption | text | buttons | icon -> answer.
std::string Transcript(const RunOutcome& outcome);
