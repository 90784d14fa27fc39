// Named resources of the program, by type and name, as the system's resource
// functions hand them out. The program's resources are Qt resources: the
// resource NAME of type TYPE is the file ":/TYPE/NAME" of the resources
// compiled into the program or registered at run time (QResource). Types and
// names are matched without regard to case, as the system matches them; a
// numeric name or type (MAKEINTRESOURCE) stands for "#" and its number.
// Resource data lives as long as the process, like a loaded module's.
#pragma once

#include "GlobalMemory.h"
#include "Menus.h"

using HRSRC = struct HRSRC__*;

constexpr DWORD ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;

// Only the program's own resources exist: the module must be null (or the
// program's). Null with ERROR_RESOURCE_TYPE_NOT_FOUND or
// ERROR_RESOURCE_NAME_NOT_FOUND when there is no such resource.
HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// The data of a found resource; LockResource gives its first byte.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
BOOL FreeResource(HGLOBAL data);
