// The text form of one root of the registry store, as kept in its file:
//
//   # comment
//   value "<name>" <TYPE> <hex bytes>      a value of the key above (the root at first)
//   key "<name>\<name>\..."                 a key, by its full path from the root
//
// TYPE is a type's name (REG_SZ, REG_DWORD, ...) or its number. Names are
// UTF-8; control characters, '%', '"' and code units that are no Unicode
// character are written as %{hex}, so every name comes back exactly, and
// the value bytes come back as written.
#pragma once

#include <string>
#include <string_view>

#include "RegistryKey.h"

// The whole tree below root; fileName goes into the heading comment.
std::string SerializeRegistryText(const RegistryKey& root, const char* fileName);

// Adds what the text holds to the tree below root. Bad lines are skipped and
// the rest is loaded. A last line without its newline is a cut-off write and
// is skipped too. Values under a key line that could not be read are dropped
// with it rather than given to another key.
void ParseRegistryText(std::string_view text, RegistryKey* root);
