// ExclusiveFileLock: an exclusive flock on a lock file, held for the
// object's lifetime, so that processes sharing a file do their
// read-modify-write one at a time. The lock file is made (mode 0600) when
// missing and never followed through a symbolic link; the lock goes when the
// object does, or when the process ends.
#pragma once

#include <string>

class ExclusiveFileLock {
public:
    // Waits until the lock is had (or cannot be had: held() tells).
    explicit ExclusiveFileLock(const std::string& path);
    ~ExclusiveFileLock();
    ExclusiveFileLock(const ExclusiveFileLock&) = delete;
    ExclusiveFileLock& operator=(const ExclusiveFileLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};
