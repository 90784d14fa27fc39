#include "ExclusiveFileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

ExclusiveFileLock::ExclusiveFileLock(const std::string& path)
{
    fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_EX) != 0) {
        if (errno != EINTR) {
            close(fd_);
            fd_ = -1;
            return;
        }
    }
}

ExclusiveFileLock::~ExclusiveFileLock()
{
    if (fd_ >= 0) close(fd_);  // closing releases the lock
}
