// The user's folders as the freedesktop base-directory and user-dirs
// conventions name them. Read from the environment and the files each time
// they are asked for, so that a test (or the user) may move them.
#pragma once

#include <map>
#include <string>

// The home folder: $HOME when it is an absolute path, else the password
// database's entry; "" when neither gives one. No trailing '/'.
std::string UserHomeFolder();

// A base folder: the variable (e.g. "XDG_CONFIG_HOME") when it holds an
// absolute path, else underHome (e.g. "/.config") below the home folder; ""
// when there is no home either. No trailing '/'.
std::string XdgBaseFolder(const char* variable, const char* underHome);

// The folders of the user-dirs file ($XDG_CONFIG_HOME/user-dirs.dirs) by
// name (e.g. "XDG_DOCUMENTS_DIR"): NAME="..." lines whose value is an
// absolute path or starts with $HOME (expanded), with backslash escapes; the
// last valid line of a name counts. Empty when there is no such file.
std::map<std::string, std::string> XdgUserDirs();
