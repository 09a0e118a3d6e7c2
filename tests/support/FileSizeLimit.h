// A disk that fills up, for tests: while a FileSizeLimit lives, no file this process writes
// may grow past the given size (RLIMIT_FSIZE), so a write beyond it fails part-way as a write
// to a full disk does. Needs neither root nor a filesystem of the test's own.
#pragma once

#if defined(__unix__)
#include <csignal>
#include <sys/resource.h>

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        // The kernel signals a write past the limit; the write itself then fails with EFBIG.
        previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active = false;

private:
    rlimit saved{};
    void (*previous)(int) = SIG_DFL;
};
#endif
