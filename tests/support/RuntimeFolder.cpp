#include "tests/support/RuntimeFolder.h"

#include <cstdlib>

RuntimeFolder::RuntimeFolder()
{
    if (const char* value = std::getenv("XDG_RUNTIME_DIR")) former_ = value;
    setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
}

RuntimeFolder::~RuntimeFolder()
{
    if (former_)
        setenv("XDG_RUNTIME_DIR", former_->c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
