// FolderWriteLock: the mark, seen by every process of the machine, that a
// batch is writing into a folder: an flock on the folder itself, held for
// the object's lifetime (or until the process ends).
//
// A batch first tries to hold the folder alone, without waiting: that fails
// while another batch writes there, whose files, finished or not, must then
// be left where they are. It then shares the folder for as long as it
// writes, so that later batches see it.
#pragma once

#include <string>

class FolderWriteLock {
public:
    explicit FolderWriteLock(const std::string& nativeFolder);
    ~FolderWriteLock();
    FolderWriteLock(const FolderWriteLock&) = delete;
    FolderWriteLock& operator=(const FolderWriteLock&) = delete;

    // Holds the folder alone if no other process holds it; true then, and
    // true too when the folder cannot be opened (there is nobody to meet).
    bool TryAlone();
    // Shares the folder from now on, waiting while another process holds it
    // alone.
    void Share();

private:
    int fd_ = -1;
};
