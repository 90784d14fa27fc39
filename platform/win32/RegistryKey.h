// RegistryKey: one key of the registry store's trees in memory, with its
// sub-keys and values. Key and value names match without regard to case and
// keep the case they were first written with; sub-keys are kept in
// case-blind order, values in the order first written.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "RegistryStore.h"

// A name as keys and values are matched: folded to lower case.
std::wstring FoldRegistryName(std::wstring_view name);

struct RegistryKey {
    std::wstring name;                                              // as first written
    std::map<std::wstring, std::unique_ptr<RegistryKey>> children;  // by folded name: case-blind order
    std::vector<RegValueData> values;                               // in the order first written
    std::unordered_map<std::wstring, size_t> index;                 // folded value name -> position

    RegistryKey* Child(std::wstring_view childName);
    // The existing child of that name, or a new one.
    RegistryKey* AddChild(const std::wstring& childName);
    RegValueData* Find(std::wstring_view valueName);
    // Sets a value, or adds it at the end.
    void Set(std::wstring_view valueName, DWORD type, std::string_view bytes);
    bool Erase(std::wstring_view valueName);
    // Drops every sub-key and value.
    void Clear();

    // The key at a path below this one, or null.
    RegistryKey* FindKey(const RegPath& path);
    // The key at a path below this one, made with the keys on the way as
    // needed.
    RegistryKey* MakeKey(const RegPath& path);
};
