// A private runtime folder of the test's own for as long as it lives:
// XDG_RUNTIME_DIR names a fresh temporary folder, so that files and sockets
// the code under test keeps there (a trace viewer's among them) are the
// test's alone; the former value comes back afterwards.
#pragma once

#include <optional>
#include <string>

#include "tests/support/TempDir.h"

class RuntimeFolder {
public:
    RuntimeFolder();
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    const std::string& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::optional<std::string> former_;
};
