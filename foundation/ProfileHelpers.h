// Reading and writing INI-style profile files by section and key. A file name
// that begins with '/' (or two backslashes) is used as it stands; any other
// name, an empty one too, is taken relative to the program folder.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

// The value as text. A narrow file's bytes are decoded with the given code
// page (-1 for 949); a UTF-16LE file (FF FE) is read as the text it holds.
CString IniReadString(const CString& section, const CString& key, const CString& fileName, const CString& defaultValue,
                      int codePage);
bool IniWriteString(const CString& section, const CString& key, const CString& value, const CString& fileName);
int IniReadInt(const CString& section, const CString& key, int defaultValue, const CString& fileName);
bool IniWriteInt(const CString& section, const CString& key, int value, const CString& fileName);
// Empties the list, appends every key name of the section in file order and
// returns the new count.
int IniGetKeyNames(CStringList& list, const CString& section, const CString& fileName);

// The absolute form of a profile file name, as every call above uses it.
CString ResolveProfilePath(const CString& fileName);
