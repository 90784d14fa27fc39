// The typed key/value store that stands in for the system registry: three
// root trees (classes, current user, local machine) kept as one text file per
// root under $XDG_CONFIG_HOME/rivoenc/registry/. Key and value names match
// without regard to case and keep the case they were first written with;
// value data are kept as the exact bytes given, with their type code.
//
// Every change is a read-modify-write of the root's file under an flock, and
// lands on disk with an atomic replace, so several processes can share the
// store and a killed writer never leaves a half-written file behind. A read
// answers from memory after one stat() tells that the file did not change.
//
// The current user's shell-folder keys are not stored: their values are the
// user's XDG folders, computed when they are read (ShellFolderKeys.h). The
// file's text form is RegistryFileFormat.h's, the trees in memory are
// RegistryKey's.
//
// Data shipped with the program (registrations of the components it brings)
// lies beneath a root as a read-only layer kept in memory: reads see the
// user's keys and values first and the shipped ones where the user has none,
// enumerations show both, and nothing of it is ever written to the user's
// files. Shipped keys and values cannot be deleted; writing a value under a
// shipped key stores the user's own value, which then hides the shipped one.
//
// Paths here are lists of key names; the Win32-shaped functions in
// Registry.h split the texts, keep the handles and check access rights.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "WinTypes.h"

enum class RegRoot { ClassesRoot = 0, CurrentUser = 1, LocalMachine = 2 };

using RegPath = std::vector<std::wstring>;

struct RegValueData {
    std::wstring name;
    DWORD type = 0;
    std::string bytes;
};

struct RegKeyInfo {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;  // characters, without the terminating NUL
    DWORD values = 0;
    DWORD maxValueNameLen = 0;  // characters, without the terminating NUL
    DWORD maxValueLen = 0;      // bytes
};

class RegistryStore {
public:
    // The platform registry's limits; longer names are refused.
    static constexpr size_t kMaxKeyNameLen = 255;
    static constexpr size_t kMaxValueNameLen = 16383;
    static constexpr size_t kMaxDepth = 512;

    static RegistryStore& Instance();

    // Splits a sub-key text at '\' and '/', dropping empty parts. False when
    // a part is longer than a key name may be.
    static bool SplitPath(std::wstring_view text, RegPath* out);

    // Every call below names a key by root and path. A key that does not
    // exist gives ERROR_KEY_DELETED (callers that opened it by path turn that
    // into ERROR_FILE_NOT_FOUND), a missing value ERROR_FILE_NOT_FOUND.
    LONG KeyExists(RegRoot root, const RegPath& path);
    LONG CreateKey(RegRoot root, const RegPath& path, bool* created);
    // Fails with ERROR_ACCESS_DENIED while the key has sub-keys.
    LONG DeleteKey(RegRoot root, const RegPath& path);
    // Removes the key's sub-keys and values, and the key itself when asked.
    LONG DeleteTree(RegRoot root, const RegPath& path, bool deleteKeyItself);
    LONG GetValue(RegRoot root, const RegPath& path, std::wstring_view name, RegValueData* out);
    LONG SetValue(RegRoot root, const RegPath& path, std::wstring_view name, DWORD type, std::string_view bytes);
    LONG DeleteValue(RegRoot root, const RegPath& path, std::wstring_view name);
    // Sub-keys in case-insensitive order, values in the order first written;
    // ERROR_NO_MORE_ITEMS past the end.
    LONG EnumSubKey(RegRoot root, const RegPath& path, DWORD index, std::wstring* name);
    LONG EnumValue(RegRoot root, const RegPath& path, DWORD index, RegValueData* out);
    LONG QueryInfo(RegRoot root, const RegPath& path, RegKeyInfo* out);

    // Adds to the shipped layer (the keys of the path as needed). The layer
    // lives for the whole process; Reset does not touch it.
    LONG AddShippedKey(RegRoot root, const RegPath& path);
    LONG AddShippedValue(RegRoot root, const RegPath& path, std::wstring_view name, DWORD type, std::string_view bytes);

    // The file that holds a root (native path); "" when no folder is known.
    std::string FileOf(RegRoot root);
    // Forgets everything cached: the folder (so the environment is read
    // again), the loaded trees and the open files.
    void Reset();

private:
    struct Impl;
    RegistryStore();
    ~RegistryStore();
    std::mutex mutex_;
    std::unique_ptr<Impl> impl_;
};

// Drops all cached registry state; the next call reads the environment and
// the files again. Tests call it after pointing XDG_CONFIG_HOME elsewhere.
void RegistryStoreReset();
