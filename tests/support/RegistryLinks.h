#pragma once
// Registry shapes that the ANSI functions cannot make: links, and names that the ANSI code page
// cannot hold. Paths here are UTF-8, turned into UTF-16 for the platform.
#include <windows.h>

#include <string>

std::wstring Wide(const std::string& utf8);

// Creates each missing key of the path; '\' separates names, any other character is a name's.
void MakeKeyW(HKEY root, const std::string& path);
// Deletes the key with its subtree by its exact path; links in it go as links.
void DeleteTreeW(HKEY root, const std::string& path);
// Whether the path's last key exists as itself; a link counts, whatever its target.
bool KeyItselfExists(HKEY root, const std::string& path);

// A volatile link at `link` to the key `target`, which need not exist (its parent must).
void MakeLink(HKEY root, const std::string& link, HKEY targetRoot, const std::string& target);
// Deletes the link itself, never its target.
void DeleteLink(HKEY root, const std::string& link);
