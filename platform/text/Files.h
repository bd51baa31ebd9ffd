#pragma once
// File operations report through their result and never raise. They act on the name they are
// given: a link found there is removed or replaced as the link, never written through.
#include <string>

// True for an existing file (not a folder) whose last-write time converts to a DOS date.
bool FilePresent(const std::string& path);
// True when the platform removed the name. A read-only attribute does not stand in the way; a
// file that lives on under another name, or could not be removed, keeps its attributes. A folder
// stays. Attribute changes are asked for only where read-only must go.
bool RemoveFile(const std::string& path);
// True when the file is not there because it, or the folder it would be in, does not exist.
bool PathAbsent(const std::string& path);
// What a step may do with a file that a process has in use: keep it, or move it aside (below) so
// that the step can be done on the freed name.
enum class InUse { Keep, MoveAside };
// Puts a copy of the source, with no attribute of the source's, in the target's place: written to
// a new file beside the target, then that very file moved over the target's name. True on
// success; otherwise the target is as it was, and the new file goes, also with a run that stops.
// A target in use is moved aside only once the copy is complete, and goes back to its name when
// the copy still cannot take it.
bool ReplaceWithCopy(const std::string& source, const std::string& target, InUse inUse = InUse::Keep);
// True when the name is free: the file removed (RemoveFile), or not there (PathAbsent), or, where
// asked, in use and moved aside.
bool ClearName(const std::string& path, InUse inUse);
// Moving aside: a loaded library can be renamed, though neither deleted nor written. A file counts
// as in use when an open of it for writing and deletion, sharing everything, is refused for
// sharing (a loaded library, or a holder that shares neither); a read-only file or a folder does
// not. It is renamed in its own folder, as the name itself, under a name that a replacement gives
// its new file (so a later run removes it once nobody holds it), and that name alone is scheduled
// for deletion at the next restart. A holder that shares no deletion is waited for, about 5 s.
// Removes the new files that earlier replacements of the target left beside it (a run killed
// before its move), and files moved aside, known by their name alone: the target's name, then
// ".<process id>-<n>.tmp".
// Each is removed as the name itself, never through a link, and only while no process holds it
// open (another running copy of the program among them).
void RemoveLeftoverCopies(const std::string& target);
// Whether a file name in the target's folder is one that a replacement of the target gives its
// new file.
bool IsNewFileName(const std::string& fileName, const std::string& targetName);
