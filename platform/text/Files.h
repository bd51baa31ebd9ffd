#pragma once
// File operations report through their result and never raise.
#include <string>

// True for an existing file (not a folder) whose last-write time converts to a DOS date.
bool FilePresent(const std::string& path);
// True when the platform deleted the file.
bool RemoveFile(const std::string& path);
// True when nothing at all stands at the path: neither the file nor its folder exists.
bool PathAbsent(const std::string& path);
// Copies, overwriting an existing target; true on success.
bool CopyFileOver(const std::string& source, const std::string& target);
