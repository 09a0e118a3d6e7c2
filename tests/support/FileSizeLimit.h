// A disk that fills up, for tests: while a FileSizeLimit lives, no file this process writes
// may grow past the given size (RLIMIT_FSIZE), so a write beyond it fails part-way as a write
// to a full disk does. Needs neither root nor a filesystem of the test's own. The signal such
// a write raises is left to the program's own handling (IgnoreFileSizeSignal, which the tests'
// main sets up as the program's does): were it missing, the test would end with SIGXFSZ.
#pragma once

#if defined(__unix__)
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active = false;

private:
    rlimit saved{};
};
#endif
