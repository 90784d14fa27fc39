// The current user's shell-folder keys (the "Shell Folders" and "User Shell
// Folders" keys under Software\Microsoft\Windows\CurrentVersion\Explorer):
// not stored, but answered, their values ("Personal", "AppData", "Desktop", ...)
// being the user's XDG folders at the time they are read. The keys on the
// way to them are answered too, so that they can be opened and enumerated
// in a store that holds nothing.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "RegistryStore.h"

enum class AnsweredKey {
    None,          // stored like any other key
    Ancestor,      // a key on the way to a shell-folder key
    ShellFolders,  // a shell-folder key itself
};

AnsweredKey AnsweredKeyAt(RegRoot root, const RegPath& path);

// True when the path lies inside a shell-folder key (the key or below it).
bool InsideShellFolderKey(RegRoot root, const RegPath& path);

// Adds the answered sub-keys of a key on the way (none for any other key) to
// names, by folded name.
void AddAnsweredSubKeys(RegRoot root, const RegPath& path, std::map<std::wstring, std::wstring>* names);

// The values of a shell-folder key, computed from the environment and the
// user-dirs file each time they are asked for (REG_SZ, native paths).
std::vector<RegValueData> ShellFolderValues();
