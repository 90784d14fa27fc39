#include "FolderWriteLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

FolderWriteLock::FolderWriteLock(const std::string& nativeFolder)
{
    fd_ = open(nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

FolderWriteLock::~FolderWriteLock()
{
    if (fd_ >= 0) close(fd_);  // closing releases the lock
}

bool FolderWriteLock::TryAlone()
{
    if (fd_ < 0) return true;
    int r;
    while ((r = flock(fd_, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {}
    return r == 0 || errno != EWOULDBLOCK;
}

void FolderWriteLock::Share()
{
    if (fd_ < 0) return;
    while (flock(fd_, LOCK_SH) != 0 && errno == EINTR) {}
}
