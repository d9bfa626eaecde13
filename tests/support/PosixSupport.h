// What only the POSIX test suites set up: a file size limit.
#pragma once

#include <sys/resource.h>

// While it lives, files of this process cannot grow beyond `bytes`: a write fails
// half way as on a full disk, even for root. The signal the system sends for it ends
// the process unless the program's start-up has taken care of it.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
};
