#pragma once
// Closes a file descriptor when it goes out of scope.
#include <unistd.h>

namespace varnolt {

class FdGuard {
public:
    explicit FdGuard(int fd = -1) : FFd(fd) {}
    ~FdGuard() {
        if (FFd >= 0)
            ::close(FFd);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;

    int Get() const { return FFd; }
    // Gives the descriptor up without closing it.
    int Release() {
        const int fd = FFd;
        FFd = -1;
        return fd;
    }
    // Closes the held descriptor (if any) and holds `fd` instead.
    void Reset(int fd = -1) {
        if (FFd >= 0)
            ::close(FFd);
        FFd = fd;
    }
    // Closes now and reports the result of close().
    int Close() {
        const int fd = Release();
        return fd >= 0 ? ::close(fd) : 0;
    }

private:
    int FFd;
};

}  // namespace varnolt
