// The "Open With" entry of RivoReader for the media file types it reads,
// through the desktop's own mechanism: a desktop entry that lists the types
// and, for the one extension no shared type covers, a type package of our
// own, both in the user's data folder. The user's default applications are
// never changed. Failures are silent: the switches show nothing.
#pragma once

#include <string>

// The user's data folder: $XDG_DATA_HOME, else ~/.local/share; empty when
// neither can be found.
std::string UserDataFolder();

// Writes the entry (starting programPath with the file) and the type
// package, then refreshes the desktop and type databases when their tools
// exist. False when a file could not be written.
bool RegisterAssociations(const std::string& dataFolder, const std::string& programPath);
// Removes exactly the files RegisterAssociations writes, then refreshes the
// databases. False when a file was there and could not be removed.
bool UnregisterAssociations(const std::string& dataFolder);

// The paths the two files take under the data folder.
std::string AssociationDesktopEntryPath(const std::string& dataFolder);
std::string AssociationTypePackagePath(const std::string& dataFolder);
