#pragma once
// File operations report through their result and never raise.
#include <string>

// True for an existing file (not a folder) whose last-write time converts to a DOS date.
bool FilePresent(const std::string& path);
// True when the platform deleted the file.
bool RemoveFile(const std::string& path);
// True when the file is not there because it, or the folder it would be in, does not exist.
bool PathAbsent(const std::string& path);
// Copies, overwriting an existing target; true on success.
bool CopyFileOver(const std::string& source, const std::string& target);
