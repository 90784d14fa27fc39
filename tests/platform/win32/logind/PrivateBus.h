// A D-Bus daemon of the test's own, listening on a socket in a private
// folder, stopped with the object.
#pragma once

#include <sys/types.h>

#include <string>

#include "tests/support/TempDir.h"

class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // The bus address; empty when the daemon did not start within the
    // deadline.
    const std::string& address() const { return address_; }
    // An address in the same folder on which nothing listens.
    std::string DeadAddress() const { return "unix:path=" + temp_.File("nobody"); }

private:
    TempDir temp_;
    pid_t pid_ = -1;
    std::string address_;
};
