#include "FdSink.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace varnolt {

FdSink::FdSink(int fd, std::size_t capacity)
    : fd_(fd), capacity_(capacity < 16 ? 16 : capacity), buf_(new char[capacity_]) {}

void FdSink::AddLine(std::string_view line) {
    AddJoined({&line, 1});
}

void FdSink::AddJoined(std::span<const std::string_view> pieces) {
    std::size_t size = 2;
    for (std::string_view piece : pieces)
        size += piece.size();
    if (size > capacity_ - used_) {
        Flush();
        if (size > capacity_) {
            // A line longer than the whole buffer goes out piece by piece.
            for (std::string_view piece : pieces)
                WriteAll(piece.data(), piece.size());
            WriteAll("\r\n", 2);
            return;
        }
    }
    char* dst = buf_.get() + used_;
    for (std::string_view piece : pieces) {
        std::memcpy(dst, piece.data(), piece.size());
        dst += piece.size();
    }
    dst[0] = '\r';
    dst[1] = '\n';
    used_ += size;
}

void FdSink::Flush() {
    const std::size_t size = used_;
    used_ = 0;
    WriteAll(buf_.get(), size);
}

void FdSink::WriteAll(const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t put = ::write(fd_, data, size);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            throw std::system_error(errno, std::generic_category());
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

}  // namespace varnolt
